// The desktop shell over QDesktopServices and the freedesktop file manager interface.
#include "platform/system/shell.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDebug>
#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace orvane {

namespace {
// What xdg-open's exit status says went wrong.
QString LauncherFailure(int status) {
  switch (status) {
    case 2: return QStringLiteral("文件不存在");
    case 3: return QStringLiteral("桌面没有打开这类文件的程序");
    case 4: return QStringLiteral("打开文件的程序没有打开它");
    default: return QStringLiteral("xdg-open 出错（退出码 %1）").arg(status);
  }
}

// xdg-open is watched to its exit, which says whether a handler took the URL; without it the
// toolkit's own opener is asked.
bool DesktopOpener(const QUrl& url, const Shell::OpenFailed& failed) {
  const QString launcher = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
  if (launcher.isEmpty()) {
    if (QDesktopServices::openUrl(url)) return true;
    if (failed) failed(QStringLiteral("桌面没有打开文件的程序"));
    return false;
  }
  // Never the child of an object: the handler xdg-open may turn into lives on after the
  // program, and this is freed once it ends.
  auto* p = new QProcess;
  p->setProgram(launcher);
  p->setArguments({QString::fromUtf8(url.toEncoded())});
  p->setStandardOutputFile(QProcess::nullDevice());
  QObject::connect(p, &QProcess::finished, p, [p, failed](int status, QProcess::ExitStatus how) {
    p->deleteLater();
    if (how == QProcess::NormalExit && status == 0) return;
    QString why = how == QProcess::NormalExit ? LauncherFailure(status) : QStringLiteral("xdg-open 意外结束");
    const QString said = QString::fromLocal8Bit(p->readAllStandardError()).trimmed().section(QLatin1Char('\n'), -1);
    if (!said.isEmpty()) why += QStringLiteral("（") + said + QStringLiteral("）");
    if (failed) failed(why);
  });
  QObject::connect(p, &QProcess::errorOccurred, p, [p, failed](QProcess::ProcessError error) {
    if (error != QProcess::FailedToStart) return;
    p->deleteLater();
    if (failed) failed(QStringLiteral("xdg-open 无法启动：") + p->errorString());
  });
  p->start();
  return true;
}
}  // namespace

DesktopShell::DesktopShell(QDBusConnection bus, UrlOpener opener, QObject* parent)
    : QObject(parent), bus_(std::move(bus)), opener_(std::move(opener)) {
  if (!opener_) opener_ = &DesktopOpener;
}

QUrl DesktopShell::FileUrl(const QString& path) { return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()); }

bool DesktopShell::OpenFile(const QString& path, OpenFailed failed) {
  if (path.isEmpty()) {
    qWarning() << "shell: no file to open";
    if (failed) failed(QStringLiteral("没有要打开的文件"));
    return false;
  }
  // A file URL goes to the handler of the file's type: an executable is shown, never run.
  return opener_(FileUrl(path), [path, failed](const QString& why) {
    qWarning().noquote() << "shell: nothing opens the file" << path << "-" << why;
    if (failed) failed(why);
  });
}

bool DesktopShell::OpenFolder(const QString& folder) {
  if (folder.isEmpty()) {
    qWarning() << "shell: no folder to open";
    return false;
  }
  return opener_(FileUrl(folder),
                 [folder](const QString& why) { qWarning().noquote() << "shell: nothing opens the folder" << folder << "-" << why; });
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
