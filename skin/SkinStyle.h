// The one application style of the skin engine: Fusion beneath, with the skinned parts left to
// the skinners. Installed while the skin is on, replaced by the style it displaced when off.
#pragma once

#include <QProxyStyle>

namespace orvane::skin {

class TSkinStyle : public QProxyStyle {
  Q_OBJECT
 public:
  TSkinStyle();

  int pixelMetric(PixelMetric metric, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr) const override;
  void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
  // Items of an owner-drawn menu are measured and painted by the menu's owner window.
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget) const override;
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget = nullptr) const override;
};

// Makes the skin style the application's style (nothing when it already is).
void InstallSkinStyle();
// Puts back the style the skin style displaced (nothing when it is not installed).
void RemoveSkinStyle();
bool SkinStyleInstalled();

}  // namespace orvane::skin
