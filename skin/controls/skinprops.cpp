// Property routines over declared and dynamic properties with the alias table (skinprops.h).
#include "skin/controls/skinprops.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QWidget>
#include <functional>

#include "skin/skincolors.h"

namespace orvane::skin {

namespace {

// One resolved property: its kind, value (an int ordinal for enumerations), the identifiers
// of an enumeration by ordinal, and how to write it.
struct Prop {
  TPropKind kind = pkUnknown;
  QVariant value;
  QStringList ids;
  std::function<void(const QVariant&)> write;
};

const QStringList kBoolIds{QStringLiteral("False"), QStringLiteral("True")};

bool IsIntegerType(int id) {
  switch (id) {
    case QMetaType::Int: case QMetaType::UInt: case QMetaType::Long: case QMetaType::ULong:
    case QMetaType::LongLong: case QMetaType::ULongLong: case QMetaType::Short: case QMetaType::UShort:
    case QMetaType::Char: case QMetaType::SChar: case QMetaType::UChar:
      return true;
    default:
      return false;
  }
}

// A property of a QObject, declared or dynamic, by exactly this name.
Prop Plain(QObject* obj, const QByteArray& name) {
  Prop p;
  const QMetaObject* mo = obj->metaObject();
  const int index = mo->indexOfProperty(name.constData());
  if (index >= 0) {
    const QMetaProperty mp = mo->property(index);
    const QVariant v = mp.read(obj);
    p.write = [obj, mp](const QVariant& x) { mp.write(obj, x); };
    if (mp.isEnumType() && !mp.isFlagType()) {
      const QMetaEnum me = mp.enumerator();
      const int current = v.toInt();
      int ordinal = -1;
      for (int i = 0; i < me.keyCount(); ++i) {
        p.ids << QString::fromLatin1(me.key(i));
        if (me.value(i) == current && ordinal < 0) ordinal = i;
      }
      p.kind = pkEnumeration;
      p.value = ordinal;
      p.write = [obj, mp, me](const QVariant& x) { mp.write(obj, me.value(x.toInt())); };
    } else if (mp.typeId() == QMetaType::Bool) {
      p.kind = pkEnumeration;
      p.ids = kBoolIds;
      p.value = v.toBool() ? 1 : 0;
      p.write = [obj, mp](const QVariant& x) { mp.write(obj, x.toInt() != 0); };
    } else if (IsIntegerType(mp.typeId())) {
      p.kind = pkInteger;
      p.value = v;
    } else if (mp.typeId() == QMetaType::QString) {
      p.kind = pkString;
      p.value = v;
    } else if (mp.metaType().flags() & QMetaType::PointerToQObject) {
      p.kind = pkObject;
      p.value = v;
    }
    return p;
  }
  const QVariant v = obj->property(name.constData());
  if (!v.isValid()) return p;
  p.write = [obj, name](const QVariant& x) { obj->setProperty(name.constData(), x); };
  if (v.typeId() == QMetaType::Bool) {
    p.kind = pkEnumeration;
    p.ids = kBoolIds;
    p.value = v.toBool() ? 1 : 0;
    p.write = [obj, name](const QVariant& x) { obj->setProperty(name.constData(), x.toInt() != 0); };
  } else if (IsIntegerType(v.typeId())) {
    p.kind = pkInteger;
    p.value = v;
  } else if (v.typeId() == QMetaType::QString || v.typeId() == QMetaType::QByteArray) {
    p.kind = pkString;
    p.value = v.toString();
  } else if (v.metaType().flags() & QMetaType::PointerToQObject) {
    p.kind = pkObject;
    p.value = v;
  }
  return p;
}

// A boolean Qt property read as the enumeration False/True.
Prop Bool(QObject* obj, const char* qtName, bool inverted = false) {
  Prop p = Plain(obj, qtName);
  if (p.kind != pkEnumeration || !inverted) return p;
  auto write = p.write;
  p.value = 1 - p.value.toInt();
  p.write = [write](const QVariant& x) { write(1 - x.toInt()); };
  return p;
}

// An enumeration the skinners compare by identifier, over a Qt value.
Prop Mapped(QStringList ids, int ordinal, std::function<void(int)> write) {
  Prop p;
  p.kind = pkEnumeration;
  p.ids = std::move(ids);
  p.value = ordinal;
  p.write = [write](const QVariant& x) { write(x.toInt()); };
  return p;
}

Prop Resolve(QObject* obj, const QString& name) {
  if (!obj || name.isEmpty()) return {};
  // The program's own dynamic property of that name comes first.
  if (obj->dynamicPropertyNames().contains(name.toLatin1())) return Plain(obj, name.toLatin1());
  auto* w = qobject_cast<QWidget*>(obj);
  const QString up = name.toUpper();
  if (up == QLatin1String("CAPTION")) {
    if (qobject_cast<QGroupBox*>(obj)) return Plain(obj, "title");
    if (qobject_cast<QAbstractButton*>(obj) || qobject_cast<QLineEdit*>(obj) || qobject_cast<QLabel*>(obj))
      return Plain(obj, "text");
    if (w) return Plain(obj, "windowTitle");
  } else if (up == QLatin1String("TEXT")) {
    if (qobject_cast<QPlainTextEdit*>(obj)) return Plain(obj, "plainText");
    if (obj->metaObject()->indexOfProperty("text") >= 0) return Plain(obj, "text");
  } else if (up == QLatin1String("DOWN") || up == QLatin1String("CHECKED")) {
    if (qobject_cast<QAbstractButton*>(obj) || qobject_cast<QGroupBox*>(obj)) return Bool(obj, "checked");
  } else if (up == QLatin1String("FLAT")) {
    if (qobject_cast<QToolButton*>(obj)) return Bool(obj, "autoRaise");
    if (qobject_cast<QPushButton*>(obj) || qobject_cast<QGroupBox*>(obj)) return Bool(obj, "flat");
  } else if (up == QLatin1String("STATE")) {
    if (auto* c = qobject_cast<QCheckBox*>(obj)) {
      const Qt::CheckState s = c->checkState();
      const int ordinal = s == Qt::Checked ? 1 : s == Qt::PartiallyChecked ? 2 : 0;
      return Mapped({QStringLiteral("cbUnchecked"), QStringLiteral("cbChecked"), QStringLiteral("cbGrayed")}, ordinal,
                    [c](int v) { c->setCheckState(v == 1 ? Qt::Checked : v == 2 ? Qt::PartiallyChecked : Qt::Unchecked); });
    }
  } else if (up == QLatin1String("ALLOWGRAYED")) {
    if (qobject_cast<QCheckBox*>(obj)) return Bool(obj, "tristate");
  } else if (up == QLatin1String("DEFAULT")) {
    if (qobject_cast<QPushButton*>(obj)) return Bool(obj, "default");
  } else if (up == QLatin1String("ENABLED") || up == QLatin1String("VISIBLE") || up == QLatin1String("READONLY")) {
    const QByteArray qt = up == QLatin1String("READONLY") ? "readOnly" : up.toLower().toLatin1();
    if (obj->metaObject()->indexOfProperty(qt.constData()) >= 0) return Bool(obj, qt.constData());
  } else if (up == QLatin1String("PARENTBACKGROUND")) {
    if (w) return Bool(obj, "autoFillBackground", true);
  } else if (up == QLatin1String("BIDIMODE")) {
    if (w)
      return Mapped({QStringLiteral("bdLeftToRight"), QStringLiteral("bdRightToLeft")},
                    w->layoutDirection() == Qt::RightToLeft ? 1 : 0,
                    [w](int v) { w->setLayoutDirection(v == 1 ? Qt::RightToLeft : Qt::LeftToRight); });
  } else if (up == QLatin1String("COLOR")) {
    if (w) {
      Prop p;
      p.kind = pkInteger;
      p.value = FromQRgb(w->palette().color(QPalette::Window).rgb());
      p.write = [w](const QVariant& x) {
        QPalette pal = w->palette();
        pal.setColor(QPalette::Window, ToQColor(x.toInt()));
        w->setPalette(pal);
      };
      return p;
    }
  } else if (up == QLatin1String("STYLE")) {
    if (auto* c = qobject_cast<QComboBox*>(obj))
      return Mapped({QStringLiteral("csDropDown"), QStringLiteral("csSimple"), QStringLiteral("csDropDownList"),
                     QStringLiteral("csOwnerDrawFixed"), QStringLiteral("csOwnerDrawVariable")},
                    c->isEditable() ? 0 : 2, [c](int v) { c->setEditable(v == 0 || v == 1); });
  } else if (up == QLatin1String("ORIENTATION")) {
    if (qobject_cast<QSlider*>(obj) || qobject_cast<QProgressBar*>(obj)) {
      const bool progress = qobject_cast<QProgressBar*>(obj);
      const int vertical = obj->property("orientation").toInt() == Qt::Vertical ? 1 : 0;
      QStringList ids = progress ? QStringList{QStringLiteral("pbHorizontal"), QStringLiteral("pbVertical")}
                                 : QStringList{QStringLiteral("trHorizontal"), QStringLiteral("trVertical")};
      return Mapped(ids, vertical, [obj](int v) { obj->setProperty("orientation", v == 1 ? Qt::Vertical : Qt::Horizontal); });
    }
  } else if (up == QLatin1String("POSITION")) {
    if (obj->metaObject()->indexOfProperty("value") >= 0) return Plain(obj, "value");
  } else if (up == QLatin1String("MIN") || up == QLatin1String("MAX")) {
    const char* qt = up == QLatin1String("MIN") ? "minimum" : "maximum";
    if (obj->metaObject()->indexOfProperty(qt) >= 0) return Plain(obj, qt);
  } else if (up == QLatin1String("ITEMINDEX") || up == QLatin1String("TABINDEX")) {
    if (obj->metaObject()->indexOfProperty("currentIndex") >= 0) return Plain(obj, "currentIndex");
  }
  Prop p = Plain(obj, name.toLatin1());
  if (p.kind == pkUnknown && !name.isEmpty()) {
    QString lower = name;
    lower[0] = lower[0].toLower();
    if (lower != name) p = Plain(obj, lower.toLatin1());
  }
  return p;
}

bool ParseInteger(const QString& text, int* out) {
  const QString t = text.trimmed();
  bool ok = false;
  qlonglong v;
  if (t.startsWith(QLatin1Char('$')))
    v = t.mid(1).toLongLong(&ok, 16);
  else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
    v = t.mid(2).toLongLong(&ok, 16);
  else
    v = t.toLongLong(&ok, 10);
  if (!ok || v < INT_MIN || v > static_cast<qlonglong>(UINT_MAX)) return false;
  *out = static_cast<int>(v);
  return true;
}

}  // namespace

TPropKind PropKind(const QObject* obj, const QString& name) { return Resolve(const_cast<QObject*>(obj), name).kind; }

int GetOrdPropByName(const QObject* obj, const QString& name) {
  const Prop p = Resolve(const_cast<QObject*>(obj), name);
  return p.kind == pkInteger ? p.value.toInt() : -1;
}

QString GetPropAsString(const QObject* obj, const QString& name) {
  const Prop p = Resolve(const_cast<QObject*>(obj), name);
  switch (p.kind) {
    case pkEnumeration: {
      const int i = p.value.toInt();
      return i >= 0 && i < p.ids.size() ? p.ids.at(i) : QString();
    }
    case pkInteger:
      return QString::number(p.value.toLongLong());
    case pkString:
      return p.value.toString();
    default:
      return QString();
  }
}

QString GetStrPropByName(const QObject* obj, const QString& name) { return GetPropAsString(obj, name); }

QObject* GetObjectPropByName(const QObject* obj, const QString& name, const QMetaObject* cls) {
  const Prop p = Resolve(const_cast<QObject*>(obj), name);
  if (p.kind != pkObject) return nullptr;
  QObject* o = p.value.value<QObject*>();
  return o && (!cls || o->metaObject()->inherits(cls)) ? o : nullptr;
}

bool SetPropByName(QObject* obj, const QString& name, const QString& value) {
  Prop p = Resolve(obj, name);
  if (!p.write) return false;
  switch (p.kind) {
    case pkEnumeration:
      for (int i = 0; i < p.ids.size(); ++i)
        if (p.ids.at(i).compare(value.trimmed(), Qt::CaseInsensitive) == 0) {
          p.write(i);
          return true;
        }
      return false;
    case pkInteger: {
      int v = 0;
      if (!ParseInteger(value, &v)) return false;
      p.write(v);
      return true;
    }
    case pkString:
      p.write(value);
      return true;
    default:
      return false;
  }
}

}  // namespace orvane::skin
