// The song finder window, offscreen, searching a temporary folder tree.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTreeWidget>

#include "audiotools/windows/Unit_findsong.h"
#include "platform/msgbox/messagebox.h"
#include "platform/system/shell.h"
#include "tests/support/testsupport.h"

using testing_support::waitUntil;
using testing_support::writeFile;

namespace {

struct FakePlayer : PlaylistTarget {
  void AddSong(const QString& title, const QString& path) override { songs << title + "|" + path; }
  QStringList songs;
};

class FindSong : public ::testing::Test {
 protected:
  void SetUp() override {
    root = QDir(dir.path()).canonicalPath();
    writeFile(root + "/My Love.mp3", QByteArray(1, 'x'));
    writeFile(root + "/a/LOVE me.WMA", QByteArray(10 * 1024, 'x'));
    writeFile(root + "/a/b/glove.mp3", QByteArray(9 * 1024, 'x'));
    writeFile(root + "/a/b/love.txt", "");
    writeFile(root + "/other.mp3", "");
    form = new TForm_findsong([this]() -> PlaylistTarget* { ++asked; return hasPlayer ? &player : nullptr; }, &shell);
    form->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(form));
    form->Location->setText(root);
  }
  void TearDown() override { delete form.data(); }
  void search(const QString& name) {
    form->Filename->setText(name);
    QTest::keyClick(form->Filename, Qt::Key_Return);
  }
  bool finished() { return waitUntil([&] { return form->FindButton->isEnabled(); }, 10000); }
  QStringList column(int c) {
    QStringList out;
    for (int i = 0; i < form->FoundFiles->topLevelItemCount(); ++i) out << form->FoundFiles->topLevelItem(i)->text(c);
    return out;
  }
  void clickHeader(int c) {
    QHeaderView* h = form->FoundFiles->header();
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(c) + h->sectionSize(c) / 2, h->height() / 2));
  }
  // Makes every folder step slow, so a search is still running when the test acts.
  void slowDown() {
    auto folder = form->FindFile->OnFolderChange;
    form->FindFile->OnFolderChange = [folder](TFindFile* s, const QString& f, TFolderIgnore& i) {
      folder(s, f, i);
      QThread::msleep(300);
    };
  }

  QTemporaryDir dir;
  QString root;
  FakePlayer player;
  bool hasPlayer = true;
  int asked = 0;
  orvane::RecordingShell shell;
  QPointer<TForm_findsong> form;
};

}  // namespace

TEST_F(FindSong, MasksAndSizes) {
  struct Case { bool mp3, wma; QStringList masks; } cases[] = {
      {true, true, {"*x*.mp3", "*x*.wma"}}, {true, false, {"*x*.mp3"}}, {false, true, {"*x*.wma"}}, {false, false, {"*x*"}}};
  form->Filename->setText("x");
  for (const Case& c : cases) {
    form->type1->setChecked(c.mp3);
    form->type2->setChecked(c.wma);
    EXPECT_EQ(form->Masks(), c.masks);
  }
  for (auto [bytes, text] : {std::pair{1, "1KB"}, {1024, "1KB"}, {1025, "2KB"}})
    EXPECT_EQ(TForm_findsong::SizeText(bytes, false), text);
  EXPECT_EQ(form->Location->text(), root);
  EXPECT_EQ(form->client()->size(), QSize(536, 431));
}

TEST_F(FindSong, SearchSortAndRowActions) {
  search("love");
  ASSERT_TRUE(finished());
  EXPECT_FALSE(form->StopButton->isEnabled());
  EXPECT_FALSE(form->Animate->isVisible());
  EXPECT_TRUE(QRegularExpression("^搜索 3 个文件夹并找到 3 个文件 -- 用时 \\d+\\.\\d{3} 秒$")
                  .match(form->StatusBar->currentMessage())
                  .hasMatch())
      << form->StatusBar->currentMessage().toStdString();
  clickHeader(2);  // by bytes, not by text ("10KB" before "1KB")
  EXPECT_EQ(column(0), QStringList({"My Love.mp3", "glove.mp3", "LOVE me.WMA"}));
  EXPECT_EQ(column(2), QStringList({"1KB", "9KB", "10KB"}));
  clickHeader(2);
  EXPECT_EQ(column(0), QStringList({"LOVE me.WMA", "glove.mp3", "My Love.mp3"}));
  clickHeader(0);
  EXPECT_EQ(column(0), QStringList({"glove.mp3", "LOVE me.WMA", "My Love.mp3"}));
  EXPECT_EQ(column(1)[1], root + "/a/");

  form->FoundFiles->setCurrentItem(form->FoundFiles->topLevelItem(1));
  form->N1->trigger();
  form->N2->trigger();
  form->N3->trigger();
  hasPlayer = false;
  form->N1->trigger();
  EXPECT_EQ(asked, 2);
  EXPECT_EQ(player.songs, QStringList{"LOVE me.WMA|" + root + "/a/LOVE me.WMA"});
  EXPECT_EQ(shell.calls, QStringList({"OpenFile " + root + "/a/LOVE me.WMA", "ShowItem " + root + "/a/LOVE me.WMA"}));

  form->type1->setChecked(false);
  form->type2->setChecked(false);
  form->Subfolders->setChecked(false);
  search("");
  ASSERT_TRUE(finished());
  EXPECT_EQ(column(0).size(), 2);  // the top folder's two files, no folders
}

TEST_F(FindSong, StopRefusedSortAndClosingMidSearch) {
  std::vector<orvane::MessageBoxRequest> boxes;
  orvane::MessageBoxHandler previous = orvane::setMessageBoxHandler([&](const orvane::MessageBoxRequest& r) {
    boxes.push_back(r);
    return orvane::mb::IDOK;
  });
  slowDown();
  search("love");
  EXPECT_TRUE(form->Animate->isVisible());
  EXPECT_FALSE(form->FindButton->isEnabled());
  clickHeader(1);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "搜索正在进行时,不能对文件排序.");
  EXPECT_EQ(boxes[0].caption, "提示");
  EXPECT_EQ(boxes[0].flags, 48);
  QTest::mouseClick(form->StopButton, Qt::LeftButton);
  EXPECT_EQ(form->StatusBar->currentMessage(), "正在取消搜索, 请稍等...");
  ASSERT_TRUE(finished());
  EXPECT_TRUE(QRegularExpression("^取消搜索 - 搜索 [01] 个文件夹并找到 0 个文件 -- 用时 \\d+\\.\\d{3} 秒$")
                  .match(form->StatusBar->currentMessage())
                  .hasMatch());
  orvane::setMessageBoxHandler(previous);

  slowDown();
  search("love");
  QThread::msleep(50);
  form->close();
  EXPECT_TRUE(waitUntil([&] { return form.isNull(); }));
}
