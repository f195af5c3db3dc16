// Base of every window of the program: a top-level host holding one client widget, with the
// life-cycle hooks (show, activate, close query, close) and modal showing with a modal result.
#pragma once

#include <QWidget>

class QEventLoop;

namespace orvane {

class Form : public QWidget {
  Q_OBJECT
 public:
  // Modal results, valued as the classic message box results.
  enum ModalResult { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };
  // What closing does with the window.
  enum class CloseAction { None, Hide, Free, Minimize };

  // A form with an owner stays above it and is destroyed with it.
  explicit Form(QWidget* owner = nullptr);
  ~Form() override;

  // The client area: every control of the window lives here.
  QWidget* client() const { return client_; }
  void setClientSize(int width, int height);

  QString caption() const { return windowTitle(); }
  void setCaption(const QString& c) { setWindowTitle(c); }

  // Shows the window modally and returns its modal result once it closes (mrCancel when it
  // was closed without setting one).
  int ShowModal();
  bool isModal() const { return modalLoop_ != nullptr; }
  int modalResult() const { return modalResult_; }
  // A non-zero result closes a modal window.
  void setModalResult(int result);

  // Asks the window to close, through the close query.
  void Close() { close(); }

 signals:
  void formShown();
  void formClosed();

 protected:
  virtual void FormShow() {}
  virtual void FormActivate() {}
  virtual void FormCloseQuery(bool& canClose) { (void)canClose; }
  virtual void FormClose(CloseAction& action) { (void)action; }

  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void changeEvent(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;

 private:
  QWidget* client_;
  QEventLoop* modalLoop_ = nullptr;
  int modalResult_ = mrNone;
  bool closing_ = false;
};

}  // namespace orvane
