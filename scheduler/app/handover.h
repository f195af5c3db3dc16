// One program holds the broadcast of a home folder, and keeps it. A program started later on
// a desktop while one runs without windows (its display was lost, or it started without one)
// finds it through a local socket in the home folder and asks it to come onto that desktop:
// the running program starts itself again in place with the desktop's environment, carrying
// its broadcast as it is, and the program that asked ends once the window is shown. Started
// while a program with windows runs, it is told so and leaves it untouched.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class QLocalServer;
class QLocalSocket;

namespace handover {

// What the running program answered.
enum class Answer {
  None,         // nobody answered (no socket, or a program of another kind)
  Running,      // a program with windows holds the broadcast
  Shown,        // the program came onto this desktop: its window is shown
  CouldNotShow  // it tried, and runs on without windows (why in `detail`)
};
// Asks the program holding the home folder to come onto the desktop of this process's
// environment, waiting at most waitMs for the window to show. Blocks: only for a program that
// is not broadcasting.
Answer askToComeBack(int waitMs, QString* detail = nullptr);

// The running program's side. `comeBack` is called with the desktop's environment and the
// descriptor of the asking program's connection (to be told "shown" by the new image);
// returns only if the program could not start again (with why).
class Server : public QObject {
  Q_OBJECT
 public:
  using ComeBack = std::function<QString(const QStringList& environment, int replyFd)>;
  // windowless: whether this program runs without windows (only then does it come back).
  Server(bool windowless, ComeBack comeBack, QObject* parent = nullptr);
  ~Server() override;
  bool listening() const;

  static QString SocketPath();

 private:
  void serve(QLocalSocket* socket);

  QLocalServer* server_;
  bool windowless_;
  ComeBack comeBack_;
};

// For the new image that came onto a desktop: tells the program that asked (its connection
// carried as replyFd) that the window is shown, or that it could not be.
void tellAsker(int replyFd, bool shown, const QString& detail = {});

}  // namespace handover
