// The skin component's life: its saved properties, the package record, switching skinning on
// and off through the manager, the window check, the caption-button hint and the text routines.
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLoggingCategory>
#include <QPainter>
#include <QtEndian>

#include "platform/wm/wm.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinStore.h"
#include "skin/skindata.h"

namespace orvane::skin {

Q_LOGGING_CATEGORY(lcSkinComponent, "orvane.skin.component")

namespace {

// Rows sharing a kind, in saved order.
struct Skin3rdRun {
  const char* kind;
  std::initializer_list<const char*> classes;
};

QStringList BuildSkin3rd() {
  static const Skin3rdRun runs[] = {
      {"scrollbar", {"TCategoryButtons"}},
      {"pngspeedbutton", {"TPngSpeedbutton"}},
      {"pngbitbtn", {"TPngBitBtn"}},
      {"scrollbar", {"TVirtualStringTree", "TVirtualDrawTree"}},
      {"panel", {"TTBXDockablePanel"}},
      {"scrollbar", {"TAdvPanelGroup"}},
      {"combobox", {"TComboboxex"}},
      {"speedbutton", {"TRxSpeedButton"}},
      {"scrollbar", {"THTMLViewer", "TDBCtrlGrid"}},
      {"speedbutton", {"TfrSpeedButton", "TfrTBButton"}},
      {"Panel", {"TControlBar", "TTBDock", "TTBToolbar"}},
      {"scrollbar", {"TImageEnMView", "TImageEnView", "TAdvMemo", "TDBAdvMemo"}},
      {"combobox",
       {"TcxDBLookupComboBox", "TcxDBComboBox", "TcxDBDateEdit", "TcxDBImageComboBox", "TcxDBCalcEdit",
        "TcxDBBlobEdit", "TcxDBPopupEdit", "TcxDBFontNameComboBox", "TcxDBShellComboBox", "TRxLookupEdit",
        "TRxDBLookupCombo"}},
      {"Panel", {"TRzGroup"}},
      {"button", {"TRzButton"}},
      {"bitbtn", {"TRzBitbtn"}},
      {"menubtn", {"TRzMenuButton"}},
      {"checkgroup", {"TRzCheckGroup"}},
      {"radiogroup", {"TRzRadioGroup"}},
      {"edit", {"TRzButtonEdit"}},
      {"radiogroup", {"TRzDBRadioGroup"}},
      {"radiobutton", {"TRzDBRadioButton"}},
      {"combobox",
       {"TRzDateTimeEdit", "TRzColorEdit", "TRzDateTimePicker", "TRzDBDateTimeEdit", "TRzDbColorEdit",
        "TRzDBDateTimePicker"}},
      {"bitbtn", {"TLMDButton"}},
      {"groupbox", {"TLMDGroupBox"}},
      {"checkbox", {"TDBCheckboxEh", "TDBCheckboxEh", "TLMDCHECKBOX", "TLMDDBCHECKBOX"}},
      {"radiobutton", {"TLMDRadiobutton"}},
      {"panel",
       {"TLMDCalculator", "TLMDGROUPBOX", "TLMDSIMPLEPANEL", "TLMDDBCalendar", "TLMDButtonPanel",
        "TLMDLMDCalculator", "TLMDHeaderPanel", "TLMDTechnicalLine", "TLMDLMDClock", "TLMDTrackbar"}},
      {"combobox",
       {"TLMDListCombobox", "TLMDCheckListCombobox", "TLMDHeaderListCombobox", "TLMDImageCombobox",
        "TLMDColorCombobox", "TLMDFontCombobox", "TLMDFontSizeCombobox", "TLMDFontSizeCombobox",
        "TLMDPrinterCombobox", "TLMDDriveCombobox", "TLMDCalculatorComboBox", "TLMDTrackBarComboBox",
        "TLMDCalendarComboBox", "TLMDTreeComboBox"}},
      {"radiogroup", {"TLMDRADIOGROUP"}},
      {"checkgroup", {"TLMDCheckGroup"}},
      {"radiogroup", {"TLMDDBRADIOGROUP"}},
      {"checkgroup", {"TLMDDBCheckGroup"}},
      {"edit",
       {"TLMDCalculatorEdit", "TLMDEDIT", "TLMDMASKEDIT", "TLMDBROWSEEDIT", "TLMDEXTSPINEDIT", "TLMDCALENDAREDIT",
        "TLMDFILEOPENEDIT", "TLMDFILESAVEEDIT", "TLMDCOLOREDIT", "TLMDDBEDIT", "TLMDDBMASKEDIT",
        "TLMDDBEXTSPINEDIT", "TLMDDBSPINEDIT", "TLMDDBEDITDBLookup", "TLMDEDITDBLookup"}},
      {"combobox",
       {"TDBLookupCombobox", "TWWDBCombobox", "TWWDBLookupCombo", "TWWDBCombobox", "TWWKeyCombo",
        "TWWTempKeyCombo", "TWWDBDateTimePicker"}},
      {"radiogroup", {"TWWRADIOGROUP"}},
      {"edit", {"TWWDBEDIT"}},
      {"bitbtn", {"TcxButton"}},
      {"radiogroup", {"TcxDBRadioGroup", "TcxRadioGroup"}},
      {"groupbox", {"TcxGroupbox"}},
      {"edit",
       {"TOVCPICTUREFIELD", "TOVCDBPICTUREFIELD", "TOVCSLIDEREDIT", "TOVCDBSLIDEREDIT", "TOVCSIMPLEFIELD",
        "TOVCDBSIMPLEFIELD", "TO32DBFLEXEDIT", "TOVCNUMERICFIELD", "TOVCDBNUMERICFIELD"}},
  };
  QStringList rows;
  for (const Skin3rdRun& run : runs)
    for (const char* c : run.classes) rows << QLatin1String(c) + u'=' + QLatin1String(run.kind);
  return rows;
}

// The menu glyphs: a 64 x 16 monochrome strip of four glyphs, white see-through.
QList<QImage> LoadMenuGlyphs() {
  QList<QImage> glyphs;
  QImage strip(QStringLiteral(":/skin/builtin/CORVELMENU.bmp"));
  if (strip.isNull()) {
    qCWarning(lcSkinComponent) << "menu glyph strip missing; menus draw without glyphs";
    return glyphs;
  }
  strip = strip.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  for (int i = 0; i < 4; ++i) {
    QImage g = strip.copy(i * 16, 0, 16, 16);
    for (int y = 0; y < g.height(); ++y)
      for (int x = 0; x < g.width(); ++x)
        if ((g.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) g.setPixel(x, y, 0);
    glyphs << g;
  }
  return glyphs;
}

// The thickest border a window's frame is drawn with: a thicker one comes from a damaged or
// absurd image, and would leave no room for the window.
constexpr int kMaxBorderThickness = 256;

// Why a skin cannot frame a window, empty when it can. Every skinned frame is drawn from the
// four border images, the top one being the title bar: without them a window would have no
// title bar, borders or caption buttons and could be neither moved nor closed with the mouse.
QString UnusableFrame(const TSkinData& data) {
  static const char* const sides[] = {"left", "right", "top", "bottom"};
  for (int side = bsLeft; side <= bsBottom; ++side) {
    const TDataSkinBorder& b = data.Border(static_cast<BorderSide>(side));
    const bool upright = side == bsLeft || side == bsRight;  // its strip's frames lie side by side
    const int thickness = b.HasImage() ? (upright ? b.Bitmap.width() : b.Bitmap.height()) / b.FrameCount() : 0;
    if (thickness < 1 || thickness > kMaxBorderThickness)
      return QStringLiteral("its %1 border has no usable image").arg(QLatin1String(sides[side]));
  }
  return {};
}

}  // namespace

const QStringList& DefaultSkin3rd() {
  static const QStringList rows = BuildSkin3rd();
  return rows;
}

TSXSkin::TSXSkin(QObject* owner) : QObject(owner), skin3rd_(DefaultSkin3rd()), menuGlyphs_(LoadMenuGlyphs()) {
  iconBitmap_ = QImage(16, 16, QImage::Format_RGB32);
  iconBitmap_.fill(QColor(0xFF, 0x00, 0xFF));
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    maximizedSize_ = QSize(wm::GetSystemMetrics(wm::SM_CXMAXIMIZED), wm::GetSystemMetrics(wm::SM_CYMAXIMIZED));
}

TSXSkin::~TSXSkin() {
  if (SkinManager) SkinManager->UnregisterSkin(this);
}

QWidget* TSXSkin::OwnerWindow() const {
  QObject* o = parent();
  return o && o->isWidgetType() && o->inherits("orvane::Form") ? static_cast<QWidget*>(o) : nullptr;
}

QByteArray TSXSkin::WriteSkinStream() const {
  QByteArray out(4, '\0');
  qToLittleEndian<quint32>(static_cast<quint32>(skinStream_.size()), out.data());
  return out + skinStream_;
}

bool TSXSkin::ReadSkinStream(const QByteArray& saved) {
  if (saved.size() < 4) {
    qCWarning(lcSkinComponent) << "saved skin record shorter than its length field";
    return false;
  }
  const quint32 length = qFromLittleEndian<quint32>(saved.constData());
  if (length > static_cast<quint32>(saved.size() - 4)) {
    qCWarning(lcSkinComponent) << "saved skin record holds" << saved.size() - 4 << "of its" << length << "bytes";
    return false;
  }
  return LoadUsableSkin(length < 1 ? skinStream_ : saved.mid(4, static_cast<qsizetype>(length)));
}

bool TSXSkin::LoadUsableSkin(QByteArray stream) {
  const std::shared_ptr<const TSkinData> previous = data_;
  std::swap(skinStream_, stream);
  const bool loaded = LoadSkin();
  const QString why = loaded ? UnusableFrame(*data_) : QString();
  if (loaded && why.isEmpty()) return true;
  if (loaded) qCWarning(lcSkinComponent).noquote() << "skin package refused:" << why;
  // The skin in use stays, with the package it came from.
  skinStream_ = std::move(stream);
  data_ = previous;
  skinLoading_ = !data_;
  return false;
}

void TSXSkin::SetSkinFile(const QString& fileName) {
  skinFile_ = fileName;
  QFile file(fileName);
  if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly)) {
    if (!fileName.isEmpty()) qCWarning(lcSkinComponent) << "skin file cannot be read:" << fileName;
    return;
  }
  if (!LoadUsableSkin(file.readAll())) {
    qCWarning(lcSkinComponent) << "skin file not used, the skin in use stays:" << fileName;
    return;
  }
  if (!SkinManager) Loaded();
  SkinManager->SetCurrentSkin(this);
  SkinManager->RefreshSkinData();
  if (SkinManager->State() == TSkinManage::Started) SkinManager->PostAction(TSkinManage::ActionRefresh, 250);
}

void TSXSkin::Loaded() {
  loaded_ = true;
  if (!SkinManager) CreateSkinManager();
  SkinManager->RegisterSkin(this);
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    captionFont_ = QFontDatabase::systemFont(QFontDatabase::TitleFont);
  if (SkinFormtype != sfMainform) {
    SkinManager->SetOn(true);
    if (SkinManager->State() == TSkinManage::NotStarted) SkinManager->SetState(TSkinManage::Started);
    if (QWidget* owner = OwnerWindow(); owner && active_) SkinManager->AddWindow(owner);
    return;
  }
  SkinManager->InstallHook();
  if (active_) {
    if (skinLoading_)
      active_ = false;  // no package was read
    else {
      // The timer carries out an action only for the skin it was queued for.
      SkinManager->SetCurrentSkin(this);
      SkinManager->PostAction(TSkinManage::ActionActivate, 250);
    }
  }
  if (HasControl(xcMainMenu))
    SkinControls &= ~SetBit(xcMenuItem);
  else
    SkinControls &= ~SetBit(xcSystemMenu);
  BuildIconBitmap();
}

void TSXSkin::BuildIconBitmap() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return;
  const QSize size(wm::GetSystemMetrics(wm::SM_CXSMICON), wm::GetSystemMetrics(wm::SM_CYSMICON));
  const QIcon icon = QGuiApplication::windowIcon();
  if (icon.isNull() || size.isEmpty()) return;
  iconBitmap_ = QImage(size, QImage::Format_RGB32);
  iconBitmap_.fill(QColor(0xFF, 0x00, 0xFF));
  QPainter p(&iconBitmap_);
  icon.paint(&p, QRect(QPoint(0, 0), size));
}

void TSXSkin::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  if (!loaded_ || !SkinManager) return;  // still being set up: Loaded carries it out
  switch (SkinFormtype) {
    case sfMainform:
      if (value && skinLoading_) return;
      SkinManager->SetCurrentSkin(this);
      if (value) {
        SkinManager->PostAction(TSkinManage::ActionActivate, 250);
        SkinManager->SetState(TSkinManage::Started);
      } else {
        SkinManager->PostAction(TSkinManage::ActionDeactivate, 250);
      }
      return;
    case sfOnlyThisForm:
      SkinManager->SetCurrentSkin(this);
      if (!value)
        SkinManager->PostAction(TSkinManage::ActionDeactivate, 250);
      else if (!skinLoading_)
        SkinManager->PostAction(TSkinManage::ActionActivate, 250);
      return;
    default:
      return;
  }
}

void TSXSkin::CanSkinForm(QWidget* handle, const QString& className, bool& doSkin) {
  lastChecked_ = handle;
  if (OnFormSkin) {
    OnFormSkin(this, className, doSkin);
    return;
  }
  if (className == QLatin1String("SysMonthCal32")) doSkin = false;
  if (className.startsWith(QLatin1String("Tfr")) && HasControl(xcFastReport)) doSkin = false;
}

QWidget* TSXSkin::CaptionHintWindow() const { return hint_.get(); }

void TSXSkin::ShowCaptionHint(const QRect& buttonRect, const QString& text) {
  if (!HasOption(xoCaptionButtonHint) || hintShown_) return;
  if (!hint_) {
    hint_ = std::make_unique<QLabel>(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    hint_->setWordWrap(true);
    hint_->setMargin(2);
    hint_->setAutoFillBackground(true);
    hint_->setAttribute(Qt::WA_ShowWithoutActivating);
    hint_->setProperty("vclClass", QStringLiteral("THintWindow"));
  }
  hint_->setText(text);
  const int frame = 2 * hint_->margin();
  QRect r = hint_->fontMetrics().boundingRect(QRect(0, 0, 500, 0x7FFF), Qt::TextWordWrap, text);
  r.setSize(r.size() + QSize(frame + 4, frame + 2));
  r.moveTopLeft(r.topLeft() + buttonRect.topLeft());
  QPalette pal = hint_->palette();
  pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::ToolTipBase));
  pal.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::ToolTipText));
  hint_->setPalette(pal);
  hint_->setGeometry(r);
  hint_->show();
  hintShown_ = true;
}

void TSXSkin::HideCaptionHint() {
  if (!hintShown_) return;
  if (hint_) hint_->hide();
  hintShown_ = false;
}

void TSXSkin::DoSkinChanged() {
  if (OnSkinChanged) OnSkinChanged(this);
}

int SkinDrawText(QPainter* dc, const QString& text, QRect& rect, quint32 format) {
  if (!dc) return 0;
  // The flags place the text in absolute terms: Qt would mirror a left or right alignment
  // again for a right-to-left painter. DT_RTLREADING sets the reading order only.
  int flags = Qt::AlignAbsolute;
  flags |= (format & DT_CENTER) ? Qt::AlignHCenter : (format & DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
  if (format & DT_SINGLELINE)
    flags |= (format & DT_VCENTER) ? Qt::AlignVCenter : (format & DT_BOTTOM) ? Qt::AlignBottom : Qt::AlignTop;
  else
    flags |= Qt::AlignTop;
  if (format & DT_WORDBREAK) flags |= Qt::TextWordWrap;
  if (format & DT_EXPANDTABS) flags |= Qt::TextExpandTabs;
  if (format & DT_SINGLELINE) flags |= Qt::TextSingleLine;
  if (!(format & DT_NOPREFIX)) flags |= Qt::TextShowMnemonic;
  QString shown = text;
  if ((format & DT_END_ELLIPSIS) && (format & DT_SINGLELINE))
    shown = dc->fontMetrics().elidedText(text, Qt::ElideRight, rect.width());
  if (format & DT_CALCRECT) {
    const QRect need = dc->fontMetrics().boundingRect(
        QRect(rect.left(), rect.top(), (format & DT_WORDBREAK) ? rect.width() : 0x7FFF, 0x7FFF), flags, shown);
    // Wrapped text takes the width of its longest line: narrower than rect, or wider for a long word.
    rect.setSize(QSize(need.width(), need.height()));
    return need.height();
  }
  QRect drawn;
  dc->save();
  if (format & DT_RTLREADING) dc->setLayoutDirection(Qt::RightToLeft);
  if (!(format & DT_NOCLIP)) dc->setClipRect(rect, Qt::IntersectClip);
  dc->drawText(rect, flags, shown, &drawn);
  dc->restore();
  return drawn.height();
}

QString AnsiToWideStr(const QByteArray& text) { return QString::fromLocal8Bit(text); }

QString WideCopy(const QChar* text, int n) {
  if (!text) return QString();
  if (n >= 0) return QString(text, n);
  int len = 0;
  while (text[len] != QChar(0)) ++len;
  return QString(text, len);
}

}  // namespace orvane::skin
