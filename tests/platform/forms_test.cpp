// Forms: the message box window for each flag value the program uses, modal results and the
// responder seam.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "platform/forms/form.h"
#include "platform/forms/messageform.h"
#include "platform/msgbox/messagebox.h"

using namespace orvane;

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
  EXPECT_EQ(question.caption(), QStringLiteral("提示"));
  EXPECT_EQ(question.textLabel()->text(), QStringLiteral("是否要关闭软件?"));
  EXPECT_EQ(buttonTexts(question), (QStringList{QStringLiteral("是(&Y)"), QStringLiteral("否(&N)")}));
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
  EXPECT_EQ(responder.asked()[1].flags, 292);
  EXPECT_TRUE(responder.wasAsked(QStringLiteral("a")));
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
