// A window of 50 controls of the kinds the skin paints (push, menu and speed buttons, check
// and radio boxes, edits, spin boxes, combo boxes, group boxes, a status bar) rendered whole
// into an image: first under Fusion alone, then with the skin on, in the same run. Printed
// beside the limits: skinned within 2 times Fusion and under 16 ms warm, the first paint with
// an empty piece cache under 50 ms, one button's hover repaint under 1 ms.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QHoverEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmapCache>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/forms/form.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinStore.h"
#include "skin/controls/SkinRegistry.h"

using namespace orvane::skin;

namespace {

double Ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// 50 controls placed by coordinates, as the program's windows place them.
QPushButton* Fill(QWidget* c) {
  QPushButton* first = nullptr;
  for (int i = 0; i < 10; ++i) {
    auto* b = new QPushButton(QStringLiteral("按钮 %1").arg(i), c);
    b->setGeometry(10 + (i % 5) * 110, 10 + (i / 5) * 32, 100, 26);
    if (i == 9) b->setMenu(new QMenu(b));
    if (!first) first = b;
  }
  for (int i = 0; i < 5; ++i) {
    auto* t = new QToolButton(c);
    t->setText(QStringLiteral("T%1").arg(i));
    t->setAutoRaise(i % 2);
    t->setGeometry(10 + i * 40, 80, 34, 26);
  }
  for (int i = 0; i < 8; ++i) {
    auto* x = new QCheckBox(QStringLiteral("选项 %1").arg(i), c);
    x->setChecked(i % 2);
    x->setGeometry(10 + (i % 4) * 130, 115 + (i / 4) * 24, 120, 20);
  }
  for (int i = 0; i < 6; ++i) {
    auto* r = new QRadioButton(QStringLiteral("频道 %1").arg(i), c);
    r->setGeometry(10 + (i % 3) * 130, 170 + (i / 3) * 24, 120, 20);
  }
  for (int i = 0; i < 10; ++i) {
    auto* e = new QLineEdit(QStringLiteral("08:00:%1").arg(i, 2, 10, QLatin1Char('0')), c);
    e->setGeometry(10 + (i % 5) * 120, 225 + (i / 5) * 28, 110, 22);
  }
  for (int i = 0; i < 2; ++i) {
    auto* s = new QSpinBox(c);
    s->setGeometry(10 + i * 130, 285, 120, 22);
  }
  for (int i = 0; i < 6; ++i) {
    auto* cb = new QComboBox(c);
    cb->setEditable(i % 2);
    cb->addItems({QStringLiteral("主通道"), QStringLiteral("副通道")});
    cb->setGeometry(10 + (i % 3) * 130, 315 + (i / 3) * 28, 120, 22);
  }
  for (int i = 0; i < 2; ++i) {
    auto* g = new QGroupBox(QStringLiteral("分组 %1").arg(i), c);
    g->setGeometry(400 + i * 150, 285, 140, 80);
  }
  auto* bar = new QStatusBar(c);
  bar->addWidget(new QLabel(QStringLiteral("就绪"), bar));
  bar->setGeometry(0, 380, 600, 22);
  return first;
}

double RenderMs(QWidget* w) {
  QImage img(w->size(), QImage::Format_ARGB32_Premultiplied);
  QElapsedTimer t;
  t.start();
  w->render(&img);
  return Ms(t);
}

double WarmMedian(QWidget* w, int runs) {
  for (int i = 0; i < 3; ++i) RenderMs(w);
  std::vector<double> v;
  for (int i = 0; i < runs; ++i) v.push_back(RenderMs(w));
  return Median(v);
}

// The mouse entering the button, then the button painted again (into an image, so that the
// paint happens whether or not the platform shows the window).
double HoverMs(QPushButton* b, int runs) {
  std::vector<double> v;
  const QPointF in(b->width() / 2.0, b->height() / 2.0);
  QImage img(b->size(), QImage::Format_ARGB32_Premultiplied);
  for (int i = 0; i < runs; ++i) {
    QHoverEvent enter(QEvent::HoverEnter, in, in, QPointF(-1, -1));
    QElapsedTimer t;
    t.start();
    QApplication::sendEvent(b, &enter);
    b->render(&img);
    v.push_back(Ms(t));
    QHoverEvent leave(QEvent::HoverLeave, QPointF(-1, -1), QPointF(-1, -1), in);
    QApplication::sendEvent(b, &leave);
  }
  return Median(v);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  constexpr int kRuns = 41;
  orvane::Form form;
  form.setClientSize(620, 410);
  QPushButton* button = Fill(form.client());
  form.show();
  QApplication::processEvents();
  const double plain = WarmMedian(form.client(), kRuns);
  const double plainHover = HoverMs(button, kRuns);

  QFile f(QString::fromLatin1(DefaultSkinResource));
  if (!f.open(QIODevice::ReadOnly)) return 1;
  TSXSkin skin;
  skin.SetSkinStream(f.readAll());
  if (!skin.LoadSkin()) return 1;
  skin.Loaded();
  skin.SetActive(true);
  SkinManager->TimerAction();
  QApplication::processEvents();

  int skinned = 0;
  for (QWidget* w : form.client()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    skinned += TSkinRegistry::SkinnerFor(w) != nullptr;

  QPixmapCache::clear();
  const double first = RenderMs(form.client());
  const double warm = WarmMedian(form.client(), kRuns);
  const double hover = HoverMs(button, kRuns);
  FreeSkinManager();

  std::printf("%d of %d controls skinned\n", skinned, static_cast<int>(form.client()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size()));
  std::printf("50 controls rendered, warm median: Fusion %.3f ms, skinned %.3f ms, ratio %.2f (limits 2.00 and 16 ms) %s\n",
              plain, warm, warm / plain, warm <= 2 * plain && warm < 16 ? "ok" : "OVER");
  std::printf("first skinned paint, empty piece cache: %.3f ms (limit 50 ms) %s\n", first, first < 50 ? "ok" : "OVER");
  std::printf("one button's hover repaint: Fusion %.3f ms, skinned %.3f ms (limit 1 ms) %s\n", plainHover, hover,
              hover < 1 ? "ok" : "OVER");
  return 0;
}
