// A 30-item popup menu's first paint (shown, then painted whole into an image), first under
// Fusion alone, then with the skin on (popup skinner and skin style), against the limit of
// 1.5 times the plain paint, in the same run. A menu's frame image is kept per size, so the
// first skinned menu of a size is printed apart.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QMenu>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "skin/SkinStyle.h"
#include "skin/WinSkinPopMenu.h"
#include "skin/WinSkinStore.h"
#include "bench/skinbench.h"

using namespace orvane::skin;

namespace {

// Best time of a fresh menu's show and first whole paint.
double firstPaintMs(int runs, bool expectSkinned) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    QMenu menu;
    for (int k = 0; k < 30; ++k) menu.addAction(QStringLiteral("Bell %1\tCtrl+%2").arg(k + 1).arg(k % 10));
    QElapsedTimer t;
    t.start();
    menu.popup(QPoint(20, 20));
    QImage img(menu.size(), QImage::Format_ARGB32_Premultiplied);
    menu.render(&img);
    ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    if (expectSkinned != (PopupSkinnerOf(&menu) != nullptr)) std::fprintf(stderr, "unexpected skinner state\n");
    menu.close();
  }
  return *std::min_element(ms.begin(), ms.end());
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  constexpr int kRuns = 50;
  firstPaintMs(5, false);  // warm fonts and caches
  const double plain = firstPaintMs(kRuns, false);

  TSXSkin skin;
  if (!bench::LoadDefaultSkin(skin)) return 1;
  skin.Loaded();
  skin.SetActive(true);
  SkinManager->TimerAction();
  const double built = firstPaintMs(1, true);  // the frame image of this size built first
  firstPaintMs(5, true);
  const double skinned = firstPaintMs(kRuns, true);
  FreeSkinManager();

  std::printf("30-item popup menu, first paint: Fusion %.3f ms, skinned %.3f ms, ratio %.2f (limit 1.50) %s\n", plain,
              skinned, skinned / plain, skinned <= 1.5 * plain ? "ok" : "OVER");
  std::printf("  the first skinned menu of its size, frame image built: %.3f ms (one run)\n", built);
  return 0;
}
