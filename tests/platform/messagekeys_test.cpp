// The message box as a dialog: the keys of each flag value the program uses, its owner and
// place over the owner, and Qt's own texts in Chinese.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "platform/forms/form.h"
#include "platform/forms/messageform.h"
#include "platform/forms/qttranslations.h"
#include "platform/msgbox/messagebox.h"

using namespace orvane;

namespace {
// A flag value, what Enter, keypad Enter and Space answer (the default button has the focus)
// and what Escape answers (0: the box stays open).
struct FlagCase {
  int flags;
  int enter;
  int escape;
};

TMessageForm* shownBox() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* f = qobject_cast<TMessageForm*>(w); f && f->isVisible()) return f;
  return nullptr;
}
}  // namespace

TEST(MessageBoxKeys, EachFlagValueAnswersEnterSpaceAndEscapeAsItsButtonsSay) {
  const FlagCase flagCases[] = {{0, mb::IDOK, mb::IDOK},
                                {16, mb::IDOK, mb::IDOK},
                                {64, mb::IDOK, mb::IDOK},
                                {33, mb::IDOK, mb::IDCANCEL},
                                {292, mb::IDNO, 0}};
  const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {
      {Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Enter, Qt::KeypadModifier}, {Qt::Key_Space, Qt::NoModifier},
      {Qt::Key_Escape, Qt::NoModifier}};
  struct KeyCase {
    int flags;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int answer;
  };
  std::vector<KeyCase> cases;
  for (const FlagCase& f : flagCases)
    for (auto [key, modifiers] : keys) cases.push_back({f.flags, key, modifiers, key == Qt::Key_Escape ? f.escape : f.enter});
  installMessageFormHandler();
  Form owner;
  owner.setCaption(QStringLiteral("节目表编辑"));
  owner.setClientSize(500, 400);
  owner.move(60, 40);
  owner.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "flags " << c.flags << " key " << std::hex << c.key);
    bool stayed = false;
    QTimer::singleShot(0, [&] {
      TMessageForm* box = shownBox();
      ASSERT_TRUE(box);
      ASSERT_TRUE(QTest::qWaitFor([box] { return QApplication::activeWindow() == box; }));
      // A dialog over the window that raised it, modal to it, centred on it.
      EXPECT_EQ(box->parentWidget(), &owner);
      EXPECT_EQ(box->windowType(), Qt::Dialog);
      EXPECT_EQ(box->windowModality(), Qt::WindowModal);
      EXPECT_EQ(box->windowHandle()->transientParent(), owner.windowHandle());
      EXPECT_LE((box->frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(), 2);
      // The default button has the focus; the key goes where the keyboard sends it.
      QWidget* focused = QApplication::focusWidget();
      ASSERT_EQ(focused, box->button(mb::defaultResultOf(c.flags)));
      QTest::keyClick(focused, c.key, c.modifiers);
      if (c.answer == 0) {
        QApplication::processEvents();
        stayed = box->isVisible();
        box->button(mb::IDYES)->click();
      }
    });
    const int answer = MessageBox(QStringLiteral("是否要关闭软件?"), QStringLiteral("提示"), c.flags);
    if (c.answer == 0) {
      EXPECT_TRUE(stayed) << "a Yes/No box is not closed by Escape";
      EXPECT_EQ(answer, mb::IDYES);
    } else {
      EXPECT_EQ(answer, c.answer);
    }
  }
  setMessageBoxHandler({});
}

TEST(MessageBoxSize, ShortBoxHoldsItsCaptionAndLongTextWrapsWide) {
  TMessageForm shortBox(QStringLiteral("密码错误。"), QStringLiteral("错误"), 16);
  shortBox.show();
  QFont bold = shortBox.font();
  bold.setBold(true);
  EXPECT_GE(shortBox.width(), QFontMetrics(bold).horizontalAdvance(QStringLiteral("错误")) + 120);
  const QString text(200, QChar(0x97F3));  // two hundred "音"
  TMessageForm longBox(text, QStringLiteral("提示"), 0);
  longBox.show();
  const int widest = QGuiApplication::primaryScreen()->availableGeometry().width() * 3 / 5;
  EXPECT_EQ(longBox.textLabel()->width(), qMax(320, widest));
  EXPECT_GE(longBox.textLabel()->height(), longBox.textLabel()->heightForWidth(longBox.textLabel()->width()));
}

TEST(QtTranslations, QtsOwnDialogTextsAreChinese) {
  ASSERT_TRUE(installQtTranslations());
  QFileDialog picker(nullptr, QStringLiteral("请选择音视频文件"));
  picker.setOption(QFileDialog::DontUseNativeDialog);
  auto* buttons = picker.findChild<QDialogButtonBox*>();
  ASSERT_TRUE(buttons);
  EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
  EXPECT_EQ(buttons->button(QDialogButtonBox::Open)->text(), QStringLiteral("打开(&O)"));
}
