// Base of every window of the program: a top-level host holding one client widget, with the
// life-cycle hooks (show, activate, close query, close) and modal showing with a modal result.
// A window with an owner is the owner's transient dialog window: the window manager keeps it
// above the owner, and it opens centred on the owner, wholly on the owner's screen.
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
  // The window that owns this one (null: none).
  QWidget* owner() const { return parentWidget() ? parentWidget()->window() : nullptr; }
  ~Form() override;

  // The client area: every control of the window lives here.
  QWidget* client() const { return client_; }
  // The client area's size as designed. A client whose controls are placed by coordinates
  // (no layout) and that sets no minimum of its own never shrinks below it.
  void setClientSize(int width, int height);

  QString caption() const { return windowTitle(); }
  void setCaption(const QString& c) { setWindowTitle(c); }

  // Shows the window modally and returns its modal result once it closes (mrCancel when it
  // was closed without setting one).
  int ShowModal();
  bool isModal() const { return modalLoop_ != nullptr; }
  // What a modal window blocks while it shows: every other window (the default) or only its
  // owner's chain.
  void setModalKind(Qt::WindowModality kind) { modalKind_ = kind; }
  int modalResult() const { return modalResult_; }
  // A non-zero result closes a modal window.
  void setModalResult(int result);

  // Asks the window to close, through the close query.
  void Close() { close(); }

  void setVisible(bool visible) override;

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
  // Widens the client so that the title bar holds the whole caption.
  void fitCaption();
  // Centres the window on its owner (on the screen when the owner is hidden) and keeps it
  // wholly on that screen.
  void placeOnOwner();

  QWidget* client_;
  QEventLoop* modalLoop_ = nullptr;
  int modalResult_ = mrNone;
  bool closing_ = false;
  bool placed_ = false;
  QSize designSize_;
  Qt::WindowModality modalKind_ = Qt::ApplicationModal;
};

}  // namespace orvane
