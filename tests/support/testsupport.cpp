// Shared test helpers.
#include "tests/support/testsupport.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QThread>

namespace testing_support {

QString writeFile(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile f(path);
  if (f.open(QIODevice::WriteOnly)) f.write(bytes);
  return path;
}

namespace {
// Guards the current capture and its lines: a message may come from any thread.
QMutex g_loggedMutex;
LoggedMessages* g_logged = nullptr;
}  // namespace

LoggedMessages::LoggedMessages(const char* category, std::optional<QtMsgType> type)
    : category_(category), type_(type) {
  QMutexLocker lock(&g_loggedMutex);
  outer_ = g_logged;
  g_logged = this;
  previous_ = qInstallMessageHandler(&LoggedMessages::handle);
}

LoggedMessages::~LoggedMessages() {
  QMutexLocker lock(&g_loggedMutex);
  qInstallMessageHandler(previous_);
  g_logged = outer_;
}

LoggedMessages* LoggedMessages::current() {
  QMutexLocker lock(&g_loggedMutex);
  return g_logged;
}

void LoggedMessages::handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  QtMessageHandler pass = nullptr;
  {
    QMutexLocker lock(&g_loggedMutex);
    // From the newest capture outwards, while the handler before each is the outer capture's.
    for (LoggedMessages* c = g_logged; c; c = c->outer_) {
      if ((c->category_.isNull() || c->category_ == context.category) && (!c->type_ || *c->type_ == type)) {
        c->lines << text;
        return;
      }
      if (c->previous_ != &LoggedMessages::handle) {
        pass = c->previous_;
        break;
      }
    }
  }
  // Outside the lock: the handler before may log again itself.
  if (pass) pass(type, context, text);
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!condition()) {
    if (deadline.hasExpired()) return condition();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  return true;
}

PrivateBus::PrivateBus() {
  daemon_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                QStringLiteral("--print-address=1")});
  if (!daemon_.waitForStarted(5000)) return;
  if (!waitUntil([this] { return daemon_.canReadLine(); }, 5000)) return;
  address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
}

PrivateBus::~PrivateBus() {
  for (auto& m : mocks_) {
    m->terminate();
    if (!m->waitForFinished(3000)) m->kill();
  }
  daemon_.terminate();
  if (!daemon_.waitForFinished(3000)) daemon_.kill();
}

bool PrivateBus::startTemplate(const QString& name, const QString& busName) {
  if (!ok()) return false;
  auto mock = std::make_unique<QProcess>();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
  mock->setProcessEnvironment(env);
  mock->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  // Debian's interpreter carries python3-dbusmock, whatever python3 comes first on PATH.
  mock->start(QStringLiteral("/usr/bin/python3"),
              {QStringLiteral("-m"), QStringLiteral("dbusmock"), QStringLiteral("--template"), name,
               QStringLiteral("--session")});
  if (!mock->waitForStarted(5000)) return false;
  mocks_.push_back(std::move(mock));
  QDBusConnection bus = QDBusConnection::connectToBus(address_, QStringLiteral("probe-") + name);
  const bool owned = waitUntil([&] { return bus.interface() && bus.interface()->isServiceRegistered(busName); }, 10000);
  QDBusConnection::disconnectFromBus(QStringLiteral("probe-") + name);
  return owned;
}

}  // namespace testing_support
