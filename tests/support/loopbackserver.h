// A small HTTP server on 127.0.0.1 for tests: fixed bodies by path, or silence (a station
// that takes the connection and never answers).
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QTcpServer>

namespace testing_support {

class LoopbackServer : public QTcpServer {
  Q_OBJECT
 public:
  LoopbackServer();
  // Serves `body` with the content type at `path` ("/page.html").
  void route(const QString& path, const QByteArray& body, const QByteArray& contentType);
  QString url(const QString& path) const;
  int requests(const QString& path) const { return counts_.value(path); }
  // From now on connections are taken and never answered; what the client sends is read and
  // dropped.
  void setSilent(bool silent) { silent_ = silent; }
  // Connections taken in silence, and those of them the client has not closed yet.
  int silentConnections() const { return silentTaken_; }
  int openSilentConnections() const { return silentOpen_; }
  // A loopback port that nothing listens on (it was free a moment ago): connections to it
  // are refused at once.
  static quint16 closedPort();

 protected:
  void incomingConnection(qintptr socket) override;

 private:
  struct Body {
    QByteArray data, type;
  };
  QHash<QString, Body> routes_;
  QHash<QString, int> counts_;
  bool silent_ = false;
  int silentTaken_ = 0;
  int silentOpen_ = 0;
};

}  // namespace testing_support
