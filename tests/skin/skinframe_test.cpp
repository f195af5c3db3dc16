// The skinned frame on real windows: margins and client through on, off, on; hit codes, caption
// drag and double click; painting checked against the drawing primitives; the region.
#include <QApplication>
#include <QMenuBar>
#include <QMouseEvent>

#include "platform/forms/form.h"
#include "tests/skin/skinfixture.h"
#include "tests/support/testsupport.h"

using namespace orvane::skin;
namespace wm = orvane::wm;

namespace {

struct SkinFrameTest : FormSkinFixture {
  TFormSkinner* On(QWidget* w) {
    Switch(true);
    TFormSkinner* f = nullptr;
    EXPECT_TRUE(testing_support::waitUntil([&] { return (f = dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(w))) && f->Activated(); }));
    QCoreApplication::processEvents();
    return f;
  }
  void Switch(bool on) {
    SkinManager->SetCurrentSkin(skin.get());
    SkinManager->PostAction(on ? TSkinManage::ActionActivate : TSkinManage::ActionDeactivate, 0);
    SkinManager->TimerAction();
    QCoreApplication::processEvents();
  }
  QImage Shot(QWidget& w) {
    QImage img(w.size(), QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    w.render(&img);
    return img;
  }
  void Mouse(QWidget& w, QEvent::Type t, QPoint at) {
    QMouseEvent e(t, at, w.mapToGlobal(at), t == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  t == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
  }
};

}  // namespace

TEST_F(SkinFrameTest, MarginsAndClientThroughOnOffOn) {
  struct { orvane::BorderStyle border; bool menu, max; QMargins margins; } cases[] = {
      {orvane::bsSizeable, false, false, {4, 30, 4, 4}}, {orvane::bsSizeable, true, false, {4, 50, 4, 4}},
      {orvane::bsNone, false, false, {}}, {orvane::bsSizeable, false, true, {4, 30, 4, 4}}};
  for (const auto& c : cases) {
    orvane::Form form;
    form.setBorderStyle(c.border);
    form.setClientSize(300, 200);
    if (c.menu) form.setMenuBar(new QMenuBar(&form));
    c.max ? form.showMaximized() : form.show();
    QCoreApplication::processEvents();
    const QSize client = wm::GetClientRect(&form).size();
    for (int round = 0; round < 2; ++round) {
      TFormSkinner* f = On(&form);
      ASSERT_TRUE(f);
      EXPECT_TRUE(wm::HasOwnNonClient(&form));
      EXPECT_EQ(form.contentsMargins(), c.margins);
      EXPECT_EQ(form.mask().isEmpty(), c.border == orvane::bsNone);
      if (!c.max) {
        EXPECT_EQ(wm::GetClientRect(&form).size(), client);
      }
      Switch(false);
      EXPECT_FALSE(wm::HasOwnNonClient(&form));
      EXPECT_TRUE(form.mask().isEmpty());
      EXPECT_EQ(form.isMaximized(), c.max);
      EXPECT_EQ(wm::GetClientRect(&form).size(), client);
    }
  }
}

TEST_F(SkinFrameTest, HitCodesCaptionDragAndDoubleClick) {
  orvane::Form form, single;
  single.setBorderStyle(orvane::bsSingle);
  single.setMenuBar(new QMenuBar(&single));
  for (orvane::Form* w : {&form, &single}) w->setGeometry(100, 100, 300, 200), w->show(), On(w);
  const int W = form.width(), H = form.height();
  struct { orvane::Form* w; QPoint at; qint32 code; } cases[] = {
      {&form, {1, 1}, wm::HTTOPLEFT}, {&form, {150, 2}, wm::HTTOP}, {&form, {150, 10}, wm::HTCAPTION},
      {&form, {2, 100}, wm::HTLEFT}, {&form, {150, 100}, wm::HTCLIENT}, {&form, {150, H - 2}, wm::HTBOTTOM},
      {&form, {W - 2, H - 2}, wm::HTBOTTOMRIGHT}, {&single, {150, 2}, wm::HTCAPTION},
      {&single, {2, 100}, wm::HTBORDER}, {&single, {150, 40}, wm::HTMENU}, {&single, {150, 10}, wm::HTCAPTION}};
  for (const auto& c : cases)
    EXPECT_EQ(wm::SendMessage(c.w, wm::WM_NCHITTEST, 0, wm::MakePoint(c.w->mapToGlobal(c.at))), c.code) << c.at.x() << ',' << c.at.y();
  const QPoint start = form.pos();
  Mouse(form, QEvent::MouseButtonPress, {60, 10});
  Mouse(form, QEvent::MouseMove, {90, 30});
  Mouse(form, QEvent::MouseButtonRelease, {90, 30});
  EXPECT_EQ(form.pos(), start + QPoint(30, 20));
  for (bool max : {true, false}) {
    Mouse(form, QEvent::MouseButtonDblClick, {60, 10});
    ASSERT_TRUE(testing_support::waitUntil([&] { return form.isMaximized() == max; }));
  }
}

TEST_F(SkinFrameTest, PaintedFromThePrimitives) {
  orvane::Form form;
  form.setWindowTitle("Frame");
  form.setGeometry(100, 100, 320, 200);
  form.show();
  TFormSkinner* f = On(&form);
  const TSkinData& d = *skin->Data();
  const int W = form.width(), H = form.height();
  const QMargins b = f->Borders();
  // Every opaque pixel of the expected image at its place; see-through ones left transparent.
  auto same = [&](const QImage& shot, const QImage& want, QPoint at, const char* what) {
    int seen = 0;
    for (int y = 0; y < want.height(); ++y)
      for (int x = 0; x < want.width(); ++x) {
        const QRgb p = want.pixel(x, y), got = shot.pixel(at + QPoint(x, y));
        seen += qAlpha(p) == 255;
        ASSERT_TRUE(qAlpha(p) == 255 ? got == p : what[0] == 'b' || qAlpha(got) == 0) << what << ' ' << x << ',' << y;
      }
    EXPECT_GT(seen, 0) << what;
  };
  auto side = [&](BorderSide s, QSize size, int frame) {
    const auto& e = d.Border(s);
    return BuildSkinBitmap(size, e.Bitmap, e.Margins(), s >= bsTop, e.Tile != 1, e.FrameCount(), frame);
  };
  for (int frame : {1, 2}) {
    wm::SendMessage(&form, wm::WM_NCACTIVATE, frame == 1);
    const QImage shot = Shot(form);
    same(shot, side(bsLeft, {b.left(), H}, frame), {0, 0}, "left");
    same(shot, side(bsRight, {b.right(), H}, frame), {W - b.right(), 0}, "right");
    same(shot, side(bsBottom, {W - b.left() - b.right(), b.bottom()}, frame), {b.left(), H - b.bottom()}, "bottom");
    const QColor text = ToQColor(d.Colour(frame == 1 ? scTitleTextActive : scTitleTextNoActive));
    int textPixels = 0;
    for (int x = f->CaptionRect().left(); x < f->CaptionRect().right(); ++x)
      for (int y = 0; y < b.top(); ++y) textPixels += QColor(shot.pixel(x, y)) == text;
    EXPECT_GT(textPixels, 0) << frame;
    for (TWinSysButton* s : f->SysButtons())
      if (s->Visible && s->Record()->Action < 3)
        same(shot, s->Image.copy(FrameRect(s->Image, false, s->Frames, s->Frames < 4 ? 1 : 3 * frame - 2)), s->Bounds.topLeft(), "button");
  }
  wm::SendMessage(&form, wm::WM_NCACTIVATE, 1);
  Shot(form);  // the frame repaint, which clears the hot object
  TWinSysButton* close = f->SysButtons()[0];
  for (quint32 msg : {wm::WM_NCMOUSEMOVE, wm::WM_NCLBUTTONDOWN}) {
    wm::SendMessage(&form, msg, wm::HTCAPTION, wm::MakePoint(form.mapToGlobal(close->Bounds.center())));
    same(Shot(form), close->Image.copy(FrameRect(close->Image, false, close->Frames, msg == wm::WM_NCMOUSEMOVE ? 3 : 2)),
         close->Bounds.topLeft(), "button hot/pressed");
  }
  // Right to left: the caption ends where the right-aligned buttons begin, moved 10 on.
  const TDataSkinTitle& t = *d.Title;
  form.setProperty("wmExStyle", wm::WS_EX_LEFTSCROLLBAR);
  Switch(false);
  f = On(&form);
  Shot(form);
  ASSERT_EQ(t.TextAlignment, 0);
  EXPECT_EQ(f->CaptionRect().right() + 1, W - b.right() - f->WidestRightButton() + 10);
}

TEST_F(SkinFrameTest, RegionTracedFromTheBordersOnlyWhenTheSizeChanges) {
  orvane::Form form;
  form.setGeometry(100, 100, 300, 200);
  form.show();
  TFormSkinner* f = On(&form);
  const TSkinData& d = *skin->Data();
  const QMargins b = f->Borders();
  auto traced = [&](BorderSide s, QRect r) {
    const auto& e = d.Border(s);
    return CreateRegionFromBitmap(BuildSkinBitmap(r.size(), e.Bitmap, e.Margins(), s >= bsTop, e.Tile != 1, e.FrameCount(), 1), r.x(), r.y(), 1, 1, 1, KeyColour);
  };
  const int W = form.width(), H = form.height();
  const QRegion want = QRegion(b.left(), b.top(), W - b.left() - b.right(), H - b.top() - b.bottom()) |
                       traced(bsLeft, {0, 0, b.left(), H}) | traced(bsRight, {W - b.right(), 0, b.right(), H}) |
                       traced(bsTop, {b.left(), 0, W - b.left() - b.right(), b.top()}) |
                       QRegion(b.left(), H - b.bottom(), W - b.left() - b.right(), b.bottom());
  EXPECT_EQ(form.mask(), want);
  EXPECT_FALSE(form.mask().contains(QPoint(0, 0)));  // a see-through corner
  wm::SetWindowRgn(&form, QRegion(0, 0, 5, 5), false);
  f->UpdateRegion();
  EXPECT_EQ(form.mask(), QRegion(0, 0, 5, 5));  // same size: not traced again
  form.setMinimumSize(1, 1);
  for (QSize s : {QSize(3, 3), QSize(1, 1), QSize(300, 201)}) {
    form.resize(s);
    EXPECT_TRUE(QRegion(form.rect()).contains(form.mask().boundingRect())) << s.width();
    EXPECT_FALSE(form.mask().isEmpty());
  }
  for (BorderSide s : {bsLeft, bsRight, bsTop, bsBottom}) const_cast<TDataSkinBorder&>(d.Border(s)).Trans = 0;
  form.resize(300, 200);
  EXPECT_EQ(form.mask(), QRegion(form.rect()));
}
