// The skinned frame: margins and client through on, off, on; hit codes and the caption; painting and region.
#include <QApplication>
#include <QMenuBar>
#include <QMouseEvent>

#include "platform/forms/form.h"
#include "tests/skin/skinfixture.h"
#include "tests/support/testsupport.h"

using namespace orvane::skin; namespace wm = orvane::wm;

struct SkinFrameTest : FormSkinFixture {
  TFormSkinner* On(QWidget* w, bool on = true) {
    SkinManager->SetCurrentSkin(skin.get()), SkinManager->PostAction(on ? TSkinManage::ActionActivate : TSkinManage::ActionDeactivate, 0);
    SkinManager->TimerAction();
    auto f = [w] { return dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(w)); };
    EXPECT_TRUE(testing_support::waitUntil([&] { return !on || (f() && f()->Activated()); }));
    return f();
  }
  static QImage Shot(QWidget& w, QImage img = {}) {
    return (img = QImage(w.size(), QImage::Format_ARGB32_Premultiplied)).fill(0), w.render(&img), img;
  }
  QImage Side(BorderSide s, QSize size, int frame, const TDataSkinBorder* e = nullptr) {  // as the primitives build it
    return e = &skin->Data()->Border(s), BuildSkinBitmap(size, e->Bitmap, e->Margins(), s >= bsTop, e->Tile != 1, e->FrameCount(), frame);
  }
};

TEST_F(SkinFrameTest, MarginsAndClientThroughOnOffOn) {
  struct { orvane::BorderStyle border; bool menu, max; QMargins margins; } cases[] = {
      {orvane::bsSizeable, false, false, {4, 30, 4, 4}}, {orvane::bsSizeable, true, false, {4, 50, 4, 4}},
      {orvane::bsNone, false, false, {}}, {orvane::bsSizeable, false, true, {4, 30, 4, 4}}};
  for (const auto& c : cases) {
    orvane::Form form;
    form.setBorderStyle(c.border), form.setClientSize(300, 200), form.setMenuBar(c.menu ? new QMenuBar : nullptr);
    (c.max ? form.showMaximized() : form.show()), QCoreApplication::processEvents();
    const QSize client = wm::GetClientRect(&form).size();  // kept through on, off, on
    for (int round = 0; round < 2; ++round) {
      ASSERT_TRUE(On(&form));
      EXPECT_TRUE(wm::HasOwnNonClient(&form) && form.mask().isEmpty() == (c.border == orvane::bsNone));
      EXPECT_EQ(form.contentsMargins(), c.margins);
      EXPECT_TRUE(c.max || wm::GetClientRect(&form).size() == client);
      On(&form, false);
      EXPECT_TRUE(!wm::HasOwnNonClient(&form) && form.mask().isEmpty() && form.isMaximized() == c.max);
      EXPECT_EQ(wm::GetClientRect(&form).size(), client);
    }
  }
}

TEST_F(SkinFrameTest, HitCodesCaptionDragAndDoubleClick) {
  orvane::Form form, single;
  single.setBorderStyle(orvane::bsSingle), single.setMenuBar(new QMenuBar);
  for (orvane::Form* w : {&form, &single}) w->setGeometry(100, 100, 300, 200), w->show(), On(w);
  const int W = form.width(), H = form.height();
  struct { orvane::Form* w; QPoint at; qint32 code; } cases[] = {
      {&form, {1, 1}, wm::HTTOPLEFT}, {&form, {150, 2}, wm::HTTOP}, {&form, {150, 10}, wm::HTCAPTION},
      {&form, {2, 100}, wm::HTLEFT}, {&form, {150, 100}, wm::HTCLIENT}, {&form, {150, H - 2}, wm::HTBOTTOM},
      {&form, {W - 2, H - 2}, wm::HTBOTTOMRIGHT}, {&single, {150, 2}, wm::HTCAPTION},
      {&single, {2, 100}, wm::HTBORDER}, {&single, {150, 40}, wm::HTMENU}};
  for (const auto& c : cases)
    EXPECT_EQ(wm::SendMessage(c.w, wm::WM_NCHITTEST, 0, wm::MakePoint(c.w->mapToGlobal(c.at))), c.code) << c.at.y();
  const QPoint start = form.pos();  // a caption drag moves the window, a double click maximises and restores
  for (auto [type, at] : {std::pair{QEvent::MouseButtonPress, QPoint(60, 10)}, {QEvent::MouseMove, {90, 30}},
                          {QEvent::MouseButtonRelease, {90, 30}}, {QEvent::MouseButtonDblClick, {60, 10}}}) {
    QMouseEvent e(type, at, form.mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &e);
    EXPECT_TRUE(type != QEvent::MouseButtonRelease || form.pos() == start + QPoint(30, 20));
  }
  EXPECT_TRUE(testing_support::waitUntil([&] { return form.isMaximized(); }));
  wm::SendMessage(&form, wm::WM_NCLBUTTONDBLCLK, wm::HTCAPTION, wm::MakePoint(form.mapToGlobal(QPoint(60, 10))));
  EXPECT_TRUE(testing_support::waitUntil([&] { return !form.isMaximized(); }));
}

TEST_F(SkinFrameTest, PaintedFromThePrimitivesAndRegionTracedOnSizeChange) {
  orvane::Form form;
  form.setWindowTitle("Frame"), form.setGeometry(100, 100, 320, 200), form.show();
  TFormSkinner* f = On(&form);
  const TSkinData& d = *skin->Data();
  const int W = form.width(), H = form.height(), top = f->Borders().top();
  const QMargins b = f->Borders();  // below: every opaque pixel at its place, see-through ones masked
  auto same = [&](const QImage& shot, const QImage& want, QPoint at, bool keyed) {
    int seen = 0;
    for (int i = 0, x, y; i < want.width() * want.height(); ++i) {
      const QRgb p = want.pixel(x = i % want.width(), y = i / want.width()), got = shot.pixel(at + QPoint(x, y));
      seen += qAlpha(p) == 255;
      ASSERT_TRUE(qAlpha(p) == 255 ? got == p : !keyed || qAlpha(got) == 0) << at.x() << ' ' << x << ',' << y;
    }
    EXPECT_GT(seen, 0) << at.x();
  };
  auto cell = [](TWinSysButton* s, int frame) { return s->Image.copy(FrameRect(s->Image, false, s->Frames, frame)); };
  for (int frame : {1, 2}) {
    const QImage shot = (wm::SendMessage(&form, wm::WM_NCACTIVATE, frame == 1), Shot(form));
    same(shot, Side(bsLeft, {b.left(), H}, frame), {0, 0}, true);
    same(shot, Side(bsRight, {b.right(), H}, frame), {W - b.right(), 0}, true);
    same(shot, Side(bsBottom, {W - b.left() - b.right(), b.bottom()}, frame), {b.left(), H - b.bottom()}, true);
    const QRgb text = ToQColor(d.Colour(frame == 1 ? scTitleTextActive : scTitleTextNoActive)).rgba();
    const QImage caption = shot.copy(f->CaptionRect() & QRect(0, 0, W, top));
    EXPECT_TRUE(std::count((const QRgb*)caption.constBits(), (const QRgb*)caption.constBits() + caption.sizeInBytes() / 4, text));
    for (TWinSysButton* s : f->SysButtons())
      if (s->Visible && s->Record()->Action < 3) same(shot, cell(s, s->Frames < 4 ? 1 : 3 * frame - 2), s->Bounds.topLeft(), false);
  }
  TWinSysButton* close = (wm::SendMessage(&form, wm::WM_NCACTIVATE, 1), Shot(form), f->SysButtons()[0]);  // a frame repaint clears the hot object
  for (quint32 msg : {wm::WM_NCMOUSEMOVE, wm::WM_NCLBUTTONDOWN}) {
    wm::SendMessage(&form, msg, wm::HTCAPTION, wm::MakePoint(form.mapToGlobal(close->Bounds.center())));
    same(Shot(form), cell(close, msg == wm::WM_NCMOUSEMOVE ? 3 : 2), close->Bounds.topLeft(), false);
  }
  auto traced = [&](BorderSide s, QRect r) { return CreateRegionFromBitmap(Side(s, r.size(), 1), r.x(), r.y(), 1, 1, 1, KeyColour); };
  EXPECT_EQ(form.mask(), QRegion(b.left(), top, W - b.left() - b.right(), H - top) |  // inner and opaque bottom
                             traced(bsLeft, {0, 0, b.left(), H}) | traced(bsRight, {W - b.right(), 0, b.right(), H}) |
                             traced(bsTop, {b.left(), 0, W - b.left() - b.right(), b.top()}));
  wm::SetWindowRgn(&form, QRegion(0, 0, 5, 5), false), f->UpdateRegion();
  EXPECT_EQ(form.mask(), QRegion(0, 0, 5, 5));  // same size: not traced again
  for (QSize s : {QSize(3, 3), QSize(1, 1), QSize(300, 201)})  // smaller than the borders: clipped, never inverted
    { form.setMinimumSize(1, 1); form.resize(s); EXPECT_TRUE(form.rect().contains(form.mask().boundingRect())); }
  for (BorderSide s : {bsLeft, bsRight, bsTop, bsBottom}) const_cast<TDataSkinBorder&>(d.Border(s)).Trans = 0;
  form.resize(300, 200);  // no see-through borders: the whole rectangle
  EXPECT_EQ(form.mask(), QRegion(form.rect()));
  // Right to left (alignment 0): the caption ends where the right-aligned buttons begin, moved 10 on.
  form.setProperty("wmExStyle", wm::WS_EX_LEFTSCROLLBAR), On(&form, false), f = On(&form), Shot(form);
  EXPECT_EQ(f->CaptionRect().right() + 1, form.width() - b.right() - f->WidestRightButton() + 10) << d.Title->TextAlignment;
}
