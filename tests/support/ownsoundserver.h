// A PulseAudio server of the test's own, which the test may kill and start again: its own
// folder, its own sockets, its own process, so that nothing else ever loses it (the private
// server of test.sh serves the other test programs, which run beside this one).
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace testing_support {

class OwnSoundServer {
 public:
  OwnSoundServer() = default;
  ~OwnSoundServer() { kill(); }
  OwnSoundServer(const OwnSoundServer&) = delete;
  OwnSoundServer& operator=(const OwnSoundServer&) = delete;

  // Starts the server with one null sink, sink(), as its default; it answers the test at
  // testAddress() but not yet at address(), so that the test can make ready to listen before
  // the program finds the server. False when it did not answer within a few seconds.
  bool start();
  // From now on it answers at address() too: the moment the server is back for the program.
  bool open();
  // Ends it at once, as a crash would. Its sockets stay behind, answering nobody.
  void kill();

  // Where the program finds it (PULSE_SERVER), and where the test does.
  QByteArray address() const { return "unix:" + socket(QStringLiteral("native")); }
  QByteArray testAddress() const { return "unix:" + socket(QStringLiteral("test")); }
  static QString sink() { return QStringLiteral("ownsink"); }

 private:
  QByteArray socket(const QString& name) const { return dir_.filePath(name).toUtf8(); }
  bool pactl(const QStringList& args) const;
  QTemporaryDir dir_;
  QProcess server_;
};

}  // namespace testing_support
