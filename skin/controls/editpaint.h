// Edits and combo boxes painted from the skin: the edit's border in the skin's colours, the
// spin box's frame round its field, and the combo box from its "ComboButton" and "SunkEdge"
// images with the arrow button where the skin's style puts it.
#pragma once

#include <QPainter>
#include <QStyleOption>

#include "skin/skindata.h"

class QWidget;

namespace orvane::skin::kinds {

// An edit with a border: the button-shadow line round it and two white lines inside. The
// field's base colour is filled first. False for an edit without a border.
bool PaintEditPanel(QPainter& p, const TSkinData& data, const QStyleOptionFrame& option);
// The same border round a spin box, its white lines kept clear of the arrow buttons.
void PaintSpinFrame(QPainter& p, const TSkinData& data, const QRect& rect, const QRect& buttons);

// Where the parts of a combo box lie for the skin's combo style.
struct ComboGeometry {
  int style = 0;    // the combo button's Style: 1 flat, 2 one image, anything else button and edge
  QRect button;     // the drop-down button: hot over it, the arrow's click area
  QRect edit;       // the text field
  QRect glyph;      // where the arrow glyph is centred (not for style 2)
};
// False when the skin has no combo button image (then the combo is not the skin's).
bool ComboLayout(const TSkinData& data, const QRect& rect, bool buttonLeft, ComboGeometry* out);
// The frame for a combo's state: focused 4; pressed 2, else hot (over the arrow only) 4;
// disabled 3. The flat style starts from its own rule (focused 4, else enabled 1, else 3).
int ComboState(int style, bool focused, bool enabled, bool pressed, bool hot);
int ComboStateOf(int style, const QStyleOptionComboBox& option, bool editPressed);

// The whole combo frame and button. False when the skin cannot paint it; true (nothing
// drawn) for a style-2 combo reading right to left when the skin lacks the mirrored image.
bool PaintCombo(QPainter& p, const TSkinData& data, const QStyleOptionComboBox& option, bool editPressed);

}  // namespace orvane::skin::kinds
