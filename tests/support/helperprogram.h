// The tests' helper program (helperprogram.cpp) as an external program to start and end: a
// copy under a name of this test run's own, and the pid it wrote. For tests built with
// orvane_use_helper.
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QString>

#ifndef ORVANE_HELPER_PROGRAM
#error "link the test with orvane_use_helper()"
#endif

namespace testing_support {

// Copies the helper program into the folder as name + "-" + this test program's pid, and
// returns the copy's path. Programs are ended by name among all of the user's processes, so
// the names must differ from those of another test run beside this one (another checkout).
// The behaviour words of the name ("stubborn", "parent") work as in the plain name.
inline QString copyHelperProgram(const QString& folder, const QString& name) {
  const QString path =
      QDir(folder).filePath(name + QLatin1Char('-') + QString::number(QCoreApplication::applicationPid()));
  QFile::copy(QStringLiteral(ORVANE_HELPER_PROGRAM), path);
  QFile::setPermissions(path, QFile::permissions(path) | QFile::ExeOwner | QFile::ExeUser);
  return path;
}

// The pid a helper wrote to "<its path>.pid" (or "<its path>.child" and so on); 0 when none yet.
inline qint64 readHelperPid(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().toLongLong() : 0;
}

}  // namespace testing_support
