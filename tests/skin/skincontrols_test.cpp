// Control skinners on real windows: which skinner inner parts, disabled groups, bare dialogs and
// widgets made later are given, and a skinner's end with its control or window.
#include <QCheckBox>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QFileDialog>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSet>
#include <QSizeGrip>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyleFactory>
#include <QStyleOption>
#include <QTabBar>
#include <QTableView>
#include <QTextEdit>
#include <map>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <functional>

#include "platform/forms/form.h"
#include "skin/SkinStyle.h"
#include "skin/controls/ControlChooser.h"
#include "skin/controls/SkinPieceCache.h"
#include "skin/controls/SkinRegistry.h"
#include "skin/controls/skinprops.h"
#include "tests/skin/skinfixture.h"
#include "tests/support/testsupport.h"

using namespace orvane::skin;
using orvane::GetTag;
using orvane::SetTag;

namespace {

// Paints a push button's bevel in one colour: shows whether the skin or Fusion painted.
class PaintProbe : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  bool drawControl(const TSkinStyle*, QStyle::ControlElement ce, const QStyleOption* o, QPainter* p,
                   const QWidget*) override {
    if (ce != QStyle::CE_PushButtonBevel) return false;
    p->fillRect(o->rect, Qt::red);
    return true;
  }
};

class SkinControlsTest : public StyledSkinFixture {
 protected:
  void SetUp() override {
    StyledSkinFixture::SetUp();
    TSkinKinds::Observer() = [this](const QString& c, QWidget* w) { asked << w->objectName() + ":" + c; };
  }
  void TearDown() override {
    TSkinKinds::Observer() = nullptr;
    StyledSkinFixture::TearDown();
  }
  // Shows the window and waits for its activation.
  TFormSkinner* Skinned(QWidget* w) {
    w->resize(300, 200);
    TFormSkinner* f = ShowSkinned(w);
    EXPECT_TRUE(f);
    return f;
  }
  QStringList asked;
};

template <typename W>
std::function<QWidget*(QWidget*)> Make(std::function<void(W*)> set = {}) {
  return [set](QWidget* p) {
    auto* w = new W(p);
    if (set) set(w);
    return w;
  };
}

}  // namespace

TEST_F(SkinControlsTest, InnerPartsBelongToTheirControl) {
  QWidget host;
  auto* spin = new QSpinBox(&host);
  auto* combo = new QComboBox(&host);
  combo->setEditable(true);
  auto* memo = new QPlainTextEdit(&host);
  auto* grid = new QTableView(&host);
  auto* tabs = new QTabWidget(&host);
  auto* status = new QStatusBar(&host);
  status->setSizeGripEnabled(true);
  host.show();
  const std::pair<QWidget*, QWidget*> cases[] = {
      {spin->findChild<QLineEdit*>(), spin},      {combo->lineEdit(), combo},
      {memo->verticalScrollBar(), memo},          {memo->viewport(), memo},
      {grid->horizontalHeader(), grid},           {grid->horizontalHeader()->viewport(), grid},
      {tabs->tabBar(), tabs},                     {tabs->findChild<QStackedWidget*>(), tabs},
      {status->findChild<QSizeGrip*>(), status},  {spin, spin},
  };
  for (const auto& [part, owner] : cases) {
    ASSERT_TRUE(part);
    EXPECT_EQ(TSkinRegistry::OwnerOf(part), owner) << part->metaObject()->className();
  }
}

TEST_F(SkinControlsTest, DisabledRadioGroupsHostsAndLateWidgets) {
  orvane::Form form;
  auto* group = new QGroupBox(form.client());
  group->setProperty("vclClass", "TRadioGroup");
  SetTag(group, skin->DisableTag);
  auto* radio = new QRadioButton(group);
  auto* tagged = new QPushButton(form.client());
  SetTag(tagged, skin->DisableTag);
  auto* hosted = new QPushButton(form.client());
  PaintProbe* probe = nullptr;
  skin->OnSkinControl = [&](QObject* sender, TSXSkin* s, QWidget*, QWidget* c, const QString& n, QObject*& out) {
    EXPECT_EQ(s, skin.get());
    EXPECT_TRUE(dynamic_cast<TFormSkinner*>(sender));
    if (c == hosted) {
      EXPECT_EQ(n, "TBUTTON");
      out = probe = new PaintProbe(hosted);
    }
  };
  TFormSkinner* f = Skinned(&form);
  ASSERT_TRUE(f && probe);
  EXPECT_EQ(GetTag(radio), skin->DisableTag);  // the group's buttons stay plain as well
  EXPECT_TRUE(f->SkinControlList().contains(probe));
  EXPECT_EQ(asked.filter("TSkinRadioButton").size() + asked.filter("TSkinGroupBox").size(), 0);
  EXPECT_EQ(asked.filter("TSkinButton").size(), 0);  // neither the tagged nor the hosted one
  // A widget made after activation is skinned when it is first polished.
  auto* late = new QCheckBox(form.client());
  late->setObjectName("late");
  late->show();
  EXPECT_TRUE(asked.contains("late:TSkinCheckBox"));
}

TEST_F(SkinControlsTest, BareDialogWidgetsByTheirClassicClass) {
  QDialog dialog;
  auto make = [&](QWidget* w, const char* name) { return w->setObjectName(name), w; };
  auto* def = new QPushButton(&dialog);
  def->setDefault(true);
  make(def, "default");
  make(new QPushButton(&dialog), "button");
  auto* tri = new QCheckBox(&dialog);
  tri->setTristate(true);
  make(tri, "tristate");
  make(new QRadioButton(&dialog), "radio");
  make(new QGroupBox(&dialog), "group");
  auto* editable = new QComboBox(&dialog);
  editable->setEditable(true);
  make(editable, "editable");
  auto* list = new QComboBox(&dialog);
  make(list, "list");
  make(new QLineEdit(&dialog), "edit");
  make(new QSizeGrip(&dialog), "grip");
  make(new QScrollBar(&dialog), "scroll");
  make(new QTabBar(&dialog), "tabs");
  make(new QToolBar(&dialog), "toolbar");
  make(new QTreeView(&dialog), "tree");
  auto* inner = make(new QDialog(&dialog), "inner");
  inner->setWindowFlags(Qt::Widget);
  make(new QPushButton(inner), "innerButton");
  auto* panel = make(new QWidget(&dialog), "panel");
  make(new QCheckBox(panel), "panelCheck");
  ASSERT_TRUE(Skinned(&dialog));
  QStringList expected = {"default:TSkinButton", "button:TSkinButton", "tristate:TSkinCheckBox",
                          "radio:TSkinRadioButton", "editable:TSkinComBox", ":TComboxScrollBar", "list:TSkinComBox",
                          "edit:TSkinEdit",
                          "grip:TSkinSizer", "tabs:TSkinTab", "toolbar:TSkinBoxH", "innerButton:TSkinButton",
                          "inner:TSkinBoxH", "panelCheck:TSkinCheckBox", "panel:TSkinBox"};
  EXPECT_EQ(asked, expected);
  // A drop-down list Qt has not made yet is skinned when it is made, before it is first shown.
  asked.clear();
  list->addItem(QStringLiteral("one"));
  list->showPopup();
  EXPECT_EQ(asked, QStringList{":TComboxScrollBar"});
  EXPECT_TRUE(TSkinRegistry::Find(list->view()));
  list->hidePopup();
  EXPECT_EQ(panel->palette().color(QPalette::Window), ToQColor(skin->Data()->Colour(scButtonFace)));
  // A file dialog of Qt's own: its buttons, edits and combos, inside its containers.
  QFileDialog files;
  files.setOption(QFileDialog::DontUseNativeDialog);
  asked.clear();
  ASSERT_TRUE(Skinned(&files));
  for (const char* kind : {"TSkinButton", "TSkinEdit", "TSkinComBox", "TSkinBox"})
    EXPECT_FALSE(asked.filter(kind).isEmpty()) << kind;
}

TEST_F(SkinControlsTest, SkinnersDieWithTheirControlsAndWindow) {
  const int before = TSkinControl::LiveCount();
  auto form = std::make_unique<orvane::Form>();
  QList<QFrame*> panels;
  for (int i = 0; i < 4; ++i) panels << new QFrame(form->client());
  TFormSkinner* f = Skinned(form.get());
  ASSERT_TRUE(f);
  ASSERT_EQ(TSkinControl::LiveCount() - before, 4);
  EXPECT_EQ(panels[0]->palette().color(QPalette::Window), ToQColor(skin->Data()->Colour(scButtonFace)));
  delete panels[0];
  delete panels[1];
  EXPECT_EQ(TSkinControl::LiveCount() - before, 2);
  EXPECT_EQ(f->SkinControlList().size(), 2);
  form.reset();
  EXPECT_EQ(TSkinControl::LiveCount(), before);
  EXPECT_EQ(TSkinRegistry::Count(), 0);
}

namespace {
// Fusion beneath the skin style, noting the serial of every palette it is handed.
class PaletteSpyStyle : public QProxyStyle {
 public:
  PaletteSpyStyle() : QProxyStyle(QStringLiteral("Fusion")) {}
  void drawPrimitive(PrimitiveElement e, const QStyleOption* o, QPainter* p, const QWidget* w) const override {
    serials.insert(o->palette.cacheKey());
    QProxyStyle::drawPrimitive(e, o, p, w);
  }
  void drawControl(ControlElement e, const QStyleOption* o, QPainter* p, const QWidget* w) const override {
    serials.insert(o->palette.cacheKey());
    QProxyStyle::drawControl(e, o, p, w);
  }
  mutable QSet<qint64> serials;
};
}  // namespace

// Fusion keys the pictures it caches by the palette's serial, and Qt never forgets a key:
// each time skinning set a control's palette (every switch, every new window) the same
// colours came with a new serial and left new keys behind. The skin style hands Fusion one
// palette per set of colours, and gives the caller's option back as it came.
TEST_F(SkinControlsTest, FusionSeesOnePalettePerSetOfColours) {
  TSkinStyle style;
  auto* spy = new PaletteSpyStyle;
  style.setBaseStyle(spy);
  QPushButton button(QStringLiteral("钟"));
  button.setStyle(&style);
  button.resize(80, 24);
  QPalette red = button.palette(), blue = button.palette();
  red.setColor(QPalette::Button, Qt::red);
  blue.setColor(QPalette::Button, Qt::blue);
  QSet<qint64> given;
  QImage target(80, 24, QImage::Format_ARGB32_Premultiplied);
  for (int round = 0; round < 6; ++round) {
    button.setPalette(round % 2 ? blue : red);  // a new serial every time
    given.insert(button.palette().cacheKey());
    button.render(&target);
  }
  EXPECT_EQ(given.size(), 6);
  EXPECT_EQ(spy->serials.size(), 2) << "one palette for red, one for blue";

  QStyleOptionButton option;
  option.initFrom(&button);
  option.palette.setColor(QPalette::Button, Qt::red);
  const qint64 serial = option.palette.cacheKey();
  QPainter painter(&target);
  style.drawControl(QStyle::CE_PushButton, &option, &painter, &button);
  EXPECT_EQ(option.palette.cacheKey(), serial);
}

// Sharing a palette among equal colours must not share the state it is drawn in: a disabled
// button drawn after an enabled one of the same colours (and the other way round) still
// draws its caption in its own state's colour.
TEST_F(SkinControlsTest, ASharedPaletteKeepsEachControlsState) {
  TSkinStyle style;
  style.setBaseStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QPalette colours = QApplication::palette();
  colours.setColor(QPalette::Active, QPalette::ButtonText, Qt::black);
  colours.setColor(QPalette::Inactive, QPalette::ButtonText, Qt::black);
  colours.setColor(QPalette::Disabled, QPalette::ButtonText, Qt::red);
  const auto redPixels = [](const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, y);
        n += c.red() > 160 && c.green() < 90 && c.blue() < 90;
      }
    return n;
  };
  for (const bool disabledFirst : {false, true}) {
    QPushButton enabled(QStringLiteral("钟钟钟")), disabled(QStringLiteral("钟钟钟"));
    disabled.setEnabled(false);
    std::map<QPushButton*, QImage> drawn;
    for (QPushButton* b : disabledFirst ? std::vector{&disabled, &enabled} : std::vector{&enabled, &disabled}) {
      b->setStyle(&style);
      b->setPalette(colours);
      b->resize(90, 28);
      QImage image(90, 28, QImage::Format_ARGB32_Premultiplied);
      image.fill(Qt::white);
      b->render(&image);
      drawn[b] = image;
    }
    EXPECT_GT(redPixels(drawn[&disabled]), 20) << "disabled first: " << disabledFirst;
    EXPECT_EQ(redPixels(drawn[&enabled]), 0) << "disabled first: " << disabledFirst;
  }
}
