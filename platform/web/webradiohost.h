// The hidden web browser that plays web radio pages: one view, made on first use (it costs a
// few hundred megabytes across the engine's processes) and kept; media play without a click.
#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

class QWidget;
class QWebEngineView;
class QWebEngineProfile;

namespace orvane {

class WebRadioHost : public QObject {
  Q_OBJECT
 public:
  explicit WebRadioHost(QObject* parent = nullptr);
  ~WebRadioHost() override;

  // The view has been made.
  bool exists() const { return view_ != nullptr; }
  // Makes the view on first use as a 1 x 1 child of `host` (later calls move it there).
  QWidget* ensure(QWidget* host);
  // Loads an address as the operator typed it ("www.example.com/radio", a full URL or a
  // local file). Returns at once; the page loads (or never does) in the background.
  void Navigate(const QString& address);
  // "about:blank": whatever the page was playing stops.
  void Clear();
  // The address as it will be loaded.
  static QUrl toUrl(const QString& address);

 signals:
  void loadFinished(const QUrl& url, bool ok);

 private:
  QWebEngineProfile* profile_ = nullptr;
  QWebEngineView* view_ = nullptr;
};

}  // namespace orvane
