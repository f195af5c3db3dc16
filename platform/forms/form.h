// Base of every window of the program: a top-level host holding one client widget, with the
// life-cycle hooks (show, activate, close query, close) and modal showing with a modal result.
// A window with an owner is the owner's transient dialog window: the window manager keeps it
// above the owner, and it opens centred on the owner, wholly on the owner's screen.
#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>
#include <optional>

class QEventLoop;
class QMenuBar;

namespace orvane {

// How a window is framed.
enum BorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
// The title bar's buttons and menu.
enum BorderIcon { biSystemMenu = 0x1, biMinimize = 0x2, biMaximize = 0x4, biHelp = 0x8 };
Q_DECLARE_FLAGS(BorderIcons, BorderIcon)
Q_DECLARE_OPERATORS_FOR_FLAGS(BorderIcons)

// What a border style lets the title bar show: a dialog its system menu and help button, a
// tool window its system menu, a window without a frame nothing.
BorderIcons ShownBorderIcons(BorderStyle style, BorderIcons icons);
// The window style bits (GWL_STYLE, GWL_EXSTYLE) of a border style with its icons.
quint32 BorderStyleBits(BorderStyle style, BorderIcons icons);
quint32 BorderExStyleBits(BorderStyle style, BorderIcons icons);
// The native window flags: a tool window for the tool styles, else a dialog for a dialog frame
// or an owned window, else a normal window; the sizing border only for the sizeable styles.
Qt::WindowFlags BorderWindowFlags(BorderStyle style, BorderIcons icons, bool owned);

// The number a program keeps on a form, menu or control for its own use (0 when never set).
inline int GetTag(const QObject* object) { return object ? object->property("Tag").toInt() : 0; }
inline void SetTag(QObject* object, int tag) {
  if (object) object->setProperty("Tag", tag);
}

class Form;
// Every form that exists, in the order they were created.
const QList<Form*>& ScreenForms();

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

  // The frame and title-bar buttons. Until a program sets them they are read from the window
  // flags and whether the size is fixed; once set they decide the window flags and the style
  // bits the window-message layer reports, and a set frame without a sizing border keeps the
  // window at the size it first shows at. An owned window stays its owner's whatever its
  // border.
  BorderStyle borderStyle() const;
  void setBorderStyle(BorderStyle style);
  BorderIcons borderIcons() const;
  void setBorderIcons(BorderIcons icons);

  // The window's menu bar above the client (null: none). Replacing it hides the one before,
  // which stays the caller's.
  QMenuBar* menuBar() const;
  void setMenuBar(QMenuBar* bar);

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
  // Fixes the size of a window whose set frame has no sizing border.
  void keepSizeFixed();
  // Centres the window on its owner (a dialog without owner on the window the operator works
  // in; either on the screen when that is hidden) and keeps it wholly on that screen.
  void placeOnOwner();
  // The window flags without what the window-message layer has put on for its own frame.
  Qt::WindowFlags nativeFlags() const;
  // Makes the window flags and style bits follow the set border style and icons.
  void applyBorder();

  QWidget* client_;
  QEventLoop* modalLoop_ = nullptr;
  int modalResult_ = mrNone;
  bool closing_ = false;
  bool placed_ = false;
  bool centredUnowned_ = false;  // a dialog without owner that asked for no place
  QSize designSize_;
  Qt::WindowModality modalKind_ = Qt::ApplicationModal;
  std::optional<BorderStyle> borderStyle_;
  std::optional<BorderIcons> borderIcons_;
  QPointer<QMenuBar> menuBar_;
};

}  // namespace orvane
