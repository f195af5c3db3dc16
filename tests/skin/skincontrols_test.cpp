// Control skinners on real windows: which skinner each control is given (class, class name,
// switches, the foreign-class table, bare dialogs, widgets made later), tool-bar custom
// drawing, the property routines, and a skinner's life (switched off and on by message, taken
// off, its control or window destroyed).
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
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSizeGrip>
#include <QSlider>
#include <QSpinBox>
#include <QStatusBar>
#include <QStyleOption>
#include <QTabBar>
#include <QTableView>
#include <QTextEdit>
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

QImage Render(QWidget* w) {
  QImage img(w->size(), QImage::Format_ARGB32_Premultiplied);
  img.fill(0);
  w->render(&img);
  return img;
}

}  // namespace

TEST_F(SkinControlsTest, EachControlGetsTheSkinnerItsClassAndSwitchesCallFor) {
  orvane::Form form;
  TFormSkinner* f = Skinned(&form);
  ASSERT_TRUE(f);
  QStringList rows = skin->Skin3rd();
  // Unknown kinds decide nothing, case is ignored, the first of repeated rows wins.
  rows << "TMyNil=nil" << "TBorderEdit=edit" << "TOdd=whatever" << "tcase=BUTTON" << "TRep=button" << "TRep=nil";
  skin->SetSkin3rd(rows);
  const quint32 all = skin->SkinControls;
  struct Case {
    const char* vcl;  // "" keeps the Qt class
    std::function<QWidget*(QWidget*)> make;
    int switchOff;  // -1 none
    const char* expected;
  };
  auto icon = [](QPushButton* b) { b->setIcon(QIcon(QPixmap(8, 8))); };
  auto popup = [](QDateEdit* d) { d->setCalendarPopup(true); };
  const std::vector<Case> cases = {
      {"", Make<QCheckBox>(), -1, "TSkinCheckBox"},
      {"", Make<QCheckBox>(), xcCheckBox, ""},
      {"", Make<QSlider>(), -1, "TSkinTrackBar"},
      {"TUpDown", Make<QWidget>(), -1, "TSkinUpDown"},
      {"TMediaPlayer", Make<QWidget>(), -1, "TSkinMP"},
      {"TTabSet", Make<QWidget>(), -1, "TSkinTab31"},
      {"", Make<QGroupBox>(), -1, "TSkinGroupBox"},
      {"", Make<QRadioButton>(), -1, "TSkinRadioButton"},
      {"", Make<QToolBar>(), -1, "TSkinBox"},
      {"TToolBar", Make<QWidget>(), -1, "TSkinBox"},
      {"", Make<QStatusBar>(), -1, "TSkinStatusBar"},
      {"", Make<QProgressBar>(), -1, "TSkinProgress"},
      {"", Make<QComboBox>(), -1, "TSkinComBox"},
      {"", Make<QComboBox>(), xcCombo, ""},
      {"", Make<QDateEdit>(popup), -1, "TSkinDateTime"},
      {"", Make<QDateEdit>(), -1, "TSkinEdit"},
      {"", Make<QTimeEdit>(), -1, "TSkinEdit"},
      {"", Make<QTextEdit>(), -1, "TSkinScrollbar"},
      {"", Make<QToolButton>(), -1, "TSkinSpeedButton"},
      {"", Make<QFrame>(), -1, "TSkinBox"},
      {"", Make<QTreeView>(), -1, "TSkinListView"},
      {"", Make<QTableView>(), -1, "TSkinScrollbar"},
      {"", Make<QListWidget>(), -1, "TSkinScrollbar"},
      {"", Make<QPushButton>(), -1, "TSkinButton"},
      {"", Make<QPushButton>(icon), -1, "TSkinBitButton"},
      {"TBitBtn", Make<QPushButton>(), -1, "TSkinBitButton"},
      {"", Make<QPushButton>([](QPushButton* b) { b->setMenu(new QMenu(b)); }), -1, "TSkinMenuButton"},
      {"", Make<QPushButton>(), xcButton, ""},
      {"", Make<QLineEdit>(), -1, "TSkinEdit"},
      {"", Make<QSpinBox>(), -1, "TSkinEdit"},
      {"", Make<QLabel>(), -1, ""},
      {"", Make<orvane::Form>(), -1, "TSkinBox"},
      // The foreign-class table decides, whatever the Qt class and also with the switch off.
      {"TRzButton", Make<QLabel>(), -1, "TSkinButton"},
      {"TRzButton", Make<QPushButton>(), xcButton, ""},
      {"TMyNil", Make<QPushButton>(), -1, ""},
      {"TLMDGroupBox", Make<QWidget>(), -1, "TSkinGroupBox"},
      {"TcxButton", Make<QPushButton>([](QPushButton* b) { b->setProperty("Kind", "cxbkDropDownButton"); }), -1,
       "TSkinMenuButton"},
      {"TBorderEdit", Make<QLineEdit>(), -1, "TSkinEdit"},
      {"TBorderEdit", Make<QLineEdit>([](QLineEdit* e) { e->setFrame(false); }), -1, ""},
      {"TVirtualStringTree", Make<QWidget>(), -1, "TSkinScrollbar"},
      {"TOdd", Make<QPushButton>(), -1, ""},
      {"TCASE", Make<QLabel>(), -1, "TSkinButton"},
      {"TRep", Make<QLabel>(), -1, "TSkinButton"},
      {"", Make<QCheckBox>([](QCheckBox* b) { b->setProperty("vclClass", 5); }), -1, "TSkinCheckBox"},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    SCOPED_TRACE(i);
    skin->SkinControls = c.switchOff < 0 ? all : all & ~SetBit(c.switchOff);
    QWidget* w = c.make(form.client());
    w->setObjectName(QString::number(i));
    if (*c.vcl) w->setProperty("vclClass", c.vcl);
    asked.clear();
    f->Chooser()->SkinControl(w, form.client());
    EXPECT_EQ(asked.filter(QString::number(i) + ":").join(','), *c.expected ? QString::number(i) + ":" + c.expected : "");
  }
  skin->SkinControls = all;
}

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
  make(new QComboBox(&dialog), "list");
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
                          ":TComboxScrollBar", "edit:TSkinEdit",
                          "grip:TSkinSizer", "tabs:TSkinTab", "toolbar:TSkinBoxH", "innerButton:TSkinButton",
                          "inner:TSkinBoxH", "panelCheck:TSkinCheckBox", "panel:TSkinBox"};
  EXPECT_EQ(asked, expected);
  EXPECT_EQ(panel->palette().color(QPalette::Window), ToQColor(skin->Data()->Colour(scButtonFace)));
  // A file dialog of Qt's own: its buttons, edits and combos, inside its containers.
  QFileDialog files;
  files.setOption(QFileDialog::DontUseNativeDialog);
  asked.clear();
  ASSERT_TRUE(Skinned(&files));
  for (const char* kind : {"TSkinButton", "TSkinEdit", "TSkinComBox", "TSkinBox"})
    EXPECT_FALSE(asked.filter(kind).isEmpty()) << kind;
}

TEST_F(SkinControlsTest, ToolBarButtonsDrawTheToolBarsFrameOfTheirState) {
  auto& data = const_cast<TSkinData&>(*skin->Data());
  auto element = std::make_unique<TDataSkinObject>("ToolBars");
  const QList<QColor> frames = {Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan};
  element->Bitmap = QImage(50, 10, QImage::Format_ARGB32_Premultiplied);
  for (int i = 0; i < 5; ++i) QPainter(&element->Bitmap).fillRect(i * 10, 0, 10, 10, frames[i]);
  element->Frame = 5;
  data.ToolBars = std::move(element);
  orvane::Form form;
  auto* bar = new QToolBar(form.client());
  auto* button = new QToolButton(bar);
  TFormSkinner* f = Skinned(&form);
  ASSERT_TRUE(f);
  struct Case {
    QStyle::State state;
    QColor centre;  // invalid: nothing drawn
  };
  const Case cases[] = {{QStyle::State_Enabled | QStyle::State_Sunken, Qt::green},
                        {QStyle::State_Enabled | QStyle::State_On, Qt::green},
                        {QStyle::State_Enabled | QStyle::State_MouseOver, Qt::yellow},
                        {QStyle::State_Enabled | QStyle::State_HasFocus, Qt::yellow},
                        {QStyle::State_Enabled, QColor()},
                        {QStyle::State_None, QColor()}};
  for (const Case& c : cases) {
    QStyleOptionToolButton o;
    o.rect = QRect(0, 0, 24, 24);
    o.state = c.state;
    QImage img(24, 24, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    QPainter p(&img);
    EXPECT_EQ(TControlChooser::CustomDraw(QStyle::PE_PanelButtonTool, &o, &p, button), c.centre.isValid());
    p.end();
    EXPECT_EQ(img.pixelColor(12, 12), c.centre.isValid() ? c.centre : QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(0, 0), QColor(Qt::white));  // the frame sits one pixel inside
  }
  skin->Options |= SetBit(xoToolbarButton);
  QStyleOptionToolButton o;
  o.state = QStyle::State_Sunken;
  QImage img(4, 4, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&img);
  EXPECT_FALSE(TControlChooser::CustomDraw(QStyle::PE_PanelButtonTool, &o, &p, button));
}

TEST_F(SkinControlsTest, PaintKitPiecesAreCachedPerSkinAndFocusRectanglesUndoThemselves) {
  QWidget control;
  TSkinControl kit(&control);
  kit.InitWindow(&control, skin.get(), nullptr);
  TDataSkinObject element("Piece");
  element.Bitmap = QImage(8, 4, QImage::Format_ARGB32_Premultiplied);
  element.Bitmap.fill(Qt::blue);
  element.Bitmap.setPixel(0, 0, 0);  // see-through
  element.Frame = 2;
  QImage img(10, 10, QImage::Format_ARGB32_Premultiplied);
  for (int trans : {0, 1}) {
    element.Trans = trans;
    img.fill(Qt::white);
    QPainter p(&img);
    const quint64 built = TSkinPieceCache::Built();
    kit.DrawElement(&p, QRect(2, 2, 4, 4), 2, 1, &element);
    kit.DrawElement(&p, QRect(2, 2, 4, 4), 2, 1, &element);
    EXPECT_EQ(TSkinPieceCache::Built(), built + 1);  // the second is a blit
    kit.UpdateSkin();
    kit.DrawElement(&p, QRect(2, 2, 4, 4), 2, 1, &element);
    EXPECT_EQ(TSkinPieceCache::Built(), built + 2);
    kit.DrawElement(&p, QRect(4, 4, -1, 3), 2, 1, &element);  // inverted: nothing
    p.end();
    EXPECT_EQ(img.pixelColor(2, 2), trans ? QColor(Qt::white) : QColor(255, 0, 255));
    EXPECT_EQ(img.pixelColor(4, 4), QColor(Qt::blue));
  }
  kit.Caption = "Focus";
  const QImage before = img;
  QPainter p(&img);
  kit.DrawTextFocusRect(&p, DT_CENTER, img.rect());
  p.end();
  EXPECT_NE(img, before);
  p.begin(&img);
  kit.DrawTextFocusRect(&p, DT_CENTER, img.rect());
  p.end();
  EXPECT_EQ(img, before);
  EXPECT_EQ(kit.BiDiFlags(DT_CENTER), DT_CENTER);
  control.setLayoutDirection(Qt::RightToLeft);
  EXPECT_EQ(kit.BiDiFlags(DT_CENTER), DT_CENTER | DT_RTLREADING);
}

TEST_F(SkinControlsTest, PropertyRoutines) {
  QPushButton button("OK");
  QGroupBox group("G");
  QToolButton tool;
  tool.setCheckable(true);
  QCheckBox check;
  check.setTristate(true);
  QSlider slider(Qt::Vertical);
  QComboBox combo;
  struct Case {
    QObject* obj;
    const char* name;
    const char* set;  // null: only read
    bool setOk;
    const char* asString;
    int ordinal;
  };
  const Case cases[] = {
      {&button, "Caption", nullptr, false, "OK", -1},
      {&group, "Caption", "Box", true, "Box", -1},
      {&tool, "Flat", "true", true, "True", -1},
      {&tool, "Down", "True", true, "True", -1},
      {&check, "State", "cbGrayed", true, "cbGrayed", -1},
      {&check, "State", "cbMaybe", false, "cbGrayed", -1},
      {&slider, "Orientation", nullptr, false, "trVertical", -1},
      {&combo, "Style", nullptr, false, "csDropDownList", -1},
      {&button, "Tag", "12", true, "12", 12},
      {&button, "Tag", "twelve", false, "12", 12},  // a non-number sets nothing
      {&button, "Color", "$0000FF", true, "255", 0xFF},
      {&button, "Nothing", "1", false, "", -1},
      {nullptr, "Caption", "x", false, "", -1},
  };
  SetTag(&button, 7);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " " + (c.set ? c.set : ""));
    if (c.set) {
      EXPECT_EQ(SetPropByName(c.obj, c.name, c.set), c.setOk);
    }
    EXPECT_EQ(GetPropAsString(c.obj, c.name), c.asString);
    EXPECT_EQ(GetOrdPropByName(c.obj, c.name), c.ordinal);
  }
  EXPECT_TRUE(tool.autoRaise() && tool.isChecked());
  EXPECT_EQ(check.checkState(), Qt::PartiallyChecked);
  EXPECT_EQ(button.palette().color(QPalette::Window), QColor(255, 0, 0));
  QMenu menu;
  button.setProperty("Menu", QVariant::fromValue<QObject*>(&menu));
  EXPECT_EQ(GetObjectPropByName(&button, "Menu", &QMenu::staticMetaObject), &menu);
  EXPECT_EQ(GetObjectPropByName(&button, "Menu", &QPushButton::staticMetaObject), nullptr);
}

TEST_F(SkinControlsTest, SwitchedOffByMessageAndTakenOffGivesFusionBackPixelForPixel) {
  orvane::Form form;
  auto* button = new QPushButton("Skin", form.client());
  button->setGeometry(10, 10, 80, 30);
  auto* panel = new QFrame(form.client());
  const QColor panelColour = panel->palette().color(QPalette::Window);
  PaintProbe* probe = nullptr;
  skin->OnSkinControl = [&](QObject*, TSXSkin*, QWidget*, QWidget* c, const QString&, QObject*& out) {
    if (c == button) out = probe = new PaintProbe(button);
  };
  SkinManager->SetOn(false);  // first shown plain, as with the skin off
  form.resize(300, 200);
  form.show();
  const QImage plain = Render(button);
  const QPalette palette = button->palette();
  SkinManager->SetOn(true);
  SkinManager->AddWindow(&form);
  TFormSkinner* f = Skinned(&form);
  ASSERT_TRUE(f && probe);
  EXPECT_TRUE(button->testAttribute(Qt::WA_Hover));
  EXPECT_EQ(Perform(button, WM_SKINQUERY), 1);
  EXPECT_EQ(Render(button).pixelColor(40, 15), QColor(Qt::red));
  EXPECT_TRUE(panel->autoFillBackground());
  EXPECT_NE(panel->palette().color(QPalette::Window), panelColour);
  Perform(button, WM_SKINCONTROLSWITCH, 0);
  EXPECT_NE(Render(button).pixelColor(40, 15), QColor(Qt::red));
  Perform(button, WM_SKINCONTROLSWITCH, 1);
  EXPECT_EQ(Render(button).pixelColor(40, 15), QColor(Qt::red));
  // Switched off as the program does it: the skin style goes, Fusion paints exactly as before.
  SkinManager->SetCurrentSkin(skin.get());
  SkinManager->PostAction(TSkinManage::ActionDeactivate, 0);
  ASSERT_TRUE(testing_support::waitUntil([&] { return SkinManager->Forms().isEmpty(); }));
  EXPECT_FALSE(SkinStyleInstalled());
  EXPECT_EQ(Render(button), plain);
  EXPECT_EQ(button->palette(), palette);
  EXPECT_EQ(panel->palette().color(QPalette::Window), panelColour);
  EXPECT_FALSE(panel->autoFillBackground());
  EXPECT_EQ(Perform(button, WM_SKINQUERY), 0);
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
