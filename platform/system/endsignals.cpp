// Ending on the system's request.
#include "platform/system/endsignals.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstdio>

namespace orvane::endsignals {

namespace {
int pipeFds[2] = {-1, -1};
std::function<void()>& ending() {
  static std::function<void()> f;
  return f;
}

// In the signal: only a byte written, the rest happens in the event loop. The socket never
// blocks (a full one already holds a request to end), and the interrupted code finds errno
// as it left it.
void onSignal(int signal) {
  const int saved = errno;
  const char byte = char(signal);
  [[maybe_unused]] const ssize_t n = ::send(pipeFds[0], &byte, 1, MSG_DONTWAIT | MSG_NOSIGNAL);
  errno = saved;
}
}  // namespace

void install(std::function<void()> end) {
  ending() = std::move(end);
  if (pipeFds[0] >= 0) return;  // the signals come here already
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeFds) != 0) {
    std::perror("end signals: no socket pair; the system's end request ends the program at once");
    return;
  }
  // Goes with the application object.
  auto* notifier = new QSocketNotifier(pipeFds[1], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
    char byte = 0;
    if (::read(pipeFds[1], &byte, 1) == 1) {
      std::fprintf(stderr, "orvane: ending on the system's request (signal %d)\n", int(byte));
      if (ending()) ending()();
    }
  });
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int s : {SIGTERM, SIGHUP, SIGINT}) sigaction(s, &action, nullptr);
}

}  // namespace orvane::endsignals
