// Loopback HTTP server.
#include "tests/support/loopbackserver.h"

#include <QTcpSocket>
#include <QtEndian>
#include <cmath>

namespace testing_support {

LoopbackServer::LoopbackServer() { listen(QHostAddress::LocalHost, 0); }

void LoopbackServer::route(const QString& path, const QByteArray& body, const QByteArray& contentType) {
  routes_.insert(path, Body{body, contentType});
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

QByteArray LoopbackServer::toneWav(int hz, double seconds, int rate, double amplitude) {
  const int n = int(seconds * rate);
  QByteArray pcm(n * 2, Qt::Uninitialized);
  for (int i = 0; i < n; ++i) {
    const qint16 v = qint16(std::lround(amplitude * 32767 * std::sin(2 * M_PI * hz * i / rate)));
    qToLittleEndian(v, pcm.data() + 2 * i);
  }
  QByteArray h;
  auto u32 = [&](quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    h.append(b, 4);
  };
  auto u16 = [&](quint16 v) {
    char b[2];
    qToLittleEndian(v, b);
    h.append(b, 2);
  };
  h.append("RIFF", 4);
  u32(quint32(36 + pcm.size()));
  h.append("WAVEfmt ", 8);
  u32(16);
  u16(1);
  u16(1);
  u32(quint32(rate));
  u32(quint32(rate * 2));
  u16(2);
  u16(16);
  h.append("data", 4);
  u32(quint32(pcm.size()));
  return h + pcm;
}

}  // namespace testing_support
