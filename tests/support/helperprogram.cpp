// A program for the tests of external-program entries. Started with no arguments, it writes
// its pid to "<its own path>.pid", adds a line to "<its own path>.starts" (one per start) and
// waits up to a minute. SIGTERM makes it write
// "<path>.term" and end, unless its file name holds "stubborn" (then it ignores SIGTERM).
// A name holding "parent" also starts a child that waits with it and writes "<path>.child".
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {
std::string self;

void writeFile(const std::string& path, long value) {
  if (FILE* f = std::fopen(path.c_str(), "w")) {
    std::fprintf(f, "%ld\n", value);
    std::fclose(f);
  }
}

void onTerm(int) {
  writeFile(self + ".term", long(getpid()));
  _exit(0);
}
}  // namespace

int main() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return 1;
  buf[n] = 0;
  self = buf;
  const std::string name = self.substr(self.rfind('/') + 1);
  if (name.find("stubborn") != std::string::npos) std::signal(SIGTERM, SIG_IGN);
  else std::signal(SIGTERM, onTerm);
  if (name.find("parent") != std::string::npos) {
    const pid_t child = fork();
    if (child == 0) {
      writeFile(self + ".child", long(getpid()));
      for (int i = 0; i < 600; ++i) usleep(100000);
      _exit(0);
    }
  }
  writeFile(self + ".pid", long(getpid()));
  if (FILE* f = std::fopen((self + ".starts").c_str(), "a")) {
    std::fprintf(f, "%ld\n", long(getpid()));
    std::fclose(f);
  }
  for (int i = 0; i < 600; ++i) usleep(100000);
  return 0;
}
