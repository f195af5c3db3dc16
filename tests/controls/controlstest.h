// Helpers for the flat control tests: a bar that shows its inner state, a paging timer the test
// fires by hand, a fixed application palette, a parent painted in a pattern, shown windows,
// rendering and letter pictures of pixels.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QTest>
#include <QWidget>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controls/flatTrkBar.h"
#include "controls/pagetimer.h"

namespace controls_test {

using namespace orvane::controls;

class ProbeBar : public TFlatTrackBar {
 public:
  using TFlatTrackBar::TFlatTrackBar;
  using TFlatTrackBar::BufferDirty;
  using TFlatTrackBar::Dragging;
  using TFlatTrackBar::Paging;
  using TFlatTrackBar::ThumbBreadth;
  using TFlatTrackBar::ThumbHalf;
  using TFlatTrackBar::ThumbHot;
  using TFlatTrackBar::ThumbLength;
  using TFlatTrackBar::ThumbRect;
  using TFlatTrackBar::Thumbs;
  using TFlatTrackBar::TrackRect;
  // The classic look (no visual themes) with the given thumb: box is 11 x 21, no pointer shift.
  explicit ProbeBar(TThumbStyle style, QWidget* parent = nullptr) : TFlatTrackBar(parent) {
    SetThemeAware(false);
    SetThumbStyle(style);
  }
};

// Shows a top-level widget; with active, also makes it the active window (for focus).
inline bool Shown(QWidget& w, bool active = false) {
  w.show();
  if (!active) return QTest::qWaitForWindowExposed(&w);
  QApplication::setActiveWindow(&w);
  return QTest::qWaitForWindowActive(&w);
}

class ManualPageTimer : public PageTimer {
 public:
  void SetEnabled(bool e) override { enabled = e; }
  bool Enabled() const override { return enabled; }
  void SetInterval(int ms) override { interval = ms; }
  int Interval() const override { return interval; }
  // One tick, as the real timer would deliver it while enabled.
  void Fire() {
    if (enabled && OnTimer) OnTimer();
  }
  bool enabled = false;
  int interval = 0;
};

inline ManualPageTimer* InstallManualTimer(TFlatTrackBar& bar) {
  auto timer = std::make_unique<ManualPageTimer>();
  ManualPageTimer* raw = timer.get();
  bar.SetPageTimer(std::move(timer));
  return raw;
}

// Distinct colours for the roles the system colours map to, so every frame colour is known.
struct Colours {
  static QColor face() { return QColor(200, 201, 202); }       // clBtnFace
  static QColor shadow() { return QColor(128, 129, 130); }     // clBtnShadow
  static QColor highlight() { return QColor(250, 251, 252); }  // clBtnHighlight
  static QColor dkShadow() { return QColor(60, 61, 62); }      // cl3DDkShadow
  static QColor light() { return QColor(225, 226, 227); }      // cl3DLight
  static QColor text() { return QColor(10, 11, 12); }          // clBtnText
  static QColor select() { return QColor(40, 90, 200); }       // clHighlight
  static QColor window() { return QColor(236, 237, 238); }     // the window background
};

// Sets the application palette for one test and puts the old one back.
class TestPalette {
 public:
  TestPalette() : saved_(QApplication::palette()) {
    QPalette p = saved_;
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
      p.setColor(group, QPalette::Button, Colours::face());
      p.setColor(group, QPalette::Dark, Colours::shadow());
      p.setColor(group, QPalette::Light, Colours::highlight());
      p.setColor(group, QPalette::Shadow, Colours::dkShadow());
      p.setColor(group, QPalette::Midlight, Colours::light());
      p.setColor(group, QPalette::ButtonText, Colours::text());
      p.setColor(group, QPalette::Highlight, Colours::select());
      p.setColor(group, QPalette::Window, Colours::window());
    }
    QApplication::setPalette(p);
  }
  ~TestPalette() { QApplication::setPalette(saved_); }

 private:
  QPalette saved_;
};

// A parent whose every pixel tells where it is: (x, y, blue).
class PatternParent : public QWidget {
 public:
  explicit PatternParent(int blue) : blue_(blue) {}
  QRgb At(QPoint p) const { return qRgb(p.x(), p.y(), blue_); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    for (int y = 0; y < height(); ++y)
      for (int x = 0; x < width(); ++x) p.fillRect(QRect(x, y, 1, 1), QColor(At({x, y})));
  }

 private:
  int blue_;
};

inline QImage Render(QWidget& w) {
  QImage image(w.size(), QImage::Format_ARGB32);
  image.fill(Qt::magenta);
  w.render(&image);
  return image;
}

// Compares the pixels of an image with a picture of letters, one string per row; returns the
// first difference as text (empty when they match).
inline std::string ComparePicture(const QImage& image, const std::vector<std::string>& rows,
                                  const std::map<char, QColor>& colours) {
  for (int y = 0; y < int(rows.size()); ++y) {
    for (int x = 0; x < int(rows[y].size()); ++x) {
      const QRgb want = colours.at(rows[y][x]).rgb();
      const QRgb got = image.pixel(x, y) | 0xFF000000;
      if (want != got) {
        return "pixel (" + std::to_string(x) + "," + std::to_string(y) + ") expected '" + rows[y][x] + "' " +
               QColor(want).name().toStdString() + " got " + QColor(got).name().toStdString();
      }
    }
  }
  return {};
}

}  // namespace controls_test
