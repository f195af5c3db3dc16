// The skinned menu bar and its items (see WinSkinMenu.h).
#include "skin/WinSkinMenu.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>

#include "skin/WinSkinStore.h"
#include "skin/skindata.h"
#include "skin/skinpaint.h"

namespace orvane::skin {

namespace {

// Text flags of the bar's captions: measured without clipping, drawn centred on one line.
constexpr quint32 kMeasureFlags = DT_CALCRECT | DT_NOCLIP;
constexpr quint32 kCentredFlags = DT_SINGLELINE | DT_CENTER | DT_VCENTER;

QColor Slot(const TSkinData* data, SkinColourSlot slot) { return data ? ToQColor(data->Colour(slot)) : QColor(); }

// The "&" mnemonic of a caption ('\0' when it has none); "&&" is a plain ampersand.
QChar Mnemonic(const QString& caption) {
  for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
    if (caption.at(i) != QLatin1Char('&')) continue;
    if (caption.at(i + 1) == QLatin1Char('&')) {
      ++i;
      continue;
    }
    return caption.at(i + 1).toUpper();
  }
  return QChar();
}

// A caption centred in a rectangle of the painter.
void DrawCaptionCentered(QPainter& painter, const QString& caption, const QRect& rect, const QColor& colour) {
  painter.setPen(colour);
  QRect r = rect;
  SkinDrawText(&painter, caption, r, kCentredFlags);
}

}  // namespace

// ---- the bar's items ------------------------------------------------------------------------

TMenuBtn::TMenuBtn(TFormSkinner* form, TWinSkinMenu* bar, int index) : TNCObject(form), Index(index), bar_(bar) {
  State = stNormal;
}

void TMenuBtn::Draw(QPainter& painter) const {
  const std::shared_ptr<const TSkinData> data = form_->Skin() ? form_->Skin()->Data() : nullptr;
  const QImage& bitmap = bar_->ItemBitmap();
  const QRect bar = bar_->BarRect();
  if (!bitmap.isNull()) painter.drawImage(Bounds.topLeft(), bitmap, Bounds.translated(-bar.topLeft()));
  if (State == stHot || State == stPressed) {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(Slot(data.get(), scButtonHilight));
    const QRect& b = Bounds;
    painter.drawRect(QRect(b.left(), b.top(), b.width(), 1));
    painter.drawRect(QRect(b.left(), b.bottom(), b.width(), 1));
    painter.drawRect(QRect(b.left(), b.top(), 1, b.height()));
    painter.drawRect(QRect(b.right(), b.top(), 1, b.height()));
    painter.restore();
  }
  painter.save();
  painter.setFont(TWinSkinMenu::MenuFont());
  DrawCaptionCentered(painter, Caption, Bounds, Slot(data.get(), Enabled ? scMenuBarText : scButtonShadow));
  painter.restore();
}

void TMenuBtn::Paint() {
  QWidget* w = form_->Handle();
  if (!w) return;
  if (QPainter* dc = wm::GetWindowDC(w))
    Draw(*dc);
  else
    w->update(Bounds);
}

// ---- the bar ----------------------------------------------------------------------------

TWinSkinMenu::TWinSkinMenu(TFormSkinner* form, TSXSkin* skin) : QObject(form), skin_(skin), form_(form) {
  qApp->installEventFilter(this);
}

TWinSkinMenu::~TWinSkinMenu() {
  if (form_->HotObject() && form_->HotObject()->IsMenuItem()) form_->SetHotObject(nullptr);
  FreeItems();
}

QFont TWinSkinMenu::MenuFont() { return QApplication::font("QMenuBar"); }

bool TWinSkinMenu::RightToLeft() const {
  return form_->Handle() && (wm::GetWindowLong(form_->Handle(), wm::GWL_EXSTYLE) & wm::WS_EX_LEFTSCROLLBAR);
}

void TWinSkinMenu::FreeItems() {
  for (TMenuBtn* b : std::exchange(items_, {})) {
    if (form_->HotObject() == b) form_->SetHotObject(nullptr);
    delete b;
  }
}

void TWinSkinMenu::BuildItems() {
  QWidget* w = form_->Handle();
  if (!w) return;
  if (QMenuBar* bar = wm::GetMenu(w)) windowMenu_ = bar;
  if (menu_ != windowMenu_) {
    if (menu_) menu_->removeEventFilter(this);
    menu_ = windowMenu_;
  }
  if (!menu_) return;
  FreeItems();
  const QList<QAction*> actions = menu_->actions();
  for (int i = 0; i < actions.size(); ++i) {
    QAction* a = actions.at(i);
    auto* b = new TMenuBtn(form_, this, i);
    b->Item = a;
    b->Caption = a->isSeparator() ? QString() : a->text();  // read whole
    b->Enabled = a->isEnabled();
    b->Visible = a->isVisible();
    b->DropDown = a->menu();
    b->Command = wm::CommandId(a);
    items_.push_back(b);
  }
  wm::SetMenu(w, nullptr);
}

bool TWinSkinMenu::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type t = event->type();
  if (watched == menu_ && (t == QEvent::ActionAdded || t == QEvent::ActionRemoved || t == QEvent::ActionChanged)) {
    if (skin_ && skin_->MenuUpdate && !rebuildQueued_) {
      rebuildQueued_ = true;
      QTimer::singleShot(0, this, [this] { Rebuild(); });
    }
    return false;
  }
  if (t != QEvent::ShortcutOverride && t != QEvent::KeyPress && t != QEvent::KeyRelease) return false;
  QWidget* w = form_->Handle();
  auto* target = qobject_cast<QWidget*>(watched);
  if (!w || !target || target->window() != w || qobject_cast<QMenu*>(target)) return false;
  // The keyboard's way into the bar: Alt with a caption's letter, Alt with Space, and Alt alone.
  static bool altAlone = false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (t == QEvent::KeyRelease) {
    if (key->key() == Qt::Key_Alt && altAlone && !key->isAutoRepeat()) {
      altAlone = false;
      wm::SendMessage(w, wm::WM_SYSCOMMAND, wm::SC_KEYMENU, 0);
    }
    return false;
  }
  if (t == QEvent::KeyPress && key->key() == Qt::Key_Alt) {
    altAlone = true;
    return false;
  }
  altAlone = false;
  if (key->modifiers() != Qt::AltModifier) return false;
  QChar c = key->key() == Qt::Key_Space ? QLatin1Char(' ') : key->text().isEmpty() ? QChar() : key->text().at(0).toUpper();
  if (c.isNull() && key->key() >= Qt::Key_A && key->key() <= Qt::Key_Z) c = QChar(key->key());
  if (c.isNull() || (c != QLatin1Char(' ') && !ItemForKey(c))) return false;
  if (t == QEvent::ShortcutOverride) {
    event->accept();  // ours, not a shortcut's
    return true;
  }
  wm::SendMessage(w, wm::WM_SYSCOMMAND, wm::SC_KEYMENU, c.unicode());
  return true;
}

void TWinSkinMenu::Rebuild() {
  rebuildQueued_ = false;
  QWidget* w = form_->Handle();
  if (!w || !menu_) return;
  BuildItems();
  LayoutItems();
  wm::RedrawWindow(w, nullptr, wm::RDW_FRAME | wm::RDW_INVALIDATE);
}

QRect TWinSkinMenu::BarRect() const {
  QWidget* w = form_->Handle();
  if (!w) return {};
  const QMargins b = form_->Borders();
  const QRect win = wm::GetWindowRect(w);
  return QRect(QPoint(b.left(), b.top()), QPoint(win.width() - b.right() - 1, b.top() + form_->MenuBarHeight() - 1));
}

void TWinSkinMenu::LayoutItems() {
  const QRect bar = BarRect();
  if (bar.width() < 1 || bar.height() < 1) return;
  const std::shared_ptr<const TSkinData> data = skin_ ? skin_->Data() : nullptr;
  const bool rtl = RightToLeft();
  int margin = 6;
  if (data && data->MenuBar) {
    margin = rtl ? data->MenuBar->RightWidth + 8 : data->MenuBar->LeftWidth + 4;
    if (margin > bar.width()) margin = 12;
  }
  const QFontMetrics fm(MenuFont());
  int x = rtl ? bar.right() + 1 - margin : bar.left() + margin;
  for (TMenuBtn* b : items_) {
    if (!b->Visible) {
      b->Bounds = QRect();
      continue;
    }
    const int text = fm.boundingRect(QRect(0, 0, 0x7FFF, 0x7FFF), Qt::TextShowMnemonic, b->Caption).width();
    const int width = b->Caption.isEmpty() ? 0 : text + 10;
    if (rtl) {
      b->Bounds = QRect(x - width, bar.top(), width, bar.height() - 1);
      x -= width;
    } else {
      b->Bounds = QRect(x, bar.top(), width, bar.height() - 1);
      x += width;
    }
  }
}

void TWinSkinMenu::Paint(QPainter& dc, const QRect& bar) {
  if (bar.width() < 1 || bar.height() < 1) return;
  const std::shared_ptr<const TSkinData> data = skin_ ? skin_->Data() : nullptr;
  if (itemBitmap_.size() != bar.size()) itemBitmap_ = QImage(bar.size(), QImage::Format_ARGB32_Premultiplied);
  QPainter p(&itemBitmap_);
  const QRect local(QPoint(0, 0), bar.size());
  const int frame = form_->IsActive() ? 1 : 2;
  if (data && data->MenuBar && data->MenuBar->HasImage()) {
    const TDataSkinObject& e = *data->MenuBar;
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(local, QColor(255, 0, 255));
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (e.Tile == 1)
      DrawSkinImage(p, local, e.Bitmap, true, true, false, 2, frame, e.Margins());
    else
      DrawTiledThreePart(p, local, e.Bitmap, true, false, 2, frame, e.Margins());
  } else {
    p.fillRect(local, Slot(data.get(), scMenubar));
  }
  painting_ = 1;
  p.setFont(MenuFont());
  for (TMenuBtn* b : items_) {
    if (!b->Visible || b->Caption.isEmpty()) continue;
    DrawCaptionCentered(p, b->Caption, b->Bounds.translated(-bar.topLeft()),
                        Slot(data.get(), b->Enabled ? scMenuBarText : scButtonShadow));
  }
  // A maximised MDI child's caption buttons sit on the frame's bar.
  if (form_->WindowKind() == TWinSkinForm::wkMDIFrame) {
    const auto& buttons = form_->SysButtons();
    for (int i = 0; i < static_cast<int>(buttons.size()); ++i) {
      TWinSysButton* sb = buttons[static_cast<size_t>(i)];
      if (sb->Record()->Visibility != 100 || !form_->IsSysButtonVisible(i) || sb->Image.isNull()) continue;
      p.save();
      p.translate(-bar.topLeft());
      sb->Draw(p, 1);
      p.restore();
      if (SkinManager) SkinManager->SetMDIMaximized(true);
    }
  }
  p.end();
  paintedBar_ = bar;
  dc.drawImage(bar.topLeft(), itemBitmap_);
  painting_ = 0;
}

TMenuBtn* TWinSkinMenu::ItemAt(QPoint pt) const {
  for (TMenuBtn* b : items_)
    if (b->Bounds.contains(pt) && !b->Caption.isEmpty()) return b;
  return nullptr;
}

TMenuBtn* TWinSkinMenu::ItemForKey(QChar key) const {
  if (key.isNull()) return nullptr;
  for (TMenuBtn* b : items_)
    if (b->Visible && b->Enabled && Mnemonic(b->Caption) == key.toUpper()) return b;
  return nullptr;
}

}  // namespace orvane::skin
