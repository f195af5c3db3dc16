// The edit and combo-box skinners (see SkinEdits.h).
#include "skin/controls/SkinEdits.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QPainter>

#include "skin/SkinStyle.h"
#include "skin/WinSkinData.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/controls/editpaint.h"
#include "skin/skindata.h"

namespace orvane::skin {

namespace {

// Asked by another painter of the skin: the edit's own painting into the painter in wParam.
bool PrintEdit(wm::Message& m, QWidget* edit) {
  if (m.msg != WM_SKINPRINTEDIT || m.lParam != SkinNotifyKey) return false;
  if (auto* painter = reinterpret_cast<QPainter*>(m.wParam); painter && edit)
    edit->render(painter, QPoint(), QRegion(), QWidget::DrawChildren);
  m.result = SkinNotifyKey;
  return true;
}

}  // namespace

void TSkinEdit::AfterDefault(wm::Message& m) {
  if (!PrintEdit(m, Handle())) TSkinControl::AfterDefault(m);
}

bool TSkinEdit::drawPrimitive(const TSkinStyle*, QStyle::PrimitiveElement pe, const QStyleOption* opt, QPainter* p,
                              const QWidget* w) {
  if (pe != QStyle::PE_PanelLineEdit) return false;
  const auto* frame = qstyleoption_cast<const QStyleOptionFrame*>(opt);
  // The field inside a spin box is drawn with the spin box.
  if (!frame || (w && qobject_cast<const QAbstractSpinBox*>(w->parentWidget()))) return false;
  const auto data = Data();
  return data && kinds::PaintEditPanel(*p, *data, *frame);
}

bool TSkinEdit::drawComplexControl(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                                   QPainter* p, const QWidget* w) {
  if (cc != QStyle::CC_SpinBox || !style) return false;
  const auto* spin = qstyleoption_cast<const QStyleOptionSpinBox*>(opt);
  const auto data = Data();
  if (!spin || !data) return false;
  if (!upDownTried_ && Skin() && Skin()->HasControl(xcSpin) && Handle()) {
    // The arrows get their own skinner, which paints for this one and keeps out of the registry.
    upDownTried_ = true;
    TSkinKindArgs args;
    args.OfEdit = true;
    upDown_ = TSkinKinds::Create(QStringLiteral("TSkinUpDown"), Handle(), args);
    if (upDown_) upDown_->SetHostSkin(Skin());
  }
  // Without an up-down skinner the arrows stay the plain style's.
  if (!upDown_ || !upDown_->CanSkin() || !upDown_->drawComplexControl(style, cc, opt, p, w))
    style->baseStyle()->drawComplexControl(cc, opt, p, w);
  if (spin->frame) {
    const QRect buttons = style->subControlRect(cc, spin, QStyle::SC_SpinBoxUp, w) |
                          style->subControlRect(cc, spin, QStyle::SC_SpinBoxDown, w);
    kinds::PaintSpinFrame(*p, *data, spin->rect, buttons);
  }
  return true;
}

bool TSkinEdit::subControlRect(const TSkinStyle* style, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                               QStyle::SubControl sc, const QWidget* w, QRect& out) {
  return cc == QStyle::CC_SpinBox && upDown_ && upDown_->CanSkin() && upDown_->subControlRect(style, cc, opt, sc, w, out);
}

bool TSkinEdit::ChangesGeometry() const { return qobject_cast<const QAbstractSpinBox*>(Handle()) != nullptr; }

void TSkinEdit::DoneControl() {
  delete upDown_.data();
  upDownTried_ = false;
  TSkinControl::DoneControl();
}

TSkinComBox::~TSkinComBox() {
  if (edit_) edit_->removeEventFilter(this);
}

bool TSkinComBox::CanSkin() const {
  const auto data = Data();
  return data && data->ComboButton && data->ComboButton->HasImage();
}

void TSkinComBox::InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) {
  TSkinControl::InitControl(formSkin, skin, setColor);
  WatchEdit();
  SkinDropList();
}

void TSkinComBox::InitWindow(QWidget* handle, TSXSkin* skin, TFormSkinner* formSkin) {
  TSkinControl::InitWindow(handle, skin, formSkin);
  WatchEdit();
  SkinDropList();
}

void TSkinComBox::Restyle() {
  auto* combo = qobject_cast<QComboBox*>(Handle());
  if (!combo) {
    TSkinControl::Restyle();
    return;
  }
  // A combo places its text field on every resize.
  QResizeEvent resize(combo->size(), combo->size());
  QApplication::sendEvent(combo, &resize);
  combo->update();
}

// Qt makes a combo's drop-down list only when it is first needed: a list that exists is
// skinned now, one made later when it is first polished (before it is first shown).
void TSkinComBox::SkinDropList() {
  auto* combo = qobject_cast<QComboBox*>(Handle());
  if (!combo || DropScrollSkin) return;
  if (!combo->findChild<QAbstractItemView*>()) {
    combo->installEventFilter(this);
    return;
  }
  combo->removeEventFilter(this);
  QAbstractItemView* list = combo->view();
  if (!list || TSkinRegistry::Find(list)) return;
  // The popup list's scroll bars: their own skinner, a child of the list.
  DropScrollSkin = TSkinKinds::Create(QStringLiteral("TComboxScrollBar"), list);
  if (DropScrollSkin) DropScrollSkin->InitWindow(list, Skin(), FormSkin());
}

void TSkinComBox::DoneControl() {
  if (QWidget* combo = Handle()) combo->removeEventFilter(this);
  if (edit_) edit_->removeEventFilter(this);
  edit_ = nullptr;
  MouseState = 0;
  if (DropScrollSkin) {
    DropScrollSkin->DoneControl();
    delete DropScrollSkin.data();
  }
  TSkinControl::DoneControl();
}

void TSkinComBox::WatchEdit() {
  auto* combo = qobject_cast<QComboBox*>(Handle());
  QLineEdit* edit = combo ? combo->lineEdit() : nullptr;
  if (edit == edit_) return;
  if (edit_) edit_->removeEventFilter(this);
  edit_ = edit;
  if (edit_) edit_->installEventFilter(this);
}

// The left button down in the text field presses the combo as well.
bool TSkinComBox::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Handle() && event->type() == QEvent::ChildPolished) {
    SkinDropList();
    return TSkinControl::eventFilter(watched, event);
  }
  if (watched == edit_ && SkinEnabled()) {
    const QEvent::Type t = event->type();
    if ((t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick || t == QEvent::MouseButtonRelease) &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      MouseState = t == QEvent::MouseButtonRelease ? MouseState & ~msPressed : MouseState | msPressed;
      Repaint();
    }
  }
  return TSkinControl::eventFilter(watched, event);
}

void TSkinComBox::AfterDefault(wm::Message& m) {
  if (!PrintEdit(m, edit_)) TSkinControl::AfterDefault(m);
}

bool TSkinComBox::drawComplexControl(const TSkinStyle*, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                                     QPainter* p, const QWidget*) {
  if (cc != QStyle::CC_ComboBox) return false;
  const auto* combo = qstyleoption_cast<const QStyleOptionComboBox*>(opt);
  const auto data = Data();
  // A text field made after the skin came is watched from the next paint on.
  WatchEdit();
  return combo && data && kinds::PaintCombo(*p, *data, *combo, MouseState & msPressed);
}

bool TSkinComBox::subControlRect(const TSkinStyle*, QStyle::ComplexControl cc, const QStyleOptionComplex* opt,
                                 QStyle::SubControl sc, const QWidget*, QRect& out) {
  if (cc != QStyle::CC_ComboBox || (sc != QStyle::SC_ComboBoxArrow && sc != QStyle::SC_ComboBoxEditField))
    return false;
  const auto data = Data();
  kinds::ComboGeometry g;
  if (!data || !kinds::ComboLayout(*data, opt->rect, opt->direction == Qt::RightToLeft, &g)) return false;
  out = sc == QStyle::SC_ComboBoxArrow ? g.button : g.edit;
  return true;
}

bool TSkinComBox::styleHint(const TSkinStyle*, QStyle::StyleHint sh, const QStyleOption*, const QWidget* w, int& out) {
  if (sh != QStyle::SH_ComboBox_Popup || w != Handle()) return false;
  out = 0;
  return true;
}

ORVANE_SKIN_KIND(TSkinEdit)
ORVANE_SKIN_KIND(TSkinComBox)

}  // namespace orvane::skin
