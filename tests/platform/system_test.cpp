// The small system services: the autostart entry (temporary folders only), password hashes,
// power requests to a mock logind and the desktop shell on a private bus, the system volume
// of the private sound server.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "platform/audio/pulsecapture.h"
#include "platform/audio/pulsesystemvolume.h"
#include "platform/system/autostart.h"
#include "platform/system/passwordhash.h"
#include "platform/system/power.h"
#include "platform/system/shell.h"
#include "tests/support/testsupport.h"

using namespace orvane;
using testing_support::waitUntil;

namespace {
// An Exec value read back as a desktop reads it: string escapes, then quoting, then "%%".
QStringList parseExec(const QString& value) {
  QString s;
  for (qsizetype i = 0; i < value.size(); ++i) {
    QChar c = value[i];
    if (c == u'\\' && i + 1 < value.size()) {
      c = value[++i];
      c = c == u'n' ? u'\n' : c == u't' ? u'\t' : c == u'r' ? u'\r' : c == u's' ? u' ' : c;
    }
    s += c;
  }
  QStringList args;
  QString cur;
  bool quoted = false, any = false;
  for (qsizetype i = 0; i < s.size(); ++i) {
    const QChar c = s[i];
    if (quoted && c == u'\\' && i + 1 < s.size()) cur += s[++i];
    else if (c == u'"') quoted = !quoted, any = true;
    else if (c == u' ' && !quoted) {
      if (any) args.append(cur);
      cur.clear();
      any = false;
    } else cur += c, any = true;
  }
  if (any) args.append(cur);
  for (QString& a : args) a.replace(QStringLiteral("%%"), QStringLiteral("%"));
  return args;
}
}  // namespace

TEST(Autostart, DefaultFolderFollowsAnAbsoluteXdgConfigHome) {
  const QString fallback = QDir::homePath() + QStringLiteral("/.config/autostart");
  testing_support::ScopedEnv config("XDG_CONFIG_HOME", "/tmp/some config");
  for (const auto& [value, folder] : std::vector<std::pair<QByteArray, QString>>{
           {"/tmp/some config", QStringLiteral("/tmp/some config/autostart")}, {"relative/path", fallback}, {"", fallback}}) {
    qputenv("XDG_CONFIG_HOME", value);
    EXPECT_EQ(Autostart::DefaultFolder(), folder) << value.constData();
  }
}

TEST(Autostart, ExecQuotesEveryAwkwardPathSoItReadsBackWhole) {
  for (const QString& p : {QStringLiteral("/home/a b/播音 软件/orvane"), QStringLiteral("/tmp/q\"uote/`tick`/$HOME/back\\slash/100%/x"),
                           QStringLiteral("/tmp/tab\there/new\nline/-dash;&|<>*?#()~'")}) {
    const QByteArray entry = Autostart::EntryText(p);
    const QByteArray exec = entry.mid(entry.indexOf("\nExec=") + 6).split('\n').first();
    EXPECT_EQ(parseExec(QString::fromUtf8(exec)), QStringList{p}) << exec.constData();
  }
  // Quoting first, then the string escapes: one backslash in the path is four in the file.
  EXPECT_EQ(Autostart::ExecValue(QStringLiteral("/a\\b")), QStringLiteral("\"/a\\\\\\\\b\""));
  EXPECT_EQ(Autostart::ExecValue(QStringLiteral("/a%b")), QStringLiteral("\"/a%%b\""));
}

TEST(Autostart, EnableWritesTheEntryHiddenOnesDoNotCountAndDisableRemoves) {
  QTemporaryDir tmp;
  Autostart a(tmp.filePath(QStringLiteral("my config/autostart")));
  EXPECT_FALSE(a.isPresent());
  EXPECT_TRUE(a.disable()) << "no entry to remove is fine";
  QString error;
  ASSERT_TRUE(a.enable(QStringLiteral("/opt/my apps/orvane"), &error)) << error.toStdString();
  EXPECT_EQ(a.filePath(), tmp.filePath(QStringLiteral("my config/autostart/tamu.desktop")));
  QFile f(a.filePath());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray text = f.readAll();
  EXPECT_TRUE(text.startsWith("[Desktop Entry]\n") && text.contains("\nType=Application\n") && !text.contains('\r'));
  EXPECT_TRUE(text.contains("\nExec=\"/opt/my apps/orvane\"\n"));
  EXPECT_TRUE(a.isPresent());
  for (const auto& [text, present] : std::vector<std::pair<QByteArray, bool>>{
           {"[Desktop Entry]\nExec=x\nHidden = true\n", false},
           {"[Desktop Entry]\nExec=x\n[Desktop Action new]\nHidden=true\n", true}}) {
    testing_support::writeFile(a.filePath(), text);
    EXPECT_EQ(a.isPresent(), present) << text.constData();
  }
  ASSERT_TRUE(a.enable(QStringLiteral("/usr/bin/orvane")));  // replaces a hidden entry
  ASSERT_TRUE(a.disable(&error));
  EXPECT_FALSE(QFile::exists(a.filePath()) || a.isPresent());
  // A file where the folder should be, a folder where the entry should be: refused with a reason.
  testing_support::writeFile(tmp.filePath(QStringLiteral("autostart")), "not a folder");
  error.clear();
  EXPECT_FALSE(Autostart(tmp.filePath(QStringLiteral("autostart"))).enable(QStringLiteral("/usr/bin/orvane"), &error));
  EXPECT_FALSE(error.isEmpty());
  Autostart odd(tmp.filePath(QStringLiteral("odd")));
  testing_support::writeFile(odd.filePath() + QStringLiteral("/inside"), "x");
  EXPECT_FALSE(odd.isPresent());
  EXPECT_FALSE(odd.enable(QStringLiteral("/usr/bin/orvane"), &error));
  EXPECT_FALSE(odd.disable(&error));
}

TEST(PasswordHash, SaltedYescryptThatVerifiesOnlyTheSamePassword) {
  const QString a = HashPassword(QStringLiteral("门卫 1234")), b = HashPassword(QStringLiteral("门卫 1234"));
  ASSERT_TRUE(a.startsWith(QStringLiteral("$y$"))) << a.toStdString();
  EXPECT_NE(a, b) << "every hash has its own salt";
  EXPECT_TRUE(IsPasswordHash(a));
  EXPECT_TRUE(VerifyPassword(QStringLiteral("门卫 1234"), a));
  EXPECT_TRUE(VerifyPassword(QStringLiteral("门卫 1234"), b));
  for (const QString& wrong : {QStringLiteral("门卫 1235"), QStringLiteral("门卫 1234 "), QString()})
    EXPECT_FALSE(VerifyPassword(wrong, a)) << wrong.toStdString();
  for (const QString& notHash : {QStringLiteral("secret"), QString(), QStringLiteral("$6$abc$def"), QStringLiteral("$y$"),
                                 QStringLiteral("$y$j9T$broken"), a.left(a.size() - 1)}) {
    EXPECT_FALSE(VerifyPassword(QStringLiteral("secret"), notHash)) << notHash.toStdString();
    if (!notHash.startsWith(QStringLiteral("$y$"))) {
      EXPECT_FALSE(IsPasswordHash(notHash)) << notHash.toStdString();
    }
  }
}

TEST(LogindPowerTest, AsksLogindWithoutInteractionNothingInDryRunAndReportsARefusal) {
  testing_support::PrivateBus bus;
  ASSERT_TRUE(bus.ok()) << "dbus-daemon did not start";
  {
    // No logind on the bus yet: the call fails and says so.
    QDBusConnection empty = QDBusConnection::connectToBus(bus.address(), QStringLiteral("power-refused"));
    LogindPower power(empty, false);
    QString error;
    power.onReply([&](const QString&, const QString& e) { error = e; });
    power.PowerOff();
    ASSERT_TRUE(waitUntil([&] { return !error.isEmpty(); }));
    EXPECT_TRUE(error.contains(QStringLiteral("ServiceUnknown"))) << qPrintable(error);
  }
  QDBusConnection::disconnectFromBus(QStringLiteral("power-refused"));
  ASSERT_TRUE(bus.startTemplate(QStringLiteral("logind"), QStringLiteral("org.freedesktop.login1")));
  QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), QStringLiteral("power-test"));
  // The method calls the mock recorded, through its own GetCalls.
  auto recorded = [&] {
    const QDBusMessage reply = connection.call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("GetCalls")));
    QStringList names;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return names;
    const QDBusArgument calls = reply.arguments().first().value<QDBusArgument>();
    calls.beginArray();
    while (!calls.atEnd()) {
      quint64 stamp = 0;
      QString method;
      QVariantList args;
      calls.beginStructure();
      calls >> stamp >> method >> args;
      calls.endStructure();
      for (const QVariant& a : args) method += QLatin1Char(' ') + a.value<QDBusVariant>().variant().toString() + a.toString();
      names << method;
    }
    calls.endArray();
    return names;
  };
  for (const bool dryRun : {true, false}) {
    LogindPower power(connection, dryRun);
    QStringList replies;
    power.onReply([&](const QString& method, const QString& error) { replies << method + QLatin1Char('=') + error; });
    power.PowerOff();
    ASSERT_TRUE(waitUntil([&] { return replies.size() == 1; }));
    power.Reboot();
    ASSERT_TRUE(waitUntil([&] { return replies.size() == 2; }));
    EXPECT_EQ(replies, (QStringList{QStringLiteral("PowerOff="), QStringLiteral("Reboot=")}));
    const QStringList expected = dryRun ? QStringList() : QStringList{QStringLiteral("PowerOff false"), QStringLiteral("Reboot false")};
    EXPECT_EQ(recorded(), expected) << "dry run " << dryRun;
  }
  QDBusConnection::disconnectFromBus(QStringLiteral("power-test"));
}

namespace {
// Answers ShowItems as a file manager would, and records what it was asked.
class FakeFileManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
 public:
  QStringList uris;
  QString startupId = QStringLiteral("unset");
 public slots:
  void ShowItems(const QStringList& items, const QString& startup) { uris += items, startupId = startup; }
};
const QString kOdd = QStringLiteral("/tmp/-x dir/\"quoted\" 'name' 歌.mp3");
}  // namespace

TEST(DesktopShellTest, AFileIsShownByTheFileManagerElseItsFolderOpens) {
  testing_support::PrivateBus bus;
  ASSERT_TRUE(bus.ok()) << "dbus-daemon did not start";
  QDBusConnection service = QDBusConnection::connectToBus(bus.address(), QStringLiteral("fm-service"));
  FakeFileManager manager;
  ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager, QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));
  QList<QUrl> opened;
  bool answer = true;
  DesktopShell shell(QDBusConnection::connectToBus(bus.address(), QStringLiteral("fm-client")), [&](const QUrl& url) {
    opened << url;
    return answer;
  });
  QStringList answers;
  QObject::connect(&shell, &DesktopShell::itemShown, [&](const QString& path, bool fallback, bool ok) {
    answers << path + (fallback ? QStringLiteral(" fallback") : QStringLiteral(" shown")) + (ok ? "" : " failed");
  });
  EXPECT_TRUE(shell.ShowItem(kOdd));
  ASSERT_TRUE(waitUntil([&] { return !answers.isEmpty(); }));
  EXPECT_EQ(answers, QStringList{kOdd + QStringLiteral(" shown")});
  ASSERT_EQ(manager.uris.size(), 1);
  EXPECT_TRUE(manager.uris[0].startsWith(QStringLiteral("file:///tmp/-x%20dir/")) && QUrl(manager.uris[0]).toLocalFile() == kOdd);
  EXPECT_TRUE(manager.startupId.isEmpty() && opened.isEmpty());

  service.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));  // no file manager now
  answers.clear();
  EXPECT_TRUE(shell.ShowItem(kOdd));
  ASSERT_TRUE(waitUntil([&] { return !answers.isEmpty(); }));
  EXPECT_EQ(answers, QStringList{kOdd + QStringLiteral(" fallback")});
  ASSERT_EQ(opened.size(), 1);
  EXPECT_EQ(opened[0], QUrl::fromLocalFile(QStringLiteral("/tmp/-x dir")));
  DesktopShell lone(QDBusConnection(QStringLiteral("orvane-no-bus")), [&](const QUrl& url) { return opened << url, true; });
  EXPECT_TRUE(lone.ShowItem(kOdd)) << "a bus that never connected falls back at once";
  EXPECT_EQ(opened.value(1), QUrl::fromLocalFile(QStringLiteral("/tmp/-x dir")));

  // Folders open as file URLs, a relative name staying a path; nothing is asked for no path.
  const QString folder = QStringLiteral("-rf /music/a \"b\"");
  EXPECT_TRUE(shell.OpenFolder(folder));
  EXPECT_EQ(opened.last(), QUrl::fromLocalFile(QDir::current().absoluteFilePath(folder)));
  answer = false;
  EXPECT_FALSE(shell.OpenFolder(QStringLiteral("/nowhere")));
  EXPECT_FALSE(shell.OpenFolder(QString()));
  EXPECT_FALSE(shell.ShowItem(QString()));
  EXPECT_EQ(opened.size(), 4);
  QDBusConnection::disconnectFromBus(QStringLiteral("fm-client"));
  QDBusConnection::disconnectFromBus(QStringLiteral("fm-service"));
}

TEST(SystemVolumeTest, SetsAndReadsThePrivateServersSinkAndFailsQuicklyWithoutOne) {
  if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) GTEST_SKIP() << "no private sound server (run through test.sh)";
  {
    PulseSystemVolume volume;
    const auto before = volume.volume();
    ASSERT_TRUE(before.has_value());
    for (const auto& [set, read] : std::vector<std::pair<int, int>>{{37, 37}, {250, 100}, {0, 0}}) {
      EXPECT_TRUE(volume.setVolume(set));
      EXPECT_EQ(volume.volume(), read) << set;
    }
    EXPECT_TRUE(volume.setVolume(*before));
  }
  testing_support::ScopedEnv nowhere("PULSE_SERVER", "unix:/nonexistent/orvane-no-socket");
  PulseSystemVolume volume(1000);
  QElapsedTimer t;
  t.start();
  EXPECT_FALSE(volume.setVolume(50));
  EXPECT_FALSE(volume.volume().has_value());
  EXPECT_LT(t.elapsed(), 2500);
}

TEST(PulseCaptureTest, AFormatTheServerCannotTakeIsRefusedBeforeAnyConnection) {
  // Channels beyond a byte must not wrap round to a small count.
  for (const audio::CaptureFormat& f : {audio::CaptureFormat{44100, 258, 16}, {44100, 0, 16}, {44100, 2, 24}, {0, 2, 16}}) {
    QString error;
    EXPECT_EQ(audio::PulseCapture().open(0, f, &error), nullptr) << f.channels;
    EXPECT_TRUE(error.startsWith(QStringLiteral("Unsupported capture format"))) << error.toStdString();
  }
}

#include "system_test.moc"
