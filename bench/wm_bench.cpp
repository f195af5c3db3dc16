// Window-message layer benchmarks, each beside its limit or its plain peer in the same run:
//  1. one message sent through a chain of 3 procedures, against the 1 microsecond limit
//     (an empty chain beside it);
//  2. 100,000 mouse moves swept over a hosted window, first as the plain window takes them,
//     then with the hook filter installed (which should add under 5 %), then also with a
//     procedure on the window's chain and its own non-client area.
#include <QApplication>
#include <QMouseEvent>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "bench/benchsupport.h"
#include "platform/forms/form.h"
#include "platform/wm/wm.h"

using namespace orvane;

namespace {

double bestMs(int runs, const std::function<void()>& run) {
  const std::vector<double> ms = bench::runTimesMs(runs, run);
  return *std::min_element(ms.begin(), ms.end());
}

// Sweeps the pointer over the window row by row, each move sent to the widget under it.
void sweep(Form& form, int moves) {
  const int w = form.width(), h = form.height();
  for (int i = 0; i < moves; ++i) {
    const QPoint at((i * 7) % w, (i / w * 3) % h);
    QWidget* target = form.childAt(at);
    if (!target) target = &form;
    const QPoint local = target->mapFrom(&form, at);
    QMouseEvent e(QEvent::MouseMove, local, form.mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &e);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);

  constexpr int kMessages = 1000000;
  std::vector<wm::Link> links(3);
  QWidget widget;
  const double empty = bestMs(5, [&] {
    for (int i = 0; i < kMessages; ++i) wm::SendMessage(&widget, wm::WM_USER + 1);
  });
  for (auto& link : links)
    link = wm::Subclass(&widget, [&link](wm::Message& m) {
      m.result += 1;
      wm::CallPrevious(link, m);
    });
  const double chained = bestMs(5, [&] {
    for (int i = 0; i < kMessages; ++i) wm::SendMessage(&widget, wm::WM_USER + 1);
  });
  const double nsChained = chained * 1e6 / kMessages;
  std::printf("A message sent through a window's chain (%d messages)\n", kMessages);
  std::printf("  empty chain (bottom only)       %7.1f ns per message\n", empty * 1e6 / kMessages);
  std::printf("  3 procedures                    %7.1f ns per message\n", nsChained);
  std::printf("  limit                           %7.1f ns\n", 1000.0);
  std::printf("  => %s\n\n", nsChained < 1000.0 ? "within the limit" : "OVER the limit");

  constexpr int kMoves = 100000;
  wm::Link frame;
  Form form;
  form.setClientSize(400, 300);
  form.show();
  QApplication::processEvents();
  const double plain = bestMs(5, [&] { sweep(form, kMoves); });

  wm::SetHookProc([](wm::Hook, QWidget*) {});
  const double hooked = bestMs(5, [&] { sweep(form, kMoves); });
  frame = wm::Subclass(&form, [&](wm::Message& m) {
    if (m.msg == wm::WM_NCCALCSIZE) reinterpret_cast<QRect*>(m.lParam)->adjust(4, 30, -4, -4);
    else wm::CallPrevious(frame, m);
  });
  wm::SetOwnNonClient(&form, true);
  QApplication::processEvents();
  const double hosted = bestMs(5, [&] { sweep(form, kMoves); });
  std::printf("%d mouse moves swept over a %dx%d window\n", kMoves, form.width(), form.height());
  std::printf("  plain window                    %7.2f ms\n", plain);
  std::printf("  hook filter installed           %7.2f ms   (%+.1f %%)\n", hooked, (hooked / plain - 1) * 100);
  std::printf("  hooks, chain, own frame         %7.2f ms   (%+.1f %%)\n", hosted, (hosted / plain - 1) * 100);
  std::printf("  limit for the hook filter       %7.2f ms   (+5 %%)\n", plain * 1.05);
  std::printf("  => %s; the own frame's hit tests and the host's move tracking cost the rest\n",
              hooked <= plain * 1.05 ? "the filter adds under 5 %" : "the filter adds MORE than 5 %");
  wm::SetHookProc({});
  return 0;
}
