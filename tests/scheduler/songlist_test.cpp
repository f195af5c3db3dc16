#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "platform/msgbox/messagebox.h"
#include "scheduler/core/songlist.h"
#include "scheduler/core/songsources.h"
#include "scheduler/windows/Unit_lbbj.h"
#include "scheduler/windows/Unit_lbch.h"
#include "scheduler/windows/songlistbox.h"
#include "tests/scheduler/modalhelper.h"
#include "tests/support/testsupport.h"

namespace {
QByteArray bytesOf(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

QPoint centreOf(SongListBox* box, int row) { return box->visualItemRect(box->item(row)).center(); }
QString lastBoxOf(const orvane::ScopedMessageResponder& boxes) {
  if (boxes.asked().empty()) return {};
  const auto& r = boxes.asked().back();
  return r.text + QLatin1Char('|') + r.caption + QLatin1Char('|') + QString::number(r.flags);
}
}  // namespace

TEST(SongListFile, BytesAndEncodings) {
  testing_support::TempHome home;
  const QString path = home.file(QStringLiteral("a.pl3"));
  ASSERT_TRUE(SongList::Write(path, {QStringLiteral("/m/1.mp3"), QStringLiteral("/m/早操.mp3")}));
  EXPECT_EQ(bytesOf(path), QByteArray("/m/1.mp3\r\n/m/\xE6\x97\xA9\xE6\x93\x8D.mp3\r\n"));
  bool ok = false;
  EXPECT_EQ(SongList::Read(path, &ok), (QStringList{QStringLiteral("/m/1.mp3"), QStringLiteral("/m/早操.mp3")}));
  EXPECT_TRUE(ok);
  ASSERT_TRUE(SongList::Write(path, {QStringLiteral("a"), QString(), QStringLiteral("b"), QString()}));
  EXPECT_EQ(bytesOf(path), QByteArray("a\r\n\r\nb\r\n\r\n")) << "empty lines are kept";
  EXPECT_EQ(SongList::Read(path), (QStringList{QStringLiteral("a"), QString(), QStringLiteral("b"), QString()}));
  QStringEncoder gb("GB18030");
  const QString old = QStringLiteral("D:\\歌曲\\运动员进行曲.mp3");
  testing_support::writeFile(path, QByteArray(gb(old)) + "\r\nD:\\b.wav\rD:\\c.mid\nD:\\d.mp3");
  EXPECT_EQ(SongList::Read(path),
            (QStringList{old, QStringLiteral("D:\\b.wav"), QStringLiteral("D:\\c.mid"), QStringLiteral("D:\\d.mp3")}));
  SongList::Read(home.file(QStringLiteral("missing.pl3")), &ok);
  EXPECT_TRUE(!ok && SongList::IsBlank({QStringLiteral(" "), QString(), QStringLiteral("\t")}));
  EXPECT_FALSE(SongList::IsBlank({QString(), QStringLiteral("x")}));
}

TEST(SongListEditor, AddRemoveAndMoveItems) {
  testing_support::TempHome home;
  orvane::ScopedMessageResponder boxes;
  TForm_lbbj editor;
  editor.show();
  EXPECT_EQ(editor.caption(), QStringLiteral("歌曲列表编辑"));
  EXPECT_EQ(editor.Label1->text(), QStringLiteral("共有歌曲：0"));
  editor.AddFiles({QStringLiteral("/m/a.mp3")});
  const QStringList three{QStringLiteral("/m/b.mp3"), QStringLiteral("/m/c.mp3"), QStringLiteral("/m/d.mp3")};
  // Through the real picker: three files picked at once come after the existing one in order.
  for (const QString& f : three) testing_support::writeFile(home.file(QStringLiteral("m/")) + f.mid(3), "x");
  OnNextModal<QFileDialog>([&](QFileDialog* d) {
    EXPECT_EQ(d->windowTitle(), QStringLiteral("请选择音视频文件"));
    EXPECT_TRUE(d->testOption(QFileDialog::DontUseNativeDialog));
    d->setDirectory(home.file(QStringLiteral("m")));
    d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("\"b.mp3\" \"c.mp3\" \"d.mp3\""));
    static_cast<QDialog*>(d)->accept();
  });
  editor.Button1->click();
  const QString m = home.file(QStringLiteral("m/"));
  ASSERT_EQ(editor.ListBox1->lines(),
            (QStringList{QStringLiteral("/m/a.mp3"), m + "b.mp3", m + "c.mp3", m + "d.mp3"}));
  EXPECT_EQ(editor.Label1->text(), QStringLiteral("共有歌曲：4"));
  SongListBox* box = editor.ListBox1;
  box->setLines({"a", "b", "c", "d"});
  editor.Button6->click();
  EXPECT_EQ(box->count(), 4) << "nothing selected, nothing removed";
  box->setFocus();
  box->setCurrentRow(0);
  // Up and Down move the selected item (the selection follows it), a drop moves the selected
  // item to where it falls (below the last item: to the end), "删除" removes it.
  const struct {
    std::function<void()> act;
    const char* lines;
    int row;
  } steps[] = {{[&] { QTest::keyClick(box, Qt::Key_Up); }, "abcd", 0},
               {[&] { QTest::keyClick(box, Qt::Key_Down); }, "bacd", 1},
               {[&] { QTest::keyClick(box, Qt::Key_Down); }, "bcad", 2},
               {[&] { QTest::keyClick(box, Qt::Key_Down); }, "bcda", 3},
               {[&] { QTest::keyClick(box, Qt::Key_Down); }, "bcda", 3},
               {[&] { QTest::keyClick(box, Qt::Key_Up); }, "bcad", 2},
               {[&] { box->setCurrentRow(0), box->ListBox1DragDrop(QPoint(5, box->viewport()->height() - 2)); }, "cadb", 3},
               {[&] { box->ListBox1DragDrop(centreOf(box, 3)); }, "cadb", 3},
               {[&] { box->ListBox1DragDrop(centreOf(box, 1)); }, "cbad", 1},
               {[&] { editor.Button6->click(); }, "cad", -2}};
  int n = 0;
  for (const auto& step : steps) {
    step.act();
    EXPECT_EQ(box->lines().join(QString()), QLatin1String(step.lines)) << "step " << n;
    if (step.row >= 0) { EXPECT_EQ(box->currentRow(), step.row) << "step " << n; }
    ++n;
  }
  EXPECT_EQ(editor.Label1->text(), QStringLiteral("共有歌曲：3"));
  editor.Button4->click();
  EXPECT_EQ(editor.Label1->text(), QStringLiteral("共有歌曲：0"));
  editor.close();
  EXPECT_TRUE(boxes.asked().empty());
}

TEST(SongListEditor, ClosingSavesOnlyAListThatIsNotBlank) {
  testing_support::TempHome home;
  orvane::ScopedMessageResponder boxes;
  const QString path = SongList::NewListPath(QStringLiteral("早操"), QDateTime(QDate(2025, 12, 5), QTime(7, 15)));
  {
    TForm_lbbj editor;
    editor.Label_name->setText(path);
    editor.show();
    editor.AddFiles({QStringLiteral(" "), QString()});
    editor.close();
    EXPECT_FALSE(QFile::exists(path)) << "blank lines only: nothing saved";
    EXPECT_EQ(Form_lbbj, nullptr);
  }
  TForm_lbbj editor;
  editor.Label_name->setText(path);
  editor.show();
  editor.AddFiles({QStringLiteral("/m/a.mp3"), QString(), QStringLiteral("/m/b.mp3")});
  editor.close();
  EXPECT_EQ(bytesOf(path), QByteArray("/m/a.mp3\r\n\r\n/m/b.mp3\r\n")) << "the pl3 folder was made";
  TForm_lbbj failing;
  failing.Label_name->setText(home.file(QStringLiteral("no/such/folder/x.pl3")));
  failing.show();
  failing.AddFiles({QStringLiteral("/m/a.mp3")});
  failing.close();
  EXPECT_EQ(lastBoxOf(boxes), "无法保存歌曲列表文件：" + home.file(QStringLiteral("no/such/folder/x.pl3")) + "|错误|16");
}

TEST(SongListWindow, LoadsChangesAndSavesItsFile) {
  testing_support::TempHome home;
  orvane::ScopedMessageResponder boxes;
  const QString path = testing_support::writeFile(home.file(QStringLiteral("lists/早操.pl3")), "/m/a.mp3\r\n/m/b.mp3\r\n");
  auto* w = new TForm_lb(path);
  w->show();
  EXPECT_EQ(QStringList({w->caption(), w->Label1->text(), w->Label2->text()}),
            QStringList({"查看歌曲列表内容", "歌曲列表文件名：早操.pl3", "(共 2 首)"}));
  EXPECT_EQ(Form_lb, w);
  w->AddFiles({QStringLiteral("/m/c.mp3")});
  EXPECT_EQ(w->Label2->text(), QStringLiteral("(共 3 首)"));
  w->ListBox1->setCurrentRow(0);
  w->Button3->click();
  w->Button4->click();
  EXPECT_EQ(bytesOf(path), QByteArray("/m/b.mp3\r\n/m/c.mp3\r\n"));
  EXPECT_EQ(lastBoxOf(boxes), QStringLiteral("保存列表成功。|提示|0"));
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(Form_lb, nullptr);
  delete w;
}

TEST(SongListWindow, AListThatCannotBeReadAsksBeforeItIsOverwritten) {
  testing_support::TempHome home;
  orvane::ScopedMessageResponder boxes;
  const QString path = home.file(QStringLiteral("missing.pl3"));
  TForm_lb w(path);
  w.show();
  EXPECT_EQ(lastBoxOf(boxes), "无法读取歌曲列表文件：" + path + "|错误|16");
  EXPECT_TRUE(w.loadFailed());
  EXPECT_EQ(w.Label1->text() + w.Label2->text() + QString::number(w.ListBox1->count()), QStringLiteral("歌曲列表文件名：0"));
  w.AddFiles({QStringLiteral("/m/a.mp3")});
  boxes.queueAnswer(orvane::mb::IDCANCEL);
  w.Button4->click();
  EXPECT_EQ(boxes.asked().back().flags, 33);
  EXPECT_TRUE(!QFile::exists(path) && w.isVisible());
  boxes.queueAnswer(orvane::mb::IDOK);
  w.Button4->click();
  EXPECT_EQ(bytesOf(path), QByteArray("/m/a.mp3\r\n"));
  EXPECT_TRUE(boxes.wasAsked(QStringLiteral("保存列表成功。")));
}

TEST(SongListsTest, SongListsInUtf8OrGb18030WithMissingAndBlankLines) {
  QTemporaryDir dir;
  const QString a = testing_support::writeFile(dir.filePath(QStringLiteral("一首歌.mp3")), "x");
  const QString b = testing_support::writeFile(dir.filePath(QStringLiteral("b.wav")), "x");
  const QString text = QStringLiteral("  ") + a + QStringLiteral("  \r\n\r\n") + dir.filePath(QStringLiteral("gone.mp3")) +
                       QStringLiteral("\n") + b;
  const QString utf8 = testing_support::writeFile(dir.filePath(QStringLiteral("u.pl3")), text.toUtf8());
  QStringEncoder gb("GB18030");
  const QString gbk = testing_support::writeFile(dir.filePath(QStringLiteral("g.pl3")), gb.encode(text));
  for (const QString& list : {utf8, gbk}) {
    EXPECT_EQ(ReadSongList(list, true), (QStringList{a, b})) << qPrintable(list);
    EXPECT_EQ(ReadSongList(list, false), (QStringList{a, dir.filePath(QStringLiteral("gone.mp3")), b}));
  }
  EXPECT_TRUE(ReadSongList(dir.filePath(QStringLiteral("none.pl3")), false).isEmpty());
}
