// Reading and writing a control's properties by the names the skinners use: declared Qt
// properties, dynamic properties, and one alias table for the names that differ (Caption is
// text or title, Down is checked, Flat is autoRaise or flat, State is checkState read as
// cbUnchecked/cbChecked/cbGrayed, ...). None of them ever fails: a null object, a missing
// property or one of an unsuitable kind gives -1, an empty string or null, and setting does
// nothing (false).
#pragma once

#include <QObject>
#include <QString>

namespace orvane::skin {

// The kind a property reads as.
enum TPropKind { pkUnknown = 0, pkInteger = 1, pkEnumeration = 3, pkString = 10, pkObject = 7 };

TPropKind PropKind(const QObject* obj, const QString& name);
// The value of an integer property, else -1.
int GetOrdPropByName(const QObject* obj, const QString& name);
// Any property as text: enumerations (booleans too) by their identifier ("True", "cbChecked").
QString GetPropAsString(const QObject* obj, const QString& name);
QString GetStrPropByName(const QObject* obj, const QString& name);
// An object property that is of the class (or derives from it), else null.
QObject* GetObjectPropByName(const QObject* obj, const QString& name, const QMetaObject* cls);
// Enumeration by identifier (any letter case), integer from decimal or "$"/"0x" hex text,
// text as it is. False, with nothing set, for a missing property, another kind, an unknown
// identifier or text that is not a number for an integer property.
bool SetPropByName(QObject* obj, const QString& name, const QString& value);

}  // namespace orvane::skin
