// Running a step whose failure must not stop what called it.
#pragma once

#include <QDebug>
#include <QString>
#include <exception>

// Runs f; whatever it throws is logged as "<what> failed: <reason>", and the caller goes on
// (a clock tick, a command, a start-up must finish whatever one entry does).
template <typename F>
void RunGuarded(const QString& what, F&& f) {
  try {
    f();
  } catch (const std::exception& ex) {
    qWarning().noquote() << what << "failed:" << ex.what();
  } catch (...) {
    qWarning().noquote() << what << "failed";
  }
}
