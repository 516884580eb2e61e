#include "annotation/engine.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>

#include "annotation/engine_guard.h"
#include "annotation/layer.h"
#include "annotation/palette_window.h"
#include "annotation/popup_menu.h"
#include "platform/graphics/gdi.h"
#include "platform/ole/ole.h"
#include "platform/windows/window.h"

using namespace ann_detail;

namespace {

constexpr int32_t kRunModeCodes[] = {EVT_RUN_CLICK, EVT_RUN_BUTTON_DOWN, EVT_RUN_BUTTON_UP, EVT_RUN_DBLCLICK,
                                     EVT_RUN_MOUSE_MOVE};

bool isReportedEvent(int32_t code) {
  switch (code) {
    case EVT_ELEMENT_ADDED:
    case EVT_ELEMENT_CHANGED:
    case EVT_ELEMENT_DELETED:
    case EVT_ELEMENT_SELECTED:
    case EVT_SELECTION_CHANGED:
    case EVT_ELEMENT_CLICKED:
    case EVT_TOOL_CHANGED:
    case EVT_TEXT_EDIT_BEGIN:
    case EVT_TEXT_EDIT_END:
    case EVT_TOOL_BUTTON_RCLICK:
    case EVT_GROUP_SELECTED:
      return true;
    default:
      return false;
  }
}

plat::LOGFONTA makeToolFont(const char* face) {
  plat::LOGFONTA f{};
  f.lfHeight = 15;
  std::strncpy(f.lfFaceName, face, plat::LF_FACESIZE - 1);
  return f;
}

// Equal extents give exactly 1, which the view takes as "not zoomed".
float axisScale(int32_t numerator, int32_t denominator) { return float(numerator) / float(denominator); }

}  // namespace

// The functions of the service table; each receives the engine as its first argument.
struct AnnEngineRelays {
  static AnnEngine* E(void* e) { return static_cast<AnnEngine*>(e); }
  template <typename Fn>
  static Fn cb(void* e, int32_t type) {
    return reinterpret_cast<Fn>(E(e)->hostCallbacks_[type]);
  }

  static bool groupKeys(void* e) { return E(e)->groupKeysEnabled_; }
  static void groupCreated(void* e, AnnLayerHandle layer, int32_t group) {
    if (auto f = cb<AnnGroupCallback>(e, HOSTCB_GROUP_CREATED)) f(E(e)->hostCookie_, layer, group);
  }
  static void groupDeleted(void* e, AnnLayerHandle layer, int32_t group) {
    if (auto f = cb<AnnGroupCallback>(e, HOSTCB_GROUP_DELETED)) f(E(e)->hostCookie_, layer, group);
  }
  static int32_t invalidate(void* e, const plat::RECT* r) { return E(e)->InvalidateHost(r); }
  static int32_t raise(void* e, int32_t code, int32_t param) { return E(e)->NotifyHost(code, param); }
  static void propertyChanged(void* e, AnnLayerHandle layer, int32_t id, int32_t property) {
    E(e)->ReportPropertyChange(layer, id, property);
  }
  static int32_t customDraw(void* e, plat::HDC dc, int32_t x, int32_t y, int32_t w, int32_t h, AnnLayerHandle layer,
                            int32_t id, int32_t value) {
    auto f = cb<AnnCustomDrawCallback>(e, HOSTCB_CUSTOM_DRAW);
    return f ? f(E(e)->hostCookie_, dc, x, y, w, h, layer, id, value) : 0;
  }
  static int32_t stampPlacing(void* e) {
    auto f = cb<AnnStampPlacingCallback>(e, HOSTCB_STAMP_PLACING);
    return f ? f(E(e)->hostCookie_) : 0;
  }
  static int32_t runMouse(void* e, int32_t code, AnnLayerHandle layer, int32_t id, int32_t button, int32_t keys,
                          int32_t x, int32_t y) {
    auto f = cb<AnnRunMouseCallback>(e, HOSTCB_RUN_MOUSE);
    if (!f) return 0;
    for (int32_t c : kRunModeCodes)
      if (c == code) return f(E(e)->hostCookie_, code, layer, id, button, keys, x, y);
    return 0;
  }
  static void defaultViewSize(void* e, int32_t* w, int32_t* h) { E(e)->GetDefaultViewSize(w, h); }
  static void makeBrush(void* e, int32_t, plat::COLORREF colour, int32_t hollow, int32_t hatch,
                        plat::COLORREF hatchColour) {
    E(e)->MakeBrush(colour, hollow != 0, hatch, hatchColour);
  }
  static void makePen(void* e, int32_t width, plat::COLORREF colour, int32_t, int32_t style) {
    E(e)->MakePen(width, colour, style);
  }
  static void paletteToolPress(void* e, AnnLayerHandle layer, int32_t tool) { E(e)->PaletteToolPress(layer, tool); }
  static void paletteToolEnable(void* e, int32_t tool, int32_t enabled) { E(e)->PaletteToolEnable(tool, enabled != 0); }
  static bool chooseCursor(void* e, int32_t tool, int32_t code) { return E(e)->ChooseCursor(tool, code); }
  static void openAttributeMenu(void* e, AnnLayerHandle layer, AnnElement* element) {
    E(e)->ShowAttributeMenu(layer, element);
  }
  static int32_t drawImage(void* e, plat::HDC dc, plat::HGLOBAL dib, int32_t transparent, plat::COLORREF colour,
                           int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t dw,
                           int32_t dh) {
    auto f = E(e)->drawImage_;
    return f ? f(dc, dib, transparent, colour, x, y, w, h, sx, sy, dw, dh) : 0;
  }
  static plat::HGLOBAL transformImage(void* e, plat::HGLOBAL dib, int32_t op) {
    auto f = E(e)->transformImage_;
    return f ? f(E(e)->auxCookie_, dib, op) : dib;
  }
  static int32_t requestPassword(void* e, plat::BSTR name, plat::BSTR* password) {
    auto f = cb<AnnPasswordCallback>(e, HOSTCB_PASSWORD);
    return f ? f(E(e)->hostCookie_, name, password) : 0;
  }
  static void installFilter(void* e, AnnMessageFilter filter, void* context) {
    E(e)->messageFilter_ = filter;
    E(e)->filterContext_ = filter ? context : nullptr;
  }
  static bool syncView(void* e) { return E(e)->SyncViewGeometry(false, nullptr); }
};

// ---------------------------------------------------------------------------------------------
// Life cycle

AnnEngine::AnnEngine() : fontCache_(std::make_unique<AnnFontCache>()) {
  view_.SetSync(&AnnEngineRelays::syncView, this);
  layerFormat_ = plat::RegisterClipboardFormatA("SCV5_Layer");
  objectFormat_ = plat::RegisterClipboardFormatA("SCV5_Object");
  stampFont_ = makeToolFont("Courier New");
  textFont_ = makeToolFont("Times New Roman");
  buttonFont_ = textFont_;
  handleSize_ = plat::GetSystemMetrics(plat::SM_CXSCREEN) / 128;
  view_.SetHandleSize(handleSize_);
  view_.SetHandleMargin(plat::MulDiv(handleSize_, ANN_LOGICAL_SPAN, 640));
  comments_ = plat::SysAllocString(u"");
  author_ = plat::SysAllocString(u"");
  subject_ = plat::SysAllocString(u"");
  title_ = plat::SysAllocString(u"");
  // The hidden window that owns the engine's menus and its clipboard data.
  helperWindow_ = plat::CreateDetachedWindow(0, 0);
  FillServices();
  SetUpMenus();
}

AnnEngine::~AnnEngine() {
  guardedVoid([&] {
    current_ = nullptr;
    auto doomed = std::move(layers_);
    layers_.clear();
    doomed.clear();
    ReleaseDrawingObjects();
    if (host_) host_->Release();
    host_ = nullptr;
    fontCache_->SetHost(nullptr);
  });
  plat::GlobalFree(imageDefault_);
  ShowPalette(0);
  DestroyCursors();
  if (helperWindow_) plat::DestroyWindow(helperWindow_);
  for (plat::BSTR s : {comments_, author_, subject_, title_, stampText_, textText_, buttonText_}) plat::SysFreeString(s);
  for (plat::BSTR s : tooltips_) plat::SysFreeString(s);
  for (plat::BSTR s : userString2Defaults_) plat::SysFreeString(s);
}

void AnnEngine::FillServices() {
  using R = AnnEngineRelays;
  services_.engine = this;
  services_.view = &view_;
  services_.groupKeysEnabled = &R::groupKeys;
  services_.groupCreated = &R::groupCreated;
  services_.groupDeleted = &R::groupDeleted;
  services_.invalidate = &R::invalidate;
  services_.raiseEvent = &R::raise;
  services_.propertyChanged = &R::propertyChanged;
  services_.customDraw = &R::customDraw;
  services_.stampPlacing = &R::stampPlacing;
  services_.runMouse = &R::runMouse;
  services_.defaultViewSize = &R::defaultViewSize;
  services_.makeBrush = &R::makeBrush;
  services_.makePen = &R::makePen;
  services_.paletteToolPress = &R::paletteToolPress;
  services_.drawImage = &R::drawImage;
  services_.transformImage = &R::transformImage;
  services_.chooseCursor = &R::chooseCursor;
  services_.paletteToolEnable = &R::paletteToolEnable;
  services_.openAttributeMenu = &R::openAttributeMenu;
  services_.requestPassword = nullptr;  // only the layers being read get it
  passwordService_ = &R::requestPassword;
  services_.installMessageFilter = &R::installFilter;
  services_.handleSize = handleSize_;
  services_.helperWindow = helperWindow_;
  services_.hostWindow = hostWindow_;
  services_.contextMenuEnabled = &contextMenuEnabled_;
  services_.fontCache = fontCache_.get();
  services_.attributeMenu = nullptr;
}

void AnnEngine::Initialise(intptr_t hostCookie, plat::HWND hostWindow) {
  hostCookie_ = hostCookie;
  hostWindow_ = hostWindow;
  services_.hostWindow = hostWindow;
  redraw_ = true;
  LoadDefaultMaps();
  SetToolDefault(TOOL_TEXT, PROP_FONT, reinterpret_cast<AnnValue>(&textFont_));
  SetToolDefault(TOOL_STAMP, PROP_FONT, reinterpret_cast<AnnValue>(&stampFont_));
  SetToolDefault(TOOL_BUTTON, PROP_FONT, reinterpret_cast<AnnValue>(&buttonFont_));
}


// ---------------------------------------------------------------------------------------------
// Engine-side helpers

AnnLayer* AnnEngine::FindLayer(AnnLayerHandle handle) const {
  if (!handle) return nullptr;
  for (const auto& l : layers_)
    if (HandleOf(l.get()) == handle) return l.get();
  return nullptr;
}

int32_t AnnEngine::NotifyHost(int32_t code, int32_t param) {
  if (!isReportedEvent(code)) return 0;
  if (code == EVT_SELECTION_CHANGED) param = 0;
  auto f = reinterpret_cast<AnnEventCallback>(hostCallbacks_[HOSTCB_EVENT]);
  return f ? f(hostCookie_, code, param) : 0;
}

void AnnEngine::ReportPropertyChange(AnnLayerHandle layer, int32_t id, int32_t property) {
  auto f = reinterpret_cast<AnnPropertyChangedCallback>(hostCallbacks_[HOSTCB_PROPERTY_CHANGED]);
  if (!f) return;
  AnnLayer* l = FindLayer(layer);
  // Nothing is reported for an element that is still being built.
  if (!l || !l->IsElementLive(id)) return;
  f(hostCookie_, layer, id, property);
}

int32_t AnnEngine::InvalidateHost(const plat::RECT* logical) {
  if (!redraw_ || !hostWindow_ || !plat::IsWindow(hostWindow_)) return 0;
  if (!logical) return plat::InvalidateRect(hostWindow_, nullptr, true) ? 1 : 0;
  plat::RECT device = view_.RectLogicalToDevice(*logical);
  AnnView::NormalizeRect(&device);
  return plat::InvalidateRect(hostWindow_, &device, true) ? 1 : 0;
}

void AnnEngine::RepaintAfterLoad() {
  if (!redraw_ || !plat::IsWindow(hostWindow_)) return;
  plat::InvalidateRect(hostWindow_, nullptr, false);
  plat::UpdateWindow(hostWindow_);
}

bool AnnEngine::SyncViewGeometry(bool printing, plat::HDC dc) {
  int32_t mode = 0, width = 0, height = 0;
  plat::RECT viewRect{}, imageRect{};
  if (printing || renderIntoBitmap_) {
    if (!host_) return false;
    if (plat::FAILED(host_->GetViewGeometry(1, &mode, &viewRect, &imageRect, &width, &height))) return false;
    imageRect = {0, 0, width, height};
    // The host gives the printing view in twips.
    int32_t dpiX = dc ? plat::GetDeviceCaps(dc, plat::LOGPIXELSX) : 96;
    int32_t dpiY = dc ? plat::GetDeviceCaps(dc, plat::LOGPIXELSY) : 96;
    viewRect = {plat::MulDiv(viewRect.left, dpiX, 1440), plat::MulDiv(viewRect.top, dpiY, 1440),
                plat::MulDiv(viewRect.right, dpiX, 1440), plat::MulDiv(viewRect.bottom, dpiY, 1440)};
  } else if (host_) {
    if (plat::FAILED(host_->GetViewGeometry(0, &mode, &viewRect, &imageRect, &width, &height))) return false;
  } else {
    viewRect = imageRect = {0, 0, defaultViewWidth_, defaultViewHeight_};
    width = defaultViewWidth_;
    height = defaultViewHeight_;
  }
  if (width <= 0 || height <= 0 || imageRect.right == 0) return false;

  float zx, zy;
  if (mode == 4 || printing) {
    int32_t iw = imageRect.right - imageRect.left, ih = imageRect.bottom - imageRect.top;
    if (iw == 0 || ih == 0) return false;
    zx = axisScale(viewRect.right - viewRect.left, iw);
    zy = axisScale(viewRect.bottom - viewRect.top, ih);
  } else {
    zx = axisScale(imageRect.right, width);
    zy = axisScale(imageRect.bottom, height);
  }
  if (!(zx > 0.0f) || !(zy > 0.0f) || !std::isfinite(zx) || !std::isfinite(zy)) return false;
  view_.SetGeometry(viewRect, imageRect, width, height, zx, zy, mode);
  int32_t smaller = std::min(view_.DisplayedWidth(), view_.DisplayedHeight());
  view_.SetHandleMargin(smaller > 0 ? plat::MulDiv(handleSize_, ANN_LOGICAL_SPAN, smaller) : 0);
  return true;
}

void AnnEngine::ShowPaletteWindow(bool show) {
  if (paletteWindow_ && plat::IsWindow(paletteWindow_))
    plat::ShowWindow(paletteWindow_, show ? plat::SW_SHOWNOACTIVATE : plat::SW_HIDE);
}

void AnnEngine::ReleaseDrawingObjects() {
  if (drawDc_) {
    // Nothing of ours may stay selected when it is deleted.
    if (drawBrush_ && plat::GetCurrentObject(drawDc_, plat::OBJ_BRUSH) == drawBrush_)
      plat::SelectObject(drawDc_, plat::GetStockObject(plat::WHITE_BRUSH));
    if (drawPen_ && plat::GetCurrentObject(drawDc_, plat::OBJ_PEN) == drawPen_)
      plat::SelectObject(drawDc_, plat::GetStockObject(plat::BLACK_PEN));
  }
  if (drawBrush_) plat::DeleteObject(drawBrush_);
  if (drawPen_) plat::DeleteObject(drawPen_);
  drawBrush_ = nullptr;
  drawPen_ = nullptr;
}

int AnnEngine::BeginDraw(plat::HDC dc) {
  ReleaseDrawingObjects();
  drawDc_ = dc;
  int saved = plat::SaveDC(dc);
  plat::SetROP2(dc, plat::R2_COPYPEN);
  return saved;
}

void AnnEngine::EndDraw() {
  ReleaseDrawingObjects();
  drawDc_ = nullptr;
}

void AnnEngine::MakeBrush(plat::COLORREF colour, bool hollow, int32_t hatchStyle, plat::COLORREF hatchColour) {
  if (!drawDc_) return;
  plat::LOGBRUSH want;
  if (hollow) {
    want.lbStyle = plat::BS_HOLLOW;
  } else if (hatchStyle == HATCH_NONE) {
    want.lbStyle = plat::BS_SOLID;
    want.lbColor = colour;
  } else {
    want.lbStyle = plat::BS_HATCHED;
    want.lbColor = hatchColour;
    want.lbHatch = hatchStyle;
  }
  plat::LOGBRUSH have;
  if (plat::GetBrushInfo(plat::GetCurrentObject(drawDc_, plat::OBJ_BRUSH), &have) && have.lbStyle == want.lbStyle &&
      (want.lbStyle == plat::BS_HOLLOW ||
       (have.lbColor == want.lbColor && (want.lbStyle != plat::BS_HATCHED || have.lbHatch == want.lbHatch))))
    return;
  plat::HBRUSH brush = plat::CreateBrushIndirect(&want);
  if (!brush) return;
  plat::SelectObject(drawDc_, brush);
  if (drawBrush_) plat::DeleteObject(drawBrush_);
  drawBrush_ = brush;
}

void AnnEngine::MakePen(int32_t logicalWidth, plat::COLORREF colour, int32_t penStyle) {
  if (!drawDc_) return;
  int32_t width = 1;
  int style = penStyle;
  if (colour == 0xFFFFFFFFu || logicalWidth == 0) {
    style = plat::PS_NULL;
  } else if (logicalWidth != -1) {
    int32_t wy = 0;
    view_.ZoomLength(logicalWidth, &width, &wy);
  }
  plat::HPEN pen = plat::CreatePen(style, width, colour);
  if (!pen) return;
  plat::SelectObject(drawDc_, pen);
  if (drawPen_) plat::DeleteObject(drawPen_);
  drawPen_ = pen;
}

void AnnEngine::SetStringProperty(plat::BSTR* target, AnnValue value) {
  if (!plat::SysReAllocString(target, asText(value))) throw std::bad_alloc();
}

// ---------------------------------------------------------------------------------------------
// Slots 34 to 41: export, memory, messages, drawing

int32_t AnnEngine::OfferMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, plat::LPARAM lParam) {
  return guarded<int32_t>(ANN_NOT_HANDLED, [&] {
    return current_ ? current_->OfferMessage(window, message, wParam, lParam) : ANN_NOT_HANDLED;
  });
}

int32_t AnnEngine::HandleMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, plat::LPARAM lParam) {
  return guarded<int32_t>(ANN_NOT_HANDLED, [&]() -> int32_t {
    if (!current_) return ANN_NOT_HANDLED;
    if (!SyncViewGeometry(false, nullptr)) return ANN_NOT_HANDLED;
    plat::POINT p{-1, -1};
    if (message == plat::WM_SETCURSOR) {
      plat::GetCursorPos(&p);
      plat::ScreenToClient(window, &p);
    } else if ((message >= plat::WM_MOUSEMOVE && message <= plat::WM_RBUTTONUP) || message == plat::WM_MBUTTONDOWN ||
               message == plat::WM_MBUTTONUP) {
      p = {plat::GET_X_LPARAM(lParam), plat::GET_Y_LPARAM(lParam)};
    }
    plat::POINT lp;
    view_.DeviceToLogical(&p, &lp, 1);
    if (locked_) return current_->OnRunModeMessage(window, message, wParam, lp.x, lp.y) ? 0 : ANN_NOT_HANDLED;
    if (!fontCache_->Option137() && message == plat::WM_LBUTTONDBLCLK) {
      for (auto& l : layers_)
        if (l->OnRunModeMessage(window, message, wParam, lp.x, lp.y)) break;
      if (!current_) return ANN_NOT_HANDLED;  // a host callback may have removed it
    }
    if (messageFilter_) {
      int32_t code = 0, param = 0;
      int32_t r = messageFilter_(filterContext_, window, message, wParam, lp.x, lp.y, &code, &param);
      if (code) NotifyHost(code, param);
      if (r != ANN_NOT_HANDLED) return r;
    }
    plat::RECT viewRect = view_.DestinationRect(), imageRect = view_.SourceRect();
    return current_->OnMessage(window, message, wParam, lp.x, lp.y, &viewRect, &imageRect);
  });
}

int32_t AnnEngine::HandleKey(plat::HWND window, uint32_t message, plat::WPARAM wParam, plat::LPARAM lParam) {
  return guarded<int32_t>(ANN_NOT_HANDLED, [&]() -> int32_t {
    if (!current_ || !SyncViewGeometry(false, nullptr)) return ANN_NOT_HANDLED;
    return current_->OnKeyMessage(window, message, wParam, lParam);
  });
}

int32_t AnnEngine::Draw(plat::HDC dc, const plat::RECT* viewRect, const plat::RECT* imageRect, intptr_t value1,
                        intptr_t value2, intptr_t value3, int32_t printing) {
  return guarded<int32_t>(ANN_NOT_HANDLED, [&]() -> int32_t {
    printing_ = lowByte(printing);
    struct EndOfDraw {
      AnnEngine* e;
      ~EndOfDraw() {
        e->EndDraw();
        e->printing_ = false;
        e->printDc_ = nullptr;
      }
    } end{this};
    if (printing_) {
      printDc_ = dc;
      plat::SetTextAlign(dc, plat::TA_LEFT | plat::TA_TOP);
    }
    if (layers_.empty() || !dc) return ANN_NOT_HANDLED;
    if (renderIntoBitmap_) {
      if (!viewRect || !imageRect) return ANN_NOT_HANDLED;
      view_.SetGeometry(*viewRect, *imageRect, imageRect->right, imageRect->bottom, 1.0f, 1.0f, 0);
      int32_t smaller = std::min(imageRect->right, imageRect->bottom);
      view_.SetHandleMargin(smaller > 0 ? plat::MulDiv(handleSize_, ANN_LOGICAL_SPAN, smaller) : 0);
    } else if (!SyncViewGeometry(printing_, dc)) {
      return ANN_NOT_HANDLED;
    }
    int saved = BeginDraw(dc);
    plat::RECT dest = view_.DestinationRect(), src = view_.SourceRect();
    for (auto it = layers_.rbegin(); it != layers_.rend(); ++it)
      (*it)->Draw(dc, &dest, &src, value1, value2, value3, printing_ ? 1 : 0);
    // Restore first so that nothing the layers made is still selected when it is deleted.
    plat::RestoreDC(dc, saved);
    return ANN_NOT_HANDLED;
  });
}

