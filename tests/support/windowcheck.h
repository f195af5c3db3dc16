// Whole texts: finds the texts of a window that are cut (a label, button, check box, radio
// button, group title, combo box or grid header narrower than its text, or a control lying
// partly outside the area its parents show) and a caption the window's width cannot hold.
#pragma once

#include <QStringList>

class QWidget;

namespace testing_support {

// The title bar's own room beside the caption: icon, buttons and margins.
constexpr int kTitleBarRoom = 120;

// One line per text that does not show whole, naming the control; empty when all show.
QStringList cutTexts(QWidget* window);

// Lays the window out at the smallest size it allows.
void shrinkToMinimum(QWidget* window);

}  // namespace testing_support
