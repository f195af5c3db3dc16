// The one application style of the skin engine: Fusion beneath, with the skinned parts left to
// the skinners. Installed while the skin is on; when off, replaced by the style it displaced
// unless that was Fusion.
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
  // Items of an owner-drawn menu are measured and painted by the menu's owner window; every
  // other call below goes to the control's skinner when it has one that is switched on and has
  // its skin element (TSkinRegistry::SkinnerFor); everything else is Fusion's.
  void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                   const QWidget* widget = nullptr) const override;
  void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                          const QWidget* widget = nullptr) const override;
  QRect subControlRect(ComplexControl cc, const QStyleOptionComplex* option, SubControl sc,
                       const QWidget* widget = nullptr) const override;
  QRect subElementRect(SubElement element, const QStyleOption* option, const QWidget* widget = nullptr) const override;
  QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                         const QWidget* widget = nullptr) const override;
  int styleHint(StyleHint hint, const QStyleOption* option = nullptr, const QWidget* widget = nullptr,
                QStyleHintReturn* returnData = nullptr) const override;
  // A widget made after its window was skinned gets its skinner at its first polish.
  void polish(QWidget* widget) override;
  using QProxyStyle::polish;
  // Fusion itself, for a skinner that draws part of a control and leaves the rest.
  const QStyle* Fusion() const { return baseStyle(); }
};

// The installed skin style, null when another style is in use.
TSkinStyle* InstalledSkinStyle();

// Makes the skin style the application's style (nothing when it already is).
void InstallSkinStyle();
// Puts back the style the skin style displaced (nothing when it is not installed, or when that
// style is Fusion, which the skin style without skinners already is).
void RemoveSkinStyle();
bool SkinStyleInstalled();

}  // namespace orvane::skin
