// System services: the SQLite layer and its grid, file rules, message boxes, external programs,
// autostart entries, password hashes, power requests on a private bus, the system volume and
// capture formats.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <unistd.h>

#include "platform/audio/pulsecapture.h"
#include "platform/audio/pulsesystemvolume.h"
#include "platform/db/connection.h"
#include "platform/db/query.h"
#include "platform/db/querymodel.h"
#include "platform/files/homefolder.h"
#include "platform/files/inifile.h"
#include "platform/files/textfile.h"
#include "platform/files/waveheader.h"
#include "platform/forms/dbgrid.h"
#include "platform/forms/form.h"
#include "platform/forms/messageform.h"
#include "platform/msgbox/messagebox.h"
#include "platform/system/autostart.h"
#include "platform/system/clockcontrol.h"
#include "platform/system/passwordhash.h"
#include "platform/system/power.h"
#include "platform/system/processes.h"
#include "platform/system/shell.h"
#include "tests/support/helperprogram.h"
#include "tests/support/testsupport.h"

using namespace orvane;
using db::Connection;
using db::Query;
using testing_support::copyHelperProgram;
using testing_support::readHelperPid;
using testing_support::waitUntil;

namespace {
class Db : public ::testing::Test {
 protected:
  void SetUp() override {
    c = Connection::open(dir.filePath(QStringLiteral("t.db")), Connection::Mode::CreateIfMissing);
    ASSERT_TRUE(c && c->execScript(QStringLiteral("CREATE TABLE t (id INTEGER PRIMARY KEY, name TEXT, n INTEGER)")));
  }
  QString one(const QString& sql) {
    Query q(c.get());
    q.setSql(sql);
    return q.open() ? q.value(0, 0).toString() : QStringLiteral("error");
  }
  QTemporaryDir dir;
  std::unique_ptr<Connection> c;
};
}  // namespace

TEST_F(Db, OpeningRefusesWhatIsNotAnExistingDatabaseAndAReadOnlyFileRefusesWrites) {
  const QString text = testing_support::writeFile(dir.filePath(QStringLiteral("notes.mdb")),
                                                  QByteArray("Standard Jet DB, but really just text\n").repeated(40));
  for (const QString& path : {QString(), QStringLiteral("   "), dir.filePath(QStringLiteral("missing.db")), dir.path(), text}) {
    QString error;
    EXPECT_FALSE(Connection::open(path, Connection::Mode::OpenExisting, &error)) << path.toStdString();
    EXPECT_FALSE(error.isEmpty());
  }
  EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing.db")))) << "opening must never create a file";
  ASSERT_TRUE(c->execScript(QStringLiteral("INSERT INTO t(name) VALUES('kept')")));
  c.reset();
  QFile::setPermissions(dir.filePath(QStringLiteral("t.db")), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
  if (::geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
  c = Connection::open(dir.filePath(QStringLiteral("t.db")), Connection::Mode::OpenExisting);
  ASSERT_TRUE(c);
  EXPECT_TRUE(c->readOnly());
  EXPECT_EQ(one(QStringLiteral("SELECT name FROM t")), QStringLiteral("kept"));
  Query q(c.get());
  q.setSql(QStringLiteral("INSERT INTO t(name) VALUES('x')"));
  EXPECT_FALSE(q.exec());
}

TEST_F(Db, ValuesAreBoundNeverSpliced) {
  const QStringList values = {QStringLiteral("say \"hi\""), QStringLiteral("10:00:00 :v1"),
                              QStringLiteral("O'Brien'); DROP TABLE t; --"), QStringLiteral("早操音乐：第一套")};
  Query ins(c.get()), sel(c.get());
  ins.setSql(QStringLiteral("INSERT INTO t(name) VALUES(:name)"));
  sel.setSql(QStringLiteral("SELECT name FROM t WHERE name=:name"));
  for (const QString& v : values) {
    ins.bindValue(QStringLiteral(":name"), v);
    ASSERT_TRUE(ins.exec()) << qPrintable(ins.lastError());
    sel.bindValue(QStringLiteral("name"), v);
    ASSERT_TRUE(sel.open());
    ASSERT_EQ(sel.recordCount(), 1) << qPrintable(v);
    EXPECT_EQ(sel.fieldAsString(QStringLiteral("NAME")), v);
  }
  ins.setSql(QStringLiteral("INSERT INTO t(name) VALUES(\"oops\")"));  // an identifier, never a value
  EXPECT_FALSE(ins.exec());
  EXPECT_TRUE(ins.lastError().contains(QStringLiteral("oops")));
  ins.setSql(QStringLiteral("UPDATE t SET name=:v1 WHERE name=:v2 OR name=:v2 OR name='12:00:00'"));
  EXPECT_EQ(ins.parameterCount(), 2);
  ins.setSql(QStringLiteral("UPDATE nosuchtable SET x=:v1"));
  EXPECT_EQ(ins.parameterCount(), -1);
}

TEST_F(Db, CursorLocateStrictIntegersModelAndGrid) {
  ASSERT_TRUE(c->execScript(QStringLiteral(
      "INSERT INTO t(name,n) VALUES('a',1),('b','42'),('c',' 7 '),('d','x9'),('e',NULL),('f',2.5),('g','-3')")));
  Query q(c.get());
  QSignalSpy reset(&q, &Query::rowsReset);
  db::QueryModel model(&q);
  model.setTitle(QStringLiteral("name"), QStringLiteral("节目名称"));
  DBGrid grid;
  grid.setQuery(&q);
  q.setSql(QStringLiteral("SELECT id,name,n FROM t ORDER BY id"));
  ASSERT_TRUE(q.open());
  EXPECT_EQ(reset.count(), 1);
  EXPECT_EQ(q.recNo(), 0);
  std::vector<std::pair<qint64, bool>> got;
  for (q.first(); !q.eof(); q.next()) {
    bool ok = false;
    const qint64 v = q.fieldAsInteger(QStringLiteral("n"), &ok);
    got.emplace_back(v, ok);
  }
  EXPECT_EQ(got, (std::vector<std::pair<qint64, bool>>{{1, true}, {42, true}, {7, true}, {0, false}, {0, false}, {0, false}, {-3, true}}));
  EXPECT_TRUE(q.locate(QStringLiteral("name"), QStringLiteral("c")));
  EXPECT_EQ(q.recNo(), 2);
  EXPECT_EQ(grid.currentIndex().row(), 2) << "the grid follows the cursor";
  EXPECT_FALSE(q.locate(QStringLiteral("name"), QStringLiteral("zz")));
  EXPECT_EQ(q.recNo(), 2);
  EXPECT_EQ(q.fieldAsString(QStringLiteral("n")), QStringLiteral("7")) << "integer affinity stores it as a number";
  grid.setCurrentIndex(grid.model()->index(4, 1));
  EXPECT_EQ(q.recNo(), 4) << "the cursor follows the grid";
  EXPECT_EQ(q.fieldAsString(QStringLiteral("n")), QString()) << "NULL reads as empty text";
  EXPECT_EQ(std::pair(model.rowCount(), model.columnCount()), std::pair(7, 3));
  EXPECT_EQ(QStringList({model.headerData(1, Qt::Horizontal).toString(), model.headerData(0, Qt::Horizontal).toString(),
                         model.data(model.index(1, 1)).toString()}),
            QStringList({QStringLiteral("节目名称"), QStringLiteral("id"), QStringLiteral("b")}));
  grid.hideColumnOf(QStringLiteral("id"));
  grid.setColumn(QStringLiteral("name"), QStringLiteral("歌曲"), 60);
  EXPECT_TRUE(grid.isColumnHidden(0));
  EXPECT_EQ(grid.columnWidth(1), 60);
  EXPECT_EQ(grid.columnTitle(QStringLiteral("name")), QStringLiteral("歌曲"));
  q.close();
  EXPECT_TRUE(q.eof());
  EXPECT_EQ(model.rowCount(), 0);
}

TEST_F(Db, TransactionsRollBackUnlessCommittedAndNestAsOne) {
  {
    db::Transaction t(*c);
    ASSERT_TRUE(c->execScript(QStringLiteral("INSERT INTO t(name) VALUES('lost')")));
  }
  {
    db::Transaction outer(*c);
    ASSERT_TRUE(c->execScript(QStringLiteral("INSERT INTO t(name) VALUES('kept')")));
    {
      db::Transaction inner(*c);
      EXPECT_TRUE(inner.commit());
      EXPECT_TRUE(c->inTransaction()) << "an inner commit must not end the outer transaction";
    }
    EXPECT_TRUE(outer.commit());
  }
  EXPECT_EQ(one(QStringLiteral("SELECT group_concat(name) FROM t")), QStringLiteral("kept"));
}

TEST(Files, HomeFolderExplicitThenXdgDataHomeThenDefault) {
  const QString fallback = QDir::homePath() + QStringLiteral("/.local/share/orvane");
  testing_support::ScopedEnv home("ORVANE_HOME", std::nullopt), xdg("XDG_DATA_HOME", std::nullopt);
  for (const auto& [explicitHome, data, expected] : std::vector<std::tuple<const char*, const char*, QString>>{
           {"/tmp/orvane-explicit/", "/tmp/xdg-data", QStringLiteral("/tmp/orvane-explicit")},
           {nullptr, "/tmp/xdg-data", QStringLiteral("/tmp/xdg-data/orvane")},
           {nullptr, "relative/ignored", fallback},
           {nullptr, nullptr, fallback}}) {
    explicitHome ? qputenv("ORVANE_HOME", explicitHome) : qunsetenv("ORVANE_HOME");
    data ? qputenv("XDG_DATA_HOME", data) : qunsetenv("XDG_DATA_HOME");
    EXPECT_EQ(HomeFolder::path(), expected) << (explicitHome ? explicitHome : "-") << " " << (data ? data : "-");
  }
}

TEST(Files, IniSectionsAndKeysIgnoreCaseAndTextFilesAreUtf8OrGb18030WithCrLf) {
  QTemporaryDir dir;
  const QString path = testing_support::writeFile(dir.filePath(QStringLiteral("dbpath.ini")),
                                                  "; comment\r\n[other]\r\npath=wrong\r\n[DB]\r\n  Path = \"/srv/gsk.mdb\" \r\n");
  EXPECT_EQ(IniFile(path).readString(QStringLiteral("db"), QStringLiteral("path")), QStringLiteral("/srv/gsk.mdb"));
  EXPECT_EQ(IniFile(path).readString(QStringLiteral("db"), QStringLiteral("nokey"), QStringLiteral("fb")), QStringLiteral("fb"));
  EXPECT_EQ(IniFile(dir.filePath(QStringLiteral("none.ini"))).readString(QStringLiteral("db"), QStringLiteral("path")), QString());
  const QString chinese = QStringLiteral("上课铃声");
  QStringEncoder gb("GB18030");
  const QString gbPath = testing_support::writeFile(dir.filePath(QStringLiteral("gb.pl3")), gb.encode(chinese + QStringLiteral("\r\nline2\n")));
  EXPECT_EQ(readTextLines(gbPath), (QStringList{chinese, QStringLiteral("line2")}));
  const QString utf8 = testing_support::writeFile(dir.filePath(QStringLiteral("u.pl3")), "\xEF\xBB\xBF" + chinese.toUtf8() + "\rlast");
  EXPECT_EQ(readTextLines(utf8), (QStringList{chinese, QStringLiteral("last")}));
  ASSERT_TRUE(writeTextLines(dir.filePath(QStringLiteral("out.txt")), {chinese, QString()}));
  EXPECT_EQ(readTextFile(dir.filePath(QStringLiteral("out.txt"))), chinese + QStringLiteral("\r\n\r\n"));
  ASSERT_TRUE(appendTextLine(dir.filePath(QStringLiteral("new.txt")), QStringLiteral("x")));
  ASSERT_TRUE(appendTextLine(dir.filePath(QStringLiteral("new.txt")), QStringLiteral("y")));
  EXPECT_EQ(readTextFile(dir.filePath(QStringLiteral("new.txt"))), QStringLiteral("x\r\ny\r\n"));
  EXPECT_FALSE(appendTextLine(dir.filePath(QStringLiteral("no/such/dir/x.txt")), QStringLiteral("x")));
}

TEST(Files, CanonicalPcmWaveHeaderAndAStreamOfUnknownLength) {
  // 1 s of 44.1 kHz 16-bit stereo: the 44 bytes every wave reader knows.
  EXPECT_EQ(pcmWaveHeader(44100, 2, 16, 176400), QByteArray::fromHex("52494646" "34b10200" "57415645" "666d7420" "10000000" "0100"
                                                                     "0200" "44ac0000" "10b10200" "0400" "1000" "64617461" "10b10200"));
  EXPECT_EQ(pcmWaveHeader(8000, 1, 8, 3).mid(22, 14), QByteArray::fromHex("0100" "401f0000" "401f0000" "0100" "0800"));
  // Unknown length: both sizes as large as they go.
  EXPECT_EQ(pcmWaveHeader(22050, 1, 16, -1).toHex(), QByteArray("52494646" "ffffffff" "57415645" "666d7420" "10000000" "0100" "0100"
                                                                "22560000" "44ac0000" "0200" "1000" "64617461" "ffffffff"));
}

namespace {
QStringList buttonTexts(const TMessageForm& f) {
  QStringList texts;
  for (auto* b : f.findChildren<QPushButton*>()) texts << b->text();
  return texts;
}

// Clicks a button of the next message window once it shows.
void clickLater(int result) {
  QTimer::singleShot(0, [result] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      if (auto* f = qobject_cast<TMessageForm*>(w); f && f->isVisible()) {
        f->button(result)->click();
        return;
      }
    }
  });
}
}  // namespace

TEST(MessageFlags, ButtonsAndDefaultsOfTheFlagsInUse) {
  const std::vector<std::tuple<int, std::vector<int>, int>> rows = {
      {0, {mb::IDOK}, mb::IDOK}, {16, {mb::IDOK}, mb::IDOK}, {64, {mb::IDOK}, mb::IDOK},
      {33, {mb::IDOK, mb::IDCANCEL}, mb::IDOK}, {292, {mb::IDYES, mb::IDNO}, mb::IDNO}};
  for (const auto& [flags, buttons, byDefault] : rows) {
    EXPECT_EQ(mb::buttonsOf(flags), buttons) << flags;
    EXPECT_EQ(mb::defaultResultOf(flags), byDefault) << flags;
  }
  EXPECT_TRUE(mb::isNotice(16));
  EXPECT_FALSE(mb::isNotice(292));
}

TEST(MessageForm, ShowsTextCaptionButtonsAndAnswersWithTheButtonClicked) {
  TMessageForm question(QStringLiteral("是否要关闭软件?"), QStringLiteral("提示"), 292);
  EXPECT_EQ(QStringList({question.caption(), question.textLabel()->text()}) + buttonTexts(question),
            (QStringList{QStringLiteral("提示"), QStringLiteral("是否要关闭软件?"), QStringLiteral("是(&Y)"), QStringLiteral("否(&N)")}));
  EXPECT_TRUE(question.button(mb::IDNO)->isDefault());
  EXPECT_TRUE(question.findChild<QLabel*>(QStringLiteral("Image")));
  TMessageForm plain(QStringLiteral("请先退出试播状态再来操作。"), QStringLiteral("提示"), 0);
  EXPECT_EQ(buttonTexts(plain), QStringList{QStringLiteral("确定")});
  EXPECT_FALSE(plain.findChild<QLabel*>(QStringLiteral("Image"))) << "flags 0 show no icon";
  installMessageFormHandler();
  clickLater(mb::IDYES);
  EXPECT_EQ(MessageBox(QStringLiteral("是否要关闭软件?"), QStringLiteral("提示"), 292), mb::IDYES);
  clickLater(mb::IDCANCEL);
  EXPECT_EQ(MessageBox(QStringLiteral("x"), QStringLiteral("提示"), 33), mb::IDCANCEL);
  {
    // A notice inside the dispatcher's tick must come back at once, without a nested loop.
    NoNestedLoopScope scope;
    EXPECT_EQ(MessageBox(QStringLiteral("时间表读取错误!请检查时间表。"), QStringLiteral("错误"), 16), mb::IDOK);
  }
  for (QWidget* w : QApplication::topLevelWidgets())
    if (qobject_cast<TMessageForm*>(w)) w->close();
  QApplication::processEvents();
  setMessageBoxHandler({});
}

TEST(MessageResponder, RecordsQuestionsAndAnswersFromItsQueue) {
  ScopedMessageResponder responder;
  responder.queueAnswer(mb::IDYES);
  EXPECT_EQ(MessageBox(QStringLiteral("a"), QStringLiteral("提示"), 292), mb::IDYES);
  EXPECT_EQ(MessageBox(QStringLiteral("b"), QStringLiteral("提示"), 292), mb::IDNO);
  ASSERT_EQ(responder.asked().size(), 2u);
  EXPECT_TRUE(responder.asked()[1].flags == 292 && responder.wasAsked(QStringLiteral("a")));
}

TEST(FormModal, ModalResultEndsTheLoopAndCloseQueryCanRefuse) {
  struct Refusing : Form {
    int queries = 0;
    bool allow = false;
    void FormCloseQuery(bool& canClose) override {
      ++queries;
      canClose = allow;
    }
  } form;
  QTimer::singleShot(0, &form, [&] {
    form.close();  // refused
    form.allow = true;
    form.setModalResult(Form::mrOk);
  });
  EXPECT_EQ(form.ShowModal(), Form::mrOk);
  EXPECT_EQ(form.queries, 2);
  EXPECT_FALSE(form.isVisible());
  Form plain;
  QTimer::singleShot(0, &plain, [&] { plain.close(); });
  EXPECT_EQ(plain.ShowModal(), Form::mrCancel) << "closing without a result cancels";
}

namespace {
bool alive(qint64 pid) {
  if (pid <= 0 || ::kill(pid_t(pid), 0) != 0) return false;
  // A zombie counts as ended.
  QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
  if (!f.open(QIODevice::ReadOnly)) return false;
  const QByteArray s = f.readAll();
  return s.mid(s.lastIndexOf(')') + 2, 1) != "Z";
}

// Runs one test of this program in a copy of it whose name has this run's pid appended, so
// that ending "this program" by name can reach nothing but the copy; true when it passed.
bool passesInOwnCopy(const QString& test, const QString& folder, QString* output) {
  const QFileInfo self(QCoreApplication::applicationFilePath());
  const QString copy = QDir(folder).filePath(self.fileName() + QLatin1Char('-') +
                                             QString::number(QCoreApplication::applicationPid()));
  if (!QFile::copy(self.filePath(), copy)) return false;
  testing_support::ScopedEnv inCopy("ORVANE_TEST_IN_OWN_COPY", "1");
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start(copy, {QStringLiteral("--gtest_filter=") + test});
  const bool finished = p.waitForFinished(60000);
  *output = QString::fromUtf8(p.readAll());
  if (!finished) p.kill(), p.waitForFinished();
  return finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

struct Opened {
  QList<QUrl> urls;
  bool answer = true;
  Processes::UrlOpener opener() {
    return [this](const QUrl& u) {
      urls << u;
      return answer;
    };
  }
};
}  // namespace

TEST(ProcessesTest, StartsAProgramInItsOwnGroupAndEndsTheGroup) {
  QTemporaryDir dir;
  const QString prog = copyHelperProgram(dir.path(), QStringLiteral("orvhelper-parent"));
  const QString name = QFileInfo(prog).fileName();
  Opened opened;
  Processes processes(opened.opener());
  const OpenResult r = processes.Open(QStringLiteral("  ") + prog + QStringLiteral(" "));
  ASSERT_TRUE(r.ok && r.started) << r.error.toStdString();
  ASSERT_TRUE(waitUntil(
      [&] { return readHelperPid(prog + QStringLiteral(".pid")) && readHelperPid(prog + QStringLiteral(".child")); }));
  const qint64 pid = readHelperPid(prog + QStringLiteral(".pid"));
  const qint64 child = readHelperPid(prog + QStringLiteral(".child"));
  EXPECT_EQ(pid, r.pid);
  EXPECT_TRUE(::getpgid(pid_t(pid)) != ::getpgrp() && ::getpgid(pid_t(child)) == ::getpgid(pid_t(pid))) << "a group of its own";
  EXPECT_TRUE(processes.startedGroups().size() == 1 && opened.urls.isEmpty());
  EXPECT_EQ(Processes::executableName(pid), name);
  // Case does not matter; the program ends on SIGTERM, its child with the group.
  EXPECT_GE(processes.KillProcess(name.toUpper()), 1);
  EXPECT_TRUE(waitUntil([&] { return !alive(pid) && !alive(child); }));
  EXPECT_TRUE(QFile::exists(prog + QStringLiteral(".term")) && processes.startedGroups().isEmpty());
}

TEST(ProcessesTest, WhatIgnoresTheRequestIsKilledAfterTheGraceTime) {
  QTemporaryDir dir;
  const QString prog = copyHelperProgram(dir.path(), QStringLiteral("orvhelper-stubborn"));
  Processes processes;
  ASSERT_TRUE(processes.Open(prog).started);
  ASSERT_TRUE(waitUntil([&] { return readHelperPid(prog + QStringLiteral(".pid")) > 0; }));
  const qint64 pid = readHelperPid(prog + QStringLiteral(".pid"));
  QSignalSpy killed(&processes, &Processes::killed);
  ASSERT_EQ(processes.KillProcess(QFileInfo(prog).fileName()), 1);
  waitUntil([] { return false; }, 1000);
  EXPECT_TRUE(alive(pid)) << "killed before the grace time";
  ASSERT_TRUE(waitUntil([&] { return killed.count() > 0; }, 5000));
  EXPECT_EQ(killed.first().first().toInt(), 1);
  EXPECT_TRUE(waitUntil([&] { return !alive(pid); }));
  EXPECT_FALSE(QFile::exists(prog + QStringLiteral(".term")));
}

TEST(ProcessesTest, EndsOurOtherProcessesOfThatNameOnlyAndNeverItself) {
  QTemporaryDir dir;
  const QString same = copyHelperProgram(dir.path(), QStringLiteral("orvhelper-byname"));
  const QString other = copyHelperProgram(dir.path(), QStringLiteral("orvhelper-other"));
  // Started by someone else (here a plain child process), not through the launcher.
  QProcess a, b;
  a.start(same, {});
  b.start(other, {});
  ASSERT_TRUE(a.waitForStarted() && b.waitForStarted());
  ASSERT_TRUE(waitUntil(
      [&] { return readHelperPid(same + QStringLiteral(".pid")) && readHelperPid(other + QStringLiteral(".pid")); }));
  Processes processes;
  EXPECT_EQ(processes.KillProcess(QFileInfo(same).fileName()), 1);
  EXPECT_TRUE(a.waitForFinished(5000) && QFile::exists(same + QStringLiteral(".term")));
  EXPECT_EQ(b.state(), QProcess::Running);
  // The program's own name: it is never asked to end itself. Asked from a copy of this test
  // program named for this run alone, so that no other run of the tests is asked to end.
  QString output;
  EXPECT_TRUE(passesInOwnCopy(QStringLiteral("ProcessesTest.NeverAsksItselfToEnd"), dir.path(), &output))
      << output.toStdString();
  EXPECT_EQ(processes.KillProcess(QString()) + processes.KillProcess(QStringLiteral("no-such-program-here")), 0);
  b.terminate();
  b.waitForFinished(5000);
}

// Run by the test above inside a copy of this program; on its own it is skipped.
TEST(ProcessesTest, NeverAsksItselfToEnd) {
  if (!qEnvironmentVariableIsSet("ORVANE_TEST_IN_OWN_COPY")) GTEST_SKIP() << "runs inside a copy of the test program";
  Processes processes;
  EXPECT_EQ(processes.KillProcess(Processes::executableName(::getpid())), 0);
}

TEST(ProcessesTest, OtherPathsGoToTheDesktopsHandlerAndBadOnesSaySo) {
  QTemporaryDir dir;
  const QString text = testing_support::writeFile(dir.filePath(QStringLiteral("notice.txt")), "hello");
  Opened opened;
  Processes processes(opened.opener());
  const QUrl web(QStringLiteral("http://127.0.0.1:9/radio.html"));
  for (const auto& [path, url] : std::vector<std::pair<QString, QUrl>>{
           {text, QUrl::fromLocalFile(text)}, {dir.path(), QUrl::fromLocalFile(dir.path())}, {web.toString(), web}}) {
    const OpenResult r = processes.Open(path);
    EXPECT_TRUE(r.ok && !r.started) << path.toStdString();
    EXPECT_EQ(opened.urls.value(opened.urls.size() - 1), url);
  }
  EXPECT_TRUE(processes.Open(dir.filePath(QStringLiteral("missing.exe"))).error.contains(QStringLiteral("does not exist")));
  opened.answer = false;
  for (const QString& bad : {QStringLiteral("   "), dir.filePath(QStringLiteral("missing.exe")), text}) {
    const OpenResult r = processes.Open(bad);
    EXPECT_FALSE(r.ok) << bad.toStdString();
    EXPECT_FALSE(r.error.isEmpty());
  }
  EXPECT_EQ(opened.urls.size(), 4);
  EXPECT_TRUE(processes.startedGroups().isEmpty());
}

namespace {
// An Exec value read back as a desktop reads it: string escapes, then quoting, then "%%".
QStringList parseExec(const QString& value) {
  QString s;
  for (qsizetype i = 0; i < value.size(); ++i) {
    QChar c = value[i];
    if (c == u'\\' && i + 1 < value.size()) {
      c = value[++i];
      c = c == u'n' ? u'\n' : c == u't' ? u'\t' : c == u'r' ? u'\r' : c == u's' ? u' ' : c;
    }
    s += c;
  }
  QStringList args;
  QString cur;
  bool quoted = false, any = false;
  for (qsizetype i = 0; i < s.size(); ++i) {
    const QChar c = s[i];
    if (quoted && c == u'\\' && i + 1 < s.size()) cur += s[++i];
    else if (c == u'"') quoted = !quoted, any = true;
    else if (c == u' ' && !quoted) {
      if (any) args.append(cur);
      cur.clear();
      any = false;
    } else cur += c, any = true;
  }
  if (any) args.append(cur);
  for (QString& a : args) a.replace(QStringLiteral("%%"), QStringLiteral("%"));
  return args;
}
}  // namespace

TEST(DesktopShellTest, TheLaunchersAnswerReachesWhoOpenedTheFileWithItsReasonAndTheLog) {
  // What the desktop's xdg-open does: nothing found for the file, opened, or no launcher at all.
  struct Case {
    const char* script;  // null: no xdg-open
    bool asked;
    QString why;  // empty: no failure
  };
  const Case cases[] = {
      {"echo 'xdg-open: no method available for opening it' >&2; exit 3", true,
       QStringLiteral("桌面没有打开这类文件的程序（xdg-open: no method available for opening it）")},
      {"exit 4", true, QStringLiteral("打开文件的程序没有打开它")},
      {"exit 0", true, QString()},
      {nullptr, false, QStringLiteral("桌面没有打开文件的程序")},
  };
  QTemporaryDir bin;
  const testing_support::ScopedEnv path("PATH", bin.path().toUtf8());
  const QString help = testing_support::writeFile(bin.filePath(QStringLiteral("help.html")), "<html></html>");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script ? c.script : "none");
    QFile::remove(bin.filePath(QStringLiteral("xdg-open")));
    if (c.script)
      QFile::setPermissions(testing_support::writeFile(bin.filePath(QStringLiteral("xdg-open")),
                                                       QByteArray("#!/bin/sh\n") + c.script + "\n"),
                            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    DesktopShell shell(QDBusConnection(QStringLiteral("none")));
    testing_support::LoggedMessages logged;
    QStringList told;
    EXPECT_EQ(shell.OpenFile(help, [&](const QString& why) { told << why; }), c.asked);
    // The launcher's answer comes in its own time; an opened file is told nothing.
    waitUntil([&] { return !told.isEmpty(); }, c.why.isEmpty() ? 500 : 5000);
    EXPECT_EQ(told, c.why.isEmpty() ? QStringList() : QStringList{c.why});
    EXPECT_EQ(logged.count(QStringLiteral("shell: nothing opens the file ") + help), c.why.isEmpty() ? 0 : 1);
  }
}

TEST(Autostart, DefaultFolderFollowsAnAbsoluteXdgConfigHome) {
  const QString fallback = QDir::homePath() + QStringLiteral("/.config/autostart");
  testing_support::ScopedEnv config("XDG_CONFIG_HOME", "/tmp/some config");
  for (const auto& [value, folder] : std::vector<std::pair<QByteArray, QString>>{
           {"/tmp/some config", QStringLiteral("/tmp/some config/autostart")}, {"relative/path", fallback}, {"", fallback}}) {
    qputenv("XDG_CONFIG_HOME", value);
    EXPECT_EQ(Autostart::DefaultFolder(), folder) << value.constData();
  }
}

TEST(Autostart, ExecQuotesEveryAwkwardPathSoItReadsBackWhole) {
  for (const QString& p : {QStringLiteral("/home/a b/播音 软件/orvane"), QStringLiteral("/tmp/q\"uote/`tick`/$HOME/back\\slash/100%/x"),
                           QStringLiteral("/tmp/tab\there/new\nline/-dash;&|<>*?#()~'")}) {
    const QByteArray entry = Autostart::EntryText(p);
    const QByteArray exec = entry.mid(entry.indexOf("\nExec=") + 6).split('\n').first();
    EXPECT_EQ(parseExec(QString::fromUtf8(exec)), QStringList{p}) << exec.constData();
  }
  // Quoting first, then the string escapes: one backslash in the path is four in the file.
  EXPECT_EQ(Autostart::ExecValue(QStringLiteral("/a\\b")), QStringLiteral("\"/a\\\\\\\\b\""));
  EXPECT_EQ(Autostart::ExecValue(QStringLiteral("/a%b")), QStringLiteral("\"/a%%b\""));
}

TEST(Autostart, EnableWritesTheEntryHiddenOnesDoNotCountAndDisableRemoves) {
  QTemporaryDir tmp;
  Autostart a(tmp.filePath(QStringLiteral("my config/autostart")));
  EXPECT_FALSE(a.isPresent());
  EXPECT_TRUE(a.disable()) << "no entry to remove is fine";
  QString error;
  ASSERT_TRUE(a.enable(QStringLiteral("/opt/my apps/orvane"), &error)) << error.toStdString();
  EXPECT_EQ(a.filePath(), tmp.filePath(QStringLiteral("my config/autostart/tamu.desktop")));
  QFile f(a.filePath());
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  const QByteArray text = f.readAll();
  EXPECT_TRUE(text.startsWith("[Desktop Entry]\n") && text.contains("\nType=Application\n") && !text.contains('\r'));
  EXPECT_TRUE(text.contains("\nExec=\"/opt/my apps/orvane\"\n"));
  EXPECT_TRUE(a.isPresent());
  for (const auto& [text, present] : std::vector<std::pair<QByteArray, bool>>{
           {"[Desktop Entry]\nExec=x\nHidden = true\n", false},
           {"[Desktop Entry]\nExec=x\n[Desktop Action new]\nHidden=true\n", true}}) {
    testing_support::writeFile(a.filePath(), text);
    EXPECT_EQ(a.isPresent(), present) << text.constData();
  }
  ASSERT_TRUE(a.enable(QStringLiteral("/usr/bin/orvane")));  // replaces a hidden entry
  ASSERT_TRUE(a.disable(&error));
  EXPECT_FALSE(QFile::exists(a.filePath()) || a.isPresent());
  // A file where the folder should be, a folder where the entry should be: refused with a reason.
  testing_support::writeFile(tmp.filePath(QStringLiteral("autostart")), "not a folder");
  error.clear();
  EXPECT_FALSE(Autostart(tmp.filePath(QStringLiteral("autostart"))).enable(QStringLiteral("/usr/bin/orvane"), &error));
  EXPECT_FALSE(error.isEmpty());
  Autostart odd(tmp.filePath(QStringLiteral("odd")));
  testing_support::writeFile(odd.filePath() + QStringLiteral("/inside"), "x");
  EXPECT_FALSE(odd.isPresent());
  EXPECT_FALSE(odd.enable(QStringLiteral("/usr/bin/orvane"), &error));
  EXPECT_FALSE(odd.disable(&error));
}

TEST(PasswordHash, SaltedYescryptThatVerifiesOnlyTheSamePassword) {
  const QString a = HashPassword(QStringLiteral("门卫 1234")), b = HashPassword(QStringLiteral("门卫 1234"));
  ASSERT_TRUE(a.startsWith(QStringLiteral("$y$"))) << a.toStdString();
  EXPECT_NE(a, b) << "every hash has its own salt";
  EXPECT_TRUE(IsPasswordHash(a));
  EXPECT_TRUE(VerifyPassword(QStringLiteral("门卫 1234"), a));
  EXPECT_TRUE(VerifyPassword(QStringLiteral("门卫 1234"), b));
  for (const QString& wrong : {QStringLiteral("门卫 1235"), QStringLiteral("门卫 1234 "), QString()})
    EXPECT_FALSE(VerifyPassword(wrong, a)) << wrong.toStdString();
  for (const QString& notHash : {QStringLiteral("secret"), QString(), QStringLiteral("$6$abc$def"), QStringLiteral("$y$"),
                                 QStringLiteral("$y$j9T$broken"), a.left(a.size() - 1)}) {
    EXPECT_FALSE(VerifyPassword(QStringLiteral("secret"), notHash)) << notHash.toStdString();
    if (!notHash.startsWith(QStringLiteral("$y$"))) {
      EXPECT_FALSE(IsPasswordHash(notHash)) << notHash.toStdString();
    }
  }
}

TEST(LogindPowerTest, AsksLogindWithoutInteractionNothingInDryRunAndReportsARefusal) {
  testing_support::PrivateBus bus;
  ASSERT_TRUE(bus.ok()) << "dbus-daemon did not start";
  {
    // No logind on the bus yet: the call fails and says so.
    QDBusConnection empty = QDBusConnection::connectToBus(bus.address(), QStringLiteral("power-refused"));
    LogindPower power(empty, false);
    QString error;
    power.onReply([&](const QString&, const QString& e) { error = e; });
    power.PowerOff();
    ASSERT_TRUE(waitUntil([&] { return !error.isEmpty(); }));
    EXPECT_TRUE(error.contains(QStringLiteral("ServiceUnknown"))) << qPrintable(error);
  }
  QDBusConnection::disconnectFromBus(QStringLiteral("power-refused"));
  ASSERT_TRUE(bus.startTemplate(QStringLiteral("logind"), QStringLiteral("org.freedesktop.login1")));
  QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), QStringLiteral("power-test"));
  // The method calls the mock recorded, through its own GetCalls.
  auto recorded = [&] {
    const QDBusMessage reply = connection.call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("GetCalls")));
    QStringList names;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return names;
    const QDBusArgument calls = reply.arguments().first().value<QDBusArgument>();
    calls.beginArray();
    while (!calls.atEnd()) {
      quint64 stamp = 0;
      QString method;
      QVariantList args;
      calls.beginStructure();
      calls >> stamp >> method >> args;
      calls.endStructure();
      for (const QVariant& a : args) method += QLatin1Char(' ') + a.value<QDBusVariant>().variant().toString() + a.toString();
      names << method;
    }
    calls.endArray();
    return names;
  };
  for (const bool dryRun : {true, false}) {
    LogindPower power(connection, dryRun);
    QStringList replies;
    power.onReply([&](const QString& method, const QString& error) { replies << method + QLatin1Char('=') + error; });
    power.PowerOff();
    ASSERT_TRUE(waitUntil([&] { return replies.size() == 1; }));
    power.Reboot();
    ASSERT_TRUE(waitUntil([&] { return replies.size() == 2; }));
    EXPECT_EQ(replies, (QStringList{QStringLiteral("PowerOff="), QStringLiteral("Reboot=")}));
    const QStringList expected = dryRun ? QStringList() : QStringList{QStringLiteral("PowerOff false"), QStringLiteral("Reboot false")};
    EXPECT_EQ(recorded(), expected) << "dry run " << dryRun;
  }
  QDBusConnection::disconnectFromBus(QStringLiteral("power-test"));
}

TEST(SystemVolumeTest, SetsAndReadsThePrivateServersSinkAndFailsQuicklyWithoutOne) {
  if (qEnvironmentVariableIsEmpty("PULSE_SERVER")) GTEST_SKIP() << "no private sound server (run through test.sh)";
  {
    PulseSystemVolume volume;
    const auto before = volume.volume();
    ASSERT_TRUE(before.has_value());
    for (const auto& [set, read] : std::vector<std::pair<int, int>>{{37, 37}, {250, 100}, {0, 0}}) {
      EXPECT_TRUE(volume.setVolume(set));
      EXPECT_EQ(volume.volume(), read) << set;
    }
    EXPECT_TRUE(volume.setVolume(*before));
  }
  testing_support::ScopedEnv nowhere("PULSE_SERVER", "unix:/nonexistent/orvane-no-socket");
  PulseSystemVolume volume(1000);
  QElapsedTimer t;
  t.start();
  EXPECT_FALSE(volume.setVolume(50));
  EXPECT_FALSE(volume.volume().has_value());
  EXPECT_LT(t.elapsed(), 2500);
}

TEST(PulseCaptureTest, AFormatTheServerCannotTakeIsRefusedBeforeAnyConnection) {
  // Channels beyond a byte must not wrap round to a small count.
  for (const audio::CaptureFormat& f : {audio::CaptureFormat{44100, 258, 16}, {44100, 0, 16}, {44100, 2, 24}, {0, 2, 16}}) {
    QString error;
    EXPECT_EQ(audio::PulseCapture().open(0, f, &error), nullptr) << f.channels;
    EXPECT_TRUE(error.startsWith(QStringLiteral("Unsupported capture format"))) << error.toStdString();
  }
}


// The clock layer speaks to timedated on a private bus (python-dbusmock), never to the machine.
namespace {
const QString kName = QStringLiteral("org.freedesktop.timedate1");

QDBusMessage mockCall(const QString& method, const QVariantList& args = {}) {
  QDBusMessage m = QDBusMessage::createMethodCall(kName, QStringLiteral("/org/freedesktop/timedate1"),
                                                  QStringLiteral("org.freedesktop.DBus.Mock"), method);
  m.setArguments(args);
  return m;
}

// The SetTime calls the mock saw, as "usec,relative,interactive".
QStringList setTimeCalls(QDBusConnection& bus) {
  const QDBusMessage reply = bus.call(mockCall(QStringLiteral("GetMethodCalls"), {QStringLiteral("SetTime")}));
  QStringList out;
  if (reply.type() != QDBusMessage::ReplyMessage) return out;
  const QDBusArgument calls = reply.arguments().first().value<QDBusArgument>();
  calls.beginArray();
  while (!calls.atEnd()) {
    quint64 stamp = 0;
    QVariantList args;
    calls.beginStructure();
    calls >> stamp >> args;
    calls.endStructure();
    QStringList parts;
    for (const QVariant& a : args) parts << a.value<QDBusVariant>().variant().toString() + a.toString();
    out << parts.join(QLatin1Char(','));
  }
  calls.endArray();
  return out;
}

orvane::ClockAnswer shift(orvane::TimedatedClock& clock, qint64 usec, bool interactive) {
  std::optional<orvane::ClockAnswer> answer;
  clock.ShiftClock(usec, interactive, [&](const orvane::ClockAnswer& a) { answer = a; });
  EXPECT_TRUE(testing_support::waitUntil([&] { return answer.has_value(); }));
  return answer.value_or(orvane::ClockAnswer{});
}

// Replaces SetTime with one that raises the named D-Bus error.
void refuseWith(QDBusConnection& bus, const QString& error) {
  bus.call(mockCall(QStringLiteral("AddMethod"),
                    {kName, QStringLiteral("SetTime"), QStringLiteral("xbb"), QString(),
                     QStringLiteral("raise dbus.exceptions.DBusException('no', name='%1')").arg(error)}));
}
}  // namespace

TEST(TimedatedClockTest, ShiftsRelativelyRefusesAndDryRunReachesNothing) {
  testing_support::PrivateBus bus;
  ASSERT_TRUE(bus.ok());
  ASSERT_TRUE(bus.startTemplate(QStringLiteral("timedated"), kName));
  QDBusConnection c = QDBusConnection::connectToBus(bus.address(), QStringLiteral("clock-test"));
  ASSERT_TRUE(c.isConnected());
  orvane::TimedatedClock dry(c, true);
  EXPECT_EQ(shift(dry, 5000000, true).outcome, orvane::ClockAnswer::Ok);
  EXPECT_TRUE(setTimeCalls(c).isEmpty()) << "the dry run must not reach timedated";
  orvane::TimedatedClock real(c, false);
  EXPECT_EQ(shift(real, -3600500000LL, true).outcome, orvane::ClockAnswer::Ok);
  EXPECT_EQ(shift(real, 250000, false).outcome, orvane::ClockAnswer::Ok);
  EXPECT_EQ(setTimeCalls(c), (QStringList{QStringLiteral("-3600500000,true,true"), QStringLiteral("250000,true,false")}));
  // Refusals: automatic sync with NTP on is the system's own time keeping; with NTP off, or
  // any other refusal, the shift failed.
  const QString syncEnabled = QStringLiteral("org.freedesktop.timedate1.AutomaticTimeSyncEnabled");
  refuseWith(c, syncEnabled);
  EXPECT_EQ(shift(real, 1000, true).outcome, orvane::ClockAnswer::SyncEnabled);
  c.call(QDBusMessage::createMethodCall(kName, QStringLiteral("/org/freedesktop/timedate1"),
                                        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"))
         << kName << QStringLiteral("NTP") << QVariant::fromValue(QDBusVariant(false)));
  orvane::ClockAnswer a = shift(real, 1000, true);
  EXPECT_EQ(a.outcome, orvane::ClockAnswer::Failed);
  EXPECT_TRUE(a.error.contains(syncEnabled)) << qPrintable(a.error);
  refuseWith(c, QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
  a = shift(real, 1000, false);
  EXPECT_EQ(a.outcome, orvane::ClockAnswer::Failed);
  EXPECT_TRUE(a.error.contains(QStringLiteral("AccessDenied"))) << qPrintable(a.error);
  QDBusConnection::disconnectFromBus(QStringLiteral("clock-test"));
  // No timedated on the bus at all.
  testing_support::PrivateBus empty;
  ASSERT_TRUE(empty.ok());
  QDBusConnection e = QDBusConnection::connectToBus(empty.address(), QStringLiteral("clock-none"));
  orvane::TimedatedClock none(e, false);
  a = shift(none, 1000, false);
  EXPECT_EQ(a.outcome, orvane::ClockAnswer::Failed);
  EXPECT_TRUE(a.error.contains(QStringLiteral("ServiceUnknown"))) << qPrintable(a.error);
  QDBusConnection::disconnectFromBus(QStringLiteral("clock-none"));
}

