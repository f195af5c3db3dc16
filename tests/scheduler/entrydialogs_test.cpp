#include <QAbstractProxyModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>

#include "platform/system/shell.h"
#include "scheduler/core/songlist.h"
#include "scheduler/windows/Unit_lbbj.h"
#include "scheduler/windows/Unit_sjbp_add.h"
#include "scheduler/windows/Unit_sjbp_addmuch.h"
#include "scheduler/windows/Unit_sjbp_edit.h"
#include "scheduler/windows/songlistbox.h"
#include "tests/scheduler/entryfakes.h"
#include "tests/scheduler/modalhelper.h"
#include "tests/scheduler/schedulerfixture.h"

namespace {
const QString kDay = QStringLiteral("日常");

// Picks an entry kind as the operator does, through the list.
void pickKind(EntryDialog& d, int index) {
  d.ComboBox_jmlx->setCurrentIndex(index);
  emit d.ComboBox_jmlx->activated(index);
}

void setTimes(EntryDialog& d, const QTime& start, const QTime& end) {
  d.DateTimePicker1->setTime(start);
  d.DateTimePicker2->setTime(end);
}

// Answers the next file or folder picker with a path.
void answerPicker(const QString& path, QString* title = nullptr) {
  OnNextModal<QFileDialog>([path, title](QFileDialog* d) {
    if (title) *title = d->windowTitle();
    if (d->fileMode() == QFileDialog::Directory) {
      d->setDirectory(path);
    } else {
      d->setDirectory(QFileInfo(path).absolutePath());
      d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QFileInfo(path).fileName());
    }
    static_cast<QDialog*>(d)->accept();
  });
}
}  // namespace

class EntryDialogs : public SchedulerFixture {
 protected:
  void SetUp() override {
    SchedulerFixture::SetUp();
    voices.list = {voice("English (Great Britain)", "en-gb", "gmw/en"),
                   voice("Chinese (Mandarin, latin as Pinyin)", "cmn-latn-pinyin", "sit/cmn-Latn-pinyin"),
                   voice("VW Kate")};
    clock.set(QDateTime(QDate(2025, 12, 5), QTime(7, 15, 0)));
  }
  EntryDialogContext context(bool channels = false) {
    SystemServices s;
    s.mediaProbe = &probe;
    s.voices = &voices;
    s.shell = &shell;
    return EntryDialogContext{dm, s, clock, channels};
  }
  // A dialog of the kind, for the day's schedule, shown.
  template <typename D, typename... Args>
  std::unique_ptr<D> open(bool channels, Args... args) {
    auto d = std::make_unique<D>(context(channels), args...);
    d->Edit_Schedulen->setText(kDay);
    d->show();
    return d;
  }
  int rowCount() {
    dm.OpenQuery(dm.qry_temp, QStringLiteral("select count(*) from sjb"));
    return dm.qry_temp.value(0, 0).toInt();
  }
  qint64 insert(const EntryValues& v) {
    EntryStore store(dm);
    EXPECT_TRUE(store.Insert(v));
    dm.OpenQuery(dm.qry_temp, QStringLiteral("select max(id) from sjb"));
    return dm.qry_temp.value(0, 0).toLongLong();
  }
  EntryValues stored(int jmlx, const QString& path, const QString& playmode, const QString& start = "08:00:00",
                     const QString& end = "08:05:00") {
    EntryValues v;
    v.pname = QStringLiteral("课间");
    v.starttime = start;
    v.endtime = end;
    v.slpath = path;
    v.tlength = QStringLiteral("00:05:00");
    v.playmode = playmode;
    v.ivolume = QStringLiteral("70");
    v.Schedulen = kDay;
    v.jmlx = jmlx;
    v.mainchannel = QStringLiteral("副通道");
    return v;
  }
  QString makeProgram() {
    const QString p = testing_support::writeFile(home.file(QStringLiteral("bin/bell.sh")), "#!/bin/sh\n");
    QFile::setPermissions(p, QFile::permissions(p) | QFile::ExeOwner);
    return p;
  }
  FakeProbe probe;
  FakeVoices voices;
  orvane::RecordingShell shell;
};

TEST_F(EntryDialogs, KindLayoutsOfTheAddDialog) {
  auto d = open<TForm_sjbp_add>(false);
  EXPECT_EQ(d->caption() + d->ComboBox_jmlx->currentText(), QStringLiteral("增加节目单内容单首歌曲"));
  EXPECT_EQ(d->ComboBox_jmlx->count(), 6);
  EXPECT_FALSE(d->ComboBox_channel->isVisible() || d->Label7->isVisible()) << "second channel off";
  // Per kind: label|button|button enabled|hint|volume, length, mode shown|path|music panel, text panel.
  const std::pair<int, const char*> rows[] = {
      {1, "文件夹：|选择文件夹|1|要修改请按右边的按钮|111||10"},
      {2, "歌曲列表：|选择歌曲列表|1|要修改请按右边的按钮|111||10"},
      {4, "网络电台：|(填入mms或http网址)|0|可直接粘贴网络电台网址|000||10"},
      {5, "外部软件：|选择exe文件|1|要修改请按右边的按钮|000||10"},
      {0, "单首歌曲：|选择歌曲|1|要修改请按右边的按钮|111||10"}};
  auto bit = [](QWidget* w) { return QString::number(w->isVisible()); };
  for (const auto& [index, expected] : rows) {
    d->Edit_slpath->setText(QStringLiteral("left over"));  // a kind change clears the path
    pickKind(*d, index);
    EXPECT_EQ(QStringList({d->Label_jmlxshow->text(), d->Button_jmlx->text(), QString::number(d->Button_jmlx->isEnabled()),
                           d->Edit_slpath->toolTip(), bit(d->Edit_vol) + bit(d->Label_longer) + bit(d->ComboBox_playmode),
                           d->Edit_slpath->text(), bit(d->Panel_music) + bit(d->Panel_txt)})
                  .join(QLatin1Char('|')),
              QString::fromUtf8(expected));
  }
  pickKind(*d, 1);  // four modes in a drop-down list; radio leaves them alone
  EXPECT_TRUE(d->ComboBox_playmode->count() == 4 && !d->ComboBox_playmode->isEditable());
  EXPECT_EQ(d->ComboBox_playmode->currentText(), QStringLiteral("随机播放"));
  pickKind(*d, 4);
  EXPECT_EQ(d->ComboBox_playmode->count(), 4);
  d->DateTimePicker2->setTime(QTime(9, 0));
  pickKind(*d, 3);
  // Three voices by display name beside their stored names; the Mandarin voice is preferred.
  EXPECT_EQ(QStringList({QString::number(d->ComboBox_yyh->count()), d->ComboBox_yyh->itemText(2),
                         d->ComboBox_yyhyl->itemText(2), QString::number(d->ComboBox_yyh->currentIndex()),
                         QString::number(d->ComboBox_yyhyl->currentIndex()), d->DateTimePicker2->time().toString(),
                         d->Label7->isVisible() ? d->Label7->text() : QString()}),
            QStringList({"3", "(英文女声)VW Kate", "VW Kate", "1", "1", "00:00:00",
                         "（对于语音播报，结束时间为00:00:00表示播完停止，也可手调）"}));
  d->ComboBox_yyh->setCurrentIndex(2);
  emit d->ComboBox_yyh->activated(2);
  EXPECT_EQ(d->ComboBox_yyhyl->currentText(), QStringLiteral("VW Kate"));
  auto withChannels = open<TForm_sjbp_add>(true);
  const bool before = withChannels->ComboBox_channel->isVisible();
  pickKind(*withChannels, 4);
  EXPECT_TRUE(before && !withChannels->ComboBox_channel->isVisible());
}

TEST_F(EntryDialogs, SongPickedLengthAndTheSaveChecks) {
  const QString song = testing_support::writeFile(home.file(QStringLiteral("m/上课铃.mp3")), "x");
  probe.lengths[song] = 205000;
  auto d = open<TForm_sjbp_add>(false);
  d->Button1->click();
  EXPECT_EQ(lastBox(), QStringLiteral("“单首歌曲”　栏不能为空。|提示|16"));
  d->DateTimePicker1->setTime(QTime(8, 0));
  QString title;
  answerPicker(song, &title);
  d->Button_jmlx->click();
  // 3:25 plus 3 s, read as 0:3:28.
  EXPECT_EQ(QStringList({title, d->Edit_slpath->text(), d->DateTimePicker2->time().toString(), d->Label_longer->text(),
                         d->Label7->isVisible() ? d->Label7->text() : QString()}),
            QStringList({"请选择音视频文件或文本文件", song, "08:03:28", "00:03:28",
                         "（结束时间已根据单首歌曲时长自动调整，也可按需手动调整）"}));
  d->DateTimePicker2->setTime(QTime(8, 10));
  d->DateTimePicker1->setTime(QTime(8, 1));
  EXPECT_FALSE(d->Label7->isVisible()) << "the operator changed the end";
  EXPECT_EQ(d->Label_longer->text(), QStringLiteral("00:09:00"));
  insert(stored(1, QStringLiteral("/m/a.mp3"), QStringLiteral("单曲播放"), "07:50:00", "08:01:00"));
  dm.ExecQuery(dm.qry_temp, QStringLiteral("update sjb set mainchannel='主通道'"));
  d->Edit_pname->setText(QStringLiteral("  \"第一节\" 课  "));
  d->Edit_vol->setValue(80);
  d->Button1->click();
  EXPECT_EQ(boxes.asked().back().text, QStringLiteral("该节目“开始时间”与其它节目时间有交叉，请修改开始时间。"));
  EXPECT_EQ(d->focusWidget(), d->DateTimePicker1) << "the focus goes to the start";
  d->DateTimePicker1->setTime(QTime(8, 1, 1));
  const int before = int(boxes.asked().size());
  d->Button1->click();
  EXPECT_EQ(int(boxes.asked().size()), before) << "saved without a message";
  EXPECT_TRUE(!d->isVisible() && (d->Edit_pname->text().isEmpty() && d->Edit_slpath->text().isEmpty()));
  // A double quote saves; the channel is the hidden channel list's first item.
  EXPECT_EQ(rowText("pname,starttime,endtime,slpath,tlength,playmode,ivolume,Schedulen,jmlx,mainchannel,status"),
            "\"第一节\" 课|08:01:01|08:10:00|" + song + "|00:08:59|单曲播放|80|日常|1|主通道|待播");
}

TEST_F(EntryDialogs, AFolderRowAndATextRow) {
  const QString folder = home.file(QStringLiteral("empty folder"));
  QDir().mkpath(folder);
  auto d = open<TForm_sjbp_add>(true);
  // Folder, through the folder picker: an empty folder is warned about and kept.
  pickKind(*d, 1);
  setTimes(*d, QTime(10, 0), QTime(10, 30));
  QString title;
  answerPicker(folder, &title);
  d->Button_jmlx->click();
  EXPECT_EQ(title, QStringLiteral("请选择要播放的歌曲所在文件夹"));
  EXPECT_EQ(lastBox(), QStringLiteral("请注意，文件夹中没有歌曲!|提示|0"));
  QTest::mouseDClick(d->Edit_slpath, Qt::LeftButton);
  ASSERT_EQ(shell.calls.size(), 1) << "a double-click shows the folder";
  EXPECT_EQ(QDir(shell.calls[0].mid(QStringLiteral("OpenFolder ").size())), QDir(folder));
  d->Edit_slpath->setText(folder + QStringLiteral(" "));
  d->ComboBox_playmode->setCurrentIndex(2);
  d->ComboBox_channel->setCurrentIndex(1);
  d->Button1->click();
  EXPECT_EQ(rowText("slpath,jmlx,playmode,mainchannel,tlength"), folder + "|2|顺序循环|副通道|00:30:00") << "trimmed";
  // A text: "文本不能为空。" first, then the row; the repeat count "0" is stored as 1, at volume 100, no end.
  auto t = open<TForm_sjbp_add>(false);
  pickKind(*t, 3);
  t->Button1->click();
  EXPECT_EQ(boxes.asked().back().text, QStringLiteral("文本不能为空。"));
  EXPECT_EQ(t->focusWidget(), t->Memo1);
  t->DateTimePicker1->setTime(QTime(7, 0));
  t->Memo1->setPlainText(QStringLiteral("同学们好\n请到操场集合"));
  t->Edit_speed->setValue(-3);
  t->Edit_txtvol->setValue(90);
  t->Edit_txtcs->setText(QStringLiteral("0"));
  t->CheckBox_txthint->setChecked(true);
  t->Button1->click();
  ASSERT_FALSE(t->isVisible()) << qPrintable(lastBox());
  EXPECT_EQ(rowText("slpath,txt,playmode,ivolume,jmlx,mainchannel,starttime,endtime"),
            QStringLiteral("文本：同学们好\r\n请到操场集合...|同学们好\r\n请到操场集合|"
                           "Chinese (Mandarin, latin as Pinyin)|-3|90|1|1|100|4|副通道|07:00:00|00:00:00"));
  // A text at midnight, as a fresh dialog has it, saves beside that one though it ends at
  // 00:00:00 (as every text does): a start at 00:00:00 never conflicts.
  auto midnight = open<TForm_sjbp_add>(false);
  pickKind(*midnight, 3);
  midnight->Memo1->setPlainText(QStringLiteral("晚安"));
  const std::size_t asked = boxes.asked().size();
  midnight->Button1->click();
  EXPECT_EQ(boxes.asked().size(), asked) << qPrintable(lastBox());
  EXPECT_EQ(rowText("txt,starttime,endtime"), QStringLiteral("晚安|00:00:00|00:00:00"));
}

TEST_F(EntryDialogs, AFailedSaveKeepsTheDialogAndWhatWasTyped) {
  ASSERT_TRUE(dm.connection()->execScript(
      QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON sjb BEGIN SELECT RAISE(ABORT,'disk full'); END;")));
  auto d = open<TForm_sjbp_add>(false);
  pickKind(*d, 4);
  d->Edit_pname->setText(QStringLiteral("电台"));
  d->Edit_slpath->setText(QStringLiteral("http://radio.local"));
  setTimes(*d, QTime(8, 0), QTime(9, 0));
  d->Button1->click();
  EXPECT_EQ(lastBox(), QStringLiteral("增加失败!|错误|16"));
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(d->Edit_pname->text() + d->Edit_slpath->text(), QStringLiteral("电台http://radio.local"));
}

TEST_F(EntryDialogs, SongListMadeInTheEditorComesBackToTheDialog) {
  auto d = open<TForm_sjbp_add>(false);
  pickKind(*d, 2);
  d->Edit_pname->setText(QStringLiteral("早操"));
  setTimes(*d, QTime(8, 0), QTime(8, 20));
  const QString expected = home.path() + QStringLiteral("/pl3/早操251205071500.pl3");
  OnNextModal<TForm_lbbj>([&](TForm_lbbj* editor) {
    EXPECT_EQ(QStringList({editor->Label_name->text(), editor->Label_bz->text(), editor->Label2->text()}),
              QStringList({expected, "new", "（歌曲列表文件：" + expected + "）"}));
    EXPECT_EQ(editor->parentWidget(), d.get());
    editor->AddFiles({QStringLiteral("/m/a.mp3"), QStringLiteral("/m/b.mp3")});
    editor->close();
  });
  d->Button_jmlx->click();
  EXPECT_EQ(d->Edit_slpath->text() + d->Label_longer->text(), expected + "00:20:00");
  d->Button1->click();
  EXPECT_EQ(rowText("slpath,jmlx"), expected + "|3");
}

// The edit dialog opens the editor on the entry's own list, with its lines and their count;
// what is added there is saved to that file.
TEST_F(EntryDialogs, TheSongListOfAnEntryOpensInTheEditorWithItsCount) {
  const QString list = testing_support::writeFile(home.file(QStringLiteral("lists/早操.pl3")), "/m/a.mp3\r\n/m/b.mp3\r\n");
  auto d = open<TForm_sjbp_edit>(false, insert(stored(3, list, QStringLiteral("顺序播放"))));
  OnNextModal<TForm_lbbj>([&](TForm_lbbj* editor) {
    EXPECT_EQ(QStringList({editor->Label_bz->text(), editor->Label1->text(), editor->ListBox1->lines().join(',')}),
              QStringList({"edit", "共有歌曲：2", "/m/a.mp3,/m/b.mp3"}));
    editor->AddFiles({QStringLiteral("/m/c.mp3")});
    editor->close();
  });
  d->Button_jmlx->click();
  EXPECT_EQ(d->Edit_slpath->text(), list);
  EXPECT_EQ(SongList::Read(list), QStringList({"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}));
}

TEST_F(EntryDialogs, EditFillsEveryKindAndSavesByUpdate) {
  const QString folder = home.file(QStringLiteral("music"));
  QDir().mkpath(folder);
  struct Case {
    int jmlx;
    QString path;
    QString playmode;
    int index;
  } cases[] = {{1, QStringLiteral("/m/a.mp3"), QStringLiteral("单曲循环"), 0},
               {2, folder, QStringLiteral("顺序播放"), 1},
               {3, QStringLiteral("/l/a.pl3"), QStringLiteral("随机单曲"), 2},
               {5, QStringLiteral("mms://r"), QStringLiteral("网络电台"), 4},
               {6, QStringLiteral("http://r"), QStringLiteral("网络电台"), 4},
               {7, makeProgram(), QStringLiteral("外部软件"), 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.jmlx);
    // Each entry on its own hour, so the song kinds do not meet each other.
    const QString hour = QString::asprintf("%.2d", 8 + c.jmlx);
    const int id = insert(stored(c.jmlx, c.path, c.playmode, hour + ":00:00", hour + ":05:00"));
    auto d = open<TForm_sjbp_edit>(true, id);
    EXPECT_EQ(d->caption(), QStringLiteral("修改节目单内容"));
    EXPECT_EQ(QStringList({QString::number(d->ComboBox_jmlx->currentIndex()), d->Edit_pname->text(),
                           d->DateTimePicker1->time().toString(), d->DateTimePicker2->time().toString(),
                           d->Edit_slpath->text(), QString::number(d->Edit_vol->value()), d->Label_longer->text(),
                           d->ComboBox_channel->currentText(), QString::number(d->ComboBox_playmode->count())})
                  .join(QLatin1Char('|')),
              QStringLiteral("%1|课间|%2:00:00|%2:05:00|%3|70|00:05:00|副通道|%4")
                  .arg(c.index).arg(8 + c.jmlx, 2, 10, QLatin1Char('0')).arg(c.path).arg(c.jmlx == 1 ? 2 : 4));
    if (c.jmlx <= 3) { EXPECT_EQ(d->ComboBox_playmode->currentText(), c.playmode); }
    // Saving unchanged never clashes with the entry itself and changes nothing.
    d->Button1->click();
    ASSERT_FALSE(d->isVisible()) << qPrintable(lastBox());
    EXPECT_EQ(rowText("jmlx,playmode,slpath,ivolume,mainchannel", id),
              QString::number(c.jmlx) + "|" + c.playmode + "|" + c.path + "|70|副通道");
  }
  EXPECT_TRUE(boxes.asked().empty());
}

TEST_F(EntryDialogs, EditOfATextKeepsAVoiceThisMachineLacks) {
  EntryValues v = stored(4, QStringLiteral("文本：早上好..."), QStringLiteral("VW Liang|2|80|3|1"), "07:30:00", "00:00:00");
  v.txt = QStringLiteral("早上好\r\n同学们");
  const int id = insert(v);
  auto d = open<TForm_sjbp_edit>(false, id);
  EXPECT_TRUE(d->Panel_txt->isVisible() && !d->Panel_music->isVisible());
  EXPECT_TRUE(d->ComboBox_yyh->currentText().startsWith(QStringLiteral("(中文男声)VW Liang")));
  EXPECT_EQ(QStringList({d->Memo1->toPlainText(), d->ComboBox_yyhyl->currentText(),
                         QString::number(d->ComboBox_yyh->count()), QString::number(d->Edit_speed->value()),
                         QString::number(d->Edit_txtvol->value()), d->Edit_txtcs->text(),
                         QString::number(d->CheckBox_txthint->isChecked()), d->DateTimePicker1->time().toString(),
                         d->DateTimePicker2->time().toString()})
                .join(QLatin1Char('|')),
            QStringLiteral("早上好\n同学们|VW Liang|4|2|80|3|1|07:30:00|00:00:00"));
  d->Memo1->appendPlainText(QStringLiteral("再见"));
  d->Button1->click();
  EXPECT_EQ(rowText("playmode,txt,slpath,mainchannel", id),
            QStringLiteral("VW Liang|2|80|3|1|早上好\r\n同学们\r\n再见|文本：早上好\r\n同学们\r\n再见...|副通道"));
}

TEST_F(EntryDialogs, EditWithStoredValuesItCannotReadFillsDefaults) {
  const int badTime = insert(stored(1, QStringLiteral("/m/a.mp3"), QStringLiteral("单曲播放"), "8点", "08:05:00"));
  const int badMode = insert(stored(2, QStringLiteral("/m"), QStringLiteral("乱序")));
  const int badParams = insert(stored(4, QStringLiteral("文本：x..."), QStringLiteral("VW Hui|快|100")));
  {
    auto d = open<TForm_sjbp_edit>(false, badTime);
    EXPECT_EQ(onlyBox(), QStringLiteral("节目单中有无法识别的时间或播放方式，已填入默认值，请检查后保存。|错误|16"));
    EXPECT_EQ(d->DateTimePicker1->time().toString() + d->DateTimePicker2->time().toString() + d->Edit_slpath->text(),
              QStringLiteral("00:00:0008:05:00/m/a.mp3")) << "the rest is filled";
  }
  auto mode = open<TForm_sjbp_edit>(false, badMode);
  EXPECT_TRUE(boxes.asked().size() == 2u && mode->ComboBox_playmode->currentText() == QStringLiteral("随机播放"));
  auto params = open<TForm_sjbp_edit>(false, badParams);
  EXPECT_EQ(boxes.asked().size(), 3u);
  EXPECT_EQ(params->ComboBox_yyhyl->currentText() +
                QString::asprintf("|%d|%d|", params->Edit_speed->value(), params->Edit_txtvol->value()) +
                params->Edit_txtcs->text(),
            QStringLiteral("Chinese (Mandarin, latin as Pinyin)|0|100|1"));
  auto gone = open<TForm_sjbp_edit>(false, 9999);
  EXPECT_EQ(boxes.asked().size(), 4u);
  EXPECT_TRUE(testing_support::waitUntil([&] { return !gone->isVisible(); }, 2000));
}

TEST_F(EntryDialogs, EditConflictsAndAFailedUpdate) {
  // The row edited is numbered past the range of an int: cut to one it would be row 1, the
  // other row.
  const qint64 a =
      renumber(insert(stored(1, QStringLiteral("/m/a.mp3"), QStringLiteral("单曲播放"), "08:00:00", "08:05:00")),
               (qint64(1) << 32) + 1);
  renumber(insert(stored(1, QStringLiteral("/m/b.mp3"), QStringLiteral("单曲播放"), "09:00:00", "09:05:00")), 1);
  auto d = open<TForm_sjbp_edit>(true, a);
  setTimes(*d, QTime(9, 5), QTime(9, 10));
  d->Button1->click();
  ASSERT_FALSE(boxes.asked().empty()) << "the dialog took the other row for the one it edits";
  EXPECT_EQ(boxes.asked().back().text, QStringLiteral("该节目“开始时间”与其它节目时间有交叉，请修改开始时间。"));
  d->ComboBox_channel->setCurrentIndex(0);
  d->Button1->click();
  EXPECT_EQ(rowText("starttime", a), QStringLiteral("09:05:00")) << "on the other channel it fits";
  // The row goes away while the dialog is open: the update fails and says so.
  auto e = open<TForm_sjbp_edit>(false, a);
  dm.ExecQuery(dm.qry_temp, QStringLiteral("delete from sjb where id=:id"), {{":id", a}});
  setTimes(*e, QTime(6, 0), QTime(6, 1));
  e->Button1->click();
  EXPECT_EQ(lastBox(), QStringLiteral("修改失败!|错误|16"));
  EXPECT_TRUE(e->isVisible() && rowCount() == 1);
}

TEST_F(EntryDialogs, BatchSeriesTable) {
  auto d = open<TForm_sjbp_addmuch>(false);
  EXPECT_EQ(d->caption(), QStringLiteral("批量增加节目单内容"));
  pickKind(*d, 4);
  d->Edit_slpath->setText(QStringLiteral("http://radio.local"));
  d->Edit_pname->setText(QStringLiteral(" 早操 "));
  setTimes(*d, QTime(8, 0), QTime(9, 0));
  d->DateTimePicker3->setTime(QTime(0, 5));
  QTest::keyClicks(d->Edit_jg, QStringLiteral("1a4-40"));
  EXPECT_EQ(d->Edit_jg->text(), QStringLiteral("1440")) << "digits only";
  d->Button1->click();
  EXPECT_EQ(lastBox(), QStringLiteral("间隔至少为1。请重设|提示|16"));
  d->Edit_jg->setText(QStringLiteral("10"));
  d->Button1->click();
  EXPECT_EQ(lastBox(), QStringLiteral("批量增加7条节目单!|提示|0"));
  for (int k = 1; k <= 7; ++k) {
    const QTime start = QTime(8, 0).addSecs(600 * (k - 1));
    EXPECT_EQ(rowText("pname,starttime,endtime,tlength,jmlx,playmode", k),
              QStringLiteral("早操%1|%2|%3|00:05:00|6|网络电台").arg(k).arg(start.toString(), start.addSecs(300).toString()));
  }
  // A text series keeps one name when numbering is off; a song sets the length from its own.
  auto t = open<TForm_sjbp_addmuch>(false);
  pickKind(*t, 3);
  t->Memo1->setPlainText(QStringLiteral("请做眼保健操"));
  t->CheckBox_jmnameauto->setChecked(false);
  t->Edit_pname->setText(QStringLiteral("眼操"));
  setTimes(*t, QTime(9, 0), QTime(10, 0));
  t->Edit_jg->setText(QStringLiteral("30"));
  t->Button1->click();
  EXPECT_EQ(lastBox(), QStringLiteral("批量增加3条节目单!|提示|0"));
  EXPECT_EQ(rowText("pname,endtime,jmlx,txt,mainchannel", 10), QStringLiteral("眼操|00:00:00|4|请做眼保健操|副通道"));
  const QString song = testing_support::writeFile(home.file(QStringLiteral("m/夜曲.mp3")), "x");
  probe.lengths[song] = 297000;  // 4:57 plays as 5:00
  auto s = open<TForm_sjbp_addmuch>(false);
  answerPicker(song);
  s->Button_jmlx->click();
  EXPECT_EQ(s->DateTimePicker3->time(), QTime(0, 5));
  EXPECT_EQ(s->Label7->isVisible() ? s->Label7->text() : QString(),
            QStringLiteral("（节目时长已根据单首歌曲时长自动调整，也可按需手动调整）"));
}

TEST_F(EntryDialogs, AnEmptiedVolumeIsNotStoredAsSilence) {
  auto d = open<TForm_sjbp_add>(false);
  setTimes(*d, QTime(8, 0), QTime(9, 0));
  d->Edit_slpath->setText(QStringLiteral("/m/a.mp3"));
  d->Edit_vol->setValue(80);
  auto* text = d->Edit_vol->findChild<QLineEdit*>();
  ASSERT_NE(text, nullptr);
  text->clear();
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(d->Edit_vol, &out);
  EXPECT_TRUE(d->Edit_vol->value() == 80 && text->text() == QStringLiteral("80")) << "the last volume comes back, not 0";
  d->Button1->click();
  EXPECT_EQ(rowText("ivolume"), QStringLiteral("80"));
}

TEST_F(EntryDialogs, TheProgramPickerOffersRunnableFilesFirst) {
  const QString program = makeProgram();
  testing_support::writeFile(home.file(QStringLiteral("bin/readme.txt")), "x");
  auto d = open<TForm_sjbp_add>(false);
  pickKind(*d, 5);
  QStringList filters, shown;
  OnNextModal<QFileDialog>([&](QFileDialog* f) {
    auto* types = f->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    for (int i = 0; types && i < types->count(); ++i) filters.append(types->itemText(i));
    const QString folder = QFileInfo(program).absolutePath();
    f->setDirectory(folder);
    auto names = [f, folder] {
      QStringList out;
      QAbstractProxyModel* m = f->proxyModel();
      const QModelIndex dir = m->mapFromSource(f->findChild<QFileSystemModel*>()->index(folder));
      for (int r = 0; r < m->rowCount(dir); ++r) out.append(m->index(r, 0, dir).data().toString());
      return out;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return !names().isEmpty(); }, 3000));
    shown = names();
    // "All files" lists every file; the program filter again only the runnable ones.
    f->selectNameFilter(QStringLiteral("所有文件（*.*） (*)"));
    emit f->filterSelected(QStringLiteral("所有文件（*.*） (*)"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return names().size() > 1; }, 3000)) << qPrintable(names().join(','));
    f->selectNameFilter(QStringLiteral("可执行文件（*.exe） (*)"));
    emit f->filterSelected(QStringLiteral("可执行文件（*.exe） (*)"));
    f->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QFileInfo(program).fileName());
    static_cast<QDialog*>(f)->accept();
  });
  d->Button_jmlx->click();
  EXPECT_EQ(QStringList({filters.join(','), shown.join(','), d->Edit_slpath->text()}),
            QStringList({"可执行文件（*.exe）,所有文件（*.*）", "bell.sh", program}));
}

TEST_F(EntryDialogs, BatchSongListComesBackToTheBatchDialog) {
  auto d = open<TForm_sjbp_addmuch>(false);
  pickKind(*d, 2);
  d->Edit_pname->setText(QStringLiteral("课间"));
  OnNextModal<TForm_lbbj>([&](TForm_lbbj* editor) {
    EXPECT_EQ(editor->Label_bz->text(), QStringLiteral("newmuch"));
    editor->AddFiles({QStringLiteral("/m/a.mp3")});
    editor->close();
  });
  d->Button_jmlx->click();
  EXPECT_EQ(d->Edit_slpath->text(), home.path() + QStringLiteral("/pl3/课间251205071500.pl3"));
}
