// A grid's cells painted from the cache are the cells Qt's own delegate paints, pixel for
// pixel, in every state; a changed text, size, font or colour is painted anew, and a palette
// of the same colours (a skin switched back) finds its cells again; what the kept cells hold
// stays within the cache's limit.
#include <gtest/gtest.h>
#include <malloc.h>

#include <QApplication>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QTableView>

#include "platform/forms/cachedcelldelegate.h"

namespace {

// A grid of the kinds of cells a programme shows: times, names, long paths, Chinese text, a
// right-aligned number, a bold one, a coloured one.
QStandardItemModel* Rows(QObject* parent) {
  auto* model = new QStandardItemModel(12, 4, parent);
  for (int r = 0; r < 12; ++r) {
    model->setData(model->index(r, 0), QStringLiteral("%1:0%2:00").arg(8 + r).arg(r % 10));
    model->setData(model->index(r, 1), r % 2 ? QStringLiteral("上课铃 %1").arg(r) : QStringLiteral("Song %1").arg(r));
    model->setData(model->index(r, 2), QStringLiteral("/home/school/music/a very long folder name/track %1.mp3").arg(r));
    model->setData(model->index(r, 3), QString::number(r * 125));
  }
  model->setData(model->index(1, 3), int(Qt::AlignRight | Qt::AlignVCenter), Qt::TextAlignmentRole);
  QFont bold;
  bold.setBold(true);
  model->setData(model->index(2, 1), bold, Qt::FontRole);
  model->setData(model->index(3, 1), QColor(200, 30, 30), Qt::ForegroundRole);
  model->setData(model->index(4, 0), QColor(230, 240, 200), Qt::BackgroundRole);
  return model;
}

// Two grids of one model in one active window: one with the caching delegate, one with Qt's.
struct Grids {
  QStandardItemModel* model = Rows(nullptr);
  QWidget window;
  QTableView cached{&window}, plain{&window};
  orvane::CachedCellDelegate* delegate = new orvane::CachedCellDelegate(&cached);
  Grids() {
    window.resize(860, 220);
    plain.move(430, 0);
    window.show();
    QApplication::setActiveWindow(&window);
    for (QTableView* v : {&cached, &plain}) {
      v->setModel(model);
      v->resize(420, 200);
      v->setColumnWidth(2, 150);
      v->verticalHeader()->setDefaultSectionSize(20);
      v->setSelectionBehavior(QAbstractItemView::SelectRows);
      v->selectRow(5);
      v->setCurrentIndex(model->index(5, 1));
    }
    cached.setItemDelegate(delegate);
  }
  ~Grids() { delete model; }
  static QImage Shot(QTableView& v) {
    QImage image(v.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::black);
    v.render(&image);
    return image;
  }
  // Both grids in the same state, focused in turn: the cached one painted twice (the second
  // time from its cache), each time as the plain one.
  void ExpectSame(const char* what) {
    QApplication::processEvents();
    plain.setFocus();
    const QImage want = Shot(plain);
    cached.setFocus();
    const QImage first = Shot(cached), second = Shot(cached);
    cached.clearFocus();
    const QImage unfocused = Shot(plain);
    EXPECT_TRUE(first == want && second == want) << what;
    EXPECT_TRUE(Shot(cached) == unfocused) << what << " (unfocused)";
  }
};

}  // namespace

TEST(CachedCells, PaintedFromTheCacheAsQtPaintsThem) {
  Grids g;
  g.ExpectSame("first paint");
  EXPECT_GT(g.delegate->hits(), 20);
  // Another text, font, colour, size or alignment is a cell of its own.
  const struct {
    const char* name;
    std::function<void()> change;
  } cases[] = {
      {"text", [&] { g.model->setData(g.model->index(0, 1), QStringLiteral("放学铃")); }},
      {"colour", [&] { g.model->setData(g.model->index(0, 1), QColor(20, 120, 20), Qt::ForegroundRole); }},
      {"font", [&] { for (QTableView* v : {&g.cached, &g.plain}) v->setFont(QFont(v->font().family(), 15)); }},
      {"size", [&] { for (QTableView* v : {&g.cached, &g.plain}) v->setColumnWidth(1, 61); }},
      {"selection", [&] { for (QTableView* v : {&g.cached, &g.plain}) v->selectRow(7); }},
      {"alignment", [&] { g.model->setData(g.model->index(7, 2), int(Qt::AlignCenter), Qt::TextAlignmentRole); }},
      {"alternate rows", [&] { for (QTableView* v : {&g.cached, &g.plain}) v->setAlternatingRowColors(true); }},
  };
  for (const auto& c : cases) {
    c.change();
    g.ExpectSame(c.name);
  }
  // The window's colour (what a skin changes) frames only the focused cell: the others are
  // painted from the cache, and every one as Qt paints it.
  QPalette window = g.cached.palette();
  window.setColor(QPalette::Window, QColor(234, 238, 243));
  const int before = g.delegate->misses();
  for (QTableView* v : {&g.cached, &g.plain}) v->setPalette(window);
  g.ExpectSame("window colour");
  EXPECT_LE(g.delegate->misses() - before, 2);  // the focused cell, framed and not
  // A palette changed and given back: new cells, then the first ones again from the cache.
  QPalette other = g.cached.palette();
  other.setColor(QPalette::Base, QColor(250, 245, 230));
  other.setColor(QPalette::Window, QColor(234, 238, 243));
  const QPalette previous = g.cached.palette();
  for (QTableView* v : {&g.cached, &g.plain}) v->setPalette(other);
  g.ExpectSame("palette");
  const int misses = g.delegate->misses();
  for (QTableView* v : {&g.cached, &g.plain}) v->setPalette(previous);
  g.ExpectSame("palette back");
  EXPECT_EQ(g.delegate->misses(), misses);
}

TEST(CachedCells, WhatTheKeptCellsHoldStaysWithinTheLimit) {
  constexpr qsizetype kLimit = 1024 * 1024;
  // Small cells, each of another text: as a day moves down a long programme.
  constexpr int kRows = 3000;
  QStandardItemModel model(kRows, 6);
  for (int r = 0; r < kRows; ++r)
    for (int c = 0; c < 6; ++c) model.setData(model.index(r, c), QStringLiteral("%1.%2").arg(r).arg(c));
  QWidget window;
  QTableView view(&window);
  view.setModel(&model);
  view.horizontalHeader()->setMinimumSectionSize(10);
  view.horizontalHeader()->setDefaultSectionSize(30);
  view.verticalHeader()->setDefaultSectionSize(16);
  view.resize(260, 400);
  window.show();
  QImage shot(view.size(), QImage::Format_ARGB32_Premultiplied);
  auto paintFrom = [&](int row) {
    view.scrollTo(model.index(row, 0), QAbstractItemView::PositionAtTop);
    view.render(&shot);
  };
  auto heap = [] {
    const struct mallinfo2 m = mallinfo2();
    return qsizetype(m.uordblks + m.hblkhd);
  };
  // What a first paint makes once (glyphs, the style's pieces) is made before measuring.
  paintFrom(0);
  auto* delegate = new orvane::CachedCellDelegate(&view, kLimit);
  view.setItemDelegate(delegate);
  const qsizetype before = heap();
  for (int row = 0; row < kRows; row += 20) paintFrom(row);
  const qsizetype grown = heap() - before;
  // Filled and emptied many times over.
  EXPECT_GT(delegate->misses(), 4 * delegate->cachedCells());
  EXPECT_LE(delegate->cachedBytes(), kLimit);
  // Beside the cells, scrolling itself makes about 50 kB (glyphs, the view's own state).
  EXPECT_LE(grown, kLimit + kLimit / 8) << grown << " bytes held by " << delegate->cachedCells() << " cells";
}
