// A window of 50 controls of the kinds the skin paints (push, menu and speed buttons, check
// and radio boxes, edits, spin boxes, combo boxes, group boxes, a status bar) rendered whole
// into an image: first under Fusion alone, then with the skin on, in the same run. Printed
// beside the limits: skinned within 2 times Fusion and under 16 ms warm, the first paint with
// an empty piece cache under 50 ms, one button's hover repaint under 1 ms. A second window of
// 50 controls of the other kinds (a 10,000-row grid with both scroll bars, a list view with its
// header, 12 tabs with scroll arrows, sliders, progress bars, spin boxes, a date edit): warm
// render within 2 times Fusion and under 16 ms, 100 page scrolls of the grid within 1.5 times
// Fusion, each repaint of the grid in a thumb drag under 4 ms. A tab bar whose first tab has a
// caption of 10,000 characters: its warm repaint skinned within 2 times Fusion.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QProgressBar>
#include <QScrollBar>
#include <QSlider>
#include <QTabWidget>
#include <QTableView>
#include <QTreeWidget>
#include <QElapsedTimer>
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
#include "bench/skinbench.h"
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

// Rows made on demand: the grid's cost is its painting, not its data.
class Rows : public QAbstractTableModel {
 public:
  int rowCount(const QModelIndex& = {}) const override { return 10000; }
  int columnCount(const QModelIndex& = {}) const override { return 6; }
  QVariant data(const QModelIndex& i, int role) const override {
    return role == Qt::DisplayRole ? QVariant(QStringLiteral("%1:%2").arg(i.row()).arg(i.column())) : QVariant();
  }
};

// The second window's 50 controls; returns its grid.
QTableView* FillOthers(QWidget* c) {
  auto* grid = new QTableView(c);
  grid->setModel(new Rows);
  grid->setGeometry(10, 10, 300, 200);
  grid->horizontalHeader()->setDefaultSectionSize(80);
  auto* list = new QTreeWidget(c);
  list->setHeaderLabels({QStringLiteral("时间"), QStringLiteral("名称"), QStringLiteral("类型")});
  for (int i = 0; i < 40; ++i) new QTreeWidgetItem(list, {QStringLiteral("08:%1").arg(i), QStringLiteral("铃声"), QStringLiteral("a")});
  list->setGeometry(320, 10, 290, 200);
  auto* tabs = new QTabWidget(c);
  for (int i = 0; i < 12; ++i) tabs->addTab(new QWidget, QStringLiteral("星期 %1").arg(i));
  tabs->setGeometry(10, 215, 300, 80);
  int made = 3;
  for (int i = 0; i < 12; ++i, ++made) {
    auto* sl = new QSlider(i % 3 ? Qt::Horizontal : Qt::Vertical, c);
    sl->setValue(i * 8);
    sl->setGeometry(320 + (i % 6) * 48, 215 + (i / 6) * 45, 44, 40);
  }
  for (int i = 0; i < 12; ++i, ++made) {
    auto* p = new QProgressBar(c);
    p->setValue(i * 8);
    p->setGeometry(10 + (i % 4) * 150, 300 + (i / 4) * 22, 140, 18);
  }
  for (int i = 0; i < 12; ++i, ++made) {
    auto* sp = new QSpinBox(c);
    sp->setGeometry(10 + (i % 6) * 100, 370 + (i / 6) * 26, 90, 22);
  }
  for (; made < 50; ++made) {
    auto* d = new QDateEdit(c);
    d->setCalendarPopup(true);
    d->setGeometry(10 + (made - 39) * 55, 425, 52, 22);
  }
  return grid;
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

// 100 page steps of the grid, each painted: the total.
double PageScrollsMs(QTableView* grid) {
  QScrollBar* v = grid->verticalScrollBar();
  v->setValue(0);
  QImage img(grid->size(), QImage::Format_ARGB32_Premultiplied);
  QElapsedTimer t;
  t.start();
  for (int i = 0; i < 100; ++i) {
    v->triggerAction(QAbstractSlider::SliderPageStepAdd);
    grid->render(&img);
  }
  return Ms(t);
}

// A thumb drag over the grid: each moved position painted; the slowest repaint.
double DragRepaintMs(QTableView* grid) {
  QScrollBar* v = grid->verticalScrollBar();
  QImage img(grid->size(), QImage::Format_ARGB32_Premultiplied);
  v->setSliderDown(true);
  double worst = 0;
  for (int i = 1; i <= 60; ++i) {
    QElapsedTimer t;
    t.start();
    v->setSliderPosition(v->maximum() * i / 60);
    grid->render(&img);
    worst = std::max(worst, Ms(t));
  }
  v->setSliderDown(false);
  return worst;
}

// A tab bar whose first tab holds a caption of 10,000 characters.
QTabWidget* FillLongTab(QWidget* c) {
  auto* tabs = new QTabWidget(c);
  QString caption;
  for (int i = 0; caption.size() < 10000; ++i) caption += QStringLiteral("节目 %1 ").arg(i);
  tabs->addTab(new QWidget, caption.left(10000));
  tabs->addTab(new QWidget, QStringLiteral("星期一"));
  tabs->setGeometry(10, 10, 600, 120);
  return tabs;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  constexpr int kRuns = 41;
  orvane::Form form;
  form.setClientSize(620, 410);
  QPushButton* button = Fill(form.client());
  form.show();
  orvane::Form others;
  others.setClientSize(620, 455);
  QTableView* grid = FillOthers(others.client());
  others.show();
  orvane::Form longTab;
  longTab.setClientSize(620, 140);
  QWidget* longBar = FillLongTab(longTab.client())->tabBar();
  longTab.show();
  QApplication::processEvents();
  const double plainLongTab = WarmMedian(longBar, kRuns);
  const double plain = WarmMedian(form.client(), kRuns);
  const double plainHover = HoverMs(button, kRuns);
  const double plainOthers = WarmMedian(others.client(), kRuns);
  const double plainPages = PageScrollsMs(grid);

  TSXSkin skin;
  if (!bench::LoadDefaultSkin(skin)) return 1;
  skin.Loaded();
  skin.SetActive(true);
  SkinManager->TimerAction();
  QApplication::processEvents();

  int skinned = 0;
  for (QWidget* w : form.client()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    skinned += TSkinRegistry::SkinnerFor(w) != nullptr;

  QPixmapCache::clear();
  const double first = RenderMs(form.client());
  if (qEnvironmentVariableIsSet("SKIN_BENCH_DUMP")) {
    QImage img(form.client()->size(), QImage::Format_ARGB32_Premultiplied);
    form.client()->render(&img);
    img.save(qEnvironmentVariable("SKIN_BENCH_DUMP"));
    QImage second(others.client()->size(), QImage::Format_ARGB32_Premultiplied);
    others.client()->render(&second);
    second.save(qEnvironmentVariable("SKIN_BENCH_DUMP").replace(QLatin1String(".png"), QLatin1String("-others.png")));
  }
  const double warm = WarmMedian(form.client(), kRuns);
  const double hover = HoverMs(button, kRuns);
  const double skinnedOthers = WarmMedian(others.client(), kRuns);
  const double pages = PageScrollsMs(grid);
  const double drag = DragRepaintMs(grid);
  const double skinnedLongTab = WarmMedian(longBar, kRuns);
  FreeSkinManager();

  std::printf("%d of %d controls skinned\n", skinned, static_cast<int>(form.client()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size()));
  std::printf("50 controls rendered, warm median: Fusion %.3f ms, skinned %.3f ms, ratio %.2f (limits 2.00 and 16 ms) %s\n",
              plain, warm, warm / plain, warm <= 2 * plain && warm < 16 ? "ok" : "OVER");
  std::printf("first skinned paint, empty piece cache: %.3f ms (limit 50 ms) %s\n", first, first < 50 ? "ok" : "OVER");
  std::printf("one button's hover repaint: Fusion %.3f ms, skinned %.3f ms (limit 1 ms) %s\n", plainHover, hover,
              hover < 1 ? "ok" : "OVER");
  std::printf("grid, list, tabs, sliders, bars, spins, dates (50) rendered, warm median: Fusion %.3f ms, skinned %.3f ms, "
              "ratio %.2f (limits 2.00 and 16 ms) %s\n",
              plainOthers, skinnedOthers, skinnedOthers / plainOthers,
              skinnedOthers <= 2 * plainOthers && skinnedOthers < 16 ? "ok" : "OVER");
  std::printf("100 page scrolls of the 10,000-row grid: Fusion %.3f ms, skinned %.3f ms, ratio %.2f (limit 1.50) %s\n",
              plainPages, pages, pages / plainPages, pages <= 1.5 * plainPages ? "ok" : "OVER");
  std::printf("slowest grid repaint in a thumb drag: %.3f ms (limit 4 ms) %s\n", drag, drag < 4 ? "ok" : "OVER");
  std::printf("tab bar with a 10,000-character caption, warm median: Fusion %.3f ms, skinned %.3f ms, ratio %.2f "
              "(limit 2.00) %s\n",
              plainLongTab, skinnedLongTab, skinnedLongTab / plainLongTab, skinnedLongTab <= 2 * plainLongTab ? "ok" : "OVER");
  return 0;
}
