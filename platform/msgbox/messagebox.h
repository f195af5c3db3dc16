// The classic message box as a service that code without widgets can call.
// The widget layer installs the real dialog; tests install a responder that answers and records.
#pragma once

#include <QString>
#include <functional>
#include <vector>

namespace orvane {

// Flag and result values of the classic message box, as stored in the program's calls.
namespace mb {
constexpr int OK = 0x0;
constexpr int OKCANCEL = 0x1;
constexpr int ABORTRETRYIGNORE = 0x2;
constexpr int YESNOCANCEL = 0x3;
constexpr int YESNO = 0x4;
constexpr int RETRYCANCEL = 0x5;
constexpr int ICONHAND = 0x10;  // error
constexpr int ICONQUESTION = 0x20;
constexpr int ICONEXCLAMATION = 0x30;
constexpr int ICONASTERISK = 0x40;  // information
constexpr int DEFBUTTON2 = 0x100;
constexpr int DEFBUTTON3 = 0x200;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// The buttons a flag value shows, as result codes in display order.
std::vector<int> buttonsOf(int flags);
// The result code of the default button.
int defaultResultOf(int flags);
// True when the box has no choice to make (a single OK button).
bool isNotice(int flags);
}  // namespace mb

struct MessageBoxRequest {
  QString text;
  QString caption;
  int flags = 0;
};

using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;

// Shows a message box and returns the button's result code. Without an installed handler
// (a head-less tool, an early start-up failure) the text goes to the log and the default
// button is the answer.
int MessageBox(const QString& text, const QString& caption, int flags);

// Shows an informing box (a single OK button) from the event loop, later, and without waiting
// for anyone to answer it: for faults found where the broadcast has to go on regardless (the
// day's programme read at start-up, a reload, a tick). While a box with the same text is still
// waiting to be shown, it is not queued a second time.
void PostNotice(const QString& text, const QString& caption, int flags);

// Without a display nobody can answer a box: from then on every box is written to the
// program's log with its text and takes its default answer (the one that keeps the broadcast
// safe) at once, whatever handler is installed.
void SetWindowless(bool windowless);

// Installs the handler that shows boxes; returns the previous one.
MessageBoxHandler setMessageBoxHandler(MessageBoxHandler handler);

// While one of these lives, boxes that only inform (a single OK button) must not run a
// nested event loop: the widget layer shows them without waiting and answers OK at once.
// The one-second dispatcher holds one during its tick so a notice can never stall the clock.
class NoNestedLoopScope {
 public:
  NoNestedLoopScope();
  ~NoNestedLoopScope();
  NoNestedLoopScope(const NoNestedLoopScope&) = delete;
  NoNestedLoopScope& operator=(const NoNestedLoopScope&) = delete;
  static bool active();
};

// Test seam: while alive, answers every box instead of the installed handler and records
// what was asked. Answers are taken from the queue in order; when it is empty the default
// button answers.
class ScopedMessageResponder {
 public:
  ScopedMessageResponder();
  ~ScopedMessageResponder();
  ScopedMessageResponder(const ScopedMessageResponder&) = delete;
  ScopedMessageResponder& operator=(const ScopedMessageResponder&) = delete;

  void queueAnswer(int result) { answers_.push_back(result); }
  // Called with each request before it is answered (for example to look at windows).
  void onAsk(std::function<void(const MessageBoxRequest&)> f) { onAsk_ = std::move(f); }
  const std::vector<MessageBoxRequest>& asked() const { return asked_; }
  int count(const QString& text) const;
  bool wasAsked(const QString& text) const { return count(text) > 0; }
  void clear() { asked_.clear(); }

 private:
  int answer(const MessageBoxRequest& r);
  std::vector<MessageBoxRequest> asked_;
  std::vector<int> answers_;
  std::function<void(const MessageBoxRequest&)> onAsk_;
  MessageBoxHandler previous_;
};

}  // namespace orvane
