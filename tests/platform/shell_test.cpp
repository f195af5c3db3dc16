// The desktop shell on a private session bus: a file shown through a stand-in file manager
// (org.freedesktop.FileManager1) with its path intact, the folder opened instead when no file
// manager answers, and folders opened as file URLs whatever their names hold.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QObject>

#include "platform/system/shell.h"
#include "tests/support/testsupport.h"

namespace {

// Answers ShowItems as a file manager would, and records what it was asked.
class FakeFileManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
 public:
  QStringList uris;
  QString startupId;
 public slots:
  void ShowItems(const QStringList& items, const QString& startup) {
    uris += items;
    startupId = startup;
  }
};

const QString kOdd = QStringLiteral("/tmp/-x dir/\"quoted\" 'name' 歌.mp3");

}  // namespace

TEST(DesktopShellTest, AFileIsShownByTheFileManagerWithItsPathIntact) {
  testing_support::PrivateBus bus;
  ASSERT_TRUE(bus.ok()) << "dbus-daemon did not start";
  QDBusConnection service = QDBusConnection::connectToBus(bus.address(), QStringLiteral("fm-service"));
  ASSERT_TRUE(service.isConnected());
  FakeFileManager manager;
  ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                     QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));
  QDBusConnection client = QDBusConnection::connectToBus(bus.address(), QStringLiteral("fm-client"));

  QList<QUrl> opened;
  orvane::DesktopShell shell(client, [&](const QUrl& url) {
    opened << url;
    return true;
  });
  QStringList answers;
  QObject::connect(&shell, &orvane::DesktopShell::itemShown, [&](const QString& path, bool fallback, bool ok) {
    answers << path + (fallback ? QStringLiteral(" fallback") : QStringLiteral(" shown")) + (ok ? "" : " failed");
  });
  EXPECT_TRUE(shell.ShowItem(kOdd));
  ASSERT_TRUE(testing_support::waitUntil([&] { return !answers.isEmpty(); }));
  EXPECT_EQ(answers, QStringList{kOdd + QStringLiteral(" shown")});
  ASSERT_EQ(manager.uris.size(), 1);
  EXPECT_TRUE(manager.uris[0].startsWith(QStringLiteral("file:///tmp/-x%20dir/")));
  EXPECT_EQ(QUrl(manager.uris[0]).toLocalFile(), kOdd);
  EXPECT_EQ(manager.startupId, QString());
  EXPECT_TRUE(opened.isEmpty());

  // No file manager on the bus: the folder opens instead.
  service.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
  answers.clear();
  EXPECT_TRUE(shell.ShowItem(kOdd));
  ASSERT_TRUE(testing_support::waitUntil([&] { return !answers.isEmpty(); }));
  EXPECT_EQ(answers, QStringList{kOdd + QStringLiteral(" fallback")});
  ASSERT_EQ(opened.size(), 1);
  EXPECT_TRUE(opened[0].isLocalFile());
  EXPECT_EQ(opened[0].toLocalFile(), QStringLiteral("/tmp/-x dir"));
  EXPECT_EQ(manager.uris.size(), 1);

  QDBusConnection::disconnectFromBus(QStringLiteral("fm-client"));
  QDBusConnection::disconnectFromBus(QStringLiteral("fm-service"));
}

TEST(DesktopShellTest, FoldersOpenAsFileUrlsAndNothingIsAskedForNoPath) {
  QList<QUrl> opened;
  bool answer = true;
  // A connection that never connected: showing a file falls back at once.
  orvane::DesktopShell shell(QDBusConnection(QStringLiteral("orvane-no-bus")), [&](const QUrl& url) {
    opened << url;
    return answer;
  });
  const QString folder = QStringLiteral("-rf /music/a \"b\"");
  EXPECT_TRUE(shell.OpenFolder(folder));
  ASSERT_EQ(opened.size(), 1);
  EXPECT_EQ(opened[0].scheme(), QStringLiteral("file"));
  EXPECT_EQ(opened[0].toLocalFile(), QDir::current().absoluteFilePath(folder)) << "a relative name stays a path";
  EXPECT_EQ(orvane::DesktopShell::FileUrl(QStringLiteral("/m/-a b")).toLocalFile(), QStringLiteral("/m/-a b"));

  EXPECT_TRUE(shell.ShowItem(kOdd));
  ASSERT_EQ(opened.size(), 2);
  EXPECT_EQ(opened[1].toLocalFile(), QStringLiteral("/tmp/-x dir"));

  answer = false;
  EXPECT_FALSE(shell.OpenFolder(QStringLiteral("/nowhere")));
  EXPECT_FALSE(shell.OpenFolder(QString()));
  EXPECT_FALSE(shell.ShowItem(QString()));
  EXPECT_EQ(opened.size(), 3);
}

#include "shell_test.moc"
