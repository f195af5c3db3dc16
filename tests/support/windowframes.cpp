// Window manager properties through xprop.
#include "tests/support/windowframes.h"

#include <QProcess>
#include <QRegularExpression>

namespace testing_support {

QList<qulonglong> XProperty(const char* name, WId window) {
  QProcess xprop;
  xprop.start(QStringLiteral("xprop"), window ? QStringList{QStringLiteral("-id"), QString::number(window), QLatin1String(name)}
                                             : QStringList{QStringLiteral("-root"), QLatin1String(name)});
  xprop.waitForFinished(3000);
  const QString out = QString::fromLatin1(xprop.readAllStandardOutput()).section(QLatin1Char(')'), 1);
  QList<qulonglong> values;
  for (const auto& m : QRegularExpression(QStringLiteral("0x[0-9a-f]+|\\d+")).globalMatch(out))
    values << m.captured().toULongLong(nullptr, 0);
  return values;
}

QRect FramedGeometry(const QWidget* w) {
  const QList<qulonglong> e = XProperty("_NET_FRAME_EXTENTS", w->winId());  // left, right, top, bottom
  return e.size() == 4 ? w->geometry().adjusted(-int(e[0]), -int(e[2]), int(e[1]), int(e[3])) : w->geometry();
}

}  // namespace testing_support
