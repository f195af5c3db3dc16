#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "platform/system/passwordhash.h"
#include "scheduler/core/passwords.h"
#include "scheduler/windows/Unit_mm.h"
#include "scheduler/windows/Unit_mmsj.h"
#include "tests/scheduler/settingsfixture.h"

namespace {

// Every byte the database keeps on disk: the file and its journal files.
QByteArray databaseBytes(const QString& home) {
  QByteArray all;
  for (const QString& name : QDir(home).entryList({QStringLiteral("gsk.mdb*")}, QDir::Files)) {
    QFile f(QDir(home).filePath(name));
    if (f.open(QIODevice::ReadOnly)) all += f.readAll();
  }
  return all;
}

class PasswordFixture : public SettingsFixture {
 protected:
  void setPassword(const QString& plain, bool authorized = false) {
    set("pw", orvane::HashPassword(plain));
    state.authorized = logoutShown = authorized;
  }
  // The password setting window, its three entries filled.
  std::unique_ptr<TForm_mmsj> change(const char* old, const char* first, const char* second) {
    auto w = std::make_unique<TForm_mmsj>(dm, state, showLogout);
    w->show();
    w->Edit1->setText(QString::fromUtf8(old));
    w->Edit2->setText(QString::fromUtf8(first));
    w->Edit3->setText(QString::fromUtf8(second));
    w->Button1->click();
    return w;
  }
  MainState state;
  bool logoutShown = false;
  std::function<void(bool)> showLogout = [this](bool on) { logoutShown = on; };
};

}  // namespace

TEST_F(PasswordFixture, PromptAcceptsTheTrimmedPasswordAndRefusesAWrongOne) {
  setPassword(QStringLiteral("门卫 42"));
  TForm_mm w(dm, state, showLogout);
  w.show();
  w.Edit1->setText(QStringLiteral("门卫"));
  EXPECT_EQ(QStringList({w.caption(), w.Label1->text(), w.Edit1->displayText(), w.Button1->text(), w.Button2->text()}),
            QStringList({"请输入密码", "密码：", "**", "确定", "取消"}));
  w.Edit1->setText(QStringLiteral("门卫 43"));
  w.Button1->click();
  EXPECT_EQ(onlyBox(), QStringLiteral("密码错误。|错误|16"));
  EXPECT_FALSE(state.authorized || logoutShown || !w.isVisible());
  w.Edit1->setText(QStringLiteral("  门卫 42 "));
  w.Button1->click();
  EXPECT_TRUE(state.authorized && logoutShown && !w.isVisible());
}

TEST_F(PasswordFixture, EnterStepsToTheButtonAndASecondEnterPressesIt) {
  setPassword(QStringLiteral("abc"));
  TForm_mm w(dm, state, showLogout);
  w.show();
  w.Edit1->setFocus();
  QTest::keyClicks(w.Edit1, QStringLiteral("abc"));
  QTest::keyClick(w.Edit1, Qt::Key_Return);
  EXPECT_TRUE(w.focusWidget() == w.Button1 && !state.authorized) << "the first Enter only moves on";
  QTest::keyClick(w.Button1, Qt::Key_Enter);
  EXPECT_TRUE(state.authorized && !w.isVisible());
}

TEST_F(PasswordFixture, AnOldPlainTextPasswordIsAcceptedTrimmedAndReplacedByItsHash) {
  set("pw", QStringLiteral(" legacy-pw-77 "));
  TForm_mm w(dm, state, showLogout);
  w.show();
  w.Edit1->setText(QStringLiteral("legacy-pw-77"));
  w.Button1->click();
  EXPECT_TRUE(state.authorized);
  const QString stored = get("pw");
  EXPECT_TRUE(stored.startsWith(QStringLiteral("$y$")) && orvane::VerifyPassword(QStringLiteral("legacy-pw-77"), stored));
  EXPECT_FALSE(databaseBytes(home.path()).contains("legacy-pw-77")) << "the old text is overwritten on disk";
  state.authorized = false;
  EXPECT_EQ(Passwords(dm, state).Login(QStringLiteral("legacy-pw-77")), Passwords::Result::Ok);
}

TEST_F(PasswordFixture, ChangingThePasswordChecksBothEntriesAndTheOldOne) {
  setPassword(QStringLiteral("old"), true);
  auto w = change("old", "S3cret-pass", "S3cret-pasS");
  EXPECT_EQ(Form_mmsj, w.get());
  EXPECT_EQ(QStringList({w->caption(), w->Label1->text(), w->Label2->text(), w->Label3->text(), w->Edit3->displayText()}),
            QStringList({"密码设置", "原密码：", "新密码：", "确认新密码：", "***********"}));
  EXPECT_TRUE(w->Label4->text().startsWith(QStringLiteral("说明：如果设置了不为空的密码，那么只有用户登陆后才可以更改各项设置")));
  EXPECT_TRUE(w->Label4->text().endsWith(QStringLiteral("默认密码为空。\n")));
  EXPECT_EQ(onlyBox(), QStringLiteral("两次输入的密码不一致，请重新输入。|出错|16"));
  EXPECT_EQ(w->focusWidget(), w->Edit3);
  w->Edit1->setText(QStringLiteral("olD"));
  w->Edit3->setText(QStringLiteral(" S3cret-pass "));
  w->Button1->click();
  EXPECT_EQ(lastBox(), QStringLiteral("输入的原密码不正确，请重新输入。|出错|16"));
  EXPECT_TRUE(w->focusWidget() == w->Edit1 && state.authorized && w->isVisible());
  boxes.clear();
  w->Edit1->setText(QStringLiteral(" old"));
  w->Button1->click();
  EXPECT_EQ(onlyBox(), QStringLiteral("修改密码成功。|提示|0"));
  EXPECT_EQ(Form_mmsj, nullptr);
  EXPECT_FALSE(state.authorized || logoutShown || w->isVisible()) << "a change logs the operator out";
  EXPECT_TRUE(orvane::VerifyPassword(QStringLiteral("S3cret-pass"), get("pw")));
  EXPECT_FALSE(databaseBytes(home.path()).contains("S3cret-pass"));
  EXPECT_TRUE(databaseBytes(home.path()).contains("$y$")) << "the bytes searched are the database's";
}

TEST_F(PasswordFixture, AFailedWriteOrAnUnreadablePasswordChangesNothingAndOpensNothing) {
  setPassword(QStringLiteral("old"), true);
  ASSERT_TRUE(dm.connection()->execScript(QStringLiteral(
      "create trigger nopw before update on system1 when new.name1='pw' begin select raise(abort,'refused'); end;")));
  auto w = change("old", "new", "new");
  EXPECT_EQ(onlyBox(), QStringLiteral("数据库写入出错!|错误|16"));
  EXPECT_TRUE(state.authorized && logoutShown && w->isVisible()) << "no log-out";
  EXPECT_TRUE(orvane::VerifyPassword(QStringLiteral("old"), get("pw")));
  // A password that cannot be read never opens the gate, not even to a blank entry.
  ASSERT_TRUE(dm.connection()->execScript(QStringLiteral("drop trigger nopw")));
  set("pw", QString());
  ASSERT_TRUE(dm.connection()->execScript(QStringLiteral("alter table system1 rename to system1_gone")));
  state.authorized = false;
  boxes.clear();
  TForm_mm prompt(dm, state, showLogout);
  prompt.show();
  prompt.Button1->click();
  ASSERT_EQ(boxes.asked().size(), 1u);
  EXPECT_EQ(boxes.asked()[0].caption, QStringLiteral("错误"));
  EXPECT_TRUE(!state.authorized && prompt.isVisible());
}
