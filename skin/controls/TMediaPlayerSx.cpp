// The media player's panel: layout, painting from the skin, and clicks passed to the player.
#include "skin/controls/TMediaPlayerSx.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include "platform/forms/form.h"
#include "platform/forms/mediaplayer.h"
#include "skin/WinSkinData.h"
#include "skin/controls/TSkinMP.h"
#include "skin/skindata.h"

namespace orvane::skin {

namespace {
int g_live = 0;
}

TMediaPlayerSx::TMediaPlayerSx(QWidget* parent) : QWidget(parent) { ++g_live; }

TMediaPlayerSx::~TMediaPlayerSx() { --g_live; }

int TMediaPlayerSx::LiveCount() { return g_live; }

void TMediaPlayerSx::Attach(TSkinMP* skinner, QWidget* mediaPlayer) {
  skinner_ = skinner;
  mediaPlayer_ = mediaPlayer;
  if (!mediaPlayer || !mediaPlayer->parentWidget()) return;
  if (skinner && skinner->Skin()) SetTag(this, skinner->Skin()->DisableTag);
  setParent(mediaPlayer->parentWidget());
  FollowBounds();
  mediaPlayer->installEventFilter(this);
  SyncVisibility();
}

void TMediaPlayerSx::SyncVisibility() {
  const bool on = mediaPlayer_ && mediaPlayer_->isVisibleTo(parentWidget()) && skinner_ && skinner_->SkinEnabled() &&
                  skinner_->CanSkin();
  if (on == isVisibleTo(parentWidget())) return;
  setVisible(on);
  if (on) FollowBounds();
}

void TMediaPlayerSx::FollowBounds() {
  if (!mediaPlayer_) return;
  setGeometry(mediaPlayer_->geometry());
  StackAbovePlayer();
}

void TMediaPlayerSx::StackAbovePlayer() {
  QWidget* parent = parentWidget();
  if (!parent || !mediaPlayer_ || mediaPlayer_->parentWidget() != parent) return;
  // Children are stacked in list order, last on top: go right after the player.
  const QObjectList& siblings = parent->children();
  const qsizetype at = siblings.indexOf(mediaPlayer_.data());
  for (qsizetype i = at + 1; at >= 0 && i < siblings.size(); ++i) {
    auto* w = qobject_cast<QWidget*>(siblings[i]);
    if (!w || w == this || w->isWindow()) continue;
    stackUnder(w);
    return;
  }
  raise();
}

bool TMediaPlayerSx::eventFilter(QObject* watched, QEvent* e) {
  if (watched == mediaPlayer_) {
    switch (e->type()) {
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::ZOrderChange:
        FollowBounds();
        break;
      case QEvent::Show:
      case QEvent::Hide:
        SyncVisibility();
        break;
      case QEvent::ParentChange:
        setParent(mediaPlayer_->parentWidget());
        FollowBounds();
        SyncVisibility();
        break;
      case QEvent::Paint:
        // The player paints itself when its skin is switched off or on: the panel follows,
        // after the paint.
        QMetaObject::invokeMethod(this, &TMediaPlayerSx::SyncVisibility, Qt::QueuedConnection);
        break;
      case QEvent::EnabledChange:
      case QEvent::DynamicPropertyChange:
        update();
        break;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, e);
}

void TMediaPlayerSx::ReadButtons() {
  visible_ = enabled_ = colored_ = 0;
  if (mediaPlayer_) {
    visible_ = TMediaPlayer::MembersIn(mediaPlayer_->property("VisibleButtons").toString());
    enabled_ = mediaPlayer_->isEnabled() ? TMediaPlayer::MembersIn(mediaPlayer_->property("EnabledButtons").toString())
                                         : 0;
    colored_ = TMediaPlayer::MembersIn(mediaPlayer_->property("ColoredButtons").toString());
  }
  visibleCount_ = qPopulationCount(visible_);
  buttonWidth_ = visibleCount_ ? width() / visibleCount_ : 0;
}

int TMediaPlayerSx::HitButton(int x) const { return TMediaPlayer::HitButton(x, visible_, buttonWidth_); }

int TMediaPlayerSx::GlyphKind(int index) const {
  const bool enabled = enabled_ & (1u << index);
  return enabled && (colored_ & (1u << index)) ? 2 : enabled ? 0 : 1;
}

int TMediaPlayerSx::ButtonFrame(int index) const {
  if (GlyphKind(index) == 1) return 3;  // disabled wins, pressed or not
  return pressed_ && index == pressedButton_ ? 2 : 1;
}

void TMediaPlayerSx::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (mediaPlayer_ && !(skinner_ && skinner_->SkinEnabled() && skinner_->CanSkin())) {
    // Switched off: the player's own look at once, and the panel out of the way after the paint.
    mediaPlayer_->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    QMetaObject::invokeMethod(this, &TMediaPlayerSx::SyncVisibility, Qt::QueuedConnection);
    return;
  }
  ReadButtons();
  const auto data = skinner_ ? skinner_->Data() : nullptr;
  const QColor face = skinner_ ? skinner_->ButtonFace() : palette().button().color();
  painter.fillRect(rect(), face);
  if (!visibleCount_ || !data || !data->Buttons) return;
  const TDataSkinButton& b = *data->Buttons;
  int x = 0;
  for (int i = 0; i < TMediaPlayer::ButtonCount; ++i) {
    if (!(visible_ & (1u << i))) continue;
    const QRect r(x, 0, buttonWidth_, height());
    const int frame = ButtonFrame(i);
    DrawSkinImage(painter, r, b.Bitmap, false, b.Tile == 1, b.Trans == 1, b.FrameCount(), frame, b.Margins());
    const QImage glyph = TMediaPlayer::Glyph(i, GlyphKind(i));
    if (!glyph.isNull())
      painter.drawImage(r.left() + (r.width() - glyph.width()) / 2,
                        (r.height() - glyph.height()) / 2 + (frame == 2 ? 1 : 0), glyph);
    x += buttonWidth_;
  }
}

void TMediaPlayerSx::Forward(QMouseEvent* e) {
  if (!mediaPlayer_) return;
  const QPointF local = mediaPlayer_->mapFromGlobal(e->globalPosition());
  QMouseEvent copy(e->type(), local, e->globalPosition(), e->button(), e->buttons(), e->modifiers());
  busy_ = true;
  QPointer<TMediaPlayerSx> self(this);
  QApplication::sendEvent(mediaPlayer_, &copy);
  if (self) busy_ = false;
}

void TMediaPlayerSx::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
  pressed_ = true;
  ReadButtons();
  // The player hears of the press at once, as if it had been pressed itself.
  QPointer<TMediaPlayerSx> self(this);
  Forward(e);
  if (!self) return;
  buttonUnder_ = HitButton(static_cast<int>(e->position().x()));
  pressedButton_ = buttonUnder_;
  update();
}

void TMediaPlayerSx::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(e);
  pressed_ = false;
  ReadButtons();
  buttonUnder_ = HitButton(static_cast<int>(e->position().x()));
  const bool same = buttonUnder_ == pressedButton_;
  pressedButton_ = buttonUnder_;
  update();
  // Only a release over the pressed button reaches the player: moving off takes the press back.
  if (same) Forward(e);
}

}  // namespace orvane::skin
