// Skinned frames beside native ones, in one run: two 800 x 600 windows holding a grid, one under
// the default skin and one left bare; a full repaint of each, one caption button's hover
// repaint, 100 resize steps (margins, layout, region, repaint), and the region of a 1920 x 1080
// window traced again; each printed beside its target.
#include <QApplication>
#include <QFile>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "bench/benchsupport.h"
#include "platform/forms/form.h"
#include "skin/FormSkinner.h"
#include "skin/WinSkinStore.h"

namespace {

using namespace orvane::skin;
namespace wm = orvane::wm;

// A window of the given size holding a 40 x 8 grid; Tag 99 keeps the skin off it.
orvane::Form* GridWindow(bool skinned) {
  auto* w = new orvane::Form;
  if (!skinned) w->setProperty("Tag", 99);
  auto* grid = new QTableWidget(40, 8);
  for (int r = 0; r < 40; ++r)
    for (int c = 0; c < 8; ++c) grid->setItem(r, c, new QTableWidgetItem(QStringLiteral("%1:%2").arg(r).arg(c)));
  (new QVBoxLayout(w->client()))->addWidget(grid);
  w->setGeometry(40, 40, 800, 600);
  w->show();
  return w;
}

// The slowest of three medians of `runs` timings of `work`, after a warm-up.
double Ms(int runs, const std::function<void()>& work) {
  for (int i = 0; i < runs / 4; ++i) work();
  double worst = 0;
  for (int phase = 0; phase < 3; ++phase) worst = std::max(worst, bench::median(bench::runTimesMs(runs, work)));
  return worst;
}

const char* Verdict(bool holds) { return holds ? "holds" : "MISSED"; }

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // The offscreen platform has no window masks and says so on every one.
  qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type != QtWarningMsg || !text.contains(QLatin1String("does not support"))) std::fprintf(stderr, "%s\n", qPrintable(text));
  });
  RegisterFormSkinner();
  QFile package(QString::fromLatin1(DefaultSkinResource));
  TSXSkin skin;
  if (!package.open(QIODevice::ReadOnly) || (skin.SetSkinStream(package.readAll()), !skin.LoadSkin())) {
    std::printf("the default skin could not be loaded; nothing to measure\n");
    return 1;
  }
  skin.Loaded();
  SkinManager->SetOn(true);
  SkinManager->SetState(TSkinManage::Started);
  orvane::Form* bare = GridWindow(false);
  orvane::Form* skinned = GridWindow(true);
  bench::runEventsFor(200);
  auto* f = dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(skinned));
  if (!f || !f->Activated() || !wm::HasOwnNonClient(skinned) || SkinManager->FindSkinForm(bare)) {
    std::printf("the windows were not set up as needed (skinned one without its frame); nothing to measure\n");
    return 1;
  }

  const double fullBare = Ms(400, [&] { bare->repaint(); });
  const double fullSkinned = Ms(400, [&] { skinned->repaint(); });
  const double composed = Ms(400, [&] {
    f->FrameChanged();
    skinned->repaint();
  });
  std::printf("full repaint of an 800 x 600 window with a grid (slowest of three medians of 400):\n"
              "  native %.3f ms, skinned %.3f ms (x%.2f), skinned with the frame composed anew %.3f ms (x%.2f);\n"
              "  target within x1.5 and under 4 ms -> %s\n",
              fullBare, fullSkinned, fullSkinned / fullBare, composed, composed / fullBare,
              Verdict(std::max(fullSkinned, composed) < 1.5 * fullBare && std::max(fullSkinned, composed) < 4));

  TWinSysButton* button = nullptr;
  for (TWinSysButton* b : f->SysButtons())
    if (b->Visible && b->Record()->Action == 0) button = b;
  if (button) {
    const qintptr on = wm::MakePoint(skinned->mapToGlobal(button->Bounds.center()));
    const qintptr off = wm::MakePoint(skinned->mapToGlobal(QPoint(skinned->width() / 2, 10)));
    bool over = false;
    int paints = 0;
    wm::Link count = wm::Subclass(skinned, [&](wm::Message& m) {
      paints += m.msg == wm::WM_NCPAINT;
      wm::CallPrevious(count, m);
    });
    const double hover = Ms(1000, [&] {
      over = !over;
      wm::SendMessage(skinned, wm::WM_NCMOUSEMOVE, wm::HTCAPTION, over ? on : off);
      skinned->repaint(button->Bounds);
    });
    std::printf("one caption button's hover repaint (entering or leaving, median of %d frame passes): %.3f ms;\n"
                "  target under 0.5 ms -> %s\n",
                paints, hover, Verdict(hover < 0.5));
  }

  auto steps = [](orvane::Form* w) {
    std::vector<double> times;
    for (int i = 1; i <= 100; ++i) {
      const auto t0 = std::chrono::steady_clock::now();
      w->resize(800 + i * 3, 600 + i * 2);
      w->repaint();
      times.push_back(bench::msSince(t0));
    }
    w->resize(800, 600);
    return bench::median(times);
  };
  steps(bare), steps(skinned);  // warm
  const double resizeBare = steps(bare), resizeSkinned = steps(skinned);
  std::printf("100 resize steps (median step: margins, layout, region, repaint): native %.3f ms, skinned %.3f ms (x%.2f);\n"
              "  target within x2 and under 8 ms -> %s\n",
              resizeBare, resizeSkinned, resizeSkinned / resizeBare,
              Verdict(resizeSkinned < 2 * resizeBare && resizeSkinned < 8));

  skinned->resize(1920, 1080);
  QCoreApplication::processEvents();
  f->SetLifeState(TWinSkinForm::lsReapplying);  // traced again though the size stays
  // Traced anew each time: what a window of a size no other window has had costs.
  const double region = Ms(100, [&] {
    TFormSkinner::ForgetSharedFrames();
    f->UpdateRegion();
  });
  f->SetLifeState(TWinSkinForm::lsAttached);
  std::printf("the region of a 1920 x 1080 window, traced from the borders: %.3f ms (%d rectangles); target under 2 ms -> %s\n",
              region, static_cast<int>(skinned->mask().rectCount()), Verdict(region < 2));
  delete skinned;
  delete bare;
  FreeSkinManager();
  return 0;
}
