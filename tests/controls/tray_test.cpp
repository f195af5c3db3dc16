// The notification-area icon against the fake backend: the record it keeps, tips and
// balloons cut at character boundaries, adding and removing, animation, balloons, and a tray
// that appears late; and the desktop's backend closing a balloon when its time-out passes.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMenu>
#include <QPixmap>
#include <QSignalSpy>
#include <memory>

#include "controls/ExtCtrlsX.h"
#include "controls/faketraybackend.h"
#include "controls/qttraybackend.h"

using orvane::FakeTrayBackend;
using orvane::NotifyIconData;

namespace {

QIcon colourIcon(Qt::GlobalColor c) {
  QPixmap p(16, 16);
  p.fill(c);
  return QIcon(p);
}

struct Tray {
  Tray() {
    auto f = std::make_unique<FakeTrayBackend>();
    fake = f.get();
    icon = std::make_unique<TTrayIcon>(nullptr, std::move(f));
    icon->OnMouseDown = [this](QObject* s, TMouseButton b, TShiftState sh, int, int) {
      EXPECT_EQ(s, icon.get());
      log << QStringLiteral("down%1/%2").arg(int(b)).arg(sh);
    };
    icon->OnMouseUp = [this](QObject*, TMouseButton b, TShiftState sh, int, int) {
      log << QStringLiteral("up%1/%2").arg(int(b)).arg(sh);
    };
    icon->OnClick = [this](QObject*) { log << QStringLiteral("click"); };
    icon->OnDblClick = [this](QObject*) { log << QStringLiteral("dblclick"); };
  }
  FakeTrayBackend* fake;
  std::unique_ptr<TTrayIcon> icon;
  QStringList log;
};

}  // namespace

TEST(TrayIcon, CreationTakesTheApplicationTitleAsTipUntilAHintIsSet) {
  const QString name = QCoreApplication::applicationName();
  QCoreApplication::setApplicationName(QStringLiteral("Orvane "));
  {
    Tray t;
    const NotifyIconData& d = t.icon->data();
    EXPECT_EQ(d.tip + "|" + t.icon->Hint(), QStringLiteral("Orvane |"));
    EXPECT_EQ(std::vector<int>({int(d.flags), d.timeout, t.icon->BalloonTimeout(), int(t.icon->BalloonFlags()),
                                int(t.icon->AnimateInterval()), t.icon->IconIndex()}),
              std::vector<int>({NotifyIconData::NIF_MESSAGE | NotifyIconData::NIF_ICON | NotifyIconData::NIF_TIP, 3000,
                                3000, int(bfNone), 1000, 0}));
    EXPECT_FALSE(t.icon->Visible() || t.icon->Animate() || t.icon->AnimateTimer.isActive());
    EXPECT_TRUE(t.fake->calls.isEmpty()) << "nothing reaches the desktop before Visible";
    t.icon->SetHint(QStringLiteral("播音"));
    EXPECT_EQ(t.icon->data().tip, QStringLiteral("播音"));
    EXPECT_TRUE(t.icon->data().flags & NotifyIconData::NIF_TIP);
    t.icon->SetHint(QString());
    EXPECT_FALSE(t.icon->data().flags & NotifyIconData::NIF_TIP) << "an empty hint removes the tip";
  }
  QCoreApplication::setApplicationName(name);
}

TEST(TrayIcon, TipBalloonAndTitleAreCutAtCharacterBoundaries) {
  Tray t;
  const QString wide = QString::fromUcs4(U"\U00020000");  // one character, two UTF-16 units
  const QString a126(126, QLatin1Char('a')), cjk(300, QChar(0x949F));  // 钟
  const QString hint = a126 + wide + QStringLiteral("tail");
  t.icon->SetHint(hint);
  EXPECT_EQ(t.icon->Hint(), hint) << "the property keeps the whole text";
  EXPECT_EQ(t.icon->data().tip, a126 + wide);  // 127 characters
  t.icon->SetHint(cjk);
  t.icon->SetBalloonHint(QString(254, QLatin1Char('b')) + wide + wide);
  t.icon->SetBalloonTitle(cjk);
  EXPECT_EQ(QStringList({t.icon->data().tip, t.icon->data().info, t.icon->data().infoTitle}),
            QStringList({cjk.left(127), QString(254, QLatin1Char('b')) + wide, cjk.left(63)}));
  // A lone half of a pair counts as one character and is never joined to its neighbour.
  EXPECT_EQ(TCustomTrayIcon::LeftChars(QString(QChar(0xD800)) + QStringLiteral("xy"), 2),
            QString(QChar(0xD800)) + QStringLiteral("x"));
  EXPECT_EQ(TCustomTrayIcon::LeftChars(QStringLiteral("ab"), 5), QStringLiteral("ab"));
}

TEST(TrayIcon, VisibleAddsAndRemovesAndChangesReachAShownIconOnly) {
  Tray t;
  QGuiApplication::setWindowIcon(colourIcon(Qt::green));
  t.icon->SetHint(QStringLiteral("钟声"));
  EXPECT_TRUE(t.icon->SetVisible(true));
  ASSERT_EQ(t.fake->count(QStringLiteral("add")), 1);
  EXPECT_TRUE(t.icon->Shown());
  EXPECT_EQ(t.fake->last.tip, QStringLiteral("钟声"));
  EXPECT_EQ(t.fake->last.icon.cacheKey(), QGuiApplication::windowIcon().cacheKey())
      << "without an icon of its own it shows the application's";
  EXPECT_TRUE(t.icon->SetVisible(true)) << "no change, no call";
  EXPECT_EQ(t.fake->calls.size(), 1);
  const QIcon red = colourIcon(Qt::red);
  t.icon->SetIcon(red);
  EXPECT_EQ(t.fake->last.icon.cacheKey(), red.cacheKey());
  t.icon->SetHint(QStringLiteral("新"));
  EXPECT_EQ(t.fake->last.tip, QStringLiteral("新"));
  EXPECT_TRUE(t.icon->SetVisible(false));
  EXPECT_EQ(t.fake->count(QStringLiteral("remove")), 1);
  EXPECT_FALSE(t.icon->Shown());
  const int calls = int(t.fake->calls.size());
  t.icon->SetHint(QStringLiteral("hidden"));
  EXPECT_EQ(t.fake->calls.size(), calls) << "a hidden icon has nothing to change";
  // A refused removal is reported and Visible keeps the new value.
  t.icon->SetVisible(true);
  t.fake->removeResult = false;
  EXPECT_FALSE(t.icon->SetVisible(false));
  EXPECT_FALSE(t.icon->Visible());
  QGuiApplication::setWindowIcon(QIcon());
}

TEST(TrayIcon, WithoutATrayItReportsFailureAndIsAddedWhenOneAppears) {
  Tray t, u;
  t.fake->trayAvailable = u.fake->trayAvailable = false;
  EXPECT_FALSE(t.icon->SetVisible(true));
  EXPECT_TRUE(t.icon->Visible() && !t.icon->Shown());
  t.fake->appear();
  EXPECT_EQ(t.fake->count(QStringLiteral("add")), 2);
  EXPECT_TRUE(t.icon->Shown());
  u.fake->appear();  // a tray appearing while the icon is not wanted adds nothing
  EXPECT_EQ(u.fake->count(QStringLiteral("add")), 0);
  // The real backend on the offscreen platform has no notification area.
  ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
  TTrayIcon icon;
  EXPECT_FALSE(icon.SetVisible(true) || icon.Shown());
  EXPECT_TRUE(icon.SetVisible(false));
}

TEST(TrayIcon, AnimationStepsThroughTheListAndWraps) {
  Tray t;
  const QList<QIcon> frames{colourIcon(Qt::red), colourIcon(Qt::green), colourIcon(Qt::blue)};
  int ticks = 0;
  t.icon->OnAnimate = [&](QObject*) { ++ticks; };
  t.icon->SetIcons(&frames);
  t.icon->SetAnimate(true);
  EXPECT_FALSE(t.icon->AnimateTimer.isActive()) << "only a shown icon animates";
  t.icon->SetVisible(true);
  EXPECT_TRUE(t.icon->AnimateTimer.isActive());
  std::vector<int> seen;
  for (int i = 0; i < 4; ++i) {
    t.icon->AnimationTick();
    seen.push_back(t.icon->IconIndex());
    EXPECT_EQ(t.fake->last.icon.cacheKey(), frames.at(t.icon->IconIndex()).cacheKey());
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 0, 1}));
  EXPECT_EQ(ticks, 4);
  t.icon->SetAnimate(false);
  EXPECT_FALSE(t.icon->AnimateTimer.isActive());
  EXPECT_EQ(t.icon->Icon().cacheKey(), frames.at(1).cacheKey()) << "the frame shown last stays";
  // An empty list or none keeps index 0; an index outside the list keeps the picture.
  const QList<QIcon> none;
  Tray u;
  for (const QList<QIcon>* list : {&none, static_cast<const QList<QIcon>*>(nullptr)}) {
    u.icon->SetIcons(list);
    u.icon->AnimationTick();
    EXPECT_EQ(u.icon->IconIndex(), 0);
  }
  u.icon->SetIcons(&frames);
  u.icon->SetIconIndex(2);
  u.icon->SetIconIndex(7);
  EXPECT_EQ(u.icon->CurrentIcon().cacheKey(), frames.at(2).cacheKey());
}

TEST(TrayIcon, BalloonIsAskedOnceAndClearedWhenItCloses) {
  Tray t;
  t.icon->SetVisible(true);
  t.icon->SetBalloonTitle(QStringLiteral("提示")), t.icon->SetBalloonHint(QStringLiteral("节目开始"));
  t.icon->SetBalloonTimeout(5000), t.icon->SetBalloonFlags(bfWarning);
  EXPECT_FALSE(t.fake->last.flags & NotifyIconData::NIF_INFO);
  t.icon->ShowBalloon();
  const NotifyIconData& d = t.fake->last;
  EXPECT_TRUE(d.flags & NotifyIconData::NIF_INFO);
  EXPECT_EQ(std::make_tuple(d.infoFlags, d.timeout, d.info, d.infoTitle),
            std::make_tuple(2, 5000, QStringLiteral("节目开始"), QStringLiteral("提示")));
  const quint64 serial = d.balloonSerial;
  t.icon->SetHint(QStringLiteral("x"));
  EXPECT_EQ(t.fake->last.balloonSerial, serial) << "other changes do not ask for the balloon again";
  t.fake->closeBalloon();
  EXPECT_FALSE(t.icon->data().flags & NotifyIconData::NIF_INFO);
  t.icon->ShowBalloon();
  EXPECT_EQ(t.fake->last.balloonSerial, serial + 1);
}

namespace {
// A notification area whose removals are counted outside it: the icon owns its backend and
// frees it when it goes, so the count must outlive the backend.
class CountedTrayBackend : public FakeTrayBackend {
 public:
  explicit CountedTrayBackend(std::shared_ptr<int> removals) : removals_(std::move(removals)) {}
  bool remove() override {
    ++*removals_;
    return FakeTrayBackend::remove();
  }

 private:
  std::shared_ptr<int> removals_;
};
}  // namespace

TEST(TrayIcon, MovingToAnotherBackendTakesTheIconAlong) {
  Tray t;
  t.icon->SetVisible(true);
  const auto removals = std::make_shared<int>(0);
  auto second = std::make_unique<CountedTrayBackend>(removals);
  FakeTrayBackend* other = second.get();
  t.icon->setBackend(std::move(second));
  EXPECT_EQ(other->count(QStringLiteral("add")), 1);
  EXPECT_TRUE(t.icon->Shown());
  other->click(QSystemTrayIcon::Trigger);
  EXPECT_TRUE(t.log.contains(QStringLiteral("click")));
  EXPECT_EQ(*removals, 0);
  t.icon.reset();  // frees `other` too
  EXPECT_EQ(*removals, 1) << "destruction takes the icon out";
}

TEST(QtTray, AnIconNeverShownCannotBeChanged) {
  orvane::QtTrayBackend tray;
  EXPECT_FALSE(tray.modify(NotifyIconData{}));
}

namespace {
// The desktop's backend on a desktop that has a notification area (offscreen has none).
class TrayedQtBackend : public orvane::QtTrayBackend {
 public:
  bool available() const override { return true; }
};
}  // namespace

// Qt says nothing when a balloon goes by itself: its time-out passing closes it all the same.
TEST(QtTray, ABalloonThatTimesOutIsReportedClosed) {
  auto owned = std::make_unique<TrayedQtBackend>();
  TrayedQtBackend* backend = owned.get();
  TTrayIcon icon(nullptr, std::move(owned));
  icon.SetIcon(colourIcon(Qt::red));
  ASSERT_TRUE(icon.SetVisible(true));
  icon.SetBalloonHint(QStringLiteral("节目开始"));
  icon.SetBalloonTimeout(300);
  QSignalSpy closed(backend, &orvane::TrayBackend::balloonClosed);
  QElapsedTimer shown;
  shown.start();
  icon.ShowBalloon();
  EXPECT_TRUE(icon.data().flags & NotifyIconData::NIF_INFO);
  ASSERT_TRUE(closed.wait(3000)) << "the balloon is never reported closed";
  EXPECT_GE(shown.elapsed(), 250) << "reported closed well before its time-out";
  EXPECT_FALSE(icon.data().flags & NotifyIconData::NIF_INFO);
  EXPECT_EQ(closed.size(), 1);
}
