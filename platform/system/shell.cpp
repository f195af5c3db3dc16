// The desktop shell over QDesktopServices and the freedesktop file manager interface.
#include "platform/system/shell.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDebug>
#include <QDesktopServices>
#include <QFileInfo>

namespace orvane {

DesktopShell::DesktopShell(QDBusConnection bus, UrlOpener opener, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), opener_(std::move(opener)) {
  if (!opener_) opener_ = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

QUrl DesktopShell::FileUrl(const QString& path) { return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()); }

bool DesktopShell::OpenFile(const QString& path) {
  if (path.isEmpty()) {
    qWarning() << "shell: no file to open";
    return false;
  }
  // A file URL goes to the handler of the file's type: an executable is shown, never run.
  const bool ok = opener_(FileUrl(path));
  if (!ok) qWarning().noquote() << "shell: nothing opens the file" << path;
  return ok;
}

bool DesktopShell::OpenFolder(const QString& folder) {
  if (folder.isEmpty()) {
    qWarning() << "shell: no folder to open";
    return false;
  }
  const bool ok = opener_(FileUrl(folder));
  if (!ok) qWarning().noquote() << "shell: nothing opens the folder" << folder;
  return ok;
}

bool DesktopShell::ShowItem(const QString& path) {
  if (path.isEmpty()) {
    qWarning() << "shell: no file to show";
    return false;
  }
  const QString folder = QFileInfo(path).absolutePath();
  if (!bus_.isConnected()) {
    qInfo().noquote() << "shell: no session bus; opening the folder of" << path;
    const bool ok = OpenFolder(folder);
    emit itemShown(path, true, ok);
    return ok;
  }
  QDBusMessage m = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.FileManager1"),
                                                  QStringLiteral("/org/freedesktop/FileManager1"),
                                                  QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  m << QStringList{QString::fromUtf8(FileUrl(path).toEncoded())} << QString();
  // Asynchronous: the interface thread never waits for the file manager to start.
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(m, kShowTimeoutMs), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, path, folder](QDBusPendingCallWatcher* w) {
    const QDBusPendingReply<> reply = *w;
    w->deleteLater();
    if (!reply.isError()) {
      emit itemShown(path, false, true);
      return;
    }
    qInfo().noquote() << "shell: the file manager did not show" << path << "-" << reply.error().message()
                      << "- opening its folder";
    const bool ok = OpenFolder(folder);
    emit itemShown(path, true, ok);
  });
  return true;
}

}  // namespace orvane
