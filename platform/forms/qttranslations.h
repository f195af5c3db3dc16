// Qt's own texts (file pickers, standard buttons, context menus of edits) in the program's
// language, whatever the user's locale.
#pragma once

#include <QString>

namespace orvane {

// Loads Qt's "qt" and "qtbase" translations for the locale from Qt's translations folder and
// installs them in the application. A missing file is logged and the program goes on in
// Qt's own English; returns true when both are installed.
bool installQtTranslations(const QString& locale = QStringLiteral("zh_CN"));

}  // namespace orvane
