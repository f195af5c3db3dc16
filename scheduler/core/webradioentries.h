// Web radio entries (kind 6): the page plays in a hidden web browser, made at the first web
// radio entry and kept; "about:blank" stops it.
#pragma once

#include <QString>

#include "scheduler/core/entrykindhandler.h"

class MainChannel;
class ProgrammeView;
class TodayProgramme;

// The window's hidden browser and the panel that hosts it ("Panel_web").
class WebRadioPanel {
 public:
  virtual ~WebRadioPanel() = default;
  // The browser has been made.
  virtual bool WebExists() const = 0;
  // Makes the browser when needed, shows its panel and loads the page; returns at once.
  virtual void ShowWebPage(const QString& address) = 0;
  // Loads "about:blank" and hides the panel.
  virtual void HideWebPage() = 0;
  // Loads "about:blank" and leaves the panel as it is.
  virtual void BlankWebPage() = 0;
};

class WebRadioEntries : public EntryKindHandler {
 public:
  WebRadioEntries(TodayProgramme& today, MainChannel& main);
  void setView(ProgrammeView* v) { view_ = v; }
  void setPanel(WebRadioPanel* p) { panel_ = p; }

  void StartKind(int index, const rjmb& entry, EntryMode mode) override;
  void EndKind(int index, const rjmb& entry, EntryMode mode) override;
  void StopKind() override;
  bool Sounding() const override { return shown_; }
  // The page is blanked and loaded again afterwards.
  bool HoldForInsertion() override;
  bool ResumeAfterInsertion() override;
  // "Panel_web" shows.
  bool shown() const { return shown_; }

 private:
  void hide();

  TodayProgramme& today_;
  MainChannel& main_;
  ProgrammeView* view_ = nullptr;
  WebRadioPanel* panel_ = nullptr;
  bool shown_ = false;
  qint64 owner_ = 0;      // the entry whose page plays: only its own end stops it
  QString address_;       // the page playing
  qint64 heldOwner_ = 0;  // the entry whose page an insertion blanked
};
