// The hidden web browser: made on first use, plays a page's media without a click (heard on
// the monitor), silent after "about:blank", and a page that never loads holds nothing up.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QWidget>

#include "platform/web/webradiohost.h"
#include "tests/support/loopbackserver.h"
#include "tests/support/monitorrecorder.h"
#include "tests/support/soundfiles.h"
#include "tests/support/testsupport.h"

using namespace orvane;
using namespace std::chrono_literals;
using testing_support::LoopbackServer;
using testing_support::MonitorRecorder;
using testing_support::waitUntil;

TEST(WebRadioHostTest, AddressesAsTheOperatorTypesThem) {
  EXPECT_EQ(WebRadioHost::toUrl(QStringLiteral(" www.example.com/radio ")), QUrl(QStringLiteral("http://www.example.com/radio")));
  EXPECT_EQ(WebRadioHost::toUrl(QStringLiteral("https://radio.example.org/live")),
            QUrl(QStringLiteral("https://radio.example.org/live")));
  EXPECT_EQ(WebRadioHost::toUrl(QStringLiteral("/srv/radio/page.html")), QUrl::fromLocalFile(QStringLiteral("/srv/radio/page.html")));
}

TEST(WebRadioHostTest, PlaysAPagesMediaWithoutAClickAndStopsOnBlank) {
  MonitorRecorder* monitor = MonitorRecorder::shared();
  if (!monitor) GTEST_SKIP() << "no private sound server (run the tests through ./test.sh)";
  LoopbackServer server;
  server.route(QStringLiteral("/radio.html"),
               "<html><body><audio autoplay src=\"/tone.wav\"></audio></body></html>", "text/html");
  server.route(QStringLiteral("/tone.wav"), testing_support::toneWav(30, 880, 0.5, 44100), "audio/wav");

  QWidget window;
  window.resize(300, 200);
  window.show();
  WebRadioHost host;
  EXPECT_FALSE(host.exists());
  host.Navigate(server.url(QStringLiteral("/radio.html")));  // nothing to navigate yet
  EXPECT_FALSE(host.exists());
  QWidget* view = host.ensure(&window);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->parentWidget(), &window);
  EXPECT_EQ(view->size(), QSize(1, 1));

  QSignalSpy loaded(&host, &WebRadioHost::loadFinished);
  const auto t0 = MonitorRecorder::Clock::now();
  host.Navigate(server.url(QStringLiteral("/radio.html")));
  ASSERT_TRUE(waitUntil([&] { return loaded.count() > 0; }, 30000));
  EXPECT_TRUE(loaded.first().at(1).toBool());
  ASSERT_TRUE(waitUntil([&] { return monitor->firstLouder(0.05, t0).has_value(); }, 20000)) << "the page was not heard";
  EXPECT_GE(server.requests(QStringLiteral("/tone.wav")), 1);

  host.Clear();
  waitUntil([] { return false; }, 800);
  const auto quiet = MonitorRecorder::Clock::now();
  waitUntil([] { return false; }, 800);
  EXPECT_LT(monitor->maxRms(quiet, MonitorRecorder::Clock::now()), 0.003) << "still playing after about:blank";
  // The view stays made and is used again.
  EXPECT_EQ(host.ensure(&window), view);
}

TEST(WebRadioHostTest, APageThatNeverLoadsHoldsNothingUp) {
  const quint16 port = LoopbackServer::closedPort();
  QWidget window;
  WebRadioHost host;
  host.ensure(&window);
  QSignalSpy loaded(&host, &WebRadioHost::loadFinished);
  host.Navigate(QStringLiteral("http://127.0.0.1:%1/radio").arg(port));
  EXPECT_EQ(loaded.count(), 0);  // returned at once
  ASSERT_TRUE(waitUntil([&] { return loaded.count() > 0; }, 30000));
  EXPECT_FALSE(loaded.first().at(1).toBool());
  host.Clear();
}
