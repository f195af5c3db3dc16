// Qt's translations.
#include "platform/forms/qttranslations.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLibraryInfo>
#include <QTranslator>

namespace orvane {

bool installQtTranslations(const QString& locale) {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  bool all = true;
  for (const char* catalogue : {"qt", "qtbase"}) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    const QString name = QLatin1String(catalogue) + QLatin1Char('_') + locale;
    if (translator->load(name, folder) && QCoreApplication::installTranslator(translator)) continue;
    qWarning().noquote() << "Qt translation" << name << "not found in" << folder << "- Qt's own texts stay in English";
    delete translator;
    all = false;
  }
  return all;
}

}  // namespace orvane
