// Loopback HTTP server.
#include "tests/support/loopbackserver.h"

#include <QTcpSocket>

namespace testing_support {

LoopbackServer::LoopbackServer() { listen(QHostAddress::LocalHost, 0); }

void LoopbackServer::route(const QString& path, const QByteArray& body, const QByteArray& contentType) {
  routes_.insert(path, Body{body, contentType});
}

quint16 LoopbackServer::closedPort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();  // closed again when the probe goes
}

QString LoopbackServer::url(const QString& path) const {
  return QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path);
}

void LoopbackServer::incomingConnection(qintptr descriptor) {
  auto* socket = new QTcpSocket(this);
  socket->setSocketDescriptor(descriptor);
  connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
  if (silent_) {
    ++silentTaken_;
    ++silentOpen_;
    connect(socket, &QTcpSocket::disconnected, this, [this] { --silentOpen_; });
    connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
    return;
  }
  connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
    if (socket->property("answered").toBool()) {
      socket->readAll();
      return;
    }
    const QByteArray head = socket->peek(65536);
    if (!head.contains("\r\n\r\n")) return;
    socket->readAll();
    socket->setProperty("answered", true);
    const QList<QByteArray> first = head.left(head.indexOf("\r\n")).split(' ');
    const QString path = first.size() > 1 ? QString::fromUtf8(first.at(1)).section(QLatin1Char('?'), 0, 0) : QString();
    counts_[path] += 1;
    const auto it = routes_.constFind(path);
    QByteArray reply;
    if (it == routes_.constEnd()) {
      reply = "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    } else {
      reply = "HTTP/1.1 200 OK\r\nContent-Type: " + it->type + "\r\nContent-Length: " +
              QByteArray::number(it->data.size()) + "\r\nConnection: close\r\n\r\n" + it->data;
    }
    socket->write(reply);
    socket->disconnectFromHost();
  });
}

}  // namespace testing_support
