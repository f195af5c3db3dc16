// Start at log-in: the XDG autostart entry "tamu.desktop" in the user's autostart folder.
#pragma once

#include <QString>

namespace orvane {

class Autostart {
 public:
  // The folder is given, so that tests can point it at a temporary one.
  explicit Autostart(QString folder);
  // $XDG_CONFIG_HOME/autostart, or ~/.config/autostart when the variable is unset, empty or
  // not an absolute path (the XDG rule).
  static QString DefaultFolder();
  static QString FileName() { return QStringLiteral("tamu.desktop"); }

  const QString& folder() const { return folder_; }
  QString filePath() const;

  // The entry exists and does not say Hidden=true (a desktop that switched it off).
  bool isPresent() const;
  // Writes the entry that starts the program at log-in (the folder is created when missing).
  // False with the reason when it cannot be written.
  bool enable(const QString& program, QString* error = nullptr) const;
  // Removes the entry; no entry is success.
  bool disable(QString* error = nullptr) const;

  // The Exec value that runs the program: the path quoted by the desktop-entry rules
  // (quoting first, then the string escapes, and "%" doubled).
  static QString ExecValue(const QString& program);
  // The whole entry for the program.
  static QByteArray EntryText(const QString& program);
  // True when the text of an entry switches it off (Hidden=true in [Desktop Entry]).
  static bool IsHidden(const QByteArray& entry);

 private:
  QString folder_;
};

}  // namespace orvane
