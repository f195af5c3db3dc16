// The desktop shell: opening a file with its desktop handler, opening a folder in the file
// manager and showing a file selected in its folder. Paths travel as file URLs, never through a command line, so no character of a path
// (blanks, quotes, a leading "-") can change what is asked.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>

namespace orvane {

class Shell {
 public:
  // Told why a file did not open.
  using OpenFailed = std::function<void(const QString& why)>;
  virtual ~Shell() = default;
  // Opens the file with the desktop's handler for its type; never runs it as a program.
  // False when nothing could be asked to. `failed` hears every failure, with its reason: at
  // once, or when the desktop answers that it has no handler for the file.
  virtual bool OpenFile(const QString& path, OpenFailed failed = {}) = 0;
  // Opens the folder in the desktop's file manager. False when nothing could be asked to.
  virtual bool OpenFolder(const QString& folder) = 0;
  // Shows the file selected in its folder; where no file manager takes that request, the
  // folder is opened instead. False when nothing could be asked to.
  virtual bool ShowItem(const QString& path) = 0;
};

// The real shell: files and folders go to the desktop's handler for file URLs; a file is shown through
// org.freedesktop.FileManager1 ShowItems on the session bus, asynchronously, and its folder
// is opened when that call fails (no file manager on the bus, a refusal, no answer in time).
class DesktopShell : public QObject, public Shell {
  Q_OBJECT
 public:
  // Asks for the URL to be opened; false when nothing could be asked. A failure known only
  // later goes to `failed`.
  using UrlOpener = std::function<bool(const QUrl&, const OpenFailed& failed)>;
  // The opener defaults to the desktop's: xdg-open, watched to its exit (the toolkit's own
  // opener starts it and never hears whether a handler took the file), else QDesktopServices.
  // Tests pass their own, and a private bus.
  explicit DesktopShell(QDBusConnection bus = QDBusConnection::sessionBus(), UrlOpener opener = {},
                        QObject* parent = nullptr);

  bool OpenFile(const QString& path, OpenFailed failed = {}) override;
  bool OpenFolder(const QString& folder) override;
  bool ShowItem(const QString& path) override;

  // How long the file manager may take to answer before the folder is opened instead.
  static constexpr int kShowTimeoutMs = 5000;
  // The URL a path travels as.
  static QUrl FileUrl(const QString& path);

 signals:
  // The answer to a ShowItem arrived: the file manager showed it, or the folder was opened
  // instead (fallback) with the given result.
  void itemShown(const QString& path, bool fallback, bool ok);

 private:
  QDBusConnection bus_;
  UrlOpener opener_;
};

// A fake that records requests ("OpenFile <path>", "OpenFolder <path>", "ShowItem <path>"),
// for tests of the code that decides what to show.
class RecordingShell : public Shell {
 public:
  bool OpenFile(const QString& path, OpenFailed failed = {}) override {
    calls << QStringLiteral("OpenFile ") + path;
    if (!failure.isEmpty() && failed) failed(failure);
    return result;
  }
  bool OpenFolder(const QString& folder) override {
    calls << QStringLiteral("OpenFolder ") + folder;
    return result;
  }
  bool ShowItem(const QString& path) override {
    calls << QStringLiteral("ShowItem ") + path;
    return result;
  }
  bool result = true;
  QString failure;  // told to OpenFile's caller when set
  QStringList calls;
};

}  // namespace orvane
