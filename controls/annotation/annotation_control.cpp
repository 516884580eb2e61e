#include "controls/annotation/annotation_control.h"
#include "controls/annotation/picture_transform.h"

#include "annotation/engine_interface.h"
#include "controls/annotation/window_messages.h"
#include "controls/imaging/imaging_control.h"
#include "platform/graphics/gdi.h"
#include "platform/graphics/gdi_objects.h"
#include "platform/ole/ole.h"
#include "platform/windows/common_dialogs.h"
#include "platform/windows/window.h"
#include "runtime/dialogs.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <dlfcn.h>
#include <map>

namespace ann {

namespace {

QString& libraryPathOverride() {
  static QString path;
  return path;
}

// The engine library, loaded once per process and kept for its lifetime: engines may live in
// several windows at once, and unloading code that still has windows or timers is never safe.
struct Library {
  void* handle = nullptr;
  AnnInitFn init = nullptr;
  AnnDeinitFn deinit = nullptr;
  QString error;

  // The library at the path in force, loaded on first use.
  static Library& Get() {
    static std::map<QString, Library> loaded;
    const QString path = AnnotationControl::libraryPath();
    auto [it, fresh] = loaded.try_emplace(path);
    if (fresh) it->second.load(path);
    return it->second;
  }

 private:
  void load(const QString& path) {
    handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      error = QString::fromLocal8Bit(dlerror());
      return;
    }
    init = reinterpret_cast<AnnInitFn>(dlsym(handle, "Ann_Init"));
    deinit = reinterpret_cast<AnnDeinitFn>(dlsym(handle, "Ann_Deinit"));
    if (!init || !deinit) {
      error = QStringLiteral("%1 does not export the engine's entry points").arg(path);
      init = nullptr;
      deinit = nullptr;
    }
  }
};

// The engine's colour and font dialogs go through the program's dialog service, like every other
// dialog of the program (and tests answer them there).
void routeEngineDialogs() {
  static const bool routed = [] {
    plat::SetCommonDialogChoosers(
        [](plat::CHOOSECOLORA* c) {
          rt::DialogRequest r;
          r.kind = rt::DialogKind::Color;
          r.color = c->rgbResult;
          if (!rt::dialogs().commonDialog(r)) return false;
          c->rgbResult = r.color;
          return true;
        },
        [](plat::CHOOSEFONTA* f) {
          plat::LOGFONTA& lf = *f->lpLogFont;
          rt::DialogRequest r;
          r.kind = rt::DialogKind::Font;
          r.flags = rt::cdlCFScreenFonts;
          r.fontName = QString::fromLatin1(lf.lfFaceName, qstrnlen(lf.lfFaceName, plat::LF_FACESIZE));
          r.fontSize = std::abs(lf.lfHeight) * 72.0 / 96.0;
          r.fontBold = lf.lfWeight >= plat::FW_BOLD;
          r.fontItalic = lf.lfItalic != 0;
          r.fontUnderline = lf.lfUnderline != 0;
          r.fontStrikethru = lf.lfStrikeOut != 0;
          if (!rt::dialogs().commonDialog(r)) return false;
          QFont chosen = r.font();
          if (r.fontSize <= 0) chosen.setPointSizeF(9.75);
          lf = plat::LogFontFromFont(chosen);
          return true;
        });
    return true;
  }();
  (void)routed;
}


// The engine burns into 1, 4, 8 or 24 bits: a picture of another depth takes the next one up,
// and anything deeper than 8 bits keeps its colours in 24.
int32_t engineDepth(int16_t bitsPerPixel) { return bitsPerPixel <= 1 ? 1 : bitsPerPixel <= 4 ? 4 : bitsPerPixel <= 8 ? 8 : 24; }

QFont boldFont(const QString& family, double points) {
  QFont f(family);
  f.setPointSizeF(points);
  f.setBold(true);
  return f;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The layer over the attached view: transparent to the mouse (input is taken from the view
// itself), it paints the engine's layers on top of the picture.

class AnnotationControl::Overlay final : public QWidget {
 public:
  Overlay(AnnotationControl* owner, QWidget* view) : QWidget(view), owner_(owner) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_TranslucentBackground);
    setObjectName(QStringLiteral("annotationOverlay"));
    follow();
    show();
    raise();
  }
  // Covers the view's client area (without its scroll bars).
  void follow() {
    auto* view = parentWidget();
    int w = view->width(), h = view->height();
    for (auto* bar : view->findChildren<QScrollBar*>(QString(), Qt::FindDirectChildrenOnly)) {
      if (!bar->isVisible()) continue;
      if (bar->orientation() == Qt::Vertical) w -= bar->width();
      else h -= bar->height();
    }
    setGeometry(0, 0, std::max(0, w), std::max(0, h));
  }

 protected:
  void paintEvent(QPaintEvent*) override { owner_->paintLayers(this); }

 private:
  AnnotationControl* owner_;
};

// ---------------------------------------------------------------------------------------------
// What the engine asks of the attached view: its geometry in device pixels and its resolution.

class AnnotationControl::HostView final : public AnnHostImaging {
 public:
  explicit HostView(AnnotationControl* owner) : owner_(owner) {}
  uint32_t AddRef() override { return ++refs_; }
  uint32_t Release() override { return refs_ > 0 ? --refs_ : 0; }

  plat::HRESULT GetViewGeometry(int32_t printRequest, int32_t* displayMode, plat::RECT* view, plat::RECT* image,
                                int32_t* imageWidth, int32_t* imageHeight) override {
    img::ImagingControl* ix = owner_->attached_;
    if (!ix || !ix->hasImage()) return plat::E_FAIL;
    const int32_t w = ix->ImageWidth();
    const int32_t h = ix->ImageHeight();
    *imageWidth = w;
    *imageHeight = h;
    if (printRequest) {
      *displayMode = 4;
      *view = {ix->PrintLeft(), ix->PrintTop(), ix->PrintLeft() + ix->PrintWidth(), ix->PrintTop() + ix->PrintHeight()};
      *image = {0, 0, w, h};
      return plat::S_OK;
    }
    if (ix->ThumbDisplayMode() == 1 || ix->ViewSizeMode() == 4) {
      // The whole picture scaled into the control and centred: where the control painted it.
      const QRect fitted = ix->FittedPictureRect();
      const int32_t x = fitted.x(), y = fitted.y();
      const int32_t dw = std::max(1, fitted.width()), dh = std::max(1, fitted.height());
      *displayMode = 4;
      *view = {x, y, x + dw, y + dh};
      *image = {0, 0, dw, dh};
      return plat::S_OK;
    }
    const double z = ix->ZoomFactor();
    *displayMode = 0;
    const QRect client = owner_->overlay_ ? owner_->overlay_->rect() : ix->rect();
    *view = {0, 0, client.width(), client.height()};
    *image = {ix->ScrollPosX(), ix->ScrollPosY(), static_cast<int32_t>(std::lround(w * z)),
              static_cast<int32_t>(std::lround(h * z))};
    return plat::S_OK;
  }

  plat::HRESULT GetResolution(double* dpi) override {
    if (const img::Bitmap* target = owner_->burnTarget_) {
      *dpi = target->resolutionX > 0 ? target->resolutionX : 96.0;
      return plat::S_OK;
    }
    img::ImagingControl* ix = owner_->attached_;
    *dpi = ix && ix->ResolutionX() > 0 ? ix->ResolutionX() : 96.0;
    return plat::S_OK;
  }

 private:
  AnnotationControl* owner_;
  uint32_t refs_ = 0;
};

// ---------------------------------------------------------------------------------------------
// A press anywhere in the program outside the attached view ends a text being typed, as a click
// elsewhere on the page does, before the press reaches its target: a thumbnail, a toolbar button
// or the menu bar then finds the text in the layer (and the page modified).

class AnnotationControl::PressWatch final : public QObject {
 public:
  explicit PressWatch(AnnotationControl* owner) : QObject(owner), owner_(owner) { qApp->installEventFilter(this); }
  ~PressWatch() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress && owner_->outsideAttached(watched)) owner_->endTextEditing();
    return false;
  }

 private:
  AnnotationControl* owner_;
};

// ---------------------------------------------------------------------------------------------
// The engine of this control and the callbacks it calls back through.

struct AnnotationControl::Engine {
  AnnEngineInterface* api = nullptr;
  AnnDeinitFn deinit = nullptr;
  HostView host;
  plat::HWND ownWindow = nullptr;  // the engine's window while nothing is attached
  QString error;

  explicit Engine(AnnotationControl* owner) : host(owner) {}

  static AnnotationControl* of(intptr_t cookie) { return reinterpret_cast<AnnotationControl*>(cookie); }
  static int32_t onEvent(intptr_t cookie, int32_t code, int32_t param) {
    Q_EMIT of(cookie)->AnnotationEvent(code, param);
    return 0;
  }
  static int32_t onCurrentLayer(intptr_t cookie, AnnLayerHandle layer) {
    Q_EMIT of(cookie)->CurrentLayerChanged(layer);
    return 0;
  }
  // Burn-in: the engine asks for the attached picture and hands back the picture with the
  // annotations drawn into it.
  static int32_t imageSource(intptr_t aux, plat::HGLOBAL* dib, int32_t* freeAfterUse) {
    *freeAfterUse = 1;
    if (img::Bitmap* target = of(aux)->burnTarget_) {
      *dib = img::toDibHandle(*target);
      return 0;
    }
    img::ImagingControl* ix = of(aux)->attached_;
    *dib = ix ? ix->ImageHandleCopy() : nullptr;
    return 0;
  }
  static int32_t imageResult(intptr_t aux, plat::HGLOBAL dib) {
    if (img::Bitmap* target = of(aux)->burnTarget_) {
      // The page keeps what the packed form does not carry: its resolution and its layer bytes.
      img::Bitmap burned;
      try {
        burned = img::fromDibHandle(dib);
      } catch (...) {
        plat::GlobalFree(dib);  // the handle is this side's to free, read or not
        throw;
      }
      plat::GlobalFree(dib);
      burned.resolutionX = target->resolutionX;
      burned.resolutionY = target->resolutionY;
      burned.resolutionUnit = target->resolutionUnit;
      burned.annotation = std::move(target->annotation);
      *target = std::move(burned);
      return 0;
    }
    img::ImagingControl* ix = of(aux)->attached_;
    if (!ix) {
      plat::GlobalFree(dib);
      return ERR_NO_IMAGE;
    }
    ix->setImageHandle(dib);
    return 0;
  }
  static int32_t drawImage(plat::HDC dc, plat::HGLOBAL dib, int32_t transparent, plat::COLORREF colour, int32_t x,
                           int32_t y, int32_t width, int32_t height, int32_t, int32_t, int32_t, int32_t) {
    return drawPicture(dc, dib, transparent != 0, colour, x, y, width, height) ? 1 : 0;
  }
  // The element's picture stays the element's: a new block comes back, or none.
  static plat::HGLOBAL transformImage(intptr_t, plat::HGLOBAL dib, int32_t operation) {
    return transformPicture(dib, operation);
  }
  static int32_t onStampPlacing(intptr_t cookie) {
    Q_EMIT of(cookie)->StampPlacing();
    return 0;
  }
};

// ---------------------------------------------------------------------------------------------

void AnnotationControl::setLibraryPath(const QString& path) { libraryPathOverride() = path; }

QString AnnotationControl::libraryPath() {
  if (!libraryPathOverride().isEmpty()) return libraryPathOverride();
  return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("libannolyx.so"));
}

AnnotationControl::AnnotationControl(QWidget* window, Resolver resolver)
    : QObject(window), window_(window), resolver_(std::move(resolver)), engine_(std::make_unique<Engine>(this)) {
  stampFont_ = boldFont(QStringLiteral("Tahoma"), 9.75);
  textFont_ = boldFont(QStringLiteral("Tahoma"), 9.75);
  buttonFont_ = boldFont(QStringLiteral("Tahoma"), 8.25);
  buttonText_ = QStringLiteral("Click Me");

  routeEngineDialogs();
  Library& lib = Library::Get();
  if (!lib.init) {
    engine_->error = lib.error;
    return;
  }
  engine_->ownWindow = plat::CreateDetachedWindow(640, 480);
  engine_->api = lib.init(reinterpret_cast<intptr_t>(this), engine_->ownWindow, 0);
  engine_->deinit = lib.deinit;
  if (!engine_->api) {
    engine_->error = QStringLiteral("the annotation engine could not be started");
    return;
  }
  AnnEngineInterface* e = engine_->api;
  e->SetHostCallback(HOSTCB_EVENT, annCallback(&Engine::onEvent));
  e->SetHostCallback(HOSTCB_CURRENT_LAYER, annCallback(&Engine::onCurrentLayer));
  e->SetAuxCallback1(reinterpret_cast<intptr_t>(this), nullptr);
  e->SetImageSourceCallback(&Engine::imageSource);
  e->SetImageResultCallback(&Engine::imageResult);
  e->SetDrawImageCallback(&Engine::drawImage);
  e->SetTransformImageCallback(&Engine::transformImage);
  e->SetHostCallback(HOSTCB_STAMP_PLACING, annCallback(&Engine::onStampPlacing));
  fontToEngine(EPROP_STAMP_FONT, stampFont_);
  fontToEngine(EPROP_TEXT_FONT, textFont_);
  fontToEngine(EPROP_BUTTON_FONT, buttonFont_);
  textToEngine(EPROP_BUTTON_TEXT, buttonText_);
}

AnnotationControl::~AnnotationControl() {
  // The engine's layers go with the control; what it reports while tearing them down is no news to
  // the host, which may itself be half destroyed by now.
  blockSignals(true);
  detach();
  if (engine_->api) {
    engine_->api->AttachImaging(nullptr);
    engine_->deinit(engine_->api);
  }
  if (engine_->ownWindow) plat::DestroyWindow(engine_->ownWindow);
}

bool AnnotationControl::EngineAvailable() const { return engine_->api != nullptr; }
QString AnnotationControl::EngineError() const { return engine_->error; }

// ---- Attachment ---------------------------------------------------------------------------------

QString AnnotationControl::AttachControlName() const { return attachName_; }
img::ImagingControl* AnnotationControl::AttachedControl() const { return attached_; }

void AnnotationControl::endTextEditing() {
  // The engine's way for its host to end the caret use of the current layer: a text being typed
  // is taken into the layer (or dropped when it is empty).
  if (engine_->api) engine_->api->SetCaret(0);
}

bool AnnotationControl::outsideAttached(QObject* watched) const {
  auto* w = qobject_cast<QWidget*>(watched);
  return w && attached_ && w != attached_ && !attached_->isAncestorOf(w);
}

void AnnotationControl::detach() {
  delete pressWatch_.data();
  pressWatch_ = nullptr;
  if (attached_) {
    attached_->removeEventFilter(this);
    disconnect(attached_, &img::ImagingControl::PageLoaded, this, nullptr);
  }
  delete overlay_.data();
  overlay_ = nullptr;
  attached_ = nullptr;
  filtered_ = nullptr;
  if (engine_->api) {
    engine_->api->AttachImaging(nullptr);
    engine_->api->SetHostWindow(engine_->ownWindow);
  }
}

void AnnotationControl::setAttachControlName(const QString& name) {
  img::ImagingControl* target = name.isEmpty() || !resolver_ ? nullptr : resolver_(name);
  if (target == attached_ && name == attachName_) return;
  endTextEditing();
  detach();
  attachName_ = name;
  if (!target) return;
  attached_ = target;
  filtered_ = target;
  attached_->installEventFilter(this);
  connect(attached_, &img::ImagingControl::PageLoaded, this, [this] { AttachedPageLoaded(); });
  overlay_ = new Overlay(this, attached_);
  if (qApp) pressWatch_ = new PressWatch(this);
  if (engine_->api) {
    engine_->api->AttachImaging(&engine_->host);
    engine_->api->SetHostWindow(plat::WindowFromWidget(overlay_));
  }
}

int32_t AnnotationControl::AttachedPageLoaded() {
  if (!engine_->api) return kErrNoEngine;
  if (!attached_) return ERR_HOST_VIEW;
  endTextEditing();
  const std::vector<uint8_t> bytes = attached_->AnnotationData();
  if (bytes.empty()) return 0;
  intptr_t layer = 0;
  rt::Variant data(QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
  return LoadLayerFromVariant(data, layer);
}

int32_t AnnotationControl::StoreCurrentLayerInAttached() {
  if (!engine_->api) return kErrNoEngine;
  if (!attached_) return ERR_HOST_VIEW;
  const intptr_t layer = CurrentLayer();
  if (!layer) {
    attached_->setAnnotationData({});
    return 0;
  }
  rt::Variant data;
  int32_t bytes = 0;
  const int32_t rc = SaveLayerToVariant(data, layer, bytes);
  if (rc != 0) return rc;
  const QByteArray b = data.Bytes();
  attached_->setAnnotationData(std::vector<uint8_t>(b.begin(), b.end()));
  return 0;
}

// ---- Layers ---------------------------------------------------------------------------------------

intptr_t AnnotationControl::CurrentLayer() {
  endTextEditing();
  return engine_->api ? engine_->api->GetCurrentLayer() : 0;
}

void AnnotationControl::setCurrentLayer(intptr_t layer) {
  endTextEditing();
  if (engine_->api && engine_->api->SetCurrentLayer(layer)) Q_EMIT CurrentLayerChanged(CurrentLayer());
}

intptr_t AnnotationControl::NewLayer() {
  if (!engine_->api) return 0;
  endTextEditing();
  const AnnLayerHandle layer = engine_->api->CreateLayer(1);
  if (layer && tool_ != 0) engine_->api->SetCurrentTool(layer, tool_);
  return layer;
}

int32_t AnnotationControl::SelectLayer(intptr_t& layer) {
  if (!engine_->api) return kErrNoEngine;
  endTextEditing();
  if (!engine_->api->SetCurrentLayer(layer)) return ERR_BAD_LAYER;
  if (layer && tool_ != 0) engine_->api->SetCurrentTool(layer, tool_);
  Q_EMIT CurrentLayerChanged(CurrentLayer());
  return 0;
}

int32_t AnnotationControl::DeleteLayer(intptr_t layer) {
  if (!engine_->api) return kErrNoEngine;
  endTextEditing();
  return engine_->api->DeleteLayer(layer) ? 0 : ERR_BAD_LAYER;
}

void AnnotationControl::ClearAll() {
  endTextEditing();
  if (engine_->api) engine_->api->DeleteAllLayers();
}

int32_t AnnotationControl::LayerObjectCount(intptr_t layer) const {
  if (!engine_->api) return 0;
  int32_t count = 0;
  return engine_->api->GetElementCount(layer, &count) == 0 ? count : 0;
}

// ---- Store ------------------------------------------------------------------------------------------

int32_t AnnotationControl::SaveLayerToVariant(rt::Variant& data, intptr_t layer, int32_t& bytes) {
  bytes = 0;
  if (!engine_->api) return kErrNoEngine;
  endTextEditing();
  plat::VARIANT v;
  plat::VariantInit(&v);
  const int32_t rc = engine_->api->SaveLayerToArray(&v, layer, &bytes);
  if (rc == 0) {
    uint32_t count = 0;
    const uint8_t* p = plat::VariantBytes(&v, &count);
    data = p ? rt::Variant(QByteArray(reinterpret_cast<const char*>(p), static_cast<qsizetype>(count))) : rt::Variant();
  }
  plat::VariantClear(&v);
  return rc;
}

int32_t AnnotationControl::LoadLayerFromVariant(const rt::Variant& data, intptr_t& layer) {
  layer = 0;
  if (!engine_->api) return kErrNoEngine;
  endTextEditing();
  const QByteArray b = data.Bytes();
  plat::VARIANT v;
  plat::VariantInit(&v);
  if (!b.isEmpty()) plat::VariantFromBytes(&v, b.constData(), static_cast<uint32_t>(b.size()));
  AnnLayerHandle handle = 0;
  int32_t rc = engine_->api->LoadLayerFromArray(&v, &handle);
  plat::VariantClear(&v);
  if (rc != 0) return rc;
  layer = handle;
  return SelectLayer(layer);
}

// ---- Tools --------------------------------------------------------------------------------------------

int32_t AnnotationControl::setCurrentTool(int32_t tool) {
  if (tool != TOOL_NONE && !annIsTool(tool)) return ERR_BAD_TOOL;
  tool_ = tool;
  if (!engine_->api) return kErrNoEngine;
  const AnnLayerHandle layer = engine_->api->GetCurrentLayer();
  return layer ? engine_->api->SetCurrentTool(layer, tool) : 0;
}

int32_t AnnotationControl::SetToolAttribute(int32_t tool, int32_t attribute, int32_t value) {
  if (!engine_->api) return kErrNoEngine;
  return engine_->api->SetToolDefault(tool, attribute, value);
}

int32_t AnnotationControl::GetToolAttribute(int32_t tool, int32_t attribute, int32_t& value) const {
  if (!engine_->api) return kErrNoEngine;
  AnnValue v = 0;
  const int32_t rc = engine_->api->GetToolDefault(tool, attribute, &v);
  if (rc == 0) value = static_cast<int32_t>(v);
  return rc;
}

int32_t AnnotationControl::textToEngine(int32_t key, const QString& text) {
  if (!engine_->api) return kErrNoEngine;
  plat::BSTR s = plat::SysAllocFromU16(text.toStdU16String());
  const int32_t rc = engine_->api->SetEngineProperty(key, reinterpret_cast<AnnValue>(s));
  plat::SysFreeString(s);
  return rc;
}

int32_t AnnotationControl::fontToEngine(int32_t key, const QFont& font) {
  if (!engine_->api) return kErrNoEngine;
  plat::LOGFONTA lf = plat::LogFontFromFont(font);
  return engine_->api->SetEngineProperty(key, reinterpret_cast<AnnValue>(&lf));
}

int32_t AnnotationControl::setStampDefaultText(const QString& text) { return textToEngine(EPROP_STAMP_TEXT, stampText_ = text); }
int32_t AnnotationControl::setButtonDefaultText(const QString& text) { return textToEngine(EPROP_BUTTON_TEXT, buttonText_ = text); }
int32_t AnnotationControl::setImageToolPicture(const QImage& picture) {
  if (!engine_->api) return kErrNoEngine;
  plat::HGLOBAL dib = picture.isNull() ? nullptr : plat::PackedDibFromImage(picture, 24);
  if (!picture.isNull() && !dib) return ERR_BAD_VALUE;
  // The engine keeps a copy; the block stays ours.
  const int32_t rc = engine_->api->SetToolDefault(TOOL_IMAGE, PROP_IMAGE, reinterpret_cast<AnnValue>(dib));
  const intptr_t layer = engine_->api->GetCurrentLayer();
  if (rc == ANN_OK && layer)
    engine_->api->SetLayerToolDefault(layer, TOOL_IMAGE, PROP_IMAGE, reinterpret_cast<AnnValue>(dib));
  plat::GlobalFree(dib);
  return rc;
}
int32_t AnnotationControl::setStampFont(const QFont& font) { return fontToEngine(EPROP_STAMP_FONT, stampFont_ = font); }
int32_t AnnotationControl::setTextFont(const QFont& font) { return fontToEngine(EPROP_TEXT_FONT, textFont_ = font); }
int32_t AnnotationControl::setButtonFont(const QFont& font) { return fontToEngine(EPROP_BUTTON_FONT, buttonFont_ = font); }

// ---- Selection and clipboard ----------------------------------------------------------------------

bool AnnotationControl::HasSelection() const {
  return engine_->api && engine_->api->HasSelection(engine_->api->GetCurrentLayer());
}

bool AnnotationControl::CanPaste() const { return engine_->api && engine_->api->IsLayerOnClipboard(); }

int32_t AnnotationControl::DeleteSelected() {
  if (!engine_->api) return kErrNoEngine;
  engine_->api->DeleteSelectedElements();
  return 0;
}

int32_t AnnotationControl::CopySelected() {
  if (!engine_->api) return kErrNoEngine;
  const AnnLayerHandle layer = engine_->api->GetCurrentLayer();
  if (!engine_->api->HasSelection(layer)) return ERR_NO_SELECTION;
  return engine_->api->CopyLayerToClipboard(layer, 1);
}

int32_t AnnotationControl::CutSelected() {
  // Nothing is deleted unless the copy reached the clipboard.
  const int32_t rc = CopySelected();
  return rc == 0 ? DeleteSelected() : rc;
}

int32_t AnnotationControl::PasteAnnotations() {
  if (!engine_->api) return kErrNoEngine;
  return engine_->api->PasteObjects(engine_->api->GetCurrentLayer());
}

int32_t AnnotationControl::SelectAll(intptr_t& layer, bool select) {
  if (!engine_->api) return kErrNoEngine;
  endTextEditing();
  return engine_->api->SelectAllElements(layer, select ? 1 : 0);
}

// ---- Burn-in ---------------------------------------------------------------------------------------

int32_t AnnotationControl::BurnIn(intptr_t& layer) {
  if (!engine_->api) return kErrNoEngine;
  endTextEditing();
  if (!engine_->api->IsLayer(layer)) return ERR_BAD_LAYER;
  if (!attached_ || !attached_->hasImage()) return ERR_NO_IMAGE;
  return engine_->api->BurnInLayers(engineDepth(burnDepth_));
}

int32_t AnnotationControl::BurnLayerInto(const rt::Variant& data, img::Bitmap& picture) {
  if (!engine_->api) return kErrNoEngine;
  if (picture.isNull()) return ERR_NO_IMAGE;
  ClearAll();
  intptr_t layer = 0;
  int32_t rc = LoadLayerFromVariant(data, layer);
  if (rc == 0) rc = SelectAll(layer, true);
  if (rc == 0) {
    burnTarget_ = &picture;
    rc = engine_->api->BurnInLayers(engineDepth(static_cast<int16_t>(picture.bitsPerPixel())));
    burnTarget_ = nullptr;
  }
  ClearAll();
  return rc;
}

// ---- Drawing and input ----------------------------------------------------------------------------

void AnnotationControl::paintLayers(QWidget* on) {
  if (!engine_->api || !attached_ || !attached_->hasImage() || engine_->api->GetLayerCount() == 0) return;
  QPainter p(on);
  plat::HDC dc = plat::CreatePainterDC(&p);
  int32_t mode = 0, w = 0, h = 0;
  plat::RECT view{}, image{};
  if (engine_->host.GetViewGeometry(0, &mode, &view, &image, &w, &h) == plat::S_OK)
    engine_->api->Draw(dc, &view, &image, 0, 0, 0, 0);
  plat::DeleteDC(dc);
}

bool AnnotationControl::eventFilter(QObject* watched, QEvent* event) {
  if (watched != filtered_ || !engine_->api) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::Resize:
    case QEvent::LayoutRequest:
      if (overlay_) overlay_->follow();
      break;
    case QEvent::FocusOut: {
      // The keys leave the view (Tab, the menu bar, another window): the typing is over. A popup
      // leaves the focus where it was, and the engine's own editor lies inside the view.
      // A view that is going (no imaging control any more) takes its layer along untouched.
      QWidget* now = QApplication::focusWidget();
      if (qobject_cast<img::ImagingControl*>(watched) && attached_ &&
          (!now || (now != attached_ && !attached_->isAncestorOf(now))))
        endTextEditing();
      break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
      if (overlay_) overlay_->follow();
      const WindowMessage m = mouseMessage(*static_cast<QMouseEvent*>(event));
      if (!m.message || !overlay_) break;
      const int32_t rc = engine_->api->HandleMessage(plat::WindowFromWidget(overlay_), m.message, m.wParam, m.lParam);
      // Input the engine took (drawing, selecting, moving an annotation) is not also a pan or a
      // rubber band of the view underneath.
      if (rc != ANN_NOT_HANDLED) return true;
      break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      if (!overlay_) break;
      const auto& key = *static_cast<QKeyEvent*>(event);
      bool handled = false;
      for (const WindowMessage& m : {keyMessage(key), charMessage(key)}) {
        if (m.message &&
            engine_->api->HandleKey(plat::WindowFromWidget(overlay_), m.message, m.wParam, m.lParam) != ANN_NOT_HANDLED)
          handled = true;
      }
      if (handled) return true;
      break;
    }
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace ann
