// Web radio host over Qt WebEngine.
#include "platform/web/webradiohost.h"

#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace orvane {

WebRadioHost::WebRadioHost(QObject* parent) : QObject(parent) {}

WebRadioHost::~WebRadioHost() {
  // The page must go before its profile.
  delete view_;
  view_ = nullptr;
}

QUrl WebRadioHost::toUrl(const QString& address) { return QUrl::fromUserInput(address.trimmed()); }

QWidget* WebRadioHost::ensure(QWidget* host) {
  if (!view_) {
    // Off the record: nothing of the radio pages is kept on disk.
    profile_ = new QWebEngineProfile(this);
    profile_->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    view_ = new QWebEngineView(host);
    view_->setObjectName(QStringLiteral("webradio"));
    auto* page = new QWebEnginePage(profile_, view_);
    view_->setPage(page);
    connect(page, &QWebEnginePage::loadFinished, this, [this](bool ok) { emit loadFinished(view_->url(), ok); });
    // The view dies with its host window; forget it then.
    connect(view_, &QObject::destroyed, this, [this] { view_ = nullptr; });
  } else if (view_->parentWidget() != host) {
    view_->setParent(host);
  }
  view_->setGeometry(0, 0, 1, 1);
  view_->show();
  return view_;
}

void WebRadioHost::Navigate(const QString& address) {
  if (!view_) return;
  view_->setUrl(toUrl(address));
}

void WebRadioHost::Clear() {
  if (!view_) return;
  view_->setUrl(QUrl(QStringLiteral("about:blank")));
}

}  // namespace orvane
