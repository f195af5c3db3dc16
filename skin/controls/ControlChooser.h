// The choice of control skinners for one skinned window: walks the window's controls when it is
// activated (and every widget made later, at its first polish) and gives each the skinner its
// class, class name and the skin component's switches call for; bare dialogs (no Form) by the
// classic window class and style their widgets stand for; tool bars get custom drawing of their
// background and buttons. Owned by the window's form skinner.
//
// A control's class name N is its upper-cased "vclClass" property when that is non-empty text,
// else the name of the Qt class it plays (QPushButton TBUTTON, QCheckBox TCHECKBOX, ...; see
// ClassNameOf), else the Qt class name without namespace, upper-cased.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStyle>

class QPainter;
class QStyleOption;

namespace orvane::skin {

class TFormSkinner;
class TSkinControl;
class TSXSkin;
struct TSkinKindArgs;

// The custom-draw events the chooser gives a tool bar (its own ones are left alone).
inline constexpr const char* ToolBarDrawMark = "skinToolBarCustomDraw";
inline constexpr const char* ToolButtonDrawMark = "skinToolButtonCustomDraw";

class TControlChooser : public QObject {
  Q_OBJECT
 public:
  explicit TControlChooser(TFormSkinner* form);
  TFormSkinner* Form() const;

  // The whole walk for a window with a Form.
  void SkinFormControls(QWidget* form);
  // Every control the owner holds, then its popup menus switched to skin painting.
  void SkinControlsOf(QWidget* owner);
  // SkinControl for each child control.
  void SkinChildren(QWidget* control);
  void SkinControl(QWidget* control, QWidget* parent);
  // The foreign-class table: true when it decided (also when nothing was attached).
  bool SkinControlByMap(const QString& className, QWidget* control);
  // Bare windows: every child widget, and one widget by its classic class.
  void SkinChildWindows(QWidget* window);
  void SkinWindowByClass(QWidget* window);

  // Tool-bar custom drawing, from the style: the bar's background and a button's panel (and
  // its label's colour). True when drawn here (the button's label is then drawn by the caller).
  bool ToolBarCustomDraw(QWidget* bar, QPainter* painter, const QRect& rect);
  bool ToolButtonCustomDraw(const QStyleOption* option, QPainter* painter, const QWidget* button);

  // N of a control (see the header comment).
  static QString ClassNameOf(const QWidget* control);
  // The classic class and style a bare dialog's widget stands for.
  static QString BareClassOf(const QWidget* widget, quint32* style);
  // From the style's polish: a widget made after its window was skinned gets its skinner.
  static void SkinLateWidget(QWidget* widget);
  // From the style: tool-bar custom drawing of a primitive or a tool button's label.
  static bool CustomDraw(QStyle::PrimitiveElement pe, const QStyleOption* option, QPainter* painter,
                         const QWidget* widget);
  static bool CustomDrawLabel(const QStyle* base, const QStyleOption* option, QPainter* painter,
                              const QWidget* widget);
  // The chooser of the form skinner that has this widget's window, null when none.
  static TControlChooser* ChooserOf(const QWidget* widget);

 private:
  TSXSkin* Skin() const;
  bool Has(int control) const;
  // The control already has a skinner in the list.
  bool Listed(const QWidget* control) const;
  TSkinControl* Attach(const QString& skinnerClass, QWidget* control, bool setColor);
  TSkinControl* Attach(const QString& skinnerClass, QWidget* control, bool setColor, const TSkinKindArgs& args);
  TSkinControl* AttachWindow(const QString& skinnerClass, QWidget* window);
  void MenuItemsPainted(QObject* menu);
  bool Chain(const QString& n, QWidget* c);

  QPointer<QObject> form_;
};

}  // namespace orvane::skin
