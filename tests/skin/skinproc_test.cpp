// The skinned window procedure and the form's own procedure, message by message, seen from a
// procedure beneath the skin; and MDI frames and children on a test-only MDI form.
#include <QApplication>
#include <QDialog>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>

#include "platform/forms/form.h"
#include "platform/wm/wm.h"
#include "skin/WinSkinMenu.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/controls/TScrollbarSx.h"
#include "skin/controls/TSkinHeader.h"
#include "tests/skin/skinfixture.h"
#include "tests/support/testsupport.h"

using namespace orvane::skin;
namespace wm = orvane::wm;

namespace {

class SkinProcTest : public FormSkinFixture {};

// A window recorded beneath its skin; system commands and closing are kept from acting.
struct Recorded {
  explicit Recorded(QWidget* window) : w(window) {
    below = wm::Subclass(w, [this](wm::Message& m) {
      seen << m.msg;
      if (m.msg == CM_RECREATEWND) during = w->grab().toImage();  // a paint pass while recreated
      if (m.msg == wm::WM_SYSCOMMAND || m.msg == wm::WM_CLOSE) return;
      const qintptr before = m.result;
      wm::CallPrevious(below, m);
      if (m.msg == WM_SKINPRESENT && m.lParam == SkinNotifyKey) answeredBeneath = before == 0 && m.result == SkinNotifyKey;
    });
    w->resize(300, 200);
    w->show();
    f = dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(w));
  }
  QWidget* w;
  wm::Link below;
  TFormSkinner* f = nullptr;
  QList<quint32> seen;
  bool answeredBeneath = false;  // the form's procedure lies beneath
  QImage during;
};

}  // namespace

TEST_F(SkinProcTest, SavedActiveSwitchesOnForItsOwnSkin) {
  TSXSkin saved;  // read with Active set, into a manager that already runs
  saved.SetSkinStream(skin->SkinStream());
  ASSERT_TRUE(saved.LoadSkin());
  saved.SetActive(true);
  SkinManager->SetOn(false);
  int changed = 0;
  saved.OnSkinChanged = [&](TSXSkin*) { ++changed; };
  saved.Loaded();
  EXPECT_TRUE(testing_support::waitUntil([&] { return changed == 1; }, 2000));
  EXPECT_TRUE(SkinManager->On());
}
