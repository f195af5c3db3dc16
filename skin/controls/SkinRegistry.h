// Which control has which skinner, and how the skinner of an inner part is found: the one
// lookup the skin style makes for every call. Also the table of kind skinners by class name,
// which each kind fills from its own file (see ORVANE_SKIN_KIND).
#pragma once

#include <QHash>
#include <QString>
#include <QWidget>
#include <functional>

namespace orvane::skin {

class TSkinControl;

class TSkinRegistry {
 public:
  static void Register(const QWidget* control, TSkinControl* skinner);
  static void Unregister(TSkinControl* skinner);
  // The skinner registered for exactly this widget, null when none.
  static TSkinControl* Find(const QWidget* control);
  // The skinner that paints this widget: its own or its owner's (OwnerOf), but only one that is
  // switched on and has what it paints with. Null: Fusion paints.
  static TSkinControl* SkinnerFor(const QWidget* widget);
  // The control an inner part belongs to, else the widget itself. Inner parts: the line edit of
  // a spin box, combo box or date edit; the scroll bars, viewport and corner of a scroll area; a
  // view's headers; a tab widget's bar and stack and a tab bar's scroll buttons; a status bar's
  // size grip. Applied until it settles (a header's viewport belongs to the header's view).
  static QWidget* OwnerOf(const QWidget* widget);
  static bool IsInnerPart(const QWidget* widget) { return widget && OwnerOf(widget) != widget; }
  static int Count();
};

// What a kind is created with beyond its control.
struct TSkinKindArgs {
  int Kind = 0;           // the kind's own mode: TSkinObjImage's glyph kind, TSkinAdvPage's kind
  bool Extended = false;  // TSkinComBox: an extended combo; TSkinScrollbar: single-bar mode
  QString GlyphProperty;  // TSkinBitButton / TSkinSpeedButton: glyph from this property ("PngImage")
  bool OfEdit = false;    // TSkinUpDown: the arrows of an edit
};

using TSkinKindCreator = std::function<TSkinControl*(QWidget* control, const TSkinKindArgs& args)>;

class TSkinKinds {
 public:
  // Registers the creator of a skinner class (name compared without regard to case).
  static bool Register(const QString& className, TSkinKindCreator creator);
  // A new skinner of that class for the control (its QObject child), null when no such kind
  // is built into the program.
  static TSkinControl* Create(const QString& className, QWidget* control, const TSkinKindArgs& args = {});
  static bool Has(const QString& className);
  // Told of every skinner asked for (also one not built in), for diagnostics and tests.
  static std::function<void(const QString& className, QWidget* control)>& Observer();
};

}  // namespace orvane::skin

// Registers a kind skinner class with a constructor (QWidget* control) under its own name.
#define ORVANE_SKIN_KIND(Class)                                                                        \
  namespace {                                                                                          \
  const bool registered_##Class = ::orvane::skin::TSkinKinds::Register(                                \
      QStringLiteral(#Class), [](QWidget* c, const ::orvane::skin::TSkinKindArgs&) -> ::orvane::skin::TSkinControl* { \
        return new Class(c);                                                                           \
      });                                                                                              \
  }
// The same with a constructor (QWidget* control, const TSkinKindArgs& args).
#define ORVANE_SKIN_KIND_ARGS(Class)                                                                   \
  namespace {                                                                                          \
  const bool registered_##Class = ::orvane::skin::TSkinKinds::Register(                                \
      QStringLiteral(#Class), [](QWidget* c, const ::orvane::skin::TSkinKindArgs& a) -> ::orvane::skin::TSkinControl* { \
        return new Class(c, a);                                                                        \
      });                                                                                              \
  }
