#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimeEdit>

#include "controls/ExtCtrlsX.h"
#include "scheduler/windows/Unit_sysj.h"
#include "tests/scheduler/settingsfixture.h"

namespace {

// The main window as the settings model sees it, for the model's own cases.
struct FakeTarget : SettingsTarget {
  MainState& state() override { return s; }
  void ComputeEndShutdownTime() override { ++computed; }
  void SetSkinActive(bool) override {}
  void ApplyCaption(const QString& c) override { caption = c; }
  MainState s;
  int computed = 0;
  QString caption;
};

const QStringList kSaveOrder = {"autorun",   "runminimize", "canshutdown1", "canshutdown2",   "canshutdown3",
                                "canreboot", "endshutdown", "shutdownhint", "autovolume",     "canuseskin",
                                "videofullsc", "volume3",   "cantstr",      "canwritelogtxt", "canchannel",
                                "softtitle", "shutdowntime1", "shutdowntime2", "shutdowntime3", "reboottime"};

class Settings : public SettingsFixture {
 protected:
  // The settings window over the main window, as its toolbar opens it.
  std::unique_ptr<TForm_sysj> settings(orvane::Autostart* entry = nullptr) {
    if (!window) openMainWindow();
    auto w = std::make_unique<TForm_sysj>(windowDm, *window, entry ? entry : autostart.get(), window.get());
    w->show();
    return w;
  }
};

}  // namespace

TEST_F(Settings, RoundTripWritesEveryKeyInOrderAndTheMainWindowFollows) {
  useWeekdaySchedule(QStringLiteral("Wednesday"), QStringLiteral("日常"));
  addEntry({"放学", "17:00:00", "17:20:00"});
  for (const auto& [key, value] : std::initializer_list<std::pair<const char*, const char*>>{
           {"canshutdown1", "1"}, {"shutdowntime1", "17:30:00"}, {"canshutdown2", "0"}, {"shutdowntime2", "21:00:00"},
           {"canshutdown3", "1"}, {"shutdowntime3", "23:30:00"}, {"canreboot", "0"}, {"reboottime", "06:00:00"},
           {"endshutdown", "0"}, {"shutdownhint", "1"}, {"runminimize", "0"}, {"autovolume", "60"},
           {"canuseskin", "1"}, {"videofullsc", "0"}, {"volume3", "0"}, {"cantstr", "1"}, {"canwritelogtxt", "0"},
           {"canchannel", "1"}, {"minvolume", "30"}, {"softtitle", "实验中学"}})
    set(key, QString::fromUtf8(value));
  openMainWindow();
  std::vector<bool> skin;
  window->setSkinSwitch([&](bool on) { skin.push_back(on); });
  auto w = settings();
  EXPECT_EQ(w->caption(), QStringLiteral("系统设置"));
  auto bits = [](std::initializer_list<bool> b) {
    QString out;
    for (bool x : b) out += x ? QLatin1Char('1') : QLatin1Char('0');
    return out;
  };
  // Switches and their times; no autostart entry yet; the fade switch loaded while hidden.
  EXPECT_EQ(bits({w->CheckBox1->isChecked(), w->DateTimePicker1->isEnabled(), w->CheckBox5->isChecked(),
                  w->DateTimePicker2->isEnabled(), w->CheckBox2->isChecked(), w->CheckBox3->isChecked(),
                  w->CheckBox4->isChecked(), w->CheckBox8->isChecked(), w->CheckBox15->isChecked(),
                  w->Edit_minvolume->isVisible(), w->CheckBox13->isChecked(), w->CheckBox13->isVisible()}),
            QStringLiteral("110010111110"));
  EXPECT_EQ(QStringList({w->DateTimePicker1->time().toString(), w->DateTimePicker2->time().toString(),
                         QString::number(w->TrackBar1->value()), QString::number(w->TrackBar1->maximum()),
                         w->Edit_minvolume->text(), w->Edit1->text()}),
            QStringList({"17:30:00", "21:00:00", "3", "5", "30", "实验中学"}));
  w->CheckBox1->click();
  w->CheckBox5->click();
  EXPECT_TRUE(!w->DateTimePicker1->isEnabled() && w->DateTimePicker2->isEnabled());
  w->DateTimePicker2->setTime(QTime(12, 34, 56));
  w->CheckBox12->click();
  w->DateTimePicker4->setTime(QTime(5, 6, 7));
  w->CheckBox9->click();
  w->CheckBox3->click();
  w->CheckBox8->click();
  w->TrackBar1->setValue(5);
  w->Edit_minvolume->setText(QStringLiteral("25"));
  w->Edit1->setText(QStringLiteral("  新标题  "));
  w->CheckBox13->setChecked(false);
  w->CheckBox14->setChecked(true);
  clearWrites();
  w->Button1->click();
  EXPECT_TRUE(boxes.asked().empty() && !w->isVisible());
  EXPECT_EQ(writes(), QStringList{QStringLiteral("minvolume")} + kSaveOrder);
  // The stored forms, in the save order (a switched-off time stays stored).
  QStringList stored;
  for (const QString& key : kSaveOrder) stored << dm.GetSetting(key);
  EXPECT_EQ(stored.join(QLatin1Char(',')),
            QStringLiteral("1,0,0,1,1,1,1,1,100,0,0,0,0,1,1,新标题,17:30:00,12:34:56,23:30:00,05:06:07"));
  const MainState& s = window->state();
  EXPECT_TRUE(get("minvolume") == QStringLiteral("25") && s.minvolume10 == 250);
  EXPECT_EQ(QStringList({s.shutdownat1, s.shutdownat2, s.shutdownat3, s.rebootat, s.endshutdownat}),
            QStringList({kNever, "12:34:56", "23:30:00", "05:06:07", "17:20:00"}));
  EXPECT_TRUE(!s.fadeenabled && s.logenabled && s.channelenabled && skin == std::vector<bool>{false});
  EXPECT_EQ(window->caption() + "|" + window->TrayIcon1->Hint(), QStringLiteral("新标题 V5.11|新标题 V5.11"));
  QFile entry(autostart->filePath());
  ASSERT_TRUE(entry.open(QIODevice::ReadOnly));
  EXPECT_TRUE(entry.readAll().contains(("Exec=\"" + QCoreApplication::applicationFilePath() + "\"\n").toUtf8()));
  // Next time the box shows the entry; unchecking it removes the entry.
  auto again = settings();
  EXPECT_TRUE(again->CheckBox3->isChecked());
  again->CheckBox3->click();
  again->CheckBox9->click();
  again->Button1->click();
  EXPECT_FALSE(QFile::exists(autostart->filePath()));
  EXPECT_EQ(get("autorun") + window->state().endshutdownat, "0" + kNever);
}

TEST_F(Settings, DuckingLevelEmptyTooHighAndSecondChannelOff) {
  set("canchannel", "1");
  set("minvolume", "30");
  auto w = settings();
  EXPECT_EQ(w->Label_minvolume1->text() + w->Label_minvolume2->text(), QStringLiteral("副通道播放时主通道音量为：%"));
  // Only digits can be typed, and no more than three.
  w->Edit_minvolume->clear();
  QTest::keyClicks(w->Edit_minvolume, QStringLiteral("1a-2 .09"));
  EXPECT_EQ(w->Edit_minvolume->text(), QStringLiteral("120"));
  w->Edit_minvolume->setText(QStringLiteral("101"));
  clearWrites();
  w->Button1->click();
  EXPECT_EQ(onlyBox(), QStringLiteral("副通道播放时主通道音量的设置值不能大于100%。|提示|16"));
  EXPECT_TRUE(writes().isEmpty() && w->isVisible() && w->focusWidget() == w->Edit_minvolume);
  // Empty becomes "10".
  w->Edit_minvolume->clear();
  w->Button1->click();
  EXPECT_TRUE(!w->isVisible() && window->state().minvolume10 == 100 && get("minvolume") == QStringLiteral("10"));
  // With the second channel off the level is hidden and not written; memory follows the edit.
  auto off = settings();
  off->CheckBox15->click();
  EXPECT_FALSE(off->Label_minvolume1->isVisible() || off->Edit_minvolume->isVisible());
  off->Edit_minvolume->setText(QStringLiteral("40"));
  clearWrites();
  off->Button1->click();
  EXPECT_FALSE(writes().contains(QStringLiteral("minvolume")) || window->state().channelenabled);
  EXPECT_TRUE(get("minvolume") + get("canchannel") == QStringLiteral("100") && window->state().minvolume10 == 400);
}

TEST_F(Settings, AnUnwritableAutostartFolderShowsTheMessageAndKeepsTheWindowOpen) {
  testing_support::writeFile(autostart->folder(), "in the way");
  auto w = settings();
  w->CheckBox3->click();
  w->Edit1->setText(QStringLiteral("学校"));
  w->Button1->click();
  EXPECT_EQ(onlyBox(), QStringLiteral("更改开机自启动软件失败。请检查：1、当前用户能否写入自启动文件夹“") +
                           autostart->folder() + QStringLiteral("”；2、是否有安全类软件阻止了播音软件写自启动项|提示|0"));
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(get("softtitle") + get("autorun") + window->caption(), QStringLiteral("学校1学校 V5.11"));
}

TEST_F(Settings, MalformedStoredValuesNeverStopTheWindow) {
  for (auto [key, value] : {std::pair{"canshutdown1", "1"}, {"shutdowntime1", ""}, {"shutdowntime2", "abc"},
                            {"shutdowntime3", "7:05"}, {"reboottime", "25:00:00"}, {"minvolume", "x1"},
                            {"autovolume", "loud"}, {"canreboot", " 1"}})
    set(key, QLatin1String(value));
  openMainWindow();
  boxes.clear();
  auto w = settings();
  EXPECT_TRUE(boxes.asked().empty());
  EXPECT_EQ(QStringList({w->DateTimePicker1->time().toString(), w->DateTimePicker2->time().toString(),
                         w->DateTimePicker3->time().toString(), w->DateTimePicker4->time().toString(),
                         w->Edit_minvolume->text(), QString::number(w->TrackBar1->value())}),
            QStringList({"00:00:00", "00:00:00", "07:05:00", "00:00:00", "10", "3"}));
  EXPECT_FALSE(w->CheckBox12->isChecked() || w->CheckBox4->isChecked()) << "a blank makes a switch off";
  w->Button1->click();
  EXPECT_EQ(get("shutdowntime1") + get("shutdowntime3") + get("autovolume") + window->state().shutdownat1,
            QStringLiteral("00:00:0007:05:00000:00:00"));
}

TEST_F(Settings, TextsCtrlHAndTheHelpLabel) {
  set("cantstr", "0");
  set("canwritelogtxt", "1");
  auto w = settings();
  QStringList texts;
  for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
           w->CheckBox1, w->CheckBox5, w->CheckBox6, w->CheckBox12, w->CheckBox9, w->CheckBox2, w->CheckBox3, w->CheckBox7,
           w->CheckBox4, w->CheckBox8, w->CheckBox10, w->CheckBox11, w->CheckBox15, w->Button1, w->Button2,
           w->CheckBox13, w->CheckBox14})
    texts << b->text();
  texts << w->Label1->text() << w->Label2->text();
  EXPECT_EQ(texts, QStringList({"定时关机1 (24时制)：", "定时关机2 (24时制)：", "定时关机3 (24时制)：",
                                "定时重启  (24时制)：", "播完一天节目后自动关机", "关机或重启前30秒提示",
                                "开机时启动此软件", "启动后最小化", "软件启动时自动设置系统音量为以下值：", "启用软件皮肤",
                                "播放视频时全屏", "软件启动时自动网络校时", "启用超市播音副通道", "确定", "取消",
                                "启用谈出谈入", "启用日志记录", "软件标题：", "（什么作用?）"}));
  // Ctrl+H, and only Ctrl+H, shows the fade and log switches with their stored states.
  EXPECT_FALSE(w->CheckBox13->isVisible() || w->CheckBox14->isVisible());
  QTest::keyClick(w->Edit1, Qt::Key_G, Qt::ControlModifier);
  QTest::keyClick(w->Edit1, Qt::Key_H);
  EXPECT_FALSE(w->CheckBox13->isVisible());
  QTest::keyClick(w->Edit1, Qt::Key_H, Qt::ControlModifier);
  EXPECT_TRUE(w->CheckBox13->isVisible() && w->CheckBox14->isVisible());
  EXPECT_TRUE(!w->CheckBox13->isChecked() && w->CheckBox14->isChecked());
  // The help label: maroon under the mouse, and only a left click let go on it answers.
  QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
  QCoreApplication::sendEvent(w->Label2, &enter);
  EXPECT_EQ(w->Label2->palette().color(QPalette::WindowText), QColor(128, 0, 0));
  EXPECT_EQ(w->Label2->cursor().shape(), Qt::PointingHandCursor);
  QTest::mouseClick(w->Label2, Qt::RightButton);
  QTest::mousePress(w->Label2, Qt::LeftButton);
  QTest::mouseRelease(w->Label2, Qt::LeftButton, {}, QPoint(-5, -5));
  EXPECT_TRUE(boxes.asked().empty());
  QTest::mouseClick(w->Label2, Qt::LeftButton);
  EXPECT_EQ(onlyBox(),
            QStringLiteral("一般是超市播音才启用2个通道（相当于2个播放器），主通道播放背景音乐，副通道播放录制好的MP3语音节目。"
                           "主通道和副通道节目时间可交叉。例如：主通道7：00-23：00播放某个文件夹的歌曲做为背景音乐，"
                           "副通道每隔一个时间播放不同内容的MP3语音节目。|提示|0"));
  // Cancel writes nothing; without an autostart service the box stays off and nothing is touched.
  clearWrites();
  w->CheckBox7->click();
  w->Button2->click();
  EXPECT_TRUE(writes().isEmpty() && !w->isVisible());
  testing_support::writeFile(autostart->filePath(), "[Desktop Entry]\nExec=x\n");
  auto bare = std::make_unique<TForm_sysj>(windowDm, *window, nullptr, window.get());
  bare->show();
  EXPECT_FALSE(bare->CheckBox3->isChecked());
  bare->Button1->click();
  EXPECT_TRUE(QFile::exists(autostart->filePath()));
}

TEST_F(SchedulerFixture, SettingsModelScalesTheStartVolumeAndReportsEveryFailedWrite) {
  EXPECT_EQ(SystemSettings::VolumeFactor(QStringLiteral("Windows 7")), 20);
  EXPECT_EQ(SystemSettings::VolumeFactor(QStringLiteral("Windows XP")), 13107);
  SystemSettings xp(dm, QStringLiteral("Windows XP"));
  FakeTarget target;
  SettingsForm f;
  xp.LoadSwitches(f);
  xp.LoadTimes(f);
  f.autovolume = true;
  f.volumeposition = 5;
  target.s.endshutdownarmed = true;  // the day's last entry ended a moment ago
  ASSERT_EQ(xp.Save(f, target), SystemSettings::SaveResult::Saved);
  EXPECT_FALSE(target.s.endshutdownarmed) << "switched off, the armed end-of-day shutdown is called off";
  EXPECT_EQ(dm.GetSetting(QStringLiteral("autovolume")), QStringLiteral("65535"));
  // A Windows-scale value on the endpoint scale is held to the bar's end.
  SettingsForm back;
  SystemSettings(dm).LoadSwitches(back);
  EXPECT_TRUE(back.autovolume && back.volumeposition == 5);
  EXPECT_EQ(target.computed, 0) << "end-of-day shutdown off: nothing to compute";
  // Every write fails: each reports, and the rest still runs and applies.
  ASSERT_TRUE(dm.connection()->execScript(
      QStringLiteral("create trigger nowrite before update on system1 begin select raise(abort,'read only'); end;")));
  boxes.clear();
  f.endshutdown = f.canchannel = f.cantstr = true;
  f.canshutdown = {true, false, false};
  f.shutdowntime[0] = QTime(9, 0);
  ASSERT_EQ(xp.Save(f, target), SystemSettings::SaveResult::Saved);
  EXPECT_EQ(boxes.count(QStringLiteral("数据库写入出错!")), 21);
  EXPECT_TRUE(target.computed == 1 && target.s.fadeenabled);
  EXPECT_EQ(target.s.shutdownat1, QStringLiteral("09:00:00"));
  EXPECT_EQ(target.caption, dm.GetSetting(QStringLiteral("softtitle")) + QStringLiteral(" V5.11"));
}
