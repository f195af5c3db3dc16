// Every window of the program skinned: the skinner each control is given, by object name, as a
// golden list per window (a change of the choice shows here as a reviewed diff).
#include <QTest>

#include "audiotools/windows/Unit_findsong.h"
#include "audiotools/windows/Unit_player.h"
#include "audiotools/windows/Unit_recorder.h"
#include "audiotools/windows/Unit_ttsplay.h"
#include "scheduler/windows/About.h"
#include "scheduler/windows/Unit_closepc.h"
#include "scheduler/windows/Unit_mm.h"
#include "scheduler/windows/Unit_nettime.h"
#include "scheduler/windows/Unit_sjbp.h"
#include "scheduler/windows/Unit_sjbp_add.h"
#include "scheduler/windows/Unit_sjsj.h"
#include "scheduler/windows/Unit_sysj.h"
#include "skin/FormSkinner.h"
#include "skin/WinSkinStore.h"
#include "skin/controls/SkinRegistry.h"
#include "tests/scheduler/settingsfixture.h"

namespace {

using namespace orvane::skin;

class SkinControlsGoldenTest : public SettingsFixture {};

TEST_F(SkinControlsGoldenTest, EachWindowsControlsGetTheirSkinners) {
  // Per window, "objectName:skinner" in the order first asked (a kind not built in is asked
  // again by the later steps of the walk).
  QMap<QWidget*, QStringList> asked;
  QSet<QWidget*> seen;
  TSkinKinds::Observer() = [&](const QString& c, QWidget* w) {
    if (!seen.contains(w)) asked[w->window()] << w->objectName() + ":" + c;
    seen << w;
  };
  services.skinPackage = QStringLiteral(":/skin/default.skn");
  openMainWindow();
  window->show();
  ASSERT_TRUE(testing_support::waitUntil([&] { return window->SXSkin1->IsLoaded() && SkinManager->FindSkinForm(window.get()); }, 5000));
  TForm_main_tamu* main = window.get();
  auto* manager = new TForm_sjbp(windowDm, main->state(), services, clock, main);
  const EntryDialogContext context{windowDm, services, clock, true};
  auto* player = new TForm_player;
  const std::vector<std::pair<const char*, orvane::Form*>> forms = {
      {"main", main}, {"manager", manager}, {"add", new TForm_sjbp_add(context, manager)}, {"player", player},
      {"recorder", new TForm_recorder(player)}, {"daymap", new TForm_sjsj(windowDm, clock, main)},
      {"password", new TForm_mm(windowDm, main->state(), {}, main)},
      {"settings", new TForm_sysj(windowDm, *main, autostart.get(), main)},
      {"nettime", new TForm_nettime(services.clockControl, main)}, {"about", new TAboutFrm(windowDm, services.shell)},
      {"close", new TForm_closepc(TForm_closepc::Action::Shutdown, power, main)},
      {"finder", new TForm_findsong({})}, {"speech", new TForm_ttsplay}};
  const char* golden = R"(main=ToolBar1:TSkinBox,SpeedButton1:TSkinSpeedButton,TrackBar2:TSkinTrackBar,SpeedButton2:TSkinSpeedButton,Memo1:TSkinScrollbar,ListBox5:TSkinScrollbar,Panel_web:TSkinBox,Panel1:TSkinBox,ListBox6:TSkinScrollbar,ListBox_mp2:TSkinScrollbar,DBGrid1:TSkinScrollbar
manager=ComboBox1:TSkinComBox,DBGrid1:TSkinScrollbar,Button1:TSkinButton,Button6:TSkinButton,Button3:TSkinButton,Button2:TSkinButton,Button7:TSkinButton,Button4:TSkinButton
add=ComboBox_jmlx:TSkinComBox,Edit_pname:TSkinEdit,DateTimePicker1:TSkinEdit,DateTimePicker2:TSkinEdit,Edit_Schedulen:TSkinEdit,Edit_slpath:TSkinEdit,Button_jmlx:TSkinButton,Edit_vol:TSkinEdit,ComboBox_playmode:TSkinComBox,ComboBox_channel:TSkinComBox,Panel_music:TSkinBox,Memo1:TSkinScrollbar,ComboBox_yyh:TSkinComBox,ComboBox_yyhyl:TSkinComBox,Edit_speed:TSkinEdit,Edit_txtvol:TSkinEdit,Edit_txtcs:TSkinEdit,CheckBox_txthint:TSkinCheckBox,Panel_txt:TSkinBox,Button1:TSkinButton,Button2:TSkinButton
player=SpeedButton7:TSkinSpeedButton,SpeedButton8:TSkinSpeedButton,SpeedButton9:TSkinSpeedButton,SpeedButton3:TSkinSpeedButton,SpeedButton4:TSkinSpeedButton,SpeedButton10:TSkinSpeedButton,SpeedButton1:TSkinSpeedButton,CheckBox2:TSkinCheckBox,CheckBox1:TSkinCheckBox,CheckBox3:TSkinCheckBox,ListBox3:TSkinScrollbar,ListBox4:TSkinScrollbar
recorder=ListBox1:TSkinScrollbar,RadioButton1:TSkinRadioButton,RadioButton2:TSkinRadioButton,RadioButton3:TSkinRadioButton,RadioButton0:TSkinRadioButton,:TSkinGroupBox,RadioButton4:TSkinRadioButton,RadioButton5:TSkinRadioButton,:TSkinGroupBox,RadioButton6:TSkinRadioButton,RadioButton7:TSkinRadioButton,:TSkinGroupBox,CheckBox1:TSkinCheckBox,Button1:TSkinButton,Button2:TSkinButton,Button3:TSkinButton,ProgressBar2:TSkinProgress
daymap=RadioButton1:TSkinRadioButton,RadioButton2:TSkinRadioButton,ComboBox1:TSkinComBox,ComboBox2:TSkinComBox,ComboBox3:TSkinComBox,ComboBox4:TSkinComBox,ComboBox5:TSkinComBox,ComboBox6:TSkinComBox,ComboBox7:TSkinComBox,Panel1:TSkinBox,ComboBox_r1:TSkinComBox,ComboBox_r2:TSkinComBox,ComboBox_r3:TSkinComBox,ComboBox_r4:TSkinComBox,ComboBox_r5:TSkinComBox,ComboBox_r6:TSkinComBox,ComboBox_r7:TSkinComBox,ComboBox_r8:TSkinComBox,ComboBox_r9:TSkinComBox,ComboBox_r10:TSkinComBox,ComboBox_r11:TSkinComBox,ComboBox_r12:TSkinComBox,ComboBox_r13:TSkinComBox,ComboBox_r14:TSkinComBox,ComboBox_r15:TSkinComBox,ComboBox_r16:TSkinComBox,ComboBox_r17:TSkinComBox,ComboBox_r18:TSkinComBox,ComboBox_r19:TSkinComBox,ComboBox_r20:TSkinComBox,ComboBox_r21:TSkinComBox,ComboBox_r22:TSkinComBox,ComboBox_r23:TSkinComBox,ComboBox_r24:TSkinComBox,ComboBox_r25:TSkinComBox,ComboBox_r26:TSkinComBox,ComboBox_r27:TSkinComBox,ComboBox_r28:TSkinComBox,ComboBox_r29:TSkinComBox,ComboBox_r30:TSkinComBox,ComboBox_r31:TSkinComBox,Panel2:TSkinBox,Button1:TSkinButton,:TSkinGroupBox,ListBox1:TSkinScrollbar,DateTimePicker1:TSkinDateTime,Button3:TSkinButton,Button4:TSkinButton,:TSkinGroupBox
password=Edit1:TSkinEdit,Button1:TSkinButton,Button2:TSkinButton
settings=CheckBox1:TSkinCheckBox,DateTimePicker1:TSkinEdit,CheckBox5:TSkinCheckBox,DateTimePicker2:TSkinEdit,CheckBox6:TSkinCheckBox,DateTimePicker3:TSkinEdit,CheckBox12:TSkinCheckBox,DateTimePicker4:TSkinEdit,CheckBox9:TSkinCheckBox,CheckBox2:TSkinCheckBox,CheckBox3:TSkinCheckBox,CheckBox7:TSkinCheckBox,CheckBox4:TSkinCheckBox,TrackBar1:TSkinTrackBar,CheckBox8:TSkinCheckBox,CheckBox10:TSkinCheckBox,CheckBox11:TSkinCheckBox,CheckBox15:TSkinCheckBox,Edit_minvolume:TSkinEdit,CheckBox13:TSkinCheckBox,CheckBox14:TSkinCheckBox,Edit1:TSkinEdit,Button1:TSkinButton,Button2:TSkinButton
nettime=Button1:TSkinButton,Button2:TSkinButton
about=Button2:TSkinButton,Button3:TSkinButton
close=Button1:TSkinButton
finder=Filename:TSkinEdit,Location:TSkinEdit,BrowseButton:TSkinButton,Subfolders:TSkinCheckBox,type1:TSkinCheckBox,type2:TSkinCheckBox,Threaded:TSkinCheckBox,FindButton:TSkinButton,StopButton:TSkinButton,Animate:TSkinProgress,FoundFiles:TSkinListView,:TSkinHeader,StatusBar:TSkinStatusBar
speech=Memo1:TSkinScrollbar,GroupBox1:TSkinGroupBox,Animate1:TSkinProgress,Button1:TSkinButton,Button2:TSkinButton,Button3:TSkinButton,Button4:TSkinButton,Button5:TSkinButton,ComboBox4:TSkinComBox,Edit1:TSkinEdit,Button7:TSkinButton,Edit2:TSkinEdit,UpDown1:TSkinUpDown,CheckBox1:TSkinCheckBox,Edit3:TSkinEdit,CheckBox2:TSkinCheckBox,ComboBox1:TSkinComBox,ComboBox2:TSkinComBox,ComboBox3:TSkinComBox)";
  QStringList got;
  for (const auto& [name, f] : forms) {
    f->show();
    auto* s = dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(f));
    ASSERT_TRUE(testing_support::waitUntil([&] { return (s = dynamic_cast<TFormSkinner*>(SkinManager->FindSkinForm(f))) && s->Activated(); }, 3000));
    got << QString::fromLatin1(name) + "=" + asked.value(f).join(',');
  }
  TSkinKinds::Observer() = nullptr;
  EXPECT_EQ(got.join('\n').toStdString(), golden);
  QList<QPointer<orvane::Form>> owned;  // a window may own another
  for (const auto& [name, f] : forms)
    if (f != main) owned.prepend(f);
  for (const QPointer<orvane::Form>& f : owned) delete f.data();
}

}  // namespace
