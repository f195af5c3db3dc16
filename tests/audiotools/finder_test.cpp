// File search: the matching rules, content search at block ends, the plan, walks
// checked against GNU find; the song finder window offscreen, and wired to the player.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTreeWidget>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "audiotools/core/FindFile.h"
#include "audiotools/windows/Unit_findsong.h"
#include "audiotools/windows/Unit_player.h"
#include "audiotools/windows/audiotools.h"
#include "platform/files/textfile.h"
#include "platform/media/fakemediabackend.h"
#include "platform/media/fakemediachannel.h"
#include "platform/msgbox/messagebox.h"
#include "platform/system/shell.h"
#include "scheduler/core/mainstate.h"
#include "tests/support/testsupport.h"

using testing_support::waitUntil;
using testing_support::writeFile;

namespace {

// The matches of a search below root, relative to it and sorted.
QStringList Found(TFindFile& f, const QString& root) {
  QStringList found;
  f.OnFileMatch = [&](TFindFile*, const QString& folder, const TFileInfo& info) {
    found << (folder + info.Name).mid(QDir(root).canonicalPath().size() + 1);
  };
  f.Execute();
  if (f.Threaded) waitUntil([&] { return !f.Busy(); }, 20000);
  found.sort();
  return found;
}

// The process's time zone set to eight hours east of UTC, without daylight saving, for one
// test: file times must be read as local times, not as UTC.
class EastOfUtc {
 public:
  EastOfUtc() : had_(qEnvironmentVariableIsSet("TZ")), old_(qgetenv("TZ")) {
    qputenv("TZ", "CST-8");
    tzset();
  }
  ~EastOfUtc() {
    if (had_) qputenv("TZ", old_);
    else qunsetenv("TZ");
    tzset();
  }

 private:
  bool had_;
  QByteArray old_;
};

// Sets a file's access and modification times, given in UTC.
void SetTimes(const QString& path, const QDateTime& accessedUtc, const QDateTime& modifiedUtc) {
  const timespec times[2] = {{time_t(accessedUtc.toSecsSinceEpoch()), 0}, {time_t(modifiedUtc.toSecsSinceEpoch()), 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0) << path.toStdString();
}

QDateTime Utc(int month, int day, int h, int m, int s = 0) { return QDateTime(QDate(2024, month, day), QTime(h, m, s), Qt::UTC); }

}  // namespace

TEST(FindFileRules, NamesAndPaths) {
  struct Case { const char* name; const char* mask; bool match; } cases[] = {
      {"abc", "a*z", false}, {"abc", "abc?", true}, {"abcd", "abc", false}, {"abc", "a*c", true},
      {"dove.mp3", "*love*.mp3", false}, {"My LOVE song.MP3", "*love*.mp3", true}, {"love.mp3x", "*love*.mp3", false},
      {"love", "*love*.mp3", false}, {"a.b.mp3", "*.mp3", true}, {".bashrc", "*.*", true}, {"README", "*.*", true},
      {"x.love", "*love*", false}, {"abc.txt", "abc", true}, {"我的爱人.MP3", "*爱*.mp3", true},
      {"爱.wma", "?.wma", true}, {"ÄRGER.mp3", "*ärger*.mp3", true}, {"a*b.mp3", "a*b.mp3", true},
      {"a;b.mp3", "*;*.mp3", true}};
  for (const Case& c : cases)
    EXPECT_EQ(FileNameMatchesMask(QString::fromUtf8(c.name), QString::fromUtf8(c.mask)), c.match) << c.name << " " << c.mask;
  struct PathCase { const char* folder; const char* name; const char* mask; bool match; } paths[] = {
      {"/home/x/temp/", "a.mp3", "/temp/*.*", true}, {"/home/x/TEMP", "a", "/temp/*.*", true},
      {"/home/xtemp/", "a.mp3", "/temp/*.*", false}, {"/temp/x/", "a.mp3", "/temp/*.*", false},
      {"/a/", "b.wma", "*.mp3", false}, {"/a/", "b.wma", "/a/", true}};
  for (const PathCase& c : paths) EXPECT_EQ(PathMatchesMask(c.folder, c.name, c.mask), c.match) << c.folder << c.mask;
}

TEST(FindFileRules, DateTimeInRange) {
  const auto at = [](int d, int h, int m) { return DateTimeOf(QDate(2024, 5, d), QTime(h, m)); };
  const auto time = [](int h, int m) { return DateTimeOf(QDate(1899, 12, 30), QTime(h, m)); };
  struct Case { TDateTime value, after, before; bool in; } cases[] = {
      {at(10, 23, 59), 0, at(10, 0, 0), true},    {at(11, 0, 1), 0, at(10, 0, 0), false},
      {at(10, 0, 0), at(10, 0, 0), 0, true},      {at(9, 23, 59), at(10, 0, 0), 0, false},
      {at(3, 8, 30), time(8, 0), time(9, 0), true}, {at(3, 9, 30), time(8, 0), time(9, 0), false},
      {at(10, 12, 0), at(10, 12, 0), at(10, 12, 0), true}, {at(10, 12, 1), 0, at(10, 12, 0), false},
      {at(10, 12, 0), 0, 0, true}};
  for (const Case& c : cases) EXPECT_EQ(DateTimeInRange(c.value, c.after, c.before), c.in) << c.value;
}

TEST(FindFileRules, ContentAcrossBlockEndsCaseAndWholeWords) {
  QTemporaryDir dir;
  // The file is read in blocks of 61440 bytes: a phrase may straddle a block's end.
  const auto at = [](qsizetype offset, const QByteArray& text, qsizetype size = 61440 * 2 + 7) {
    QByteArray data(size, 'x');
    data.replace(offset, text.size(), text);
    return data;
  };
  QByteArray longText(61500, 'a');
  for (qsizetype i = 0; i < longText.size(); i += 7) longText[i] = 'b';
  QByteArray notQuite = longText;
  notQuite[61499] = 'q';
  const struct {
    QByteArray data, phrase;
    bool whole, ignoreCase, match;
  } rows[] = {
      {at(61438, "bell"), "bell", false, false, true},     {at(61438, "bell"), "bell", true, false, false},
      {at(61437, " bell."), "bell", true, false, true},    {at(61437, " BeLL "), "bell", true, true, true},
      {at(61437, " BeLL "), "bell", false, false, false},  {at(0, "bell "), "bell", true, false, true},
      {at(61440 * 2 + 3, "bell"), "bell", true, false, false},
      {QByteArray("x bell"), "bell", true, false, true},   {QByteArray("\xc7"), "\xe7", false, true, false},
      {QByteArray("aab"), "ab", false, false, true},       {QByteArray("aa ab"), "a", true, false, false},
      {at(100, longText), longText, false, false, true},   {at(100, longText), notQuite, false, false, false},
      {at(0, "bel"), "bell", false, false, false}};
  int n = 0;
  for (const auto& row : rows) {
    const QString path = writeFile(dir.filePath(QString::number(n)), row.data);
    const QByteArray phrase = row.ignoreCase ? row.phrase.toLower() : row.phrase;
    EXPECT_EQ(FileContainsPhrase(path, phrase, row.whole, row.ignoreCase ? LowerCaseTable() : IdentityTable()),
              row.match)
        << "row " << n++;
  }
  struct Case { const char* text; bool match; } words[] = {
      {"bells ring", false}, {"the bell.", true}, {"ring the bell", true}, {"bell rings", true}, {"Bell", true},
      {"abell", false}, {"bel", false}};
  for (const Case& w : words) {
    TContentCriteria c;
    c.SetPhrase("bell");
    c.WholeWord = true;
    EXPECT_EQ(c.Matches(writeFile(dir.filePath("w"), w.text)), w.match) << w.text;
  }
  const QString fifo = dir.filePath("x.mp3");
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  EXPECT_FALSE(FileContainsPhrase(fifo, "a", false, IdentityTable()));
}

TEST(FindFilePlan, MasksMarksAndTargets) {
  QTemporaryDir dir;
  const QString r = dir.path();
  for (const char* d : {"Music", "music", "a", "b"}) QDir(r).mkdir(d);
  const QString canon = QDir(r).canonicalPath(), home = QDir::home().canonicalPath();
  // Each target as "folder subfolders-mark masks max-level".
  const auto targets = [&](const TTargetSearch& plan) {
    QStringList out;
    for (const TTargetFolder& t : plan.Folders.Targets)
      out << QString("%1 %2 %3 %4").arg(QString(t.Folder).replace(canon, "R").replace(home, "~"), t.Subfolders ? ">" : "<",
                                         t.Masks.join(',')).arg(t.MaxLevel);
    return out;
  };
  TSearchCriteria c;
  c.Files.FileName = "*.mp3;*.MP3; ;*.wma";
  c.Files.Subfolders = false;
  c.Files.Location = ">" + r + "/Music;<" + r + "/music;" + r + "/a;" + r + "/b/../a/;" + r + "/missing;D:\\";
  c.Files.MaxLevel = 2;
  EXPECT_EQ(targets(TTargetSearch(c)), QStringList({"R/Music/ > *.mp3,*.wma 2", "R/music/ < *.mp3,*.wma 2",
                                                    "R/a/ < *.mp3,*.wma 2"}));
  c.Files = {"", {}, "~", {"<" + r + "/b/*.txt"}, {}, true};
  c.Content.SetPhrase("x");
  c.Attribute.Attributes = 55;
  const TTargetSearch second(c);
  EXPECT_EQ(targets(second), QStringList({"R/b/ < *.txt 0", "~/ > *.* 0"}));
  EXPECT_EQ(second.Attribute.Attributes, 39u);
}

// A generated tree walked by the component and by GNU find must give the same files. Folders
// take a few names only, so that many share a name with a cousin; hidden names of two
// characters (".d", ".a") are folders and files like any other.
TEST(FindFileWalk, AgreesWithFind) {
  QTemporaryDir dir;
  const QString root = QDir(dir.path()).canonicalPath();
  QRandomGenerator rng(7);
  QStringList folders{root};
  for (int i = 0; i < 60; ++i) {
    const QString parent = folders[rng.bounded(folders.size())];
    if (parent.count('/') - root.count('/') < 5) folders << parent + (i % 7 ? "/Dir" + QString::number(i % 4) : "/.d");
    QDir().mkpath(folders.last());
  }
  const char* names[] = {"Love%1.mp3", "x%1.MP3", ".LOVE%1.wma", "glove%1.WMA", "%1.txt", "l%1ove.mp3"};
  for (int i = 0; i < 400; ++i)
    writeFile(folders[rng.bounded(folders.size())] + "/" + QString(names[i % 6]).arg(i), "");
  for (int i = 0; i < folders.size(); i += 3) writeFile(folders[i] + "/.a", "");
  struct Case { QString masks; quint16 min, max; QStringList findArgs; } cases[] = {
      {"*love*.mp3;*love*.wma", 0, 0, {"(", "-iname", "*love*.mp3", "-o", "-iname", "*love*.wma", ")"}},
      {"*.*", 0, 0, {}},
      {"*.mp3", 3, 0, {"-mindepth", "3", "-iname", "*.mp3"}},
      {"*.*", 0, 2, {"-maxdepth", "2"}},
      {"*.txt", 2, 3, {"-mindepth", "2", "-maxdepth", "3", "-iname", "*.txt"}}};
  for (const Case& c : cases) {
    QProcess find;
    find.start("find", QStringList{root} + c.findArgs + QStringList{"-type", "f", "-printf", "%P\\n"});
    ASSERT_TRUE(find.waitForFinished());
    QStringList expected = QString::fromUtf8(find.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    expected.sort();
    TFindFile f;
    f.Threaded = true;
    f.Criteria.Files.FileName = c.masks;
    f.Criteria.Files.Location = root;
    f.Criteria.Files.MinLevel = c.min;
    f.Criteria.Files.MaxLevel = c.max;
    EXPECT_EQ(Found(f, root), expected) << c.masks.toStdString() << " " << c.min << " " << c.max;
  }
}

TEST(FindFileWalk, IgnoreValuesLoopsAndBadNames) {
  QTemporaryDir dir;
  const QString root = QDir(dir.path()).canonicalPath();
  writeFile(root + "/top.mp3", "");
  writeFile(root + "/sub/low.mp3", "");
  writeFile(root + "/sub/deeper/lowest.mp3", "");
  QFile::link(root, root + "/sub/loop");
  const QByteArray bad = QFile::encodeName(root) + "/bad\xff.mp3";  // Qt cannot name it: removed here
  ::close(::open(bad.constData(), O_CREAT | O_WRONLY, 0600));
  struct Case { TFolderIgnore top; QStringList expected; } cases[] = {
      {fiNone, {"sub/deeper/lowest.mp3", "sub/low.mp3", "top.mp3"}},
      {fiJustThis, {"sub/deeper/lowest.mp3", "sub/low.mp3"}},
      {fiJustSubfolders, {"top.mp3"}},
      {fiThisAndSubfolders, {}}};
  for (const Case& c : cases) {
    TFindFile f;
    // Overlapping locations: each file is listed once.
    f.Criteria.Files.Location = c.top == fiNone ? root + ";" + root + "/sub" : root;
    QStringList levels;
    f.OnFolderChange = [&](TFindFile* s, const QString& folder, TFolderIgnore& ignore) {
      levels << folder.mid(root.size()) + QString::number(s->Level());
      if (s->Level() == 1 && folder == root + "/") ignore = c.top;
    };
    EXPECT_EQ(Found(f, root), c.expected);
    const QStringList walk{"/1", "/sub/2", "/sub/deeper/3", "/sub/1", "/sub/deeper/2"};  // two targets
    EXPECT_TRUE(c.top != fiNone || levels == walk) << levels.join(' ').toStdString();
  }
  ::unlink(bad.constData());
  TFindFile proc;  // a pseudo file system is not walked
  proc.Criteria.Files.Location = "/proc";
  EXPECT_EQ(Found(proc, "/proc"), QStringList());
}

// Date bounds test each file's times in local time (UTC + 8 here), pair by pair.
TEST(FindFileWalk, DateCriteriaInLocalTime) {
  EastOfUtc zone;
  QTemporaryDir dir;
  const QString root = QDir(dir.path()).canonicalPath();
  // Local times: a 05-09 23:59:59, b 05-10 00:00:00, c 05-10 12:30, d 05-11 04:00 (05-10 in UTC).
  const struct { const char* name; QDateTime modified, accessed; } files[] = {
      {"a.mp3", Utc(5, 9, 15, 59, 59), Utc(1, 1, 0, 0)}, {"b.mp3", Utc(5, 9, 16, 0), Utc(1, 1, 0, 0)},
      {"c.mp3", Utc(5, 10, 4, 30), Utc(6, 1, 0, 0)},      {"d.mp3", Utc(5, 10, 20, 0), Utc(1, 1, 0, 0)}};
  for (const auto& f : files) SetTimes(writeFile(root + "/" + f.name, "x"), f.accessed, f.modified);
  // Creation times are the files' birth (now) where the file system keeps one, else their
  // modification times.
  struct statx sx {};
  ASSERT_EQ(::statx(AT_FDCWD, QFile::encodeName(root + "/a.mp3").constData(), 0, STATX_BTIME, &sx), 0);
  const bool born = sx.stx_mask & STATX_BTIME;
  const auto day = [](int month, int d) { return DateTimeOf(QDate(2024, month, d), QTime()); };
  const auto time = [](int h, int m) { return DateTimeOf(QDate(1899, 12, 30), QTime(h, m)); };
  const TDateTime today = DateTimeOf(QDate::currentDate(), QTime());
  using Bounds = TDateTimeCriteria;
  struct Case { const char* what; Bounds bounds; QStringList expected; } cases[] = {
      {"none", {}, {"a.mp3", "b.mp3", "c.mp3", "d.mp3"}},
      {"modified on or before 05-10", {0, 0, day(5, 10), 0, 0, 0}, {"a.mp3", "b.mp3", "c.mp3"}},
      {"modified on or after 05-10", {0, 0, 0, day(5, 10), 0, 0}, {"b.mp3", "c.mp3", "d.mp3"}},
      {"modified on 05-10", {0, 0, day(5, 10), day(5, 10), 0, 0}, {"b.mp3", "c.mp3"}},
      {"modified between 08:00 and 13:00 of a day", {0, 0, time(13, 0), time(8, 0), 0, 0}, {"c.mp3"}},
      {"modified up to 05-10 12:30", {0, 0, day(5, 10) + time(12, 30), 0, 0, 0}, {"a.mp3", "b.mp3", "c.mp3"}},
      {"accessed after 03-01", {0, 0, 0, 0, 0, day(3, 1)}, {"c.mp3"}},
      {"created today or later", {0, today, 0, 0, 0, 0},
       born ? QStringList{"a.mp3", "b.mp3", "c.mp3", "d.mp3"} : QStringList{}},
      {"created on or before 05-10", {day(5, 10), 0, 0, 0, 0, 0},
       born ? QStringList{} : QStringList{"a.mp3", "b.mp3", "c.mp3"}}};
  for (const Case& c : cases) {
    TFindFile f;
    f.Criteria.Files.Location = root;
    f.Criteria.TimeStamp = c.bounds;
    EXPECT_EQ(Found(f, root), c.expected) << c.what;
  }
}

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
  EastOfUtc zone;
  SetTimes(root + "/My Love.mp3", Utc(5, 10, 4, 34, 56), Utc(5, 10, 4, 34, 56));
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
  EXPECT_EQ(column(3)[2], "2024-05-10 12:34:56");  // local time, eight hours east of UTC
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
  EXPECT_EQ(QStringList({boxes[0].text, boxes[0].caption, QString::number(boxes[0].flags)}),
            QStringList({"搜索正在进行时,不能对文件排序.", "提示", "48"}));
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
