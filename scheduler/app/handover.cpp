// The hand-over of the broadcast to a desktop.
#include "scheduler/app/handover.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QDataStream>
#include <QDebug>
#include <QDeadlineTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcessEnvironment>
#include <QTimer>

#include "platform/files/homefolder.h"

namespace handover {

namespace {
const QByteArray kAsk = "orvane-come-back 1";
// How long a connection may take to say what it wants.
constexpr int kRequestWaitMs = 3000;

QByteArray request() {
  QByteArray payload;
  QDataStream out(&payload, QIODevice::WriteOnly);
  out << QProcessEnvironment::systemEnvironment().toStringList();
  QByteArray frame = kAsk + '\n';
  QDataStream(&frame, QIODevice::Append) << quint32(payload.size());
  return frame + payload;
}

// The environment in a complete request; false while it is incomplete. A request that is not
// one leaves `bad` set.
bool parseRequest(const QByteArray& bytes, QStringList* environment, bool* bad) {
  const int head = int(kAsk.size()) + 1;
  if (bytes.size() < head) {
    *bad = !kAsk.startsWith(bytes.left(int(kAsk.size())));
    return false;
  }
  if (bytes.left(head) != kAsk + '\n') {
    *bad = true;
    return false;
  }
  if (bytes.size() < head + 4) return false;
  quint32 length = 0;
  QDataStream(bytes.mid(head, 4)) >> length;
  if (length > 4u * 1024 * 1024) {
    *bad = true;
    return false;
  }
  if (quint32(bytes.size() - head - 4) < length) return false;
  QDataStream in(bytes.mid(head + 4, int(length)));
  in >> *environment;
  *bad = in.status() != QDataStream::Ok || environment->isEmpty();
  return !*bad;
}

// A line of the answer within the time left; empty at the end of the connection or time.
QByteArray readLine(QLocalSocket& s, const QDeadlineTimer& deadline) {
  while (!s.canReadLine()) {
    if (s.state() != QLocalSocket::ConnectedState || deadline.hasExpired()) return {};
    s.waitForReadyRead(int(qMin<qint64>(deadline.remainingTime(), 500)));
  }
  return s.readLine().trimmed();
}

bool sameUser(int fd) {
  ucred peer{};
  socklen_t size = sizeof peer;
  return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::getuid();
}
}  // namespace

QString Server::SocketPath() { return orvane::HomeFolder::file(QStringLiteral("TForm_main_tamu.socket")); }

Answer askToComeBack(int waitMs, QString* detail) {
  QLocalSocket s;
  s.connectToServer(Server::SocketPath());
  if (!s.waitForConnected(1000)) return Answer::None;
  s.write(request());
  if (!s.waitForBytesWritten(1000)) return Answer::None;
  QDeadlineTimer deadline(kRequestWaitMs);
  const QByteArray first = readLine(s, deadline);
  if (first == "running") return Answer::Running;
  if (first != "coming") return Answer::None;
  // The program starts again with the desktop's environment; its new image says when the
  // window is shown.
  deadline.setRemainingTime(waitMs);
  const QByteArray last = readLine(s, deadline);
  if (last == "shown") return Answer::Shown;
  if (detail) {
    *detail = last.startsWith("windowless")
                  ? QString::fromUtf8(last.mid(10)).trimmed()
                  : (deadline.hasExpired() ? QStringLiteral("no answer within %1 s").arg(waitMs / 1000)
                                           : QStringLiteral("the program ended before its window was shown"));
  }
  return Answer::CouldNotShow;
}

Server::Server(bool windowless, ComeBack comeBack, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)), windowless_(windowless), comeBack_(std::move(comeBack)) {
  // Only the home folder's owner may ask.
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  const QString path = SocketPath();
  // This program holds the home folder's lock: a socket file there is a former one's.
  QLocalServer::removeServer(path);
  if (!server_->listen(path)) {
    qWarning().noquote() << "hand-over: cannot listen on" << path << "-" << server_->errorString()
                         << "; a start on a desktop cannot take this program's broadcast onto it";
    return;
  }
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* s = server_->nextPendingConnection()) serve(s);
  });
}

Server::~Server() {
  if (server_->isListening()) {
    server_->close();
    QLocalServer::removeServer(SocketPath());
  }
}

bool Server::listening() const { return server_->isListening(); }

void Server::serve(QLocalSocket* s) {
  connect(s, &QLocalSocket::disconnected, s, &QObject::deleteLater);
  if (!sameUser(int(s->socketDescriptor()))) {
    s->abort();
    return;
  }
  // A connection that says nothing in time is let go.
  auto* timeout = new QTimer(s);
  timeout->setSingleShot(true);
  connect(timeout, &QTimer::timeout, s, &QLocalSocket::abort);
  timeout->start(kRequestWaitMs);
  auto buffer = std::make_shared<QByteArray>();
  connect(s, &QLocalSocket::readyRead, this, [this, s, buffer] {
    buffer->append(s->readAll());
    QStringList environment;
    bool bad = false;
    const bool complete = parseRequest(*buffer, &environment, &bad);
    if (bad) {
      s->abort();
      return;
    }
    if (!complete) return;
    if (!windowless_) {
      s->write("running\n");
      s->flush();
      s->disconnectFromServer();
      return;
    }
    qInfo().noquote() << "hand-over: a start on a desktop asks this program to come onto it";
    s->write("coming\n");
    s->flush();
    // The connection stays open across the start: the new image says when the window shows.
    const int reply = ::dup(int(s->socketDescriptor()));
    const QString why = comeBack_ ? comeBack_(environment, reply) : QStringLiteral("nothing to start");
    if (reply >= 0) ::close(reply);
    qWarning().noquote() << "hand-over: could not start again on the desktop:" << why;
    s->write("windowless " + why.toUtf8() + '\n');
    s->flush();
    s->disconnectFromServer();
  });
}

void tellAsker(int replyFd, bool shown, const QString& detail) {
  if (replyFd < 0) return;
  const QByteArray line = shown ? QByteArray("shown\n") : "windowless " + detail.toUtf8() + '\n';
  // The program that asked may have gone meanwhile: that is no reason to end this one.
  [[maybe_unused]] const ssize_t n = ::send(replyFd, line.constData(), size_t(line.size()), MSG_NOSIGNAL);
  ::close(replyFd);
}

}  // namespace handover
