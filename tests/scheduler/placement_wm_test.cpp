// The real main window under a real window manager (run under Xvfb with openbox), skin on and
// off: its clock reads the time from its first paint; the schedule manager opens centred on it,
// and every box the manager raises after its file dialog (backup, the restore question, the
// restore) on the screen centred on the manager, which owns it; the about box, which has no
// owner, centred on the main window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "platform/forms/messageform.h"
#include "platform/msgbox/messagebox.h"
#include "platform/system/power.h"
#include "scheduler/core/clock.h"
#include "scheduler/core/datamodule.h"
#include "scheduler/core/services.h"
#include "scheduler/core/timetext.h"
#include "scheduler/windows/About.h"
#include "scheduler/windows/Unit_main_tamu.h"
#include "scheduler/windows/Unit_sjbp.h"
#include "skin/FormSkinner.h"
#include "skin/WinSkinStore.h"
#include "tests/broadcast/programhome.h"
#include "tests/support/windowframes.h"

using testing_support::FramedGeometry;
using testing_support::waitUntil;

namespace {

// How far from its owner's centre a window may open: a window the window manager frames is
// placed before that frame exists, by its owner's frame, and a dialog's title bar may be a
// pixel or two lower than a window's.
constexpr int kCentred = 4;

template <typename T>
T* shownWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* t = qobject_cast<T*>(w); t && t->isVisible()) return t;
  return nullptr;
}

bool skinned(QWidget* w) {
  auto* f = orvane::skin::SkinManager ? dynamic_cast<orvane::skin::TFormSkinner*>(orvane::skin::SkinManager->FindSkinForm(w))
                                      : nullptr;
  return f && f->Activated();
}

// The text a label shows in its first paint.
class FirstPaint : public QObject {
 public:
  explicit FirstPaint(QLabel* label) { label->installEventFilter(this); }
  bool eventFilter(QObject* o, QEvent* e) override {
    if (e->type() == QEvent::Paint && text.isNull()) text = static_cast<QLabel*>(o)->text();
    return false;
  }
  QString text;
};

// A window placed for good: shown, framed, skinned when the skin is on, and still for a while.
bool settled(QWidget* w, bool skin) {
  QRect last;
  int still = 0;
  return waitUntil(
      [&] {
        if (!w->isVisible() || !w->windowHandle()->isExposed() || (skin && !skinned(w))) return false;
        const QRect now = FramedGeometry(w);
        still = now == last ? still + 1 : 0;
        last = now;
        return still >= 3;
      },
      5000);
}

// Steps carried out inside the modal loops they wait for: each waits for its condition, then acts.
class Script : public QObject {
 public:
  void add(std::function<bool()> ready, std::function<void()> act) { steps_.push_back({std::move(ready), std::move(act)}); }
  void start() {
    connect(&timer_, &QTimer::timeout, this, [this] {
      if (next_ >= steps_.size() || busy_ || !steps_[next_].ready()) return;
      busy_ = true;  // an action may run a nested loop of its own
      steps_[next_++].act();
      busy_ = false;
    });
    timer_.start(20);
  }
  bool done() const { return next_ == steps_.size(); }

 private:
  struct Step {
    std::function<bool()> ready;
    std::function<void()> act;
  };
  std::vector<Step> steps_;
  std::size_t next_ = 0;
  bool busy_ = false;
  QTimer timer_;
};

class PlacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    orvane::installMessageFormHandler();
  }
  void TearDown() override { orvane::setMessageBoxHandler({}); }
};

TEST_F(PlacementTest, ClockFromTheFirstPaintAndBoxesAfterFileDialogsCentredOnTheManager) {
  struct BoxSeen {
    QString text;
    QRect framed;
    QWidget* owner;
  };
  for (const bool skin : {false, true}) {
    SCOPED_TRACE(skin ? "skin on" : "skin off");
    const QDateTime now(QDate::currentDate(), QTime(10, 20, 30));
    ProgramHome home(now.date());
    ASSERT_TRUE(home.ok());
    ASSERT_TRUE(home.addEntry({.pname = QStringLiteral("铃声"), .starttime = QStringLiteral("08:00:00"),
                               .endtime = QStringLiteral("08:00:10"), .slpath = QStringLiteral("/music/bell.mp3"),
                               .tlength = QStringLiteral("00:00:10"), .playmode = QStringLiteral("单曲播放")}));
    {
      TDataModule1 dm;
      ASSERT_TRUE(dm.ConnectDatabase(QStringLiteral("accesspw"), home.file(QStringLiteral("gsk.mdb"))));
      ASSERT_TRUE(dm.SetSetting(QStringLiteral("canuseskin"), skin ? QStringLiteral("1") : QStringLiteral("0")));
    }
    ManualClock clock(now);
    orvane::RecordingPower power;
    SystemServices services{&power};
    services.skinPackage = QStringLiteral(":/skin/default.skn");
    TDataModule1 windowDm;
    auto window = std::make_unique<TForm_main_tamu>(windowDm, clock, services);
    ASSERT_TRUE(window->created());
    FirstPaint clockPaint(window->Label_time);
    window->show();
    ASSERT_TRUE(settled(window.get(), skin));
    EXPECT_EQ(clockPaint.text, ClockText(now));

    window->ToolButton5->click();
    TForm_sjbp* manager = Form_sjbp;
    ASSERT_TRUE(manager);
    ASSERT_TRUE(settled(manager, skin));
    QTemporaryDir files;
    const QString backup = files.filePath(QStringLiteral("all"));
    // The operator types a name into the file dialog and presses Enter; each box is looked at
    // once the window manager has placed it, then answered with Enter (the restore question
    // by its default, No).
    std::vector<BoxSeen> seen;
    Script script;
    auto fileDialog = [&](const QString& name) {
      // The operator types once the dialog is the active window.
      script.add([] { return shownWindow<QFileDialog>() && QApplication::activeWindow() == shownWindow<QFileDialog>(); },
                 [name] {
                   QFileDialog* d = shownWindow<QFileDialog>();
                   // Set rather than typed: the completer's list would take the Enter.
                   auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                   edit->setText(name);
                   QTest::keyClick(edit, Qt::Key_Return);
                 });
    };
    auto box = [&] {
      script.add([&] { return !shownWindow<QFileDialog>() && shownWindow<orvane::TMessageForm>(); },
                 [&, skin] {
                   orvane::TMessageForm* b = shownWindow<orvane::TMessageForm>();
                   settled(b, skin);
                   seen.push_back({b->textLabel()->text(), FramedGeometry(b), b->owner()});
                   QTest::keyClick(b->focusWidget(), Qt::Key_Return);
                 });
    };
    fileDialog(backup);
    box();
    fileDialog(backup + QStringLiteral(".bkj"));
    box();
    box();
    script.start();
    manager->EXCEL2->trigger();
    manager->EXCEL3->trigger();
    EXPECT_TRUE(script.done());

    // The manager itself opened centred on the main window.
    const QRect centre = FramedGeometry(manager);
    EXPECT_LE((centre.center() - FramedGeometry(window.get()).center()).manhattanLength(), kCentred);
    const QRect screen = manager->screen()->availableGeometry();
    ASSERT_EQ(seen.size(), 3u);
    const char* texts[] = {"成功备份节目表!", "恢复前要清空所有表吗?", "恢复节目表成功!"};
    for (std::size_t i = 0; i < seen.size(); ++i) {
      SCOPED_TRACE(texts[i]);
      EXPECT_EQ(seen[i].text, QString::fromUtf8(texts[i]));
      EXPECT_EQ(seen[i].owner, manager);
      EXPECT_TRUE(screen.contains(seen[i].framed)) << qPrintable(QDebug::toString(seen[i].framed));
      EXPECT_LE((seen[i].framed.center() - centre.center()).manhattanLength(), kCentred)
          << qPrintable(QDebug::toString(seen[i].framed)) << " on " << qPrintable(QDebug::toString(centre));
    }
    manager->close();

    // The about box, which has no owner, opens centred on the main window it was asked from.
    QRect about;
    Script aboutScript;
    aboutScript.add([] { return shownWindow<TAboutFrm>() != nullptr; },
                    [&, skin] {
                      TAboutFrm* a = shownWindow<TAboutFrm>();
                      settled(a, skin);
                      about = FramedGeometry(a);
                      QTest::keyClick(a, Qt::Key_Escape);
                    });
    aboutScript.start();
    window->ToolButton3->click();
    ASSERT_TRUE(aboutScript.done());
    EXPECT_LE((about.center() - FramedGeometry(window.get()).center()).manhattanLength(), kCentred)
        << qPrintable(QDebug::toString(about));
    window->hide();
  }
}

}  // namespace
