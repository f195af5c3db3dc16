// Message box dispatch, flag decoding and the test responder.
#include "platform/msgbox/messagebox.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSet>
#include <QTimer>

namespace orvane {

namespace {
MessageBoxHandler& handler() {
  static MessageBoxHandler h;
  return h;
}
int g_noNestedDepth = 0;
bool g_windowless = false;
}  // namespace

void SetWindowless(bool windowless) { g_windowless = windowless; }

namespace mb {
std::vector<int> buttonsOf(int flags) {
  switch (flags & 0xF) {
    case OKCANCEL: return {IDOK, IDCANCEL};
    case ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case YESNO: return {IDYES, IDNO};
    case RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
  }
}

int defaultResultOf(int flags) {
  const auto buttons = buttonsOf(flags);
  std::size_t index = 0;
  if ((flags & 0xF00) == DEFBUTTON2) index = 1;
  if ((flags & 0xF00) == DEFBUTTON3) index = 2;
  if (index >= buttons.size()) index = 0;
  return buttons[index];
}

bool isNotice(int flags) { return buttonsOf(flags).size() == 1; }
}  // namespace mb

int MessageBox(const QString& text, const QString& caption, int flags) {
  MessageBoxRequest request{text, caption, flags};
  if (g_windowless) {
    qWarning().noquote() << "[" + caption + "]" << text << "- shown to nobody (no display), answered with its default";
    return mb::defaultResultOf(flags);
  }
  if (handler()) return handler()(request);
  qWarning().noquote() << "[" + caption + "]" << text;
  return mb::defaultResultOf(flags);
}

void PostNotice(const QString& text, const QString& caption, int flags) {
  static QSet<QString> waiting;
  if (!QCoreApplication::instance()) {
    qWarning().noquote() << "[" + caption + "]" << text;
    return;
  }
  if (waiting.contains(text)) return;
  waiting.insert(text);
  QTimer::singleShot(0, QCoreApplication::instance(), [text, caption, flags] {
    waiting.remove(text);
    NoNestedLoopScope noWait;
    MessageBox(text, caption, flags);
  });
}

MessageBoxHandler setMessageBoxHandler(MessageBoxHandler h) {
  MessageBoxHandler previous = std::move(handler());
  handler() = std::move(h);
  return previous;
}

NoNestedLoopScope::NoNestedLoopScope() { ++g_noNestedDepth; }
NoNestedLoopScope::~NoNestedLoopScope() { --g_noNestedDepth; }
bool NoNestedLoopScope::active() { return g_noNestedDepth > 0; }

ScopedMessageResponder::ScopedMessageResponder() {
  previous_ = setMessageBoxHandler([this](const MessageBoxRequest& r) { return answer(r); });
}

ScopedMessageResponder::~ScopedMessageResponder() { setMessageBoxHandler(std::move(previous_)); }

int ScopedMessageResponder::answer(const MessageBoxRequest& r) {
  asked_.push_back(r);
  if (onAsk_) onAsk_(r);
  if (!answers_.empty()) {
    const int result = answers_.front();
    answers_.erase(answers_.begin());
    return result;
  }
  return mb::defaultResultOf(r.flags);
}

int ScopedMessageResponder::count(const QString& text) const {
  int n = 0;
  for (const auto& r : asked_) n += (r.text == text) ? 1 : 0;
  return n;
}

}  // namespace orvane
