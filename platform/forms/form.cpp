// Form base.
#include "platform/forms/form.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>
#include <QWindow>

#include "platform/forms/workingwindow.h"
#include "platform/wm/wm.h"

namespace orvane {

namespace {
// What a title bar needs beside its caption: the icon, the buttons and the margins.
constexpr int kTitleBarRoom = 120;

// The window manager keeps a window above its owner only for a dialog's window type (that is
// what names the owner to it); an owned window keeps a normal window's maximise button.
Qt::WindowFlags windowFlagsFor(const QWidget* owner) {
  if (!owner) return Qt::Window;
  return Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint |
         Qt::WindowCloseButtonHint;
}

// The window flags a border style decides; the others (staying on top, say) are the window's.
constexpr Qt::WindowFlags kBorderHints =
    Qt::FramelessWindowHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint |
    Qt::WindowContextHelpButtonHint | Qt::WindowShadeButtonHint | Qt::WindowFullscreenButtonHint |
    Qt::MSWindowsFixedSizeDialogHint;

bool IsSizeable(BorderStyle style) { return style == bsSizeable || style == bsSizeToolWin; }
bool IsToolWindow(BorderStyle style) { return style == bsToolWindow || style == bsSizeToolWin; }
// The help button shows beside no minimise and maximise buttons, except on a dialog.
bool ShowsHelp(BorderStyle style, BorderIcons shown) {
  return (shown & biHelp) && (style == bsDialog || !(shown & (biMinimize | biMaximize)));
}

QList<Form*>& formList() {
  static auto* forms = new QList<Form*>;  // never freed: forms may outlive static destruction
  return *forms;
}
}  // namespace

BorderIcons ShownBorderIcons(BorderStyle style, BorderIcons icons) {
  switch (style) {
    case bsNone: return {};
    case bsDialog: return icons & (biSystemMenu | biHelp);
    case bsToolWindow:
    case bsSizeToolWin: return icons & biSystemMenu;
    default: return icons;
  }
}

quint32 BorderStyleBits(BorderStyle style, BorderIcons icons) {
  quint32 bits = 0;
  switch (style) {
    case bsNone: bits = wm::WS_POPUP; break;
    case bsSingle:
    case bsToolWindow: bits = wm::WS_CAPTION; break;
    case bsSizeable:
    case bsSizeToolWin: bits = wm::WS_CAPTION | wm::WS_THICKFRAME; break;
    case bsDialog: bits = wm::WS_POPUP | wm::WS_CAPTION; break;
  }
  const BorderIcons shown = ShownBorderIcons(style, icons);
  if (shown & biSystemMenu) bits |= wm::WS_SYSMENU;
  if (shown & biMinimize) bits |= wm::WS_MINIMIZEBOX;
  if (shown & biMaximize) bits |= wm::WS_MAXIMIZEBOX;
  return bits;
}

quint32 BorderExStyleBits(BorderStyle style, BorderIcons icons) {
  quint32 bits = 0;
  if (style == bsDialog) bits |= wm::WS_EX_DLGMODALFRAME;
  if (IsToolWindow(style)) bits |= wm::WS_EX_TOOLWINDOW;
  if (ShowsHelp(style, ShownBorderIcons(style, icons))) bits |= wm::WS_EX_CONTEXTHELP;
  return bits;
}

Qt::WindowFlags BorderWindowFlags(BorderStyle style, BorderIcons icons, bool owned) {
  Qt::WindowFlags flags = IsToolWindow(style) ? Qt::Tool : owned || style == bsDialog ? Qt::Dialog : Qt::Window;
  // Only the hints named here: without this the toolkit adds a full title bar's worth.
  flags |= Qt::CustomizeWindowHint;
  if (style == bsNone) return flags | Qt::FramelessWindowHint;
  flags |= Qt::WindowTitleHint;
  const BorderIcons shown = ShownBorderIcons(style, icons);
  if (shown & biSystemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (shown & biMinimize) flags |= Qt::WindowMinimizeButtonHint;
  if (shown & biMaximize) flags |= Qt::WindowMaximizeButtonHint;
  if (ShowsHelp(style, shown)) flags |= Qt::WindowContextHelpButtonHint;
  if (!IsSizeable(style)) flags |= Qt::MSWindowsFixedSizeDialogHint;
  return flags;
}

const QList<Form*>& ScreenForms() { return formList(); }

Form::Form(QWidget* owner) : QWidget(owner, windowFlagsFor(owner)), client_(new QWidget(this)) {
  FollowWorkingWindow();
  client_->setObjectName(QStringLiteral("client"));
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(client_);
  formList().append(this);
}

Form::~Form() {
  // The window's procedures see it go while it is still whole.
  wm::NotifyDestroying(this);
  formList().removeOne(this);
  if (modalLoop_) modalLoop_->quit();
}

Qt::WindowFlags Form::nativeFlags() const {
  Qt::WindowFlags flags = windowFlags();
  // A window drawing its own frame has the native one switched off only for that.
  if (wm::HasOwnNonClient(const_cast<Form*>(this))) flags &= ~Qt::FramelessWindowHint;
  return flags;
}

BorderStyle Form::borderStyle() const {
  if (borderStyle_) return *borderStyle_;
  const Qt::WindowFlags flags = nativeFlags();
  const Qt::WindowType type = windowType();
  if ((flags & Qt::FramelessWindowHint) || !(flags & Qt::WindowTitleHint) || type == Qt::Popup ||
      type == Qt::ToolTip || type == Qt::SplashScreen)
    return bsNone;
  const bool fixed = (flags & Qt::MSWindowsFixedSizeDialogHint) || minimumSize() == maximumSize();
  if (type == Qt::Tool) return fixed ? bsToolWindow : bsSizeToolWin;
  if (type == Qt::Dialog && fixed) return bsDialog;
  return fixed ? bsSingle : bsSizeable;
}

BorderIcons Form::borderIcons() const {
  if (borderIcons_) return *borderIcons_;
  const Qt::WindowFlags flags = nativeFlags();
  BorderIcons icons;
  if (flags & Qt::WindowSystemMenuHint) icons |= biSystemMenu;
  if (flags & Qt::WindowMinimizeButtonHint) icons |= biMinimize;
  if (flags & Qt::WindowMaximizeButtonHint) icons |= biMaximize;
  if (flags & Qt::WindowContextHelpButtonHint) icons |= biHelp;
  return icons;
}

void Form::setBorderStyle(BorderStyle style) {
  // The other half is fixed at what it reads now, before the flags change under it.
  if (!borderIcons_) borderIcons_ = borderIcons();
  borderStyle_ = style;
  applyBorder();
}

void Form::setBorderIcons(BorderIcons icons) {
  if (!borderStyle_) borderStyle_ = borderStyle();
  borderIcons_ = icons;
  applyBorder();
}

void Form::applyBorder() {
  const BorderStyle style = borderStyle();
  const BorderIcons icons = borderIcons();
  // The window-message layer reports these as the window's style.
  setProperty("wmStyle", BorderStyleBits(style, icons));
  setProperty("wmExStyle", BorderExStyleBits(style, icons));
  // A window drawing its own frame takes it up again over its new native flags.
  const bool ownFrame = wm::HasOwnNonClient(this);
  if (ownFrame) wm::SetOwnNonClient(this, false);
  const Qt::WindowFlags flags =
      BorderWindowFlags(style, icons, owner() != nullptr) | (windowFlags() & ~(Qt::WindowType_Mask | kBorderHints));
  if (flags != windowFlags()) {
    if (isVisible()) {
      // Never setWindowFlags on a shown window: it hides it, which ends a modal loop.
      overrideWindowFlags(flags);
      if (QWindow* handle = windowHandle()) handle->setFlags(flags);
    } else {
      setWindowFlags(flags);  // keeps the owner: the parent stays
    }
  }
  if (ownFrame) wm::SetOwnNonClient(this, true);
}

QMenuBar* Form::menuBar() const { return menuBar_; }

void Form::setMenuBar(QMenuBar* bar) {
  if (bar == menuBar_) return;
  if (menuBar_) menuBar_->hide();
  menuBar_ = bar;
  layout()->setMenuBar(bar);
  if (bar) bar->show();
}

void Form::setClientSize(int width, int height) {
  designSize_ = QSize(width, height);
  const QMargins m = contentsMargins();
  resize(width + m.left() + m.right(), height + m.top() + m.bottom());
}

void Form::setVisible(bool visible) {
  if (visible && !isVisible()) {
    // Controls placed by coordinates are cut by a smaller client.
    if (!client_->layout() && designSize_.isValid() && client_->minimumSize().isNull())
      client_->setMinimumSize(designSize_);
    fitCaption();
    keepSizeFixed();
  }
  QWidget::setVisible(visible);
}

void Form::keepSizeFixed() {
  // The window manager offers no sizing and no maximising for a window of fixed size. A
  // window without any frame is sized by its program alone, up to a whole screen.
  if (!borderStyle_ || IsSizeable(*borderStyle_) || *borderStyle_ == bsNone) return;
  if (minimumSize() == maximumSize() || layout()->sizeConstraint() == QLayout::SetFixedSize) return;
  setFixedSize(size().expandedTo(minimumSizeHint()));
}

void Form::fitCaption() {
  QFont titleFont = font();
  titleFont.setBold(true);
  int needed = QFontMetrics(titleFont).horizontalAdvance(caption()) + kTitleBarRoom;
  // Never wider than the screen: a longer caption is cut short in the title bar instead.
  if (const QScreen* s = screen()) needed = qMin(needed, s->availableGeometry().width());
  const int frame = contentsMargins().left() + contentsMargins().right();
  // An explicit minimum replaces the one the client's layout asks for, so it is set only
  // when it is the larger.
  const int ownMinimum = qMax(client_->minimumWidth(), client_->minimumSizeHint().width());
  if (ownMinimum + frame < needed) client_->setMinimumWidth(needed - frame);
  if (width() < needed) resize(needed, height());
}

void Form::placeOnOwner() {
  // A dialog without owner opens over the window the operator works in, where the window
  // manager would put it, but knowing the frame a skin gives it after it shows.
  QWidget* ownerWindow = owner() ? owner() : centredUnowned_ ? WorkingWindow(this) : nullptr;
  const bool ownerShown = ownerWindow && ownerWindow->isVisible() && !ownerWindow->isMinimized();
  // Another window without owner is placed by the window manager unless it asked for a place.
  if (!ownerWindow && !centredUnowned_ && !testAttribute(Qt::WA_Moved)) return;
  QScreen* screen = ownerShown ? ownerWindow->screen() : this->screen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  // The window manager frames this window only once it shows; the owner's frame is the same
  // kind of frame.
  QMargins frame;
  if (ownerShown) {
    const QRect outer = ownerWindow->frameGeometry(), inner = ownerWindow->geometry();
    frame = QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                     outer.bottom() - inner.bottom());
  }
  const QSize fitting = size().boundedTo(area.size().shrunkBy(frame)).expandedTo(minimumSize());
  if (fitting != size()) resize(fitting);
  QRect outer(QPoint(0, 0), size().grownBy(frame));
  if (ownerShown) outer.moveCenter(ownerWindow->frameGeometry().center());
  else if (ownerWindow || centredUnowned_) outer.moveCenter(area.center());
  else outer.moveTopLeft(pos());
  outer.moveLeft(qMax(area.left(), qMin(outer.left(), area.right() + 1 - outer.width())));
  outer.moveTop(qMax(area.top(), qMin(outer.top(), area.bottom() + 1 - outer.height())));
  // Placed by its client area: until the window manager has framed the window, the toolkit
  // cannot place it by its frame.
  setGeometry(QRect(outer.topLeft() + QPoint(frame.left(), frame.top()), size()));
}

int Form::ShowModal() {
  modalResult_ = mrNone;
  // A dialog to the window manager, so it is framed and kept as one.
  if (!testAttribute(Qt::WA_WState_Created) && windowType() == Qt::Window)
    setWindowFlags((windowFlags() & ~Qt::WindowType_Mask) | Qt::Dialog);
  setWindowModality(modalKind_);
  QEventLoop loop;
  modalLoop_ = &loop;
  QPointer<Form> self(this);
  show();
  raise();
  activateWindow();
  loop.exec(QEventLoop::DialogExec);
  if (!self) return mrCancel;
  modalLoop_ = nullptr;
  setWindowModality(Qt::NonModal);
  if (modalResult_ == mrNone) modalResult_ = mrCancel;
  return modalResult_;
}

void Form::setModalResult(int result) {
  modalResult_ = result;
  if (result != mrNone && modalLoop_) close();
}

void Form::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (!e->spontaneous()) {
    if (!placed_) {
      centredUnowned_ = !owner() && windowType() == Qt::Dialog && !testAttribute(Qt::WA_Moved);
      placeOnOwner();
    }
    placed_ = true;
    FormShow();
    emit formShown();
  }
}

void Form::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
  // A frame of the window's own that comes after it was placed but before it is on the screen
  // (a skin takes the frame once the window shows) changes its outer size: it is placed again
  // once the frame is complete.
  if (e->type() == QEvent::ContentsRectChange && placed_ && isVisible() && !testAttribute(Qt::WA_Mapped))
    QMetaObject::invokeMethod(this, [this] { if (isVisible()) placeOnOwner(); }, Qt::QueuedConnection);
}

void Form::keyPressEvent(QKeyEvent* e) {
  // Escape cancels a modal window, as dialogs do.
  if (modalLoop_ && e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
    setModalResult(mrCancel);
    return;
  }
  QWidget::keyPressEvent(e);
}

void Form::closeEvent(QCloseEvent* e) {
  if (closing_) {
    e->ignore();
    return;
  }
  bool canClose = true;
  FormCloseQuery(canClose);
  if (!canClose) {
    if (modalLoop_) modalResult_ = mrNone;
    e->ignore();
    return;
  }
  CloseAction action = CloseAction::Hide;
  closing_ = true;
  FormClose(action);
  closing_ = false;
  switch (action) {
    case CloseAction::None:
      e->ignore();
      if (modalLoop_) modalResult_ = mrNone;
      return;
    case CloseAction::Minimize:
      e->ignore();
      showMinimized();
      return;
    case CloseAction::Hide:
    case CloseAction::Free:
      break;
  }
  e->accept();
  if (modalLoop_) modalLoop_->quit();
  emit formClosed();
  if (action == CloseAction::Free) deleteLater();
}

}  // namespace orvane
