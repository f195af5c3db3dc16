// The media player's skinner: the player paints itself with no style hook to take over, so the
// skinner lays its own panel over it and keeps it there while attached. The panel dies with the
// skinner, and so with the player.
#pragma once

#include <QPointer>

#include "skin/TSkinControl.h"

namespace orvane::skin {

class TMediaPlayerSx;

class TSkinMP : public TSkinControl {
  Q_OBJECT
 public:
  explicit TSkinMP(QWidget* control) : TSkinControl(control) {}
  ~TSkinMP() override;

  bool CanSkin() const override;
  void InitControl(TFormSkinner* formSkin, TSXSkin* skin, bool setColor) override;
  void DoneControl() override;
  void UpdateSkin() override;
  TMediaPlayerSx* Panel() const;

 private:
  void FreePanel();
  QPointer<TMediaPlayerSx> panel_;
};

}  // namespace orvane::skin
