#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QToolButton>

#include "platform/system/shell.h"
#include "scheduler/windows/About.h"
#include "scheduler/windows/Unit_main_tamu.h"
#include "scheduler/windows/Unit_showtxt.h"
#include "scheduler/windows/Unit_testshow.h"
#include "scheduler/windows/Unit_testshowtts.h"
#include "tests/scheduler/modalhelper.h"
#include "tests/scheduler/schedulerfixture.h"

namespace {
QString field(TDataModule1& dm, int id, const char* column) {
  dm.OpenQuery(dm.qry_temp, QStringLiteral("select %1 from sjb where id=:id").arg(QLatin1String(column)), {{":id", id}});
  return dm.qry_temp.fieldAsString(QLatin1String(column));
}
}  // namespace

TEST_F(SchedulerFixture, EntryTextShowsAndSavesAnyText) {
  const struct {
    QString text, display;
  } cases[] = {
      {QStringLiteral("他说\"早\"; drop table sjb; --'"), QStringLiteral("文本：他说\"早\"; drop table sjb; --'...")},
      {QStringLiteral("😀").repeated(39), QStringLiteral("文本：") + QStringLiteral("😀").repeated(38) + QStringLiteral("...")},
      {QStringLiteral("第一行\n第二行"), QStringLiteral("文本：第一行\n第二行...")},
  };
  for (const auto& c : cases) {
    const int id = addEntry({"通知", "08:00:00", "08:05:00", 4});
    ASSERT_TRUE(dm.ExecQuery(dm.qry_temp, QStringLiteral("update sjb set txt=:t where id=:id"), {{":t", QStringLiteral("旧")}, {":id", id}}));
    TForm_showtxt w(dm, QString::number(id), QStringLiteral("通知"));
    EXPECT_EQ(w.caption() + w.Label1->text() + w.Memo1->toPlainText() + w.Button1->text() + w.Button2->text(),
              QStringLiteral("查看文本内容节目<通知>中的文本：旧保存关闭"));
    w.show();
    w.Memo1->setPlainText(c.text);
    w.Button1->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(field(dm, id, "slpath"), QString(c.display).replace(QStringLiteral("\n"), QStringLiteral("\r\n")));
    EXPECT_EQ(field(dm, id, "txt"), QString(c.text).replace(QStringLiteral("\n"), QStringLiteral("\r\n")));
  }
  EXPECT_TRUE(boxes.asked().empty());
  // Closing stores nothing; an entry deleted meanwhile fails.
  const int id = addEntry({"通知", "09:00:00", "09:05:00", 4});
  TForm_showtxt w(dm, QString::number(id), QStringLiteral("通知"));
  w.Memo1->setPlainText(QStringLiteral("新"));
  w.Button2->click();
  EXPECT_EQ(field(dm, id, "txt"), QString());
  ASSERT_TRUE(dm.ExecQuery(dm.qry_temp, QStringLiteral("delete from sjb where id=:id"), {{":id", id}}));
  w.Button1->click();
  ASSERT_EQ(boxes.asked().size(), 1u);
  EXPECT_EQ(boxes.asked()[0].text + boxes.asked()[0].caption + QString::number(boxes.asked()[0].flags),
            QStringLiteral("修改失败!错误16"));
}

TEST_F(SchedulerFixture, TipWindowsWriteTheirSwitchAndTheAboutBoxOpensHelpAndTips) {
  {
    TForm_syfa tips(dm);
    EXPECT_EQ(tips.caption(), QStringLiteral("操作提示"));
    EXPECT_TRUE(tips.Memo1->isReadOnly() && tips.Memo1->toPlainText().contains(QStringLiteral("   其它操作提示：")));
    EXPECT_EQ(tips.CheckBox1->text(), QStringLiteral("下次不显示此操作提示窗口"));
    TForm_testshowtts tts(dm);
    EXPECT_EQ(tts.caption(), QStringLiteral("提示"));
    EXPECT_EQ(tts.CheckBox1->text(), QStringLiteral("下次不显示此提示窗口"));
    EXPECT_TRUE(tts.Memo1->toPlainText().contains(QStringLiteral("cmn-latn-pinyin")));
    // Each click writes at once: checked "0", unchecked again "1".
    for (auto [box, key] : {std::pair{tips.CheckBox1, "volume1"}, std::pair{tts.CheckBox1, "volume2"}}) {
      box->click();
      EXPECT_EQ(dm.GetSetting(QLatin1String(key)), QStringLiteral("0"));
      box->click();
      EXPECT_EQ(dm.GetSetting(QLatin1String(key)), QStringLiteral("1"));
    }
  }
  orvane::RecordingShell shell;
  const QString help = testing_support::writeFile(home.file(QStringLiteral("help.html")), "<html></html>");
  TAboutFrm about(dm, &shell, nullptr, help);
  EXPECT_EQ(about.caption() + about.Label1->text() + about.Button2->text() + about.Button3->text(),
            QStringLiteral("关于欢迎使用软件帮助操作提示"));
  about.Button2->click();
  EXPECT_EQ(shell.calls, QStringList{QStringLiteral("OpenFile ") + help});
  TAboutFrm missing(dm, &shell, nullptr, home.file(QStringLiteral("gone/help.html")));
  missing.Button2->click();
  ASSERT_EQ(boxes.asked().size(), 1u);
  EXPECT_EQ(boxes.asked()[0].text, QStringLiteral("找不到帮助文件：") + home.file(QStringLiteral("gone/help.html")));
  EXPECT_EQ(boxes.asked()[0].caption + QString::number(boxes.asked()[0].flags), QStringLiteral("提示0"));
  EXPECT_EQ(shell.calls.size(), 1);
  // The desktop has no handler for the page, or there is no desktop shell: the operator is
  // told why, and the log says so.
  shell.failure = QStringLiteral("桌面没有打开这类文件的程序");
  TAboutFrm noShell(dm, nullptr, nullptr, help);
  for (TAboutFrm* a : {&about, &noShell}) {
    boxes.clear();
    testing_support::LoggedMessages logged;
    a->Button2->click();
    ASSERT_EQ(boxes.asked().size(), 1u);
    EXPECT_EQ(boxLine(boxes.asked()[0]), QStringLiteral("无法打开帮助文件：") + help + QLatin1Char('\n') +
                                             (a == &about ? shell.failure : QStringLiteral("没有桌面程序可用")) +
                                             QStringLiteral("|提示|0"));
    EXPECT_EQ(logged.count(QStringLiteral("about: no desktop shell to open")), a == &noShell ? 1 : 0);
  }
  // The tips from the about box: modal, owned by it, without the switch.
  dm.SetSetting(QStringLiteral("volume1"), QStringLiteral("1"));
  bool seen = false;
  OnNextModal<TForm_syfa>([&](TForm_syfa* t) {
    seen = t->parentWidget() == &about && !t->CheckBox1->isVisible();
    t->close();
  });
  about.show();
  about.Button3->click();
  EXPECT_TRUE(seen);
  EXPECT_EQ(Form_syfa, nullptr);
  EXPECT_EQ(dm.GetSetting(QStringLiteral("volume1")), QStringLiteral("1"));
}

TEST_F(SchedulerFixture, MainWindowOpensTipsAboutAndEntryText) {
  clock.set(QDateTime(QDate(2024, 5, 1), QTime(7, 0)));
  ASSERT_TRUE(dm.SetSetting(QStringLiteral("volume4"), QStringLiteral("0")));
  ASSERT_TRUE(dm.SetSetting(QStringLiteral("Wednesday"), QStringLiteral("日常")));
  ASSERT_TRUE(dm.SetSetting(QStringLiteral("volume1"), QStringLiteral("1")));
  const int id = addEntry({"广播", "08:00:00", "08:05:00", 4});
  orvane::RecordingShell shell;
  services.shell = &shell;
  TDataModule1 windowDm;
  TForm_main_tamu w(windowDm, clock, services);
  ASSERT_TRUE(w.created());
  // The tips at start: shown beside the main window, not modal, without owner.
  ASSERT_NE(Form_syfa, nullptr);
  EXPECT_TRUE(Form_syfa->isVisible() && !Form_syfa->isModal() && !Form_syfa->parentWidget());
  QPointer<TForm_syfa> tips(Form_syfa);
  Form_syfa->close();
  EXPECT_TRUE(testing_support::waitUntil([&] { return tips.isNull(); }));
  EXPECT_EQ(Form_syfa, nullptr);
  w.show();
  // A text row: its window, modal and owned by the main window; the grid shows the new text.
  ASSERT_TRUE(windowDm.qry_show.locate(QStringLiteral("id"), id));
  bool owned = false;
  OnNextModal<TForm_showtxt>([&](TForm_showtxt* t) {
    owned = t->parentWidget() == &w;
    t->Memo1->setPlainText(QStringLiteral("请同学们到操场集合"));
    t->Button1->click();
  });
  w.DBGrid1DblClick();
  EXPECT_TRUE(owned);
  ASSERT_TRUE(windowDm.qry_show.locate(QStringLiteral("id"), id));
  EXPECT_EQ(windowDm.qry_show.fieldAsString(QStringLiteral("slpath")), QStringLiteral("文本：请同学们到操场集合..."));
  // "帮助": the about box, modal, without owner.
  bool about = false;
  OnNextModal<TAboutFrm>([&](TAboutFrm* a) {
    about = !a->parentWidget();
    a->close();
  });
  w.ToolButton3->click();
  EXPECT_TRUE(about);
  EXPECT_TRUE(boxes.asked().empty());
}
