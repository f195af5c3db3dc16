// Picker sections selected by a click.
#include "platform/forms/pickersections.h"

#include <QDateTimeEdit>
#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>

namespace orvane {

namespace {

// Watches the picker's text field, a child of the picker that dies with it.
class SectionClick : public QObject {
 public:
  SectionClick(QDateTimeEdit* picker, QLineEdit* field) : QObject(field), picker_(picker), field_(field) {
    field->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* e) override {
    // On the release: the field has placed its caret by then, and the picker knows the
    // section it lies in. A drag or a double click has selected text of its own: it stays.
    if (watched == field_ && e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton && !field_->hasSelectedText())
      picker_->setSelectedSection(picker_->currentSection());
    return false;
  }

 private:
  QDateTimeEdit* picker_;
  QLineEdit* field_;
};

}  // namespace

void SelectSectionOnClick(QDateTimeEdit* picker) {
  if (!picker) return;
  if (auto* field = picker->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly))
    new SectionClick(picker, field);
}

}  // namespace orvane
