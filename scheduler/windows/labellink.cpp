// Link-like labels.
#include "scheduler/windows/labellink.h"

#include <QLabel>
#include <QMouseEvent>

LabelLink::LabelLink(QLabel* label, std::function<void()> onClick, const QColor& hover, const QColor& normal)
    : QObject(label), label_(label), onClick_(std::move(onClick)), hover_(hover), normal_(normal) {
  colour(normal_);
  label_->installEventFilter(this);
}

void LabelLink::colour(const QColor& c) {
  if (!hover_.isValid()) return;
  QPalette p = label_->palette();
  p.setColor(QPalette::WindowText, c);
  label_->setPalette(p);
}

bool LabelLink::eventFilter(QObject* watched, QEvent* event) {
  if (watched != label_) return false;
  switch (event->type()) {
    case QEvent::Enter:
      colour(hover_);
      label_->setCursor(Qt::PointingHandCursor);
      break;
    case QEvent::Leave:
      colour(normal_);
      label_->unsetCursor();
      break;
    case QEvent::MouseButtonRelease: {
      // A click is the left button released over the label; other buttons, or a release
      // after dragging off it, do nothing.
      const auto* m = static_cast<QMouseEvent*>(event);
      if (!onClick_ || m->button() != Qt::LeftButton || !label_->rect().contains(m->position().toPoint())) break;
      onClick_();
      return true;
    }
    default: break;
  }
  return false;
}
