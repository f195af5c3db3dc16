// The skin manager: decides which windows of the program get a skin, keeps the skinned ones,
// and carries out the skin component's switch-on, switch-off and refresh requests one timer
// tick later. One instance, SkinManager, made by the first skin component loaded.
#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>

#include "skin/WinSkinData.h"
#include "skin/WinSkinForm.h"

namespace orvane::skin {

using FormSkinnerFactory = std::function<TWinSkinForm*(QWidget* hwnd, QObject* object, const QString& className)>;
using PopupSkinnerFactory = std::function<TWinSkinPopMenu*(QWidget* hwnd)>;
// Installed by the window skinners; until one is, no window can be given a skinner.
void SetFormSkinnerFactory(FormSkinnerFactory factory);
void SetPopupSkinnerFactory(PopupSkinnerFactory factory);

class TSkinManage : public QObject {
 public:
  enum State { NotStarted = 0, Started = 1, Destroying = 4 };
  enum Action { ActionActivate = 1, ActionDeactivate = 2, ActionRefresh = 3, ActionPurge = 6, ActionRebuild = 7 };
  enum MenuKind { mkPopup = 0, mkMenuBar = 1, mkSystem = 2 };

  TSkinManage();
  ~TSkinManage() override;

  void InstallHook();
  void RegisterSkin(TSXSkin* skin);
  void UnregisterSkin(TSXSkin* skin);
  bool AddWindow(QWidget* w);
  void RemoveForm(QWidget* w);
  TWinSkinForm* FindSkinForm(QWidget* w) const;
  TSXSkin* FindSkinFor(QWidget* w) const;
  bool CanSkinWindow(QWidget* w, const QString& className) const;
  void AddPopupMenu(QWidget* w);
  void RemovePopupMenu(QWidget* w);
  void MarkMenusOwnerDrawn();
  void SetLastMenuHandle(QObject* menu);
  const QImage* GetMenuBitmapByHandle(QObject* menu) const;
  void SetMDIMaximized(bool maximized);
  bool MDIMaximized() const { return mdiMaximized_; }
  // The MDI client and the frame's form, as the frame's skinner found them.
  void SetMDIClient(QWidget* client, QObject* frameForm) { mdiClient_ = client, mdiFrameForm_ = frameForm; }
  QWidget* MDIClient() const { return mdiClient_; }
  QObject* MDIFrameForm() const { return mdiFrameForm_; }
  // Queues an action for the timer. A later request replaces a pending one, except that a
  // pending switch-on or switch-off is never replaced by a refresh, purge or rebuild: those
  // then run after it.
  void PostAction(int action, int intervalMs, QWidget* window = nullptr);
  void RefreshSkinData();
  void TimerAction();

  bool On() const { return on_; }
  void SetOn(bool on) { on_ = on; }
  int State() const { return state_; }
  void SetState(int state) { state_ = state; }
  int MenuKind() const { return menuKind_; }
  void SetMenuKind(int kind) { menuKind_ = kind; }
  bool OwnerDrawnFlag() const { return ownerDrawn_; }
  void SetOwnerDrawnFlag(bool on) { ownerDrawn_ = on; }
  TSXSkin* CurrentSkin() const { return currentSkin_; }
  void SetCurrentSkin(TSXSkin* skin) { currentSkin_ = skin; }
  TSXSkin* MainSkin() const { return mainSkin_; }
  int QueuedAction() const { return queuedAction_; }
  const QTimer& ActionTimer() const { return timer_; }
  QList<TWinSkinForm*> Forms() const;
  const QList<TSXSkin*>& Skins() const { return skins_; }
  int PopupCount() const { return static_cast<int>(popups_.size()); }

 private:
  void HookProc(int hook, QWidget* w);
  void Purge();
  void PurgeDestroyed();
  void Free(TWinSkinForm* f);
  void UnskinAndFree(TWinSkinForm* f);
  void AddFormsOf(TSXSkin* s);

  QTimer timer_;
  QList<QPointer<TWinSkinForm>> forms_;
  QList<QPointer<TWinSkinPopMenu>> popups_;
  QList<TSXSkin*> skins_;
  bool on_ = false;
  bool activating_ = false;
  int state_ = NotStarted;
  int menuKind_ = mkPopup;
  bool ownerDrawn_ = false;
  bool mdiMaximized_ = false;
  QPointer<QWidget> mdiClient_;
  QPointer<QObject> mdiFrameForm_;
  int queuedAction_ = 0;
  QPointer<QWidget> queuedWindow_;
  // A refresh, purge or rebuild asked for while a switch was pending: run after the switch.
  int followAction_ = 0;
  int followInterval_ = 0;
  QPointer<QWidget> followWindow_;
  TSXSkin* followSkin_ = nullptr;
  TSXSkin* switchSkin_ = nullptr;  // the skin of the pending switch
  quint64 posted_ = 0;
  TSXSkin* currentSkin_ = nullptr;
  TSXSkin* mainSkin_ = nullptr;
  bool hookInstalled_ = false;
};

// The program's manager; null until the first skin component is loaded.
extern TSkinManage* SkinManager;
void CreateSkinManager();
// At program end (also registered as a post routine of the application).
void FreeSkinManager();
// Lays out now what a switch of the skin changed in a window (its layouts, the ranges of its
// scroll bars), before the repaint the switch asked for: queued behind that repaint, the
// layout work would move things and bring a second one.
void SettleLayouts(const QList<QPointer<QWidget>>& windows);

}  // namespace orvane::skin
