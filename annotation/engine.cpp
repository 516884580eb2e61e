#include "annotation/engine.h"

#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>

#include "annotation/layer.h"
#include "platform/graphics/gdi.h"
#include "platform/ole/ole.h"
#include "platform/windows/window.h"

namespace {

// Nothing thrown by the engine's work may cross into the host: every slot runs through these.
template <typename R, typename F>
R guarded(R failure, F&& work) noexcept {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return failure;
  } catch (...) {
    return failure;
  }
}

template <typename F>
int32_t guardedCode(F&& work) noexcept {
  try {
    return work();
  } catch (const std::bad_alloc&) {
    return ERR_NO_MEMORY;
  } catch (...) {
    return ERR_INTERNAL;
  }
}

template <typename F>
void guardedVoid(F&& work) noexcept {
  try {
    work();
  } catch (...) {
  }
}

// Slots whose behaviour is not part of this build answer with this code.
constexpr int32_t kPending = ERR_NOT_IMPLEMENTED;

bool lowByte(int32_t v) { return (v & 0xFF) != 0; }

const char16_t* asText(AnnValue v) { return reinterpret_cast<const char16_t*>(v); }

// The ids the attribute menu knows, in the order the property enumeration hands them out.
constexpr int32_t kPropertyEnum[] = {1,  5,  26, 27, 38, 39,   2,    19,   25,   37,   33,   4,    3,   15,
                                     28, 16, 11, 22, 23, 1536, 1537, 1538, 1539, 1000, 1001, 1002, 1007};
constexpr int32_t kPropertyEnumCount = int32_t(std::size(kPropertyEnum));

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

float axisScale(int32_t numerator, int32_t denominator) {
  float s = float(numerator) / float(denominator);
  return s;
}

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
    auto f = cb<AnnPropertyChangedCallback>(e, HOSTCB_PROPERTY_CHANGED);
    if (!f) return;
    AnnLayer* l = E(e)->FindLayer(layer);
    // Nothing is reported for an element that is still being built.
    if (!l || !l->IsElementLive(id)) return;
    f(E(e)->hostCookie_, layer, id, property);
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
  // The palette window is not part of this build; its buttons have nothing to show.
  static void paletteToolPress(void*, AnnLayerHandle, int32_t) {}
  static void paletteToolEnable(void*, int32_t, int32_t) {}
  static bool chooseCursor(void*, int32_t, int32_t) { return false; }
  static void openAttributeMenu(void*, AnnLayerHandle, AnnElement*) {}
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
  FillServices();
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
  for (plat::BSTR s : {comments_, author_, subject_, title_, stampText_, textText_, buttonText_}) plat::SysFreeString(s);
  for (plat::BSTR s : tooltips_) plat::SysFreeString(s);
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
  services_.requestPassword = nullptr;  // only the layers of a full load get it
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

void AnnEngine::LoadDefaultMaps() {
  properties_ = {{34, 0},       {130, 0},     {131, 1},        {132, 1},    {133, 0},    {134, 1},     {135, 0},
                 {136, 0},      {137, 1},     {138, 0},        {768, 0},    {769, 0},    {770, 0},     {771, 0},
                 {896, 0},      {897, 0},     {4097, 0xFF0000}, {4098, 0},   {4099, 0xFFFFFF}, {4100, 0xC0C0C0},
                 {4101, 1},     {4104, 0},    {4105, 0},       {4128, 0},   {4131, 0},   {4225, 0x1007}, {36760, 5},
                 {36761, 0},    {36764, 0},   {40960, 0},      {40961, 0},  {40962, 0}};

  auto text = [](plat::BSTR* cell) { return reinterpret_cast<AnnValue>(cell); };
  auto font = [](plat::LOGFONTA* f) { return reinterpret_cast<AnnValue>(f); };
  // Keys every drawing tool shares, with their values.
  const AnnPropertyMap common = {{7, 0},     {21, 1},    {36751, 0}, {36721, 0}, {19, 0},  {24, 1},   {25, 1},
                                 {33, 1},    {34, 0},    {36764, 0}, {29, 0},    {1280, 0}, {1281, 0}, {640, 0},
                                 {1800, 0}};
  auto make = [&](int32_t tool, std::initializer_list<std::pair<const int32_t, AnnValue>> own) {
    AnnPropertyMap m = common;
    for (const auto& kv : own) m[kv.first] = kv.second;
    toolMaps_[annToolIndex(tool)] = std::move(m);
  };
  toolMaps_[annToolIndex(TOOL_POINTER)].clear();
  make(TOOL_TEXT, {{11, font(&textFont_)}, {5, 0}, {10, text(&textText_)}, {1, 0xFF10FF}, {2, 0}, {3, 0xFFFFFF},
                   {16, 2}, {8, 0}, {18, 1}, {20, 0}, {36719, 7}, {28, 0}, {37, 0}, {38, HATCH_NONE}, {39, 0},
                   {41, 0}});
  make(TOOL_RECTANGLE, {{1, 0xFF0000}, {5, 1}, {4, 0xFF00}, {16, 2}, {9, 0}, {36719, 6}, {36, 0},
                        {38, HATCH_NONE}, {39, 0}});
  make(TOOL_ELLIPSE, {{1, 0xFF0000}, {5, 1}, {4, 0xFFFF00}, {16, 2}, {9, 0}, {38, HATCH_NONE}, {39, 0}});
  make(TOOL_POLYGON, {{1, 0xFFFF00}, {5, 2}, {4, 0xFF}, {16, 2}, {9, 0}, {1024, 0}, {38, HATCH_NONE}, {39, 0}});
  make(TOOL_POLYLINE, {{1, 0x8020FF}, {5, 2}, {1024, 0}, {26, 0}, {27, 13}});
  make(TOOL_LINE, {{1, 0xFF0000}, {5, 2}, {13, 0}, {14, 0}, {1024, 0}, {26, 0}, {27, 13}});
  make(TOOL_FREEHAND, {{1, 0xFF00FF}, {5, 2}, {1024, 0}, {26, 0}, {27, 13}});
  make(TOOL_STAMP, {{11, font(&stampFont_)}, {5, 0}, {10, text(&stampText_)}, {1, 0xFF00FF}, {2, 0xFF},
                    {3, 0xC00000}, {16, 1}, {8, 0}, {20, 1}, {36719, 9}, {28, 0}, {38, HATCH_NONE}, {39, 0}});
  make(TOOL_IMAGE, {{1, 0xFF0000}, {5, 1}, {4, 0xFF00}, {15, 0xFFFFFF}, {16, 2}, {17, 0}, {20, 0},
                    {38, HATCH_NONE}, {39, 0}});
  make(TOOL_BUTTON, {{11, font(&buttonFont_)}, {5, 4}, {10, text(&buttonText_)},
                     {22, AnnValue(plat::GetSysColor(plat::COLOR_3DLIGHT))},
                     {23, AnnValue(plat::GetSysColor(plat::COLOR_BTNSHADOW))},
                     {3, AnnValue(plat::GetSysColor(plat::COLOR_BTNFACE))},
                     {2, AnnValue(plat::GetSysColor(plat::COLOR_BTNTEXT))}, {20, 0}});
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
// Slots 0 to 33: host interface and group forwarders

void AnnEngine::AttachImaging(AnnHostImaging* host) {
  guardedVoid([&] {
    if (host) host->AddRef();
    if (host_) host_->Release();
    host_ = host;
    fontCache_->SetHost(host);
    view_.MarkStale();
  });
}

#define ANN_FORWARD(call)                              \
  return guardedCode([&]() -> int32_t {                \
    AnnLayer* l = FindLayer(layer);                    \
    if (!l) return ERR_BAD_LAYER;                      \
    return l->call;                                    \
  })

int32_t AnnEngine::CreateGroup(AnnLayerHandle layer, int32_t* groupId, plat::BSTR name, int32_t userValue) {
  ANN_FORWARD(CreateGroup(name, userValue, groupId));
}
int32_t AnnEngine::DeleteGroup(AnnLayerHandle layer, int32_t groupId) { ANN_FORWARD(DeleteGroup(groupId)); }
int32_t AnnEngine::AddElementToGroup(AnnLayerHandle layer, int32_t groupId, int32_t id) {
  ANN_FORWARD(AddElementToGroup(groupId, id));
}
int32_t AnnEngine::AddSelectionToGroup(AnnLayerHandle layer, int32_t groupId) {
  ANN_FORWARD(AddSelectionToGroup(groupId));
}
int32_t AnnEngine::RemoveElementFromGroup(AnnLayerHandle layer, int32_t groupId, int32_t id) {
  ANN_FORWARD(RemoveElementFromGroup(groupId, id));
}
int32_t AnnEngine::ClearGroup(AnnLayerHandle layer, int32_t groupId) { ANN_FORWARD(ClearGroup(groupId)); }
int32_t AnnEngine::GetGroupMemberCount(AnnLayerHandle layer, int32_t groupId, int32_t* count) {
  ANN_FORWARD(GetGroupMemberCount(groupId, count));
}
int32_t AnnEngine::GetFirstGroupMember(AnnLayerHandle layer, int32_t groupId, int32_t* id) {
  ANN_FORWARD(GetFirstGroupMember(groupId, id));
}
int32_t AnnEngine::GetNextGroupMember(AnnLayerHandle layer, int32_t groupId, int32_t* id) {
  ANN_FORWARD(GetNextGroupMember(groupId, id));
}
int32_t AnnEngine::GetGroupName(AnnLayerHandle layer, int32_t groupId, plat::BSTR* name) {
  ANN_FORWARD(GetGroupName(groupId, name));
}
int32_t AnnEngine::GetGroupUserValue(AnnLayerHandle layer, int32_t groupId, int32_t* value) {
  ANN_FORWARD(GetGroupUserValue(groupId, value));
}
int32_t AnnEngine::SetGroupName(AnnLayerHandle layer, int32_t groupId, plat::BSTR name) {
  ANN_FORWARD(SetGroupName(groupId, name));
}
int32_t AnnEngine::SetGroupUserValue(AnnLayerHandle layer, int32_t groupId, int32_t value) {
  ANN_FORWARD(SetGroupUserValue(groupId, value));
}
int32_t AnnEngine::AddElementsOfTypeToGroup(AnnLayerHandle layer, int32_t groupId, int32_t type) {
  ANN_FORWARD(AddElementsOfTypeToGroup(groupId, type));
}
int32_t AnnEngine::RemoveElementsOfTypeFromGroup(AnnLayerHandle layer, int32_t groupId, int32_t type) {
  ANN_FORWARD(RemoveElementsOfTypeFromGroup(groupId, type));
}
int32_t AnnEngine::GetFirstGroup(AnnLayerHandle layer, int32_t* groupId) { ANN_FORWARD(GetFirstGroup(groupId)); }
int32_t AnnEngine::GetNextGroup(AnnLayerHandle layer, int32_t* groupId) { ANN_FORWARD(GetNextGroup(groupId)); }
int32_t AnnEngine::SetGroupText2(AnnLayerHandle layer, int32_t groupId, plat::BSTR text) {
  ANN_FORWARD(SetGroupText2(groupId, text));
}
int32_t AnnEngine::GetGroupText2(AnnLayerHandle layer, int32_t groupId, plat::BSTR* text) {
  ANN_FORWARD(GetGroupText2(groupId, text));
}
int32_t AnnEngine::SetGroupActive(AnnLayerHandle layer, int32_t groupId, int32_t active) {
  ANN_FORWARD(SetGroupActive(groupId, uint8_t(active & 0xFF)));
}
int32_t AnnEngine::GetGroupActive(AnnLayerHandle layer, int32_t groupId, bool* active) {
  ANN_FORWARD(GetGroupActive(groupId, active));
}
int32_t AnnEngine::GetGroupSelected(AnnLayerHandle layer, int32_t groupId, bool* selected) {
  ANN_FORWARD(GetGroupSelected(groupId, selected));
}
int32_t AnnEngine::SetGroupSelected(AnnLayerHandle layer, int32_t groupId, int32_t selected) {
  ANN_FORWARD(SetGroupSelected(groupId, uint8_t(selected & 0xFF)));
}
int32_t AnnEngine::GetElementGroup(AnnLayerHandle layer, int32_t id, int32_t* groupId) {
  ANN_FORWARD(GetElementGroup(id, groupId));
}
int32_t AnnEngine::FindGroupByName(AnnLayerHandle layer, plat::BSTR name, int32_t* groupId) {
  ANN_FORWARD(FindGroupByName(name, groupId));
}
int32_t AnnEngine::SetGroupMemberProperty(AnnLayerHandle layer, int32_t groupId, int32_t property, AnnValue value) {
  ANN_FORWARD(SetGroupMemberProperty(groupId, property, value));
}
int32_t AnnEngine::GetGroupCount(AnnLayerHandle layer, int32_t* count) {
  return guardedCode([&]() -> int32_t {
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    if (count) *count = l->GetGroupCount();
    return ANN_OK;
  });
}
int32_t AnnEngine::SetGroupRect(AnnLayerHandle layer, int32_t groupId, int32_t x, int32_t y, int32_t width,
                                int32_t height) {
  ANN_FORWARD(SetGroupRect(groupId, x, y, width, height));
}
int32_t AnnEngine::MirrorGroupLeftRight(AnnLayerHandle layer, int32_t groupId) { ANN_FORWARD(MirrorGroup(groupId, 4)); }
int32_t AnnEngine::MirrorGroupTopBottom(AnnLayerHandle layer, int32_t groupId) { ANN_FORWARD(MirrorGroup(groupId, 2)); }
int32_t AnnEngine::GetGroupRect(AnnLayerHandle layer, int32_t groupId, plat::RECT* rect) {
  ANN_FORWARD(RecalcGroupRect(groupId, rect));
}

void AnnEngine::SetGroupKeysEnabled(int32_t enabled) { groupKeysEnabled_ = lowByte(enabled); }

void AnnEngine::SetHostWindow(plat::HWND window) {
  hostWindow_ = window;
  services_.hostWindow = window;
}

// ---------------------------------------------------------------------------------------------
// Slots 34 to 41: export, memory, messages, drawing

int32_t AnnEngine::ExportOiAnnotations(void** block, int32_t) {
  if (block) *block = nullptr;
  return 0;  // no bytes: the export is not part of this build
}
int32_t AnnEngine::ExportOiAnnotationsAnsi(void** block, int32_t) {
  if (block) *block = nullptr;
  return 0;
}
int32_t AnnEngine::SaveToMemory(void** block) {
  if (block) *block = nullptr;
  return 0;
}
int32_t AnnEngine::LoadFromMemory(const void*, int32_t, intptr_t, intptr_t) { return kPending; }

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

// ---------------------------------------------------------------------------------------------
// Slots 42 to 50: the layer list, saving flag, files

AnnLayerHandle AnnEngine::CreateLayer(int32_t makeCurrent) {
  return guarded<AnnLayerHandle>(0, [&]() -> AnnLayerHandle {
    auto layer = std::make_unique<AnnLayer>(services_);
    for (int32_t t = TOOL_FIRST; t <= TOOL_LAST; ++t) layer->CopyToolDefaults(t, toolMaps_[annToolIndex(t)]);
    AnnLayer* l = layer.get();
    layers_.push_front(std::move(layer));
    if (lowByte(makeCurrent)) {
      if (current_) current_->SetIsCurrent(0);
      current_ = l;
      l->SetIsCurrent(1);
      l->SetProperty(LPROP_CURRENT, 1);
      ShowPaletteWindow(l->PaletteVisible());
      if (auto f = reinterpret_cast<AnnCurrentLayerCallback>(hostCallbacks_[HOSTCB_CURRENT_LAYER]))
        f(hostCookie_, HandleOf(l));
    }
    return HandleOf(l);
  });
}

bool AnnEngine::DeleteLayer(AnnLayerHandle layer) {
  return guarded<bool>(false, [&] {
    for (auto it = layers_.begin(); it != layers_.end(); ++it) {
      if (HandleOf(it->get()) != layer) continue;
      if (it->get() == current_) {
        current_ = nullptr;
        ShowPaletteWindow(false);
        InvalidateHost(nullptr);
      }
      // An enumeration under way continues with the layer after the deleted one.
      if (enumNext_ == it->get()) enumNext_ = std::next(it) == layers_.end() ? nullptr : std::next(it)->get();
      if (enumLayer_ == it->get()) enumLayer_ = nullptr;
      std::unique_ptr<AnnLayer> doomed = std::move(*it);
      layers_.erase(it);
      doomed.reset();
      return true;
    }
    return false;
  });
}

bool AnnEngine::SetCurrentLayer(AnnLayerHandle layer) {
  return guarded<bool>(false, [&] {
    if (!layer) {
      if (current_) current_->SetIsCurrent(0);
      current_ = nullptr;
      ShowPaletteWindow(false);
      return true;
    }
    AnnLayer* l = FindLayer(layer);
    if (!l) return false;
    if (l != current_) {
      if (current_) current_->SetIsCurrent(0);
      current_ = l;
      l->SetIsCurrent(1);
      if (!locked_) ShowPaletteWindow(l->PaletteVisible());
    }
    return true;
  });
}

AnnLayerHandle AnnEngine::GetCurrentLayer() { return HandleOf(current_); }

void AnnEngine::SetSaveEnabled(int32_t enabled) {
  saveEnabled_ = lowByte(enabled);
  properties_[EPROP_SAVE_ENABLED] = saveEnabled_ ? 1 : 0;
}
bool AnnEngine::GetSaveEnabled() { return saveEnabled_; }

int32_t AnnEngine::SaveLayerToStream(plat::IStream*) { return kPending; }
int32_t AnnEngine::SaveFile(plat::BSTR) { return kPending; }
int32_t AnnEngine::LoadFile(plat::BSTR) { return kPending; }

// ---------------------------------------------------------------------------------------------
// Slots 51 to 67: elements and defaults

int32_t AnnEngine::GetElementCount(AnnLayerHandle layer, int32_t* count) {
  return guardedCode([&]() -> int32_t {
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    if (count) *count = l->GetElementCount();
    return ANN_OK;
  });
}
int32_t AnnEngine::GetElementDesc(AnnLayerHandle layer, int32_t id, AnnObjectDesc* desc) {
  ANN_FORWARD(GetElementDesc(id, desc));
}
int32_t AnnEngine::MoveElementTo(AnnLayerHandle layer, int32_t id, int32_t x, int32_t y) {
  ANN_FORWARD(MoveElementTo(id, x, y));
}

int32_t AnnEngine::SetElementRect(AnnLayerHandle layer, int32_t id, int32_t x, int32_t y, int32_t width,
                                  int32_t height) {
  return guardedCode([&]() -> int32_t {
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    plat::RECT device{x, y, x + width, y + height};
    AnnView::NormalizeRect(&device);
    if (!SyncViewGeometry(false, nullptr)) return ERR_HOST_VIEW;
    plat::RECT logical = view_.RectDeviceToLogical(device);
    return l->SetElementProperty(id, PROP_RECT, reinterpret_cast<AnnValue>(&logical));
  });
}

int32_t AnnEngine::SetCurrentTool(AnnLayerHandle layer, int32_t tool) {
  return guardedCode([&]() -> int32_t {
    if (locked_) return ERR_LOCKED;
    if (!layer) return ERR_BAD_TOOL;
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    if (l != current_) return ERR_BAD_TOOL;
    return l->SetCurrentTool(tool);
  });
}

int32_t AnnEngine::GetCurrentTool(AnnLayerHandle layer, int32_t* tool) {
  return guardedCode([&]() -> int32_t {
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    if (tool) *tool = l->GetCurrentTool();
    return ANN_OK;
  });
}

int32_t AnnEngine::SetLayerToolDefault(AnnLayerHandle layer, int32_t tool, int32_t property, AnnValue value) {
  ANN_FORWARD(SetToolDefault(tool, property, value));
}
int32_t AnnEngine::GetLayerToolDefault(AnnLayerHandle layer, int32_t tool, int32_t property, AnnValue* value) {
  ANN_FORWARD(GetToolDefault(tool, property, value));
}

int32_t AnnEngine::SetToolDefault(int32_t tool, int32_t property, AnnValue value) {
  return guardedCode([&]() -> int32_t {
    if (!annIsTool(tool)) return ERR_BAD_TOOL;
    auto& map = toolMaps_[annToolIndex(tool)];
    auto it = map.find(property);
    if (it == map.end()) return ERR_NO_PROPERTY;
    if (property == PROP_TEXT) {
      if (value) {
        auto* cell = reinterpret_cast<plat::BSTR*>(it->second);
        if (cell) SetStringProperty(cell, value);
      }
    } else if (property == PROP_FONT) {
      auto* font = reinterpret_cast<plat::LOGFONTA*>(it->second);
      // The engine hands its own fonts in at start-up: the copy may be onto itself.
      if (value && font) std::memmove(font, reinterpret_cast<const void*>(value), sizeof(plat::LOGFONTA));
    } else if (property == PROP_IMAGE) {
      plat::GlobalFree(imageDefault_);
      imageDefault_ = nullptr;
      if (auto* dib = reinterpret_cast<plat::HGLOBAL>(value)) {
        std::size_t size = plat::PackedDibSizeInBlock(dib);
        if (size) {
          const void* bytes = plat::GlobalLock(dib);
          imageDefault_ = plat::GlobalFromBytes(bytes, size);
          plat::GlobalUnlock(dib);
        }
      }
      it->second = reinterpret_cast<AnnValue>(imageDefault_);
    } else {
      it->second = value;
    }
    if (current_) current_->SetToolDefault(tool, property, value);
    return ANN_OK;
  });
}

int32_t AnnEngine::GetToolDefault(int32_t tool, int32_t property, AnnValue* value) {
  if (!annIsTool(tool)) return ERR_BAD_TOOL;
  const auto& map = toolMaps_[annToolIndex(tool)];
  auto it = map.find(property);
  if (it == map.end()) return ERR_NO_PROPERTY;
  if (value) *value = it->second;
  return ANN_OK;
}

int32_t AnnEngine::SetEngineProperty(int32_t key, AnnValue value) {
  return guardedCode([&]() -> int32_t {
    auto it = properties_.find(key);
    if (it == properties_.end()) return ERR_NO_PROPERTY;
    bool on = value != 0;
    switch (key) {
      case EPROP_LOCKED:
        locked_ = on;
        if (on) ShowPaletteWindow(false);
        for (auto& l : layers_) l->ResetRunState(on ? 1 : 0);
        if (!on && current_) ShowPaletteWindow(current_->PaletteVisible());
        InvalidateHost(nullptr);
        break;
      case EPROP_CONTEXT_MENU_ENABLED: contextMenuEnabled_ = on ? 1 : 0; break;
      case EPROP_SAVE_ENABLED: saveEnabled_ = on; break;
      case EPROP_TOOL_MENUS_ENABLED: toolMenusEnabled_ = on; break;
      case EPROP_SCALE_FONTS:
        if ((value == 0 || value == 1) && value != scaleFonts_) {
          scaleFonts_ = int32_t(value);
          fontCache_->SetScaleFonts(value == 1);
          for (auto& l : layers_) l->InvalidateTextLayout();
          InvalidateHost(nullptr);
        }
        break;
      case EPROP_FONT_OPTION_136: fontCache_->SetOption136(on); break;
      case EPROP_DBLCLICK_OPTION: fontCache_->SetOption137(on); break;
      case EPROP_MEASURE_WIDE_CHARS: fontCache_->SetMeasureWideChars(on); break;
      case EPROP_AUTHOR: SetStringProperty(&author_, value); return ANN_OK;
      case EPROP_COMMENTS: SetStringProperty(&comments_, value); return ANN_OK;
      case EPROP_SUBJECT: SetStringProperty(&subject_, value); return ANN_OK;
      case EPROP_TITLE: SetStringProperty(&title_, value); return ANN_OK;
      case EPROP_STAMP_TEXT:
      case EPROP_BUTTON_TEXT: {
        int32_t tool = key == EPROP_STAMP_TEXT ? TOOL_STAMP : TOOL_BUTTON;
        SetStringProperty(key == EPROP_STAMP_TEXT ? &stampText_ : &buttonText_, value);
        if (current_) current_->SetToolDefault(tool, PROP_TEXT, value);
        it->second = 0;  // the text lives in the engine; an address in the map would dangle
        return ANN_OK;
      }
      case EPROP_STAMP_FONT:
      case EPROP_TEXT_FONT:
      case EPROP_BUTTON_FONT: {
        plat::LOGFONTA* font = key == EPROP_STAMP_FONT ? &stampFont_ : key == EPROP_TEXT_FONT ? &textFont_ : &buttonFont_;
        if (value) std::memmove(font, reinterpret_cast<const void*>(value), sizeof(plat::LOGFONTA));
        return ANN_OK;
      }
      default:
        if (key >= 4097 && key <= 4105)
          for (int32_t t = TOOL_TEXT; t <= TOOL_LAST; ++t)
            if (toolMaps_[annToolIndex(t)].count(key - 4096)) SetToolDefault(t, key - 4096, value);
        break;
    }
    it->second = value;
    return ANN_OK;
  });
}

int32_t AnnEngine::GetEngineProperty(int32_t key, AnnValue* value) {
  return guardedCode([&]() -> int32_t {
    auto it = properties_.find(key);
    if (it == properties_.end()) return ERR_NO_PROPERTY;
    if (!value) return ANN_OK;
    auto copy = [](plat::BSTR s) {
      plat::BSTR c = plat::SysAllocFromU16(plat::SysToU16(s));
      if (!c) throw std::bad_alloc();
      return reinterpret_cast<AnnValue>(c);
    };
    switch (key) {
      case EPROP_LOCKED: *value = locked_; break;
      case EPROP_CONTEXT_MENU_ENABLED: *value = contextMenuEnabled_ ? 1 : 0; break;
      case EPROP_SAVE_ENABLED: *value = saveEnabled_; break;
      case EPROP_TOOL_MENUS_ENABLED: *value = toolMenusEnabled_; break;
      case EPROP_SCALE_FONTS: *value = scaleFonts_; break;
      case EPROP_FONT_OPTION_136: *value = fontCache_->Option136(); break;
      case EPROP_DBLCLICK_OPTION: *value = fontCache_->Option137(); break;
      case EPROP_MEASURE_WIDE_CHARS: *value = fontCache_->MeasureWideChars(); break;
      case EPROP_AUTHOR: *value = copy(author_); break;
      case EPROP_COMMENTS: *value = copy(comments_); break;
      case EPROP_SUBJECT: *value = copy(subject_); break;
      case EPROP_TITLE: *value = copy(title_); break;
      case EPROP_STAMP_TEXT: *value = copy(stampText_); break;
      case EPROP_BUTTON_TEXT: *value = copy(buttonText_); break;
      case EPROP_STAMP_FONT:
      case EPROP_TEXT_FONT:
      case EPROP_BUTTON_FONT: {
        const plat::LOGFONTA* font =
            key == EPROP_STAMP_FONT ? &stampFont_ : key == EPROP_TEXT_FONT ? &textFont_ : &buttonFont_;
        if (*value) std::memcpy(reinterpret_cast<void*>(*value), font, sizeof(plat::LOGFONTA));
        break;
      }
      default: *value = it->second; break;
    }
    return ANN_OK;
  });
}

int32_t AnnEngine::SetElementProperty(AnnLayerHandle layer, int32_t id, int32_t property, AnnValue value) {
  return guardedCode([&]() -> int32_t {
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    bool isText = property == PROP_TEXT || property == PROP_USER_STRING2;
    plat::LOGFONTA oldFont{};
    plat::RECT oldRect{};
    AnnValue old = 0;
    if (property == PROP_FONT) old = reinterpret_cast<AnnValue>(&oldFont);
    if (property == PROP_RECT) old = reinterpret_cast<AnnValue>(&oldRect);
    if (int32_t r = l->GetElementProperty(id, property, &old)) return r;
    struct FreeOld {
      plat::BSTR s;
      ~FreeOld() { plat::SysFreeString(s); }
    } freeOld{isText ? reinterpret_cast<plat::BSTR>(old) : nullptr};

    bool changed;
    if (isText) {
      plat::BSTR incoming = reinterpret_cast<plat::BSTR>(value);
      changed = !plat::SysStringEqual(freeOld.s, incoming);
    } else if (property == PROP_FONT) {
      changed = value && std::memcmp(&oldFont, reinterpret_cast<const void*>(value), sizeof oldFont) != 0;
    } else if (property == PROP_RECT) {
      // A rect travels by address; what changed is the rect, not the address.
      changed = value && std::memcmp(&oldRect, reinterpret_cast<const void*>(value), sizeof oldRect) != 0;
    } else {
      changed = int32_t(old) != int32_t(value);
    }
    if (isText || property == PROP_FONT || changed)
      if (int32_t r = l->SetElementProperty(id, property, value)) return r;
    if (changed && property != PROP_ELEMENT_ID) AnnEngineRelays::propertyChanged(this, layer, id, property);
    return ANN_OK;
  });
}

int32_t AnnEngine::GetElementProperty(AnnLayerHandle layer, int32_t id, int32_t property, AnnValue* value) {
  ANN_FORWARD(GetElementProperty(id, property, value));
}
int32_t AnnEngine::SetElementPoint(AnnLayerHandle layer, int32_t id, int32_t index, plat::POINT point) {
  ANN_FORWARD(SetElementPoint(id, index, point));
}
int32_t AnnEngine::GetElementPoint(AnnLayerHandle layer, int32_t id, int32_t index, plat::POINT* point) {
  ANN_FORWARD(GetElementPoint(id, index, point));
}

int32_t AnnEngine::SetLayerPaintEnabled(AnnLayerHandle layer, const uint8_t* newFlag, uint8_t* oldFlag) {
  return guardedCode([&]() -> int32_t {
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    uint8_t old = l->SetPaintEnabled(newFlag);
    if (oldFlag) *oldFlag = old;
    return ANN_OK;
  });
}

// ---------------------------------------------------------------------------------------------
// Slots 68 to 102

int32_t AnnEngine::DeleteAllLayers() {
  return guardedCode([&]() -> int32_t {
    plat::SetFocus(nullptr);
    bool hadCurrent = current_ != nullptr;
    current_ = nullptr;
    enumLayer_ = enumNext_ = nullptr;
    // Unlinked before destroyed: a host reacting to the deletion events finds no half-dead layer.
    auto doomed = std::move(layers_);
    layers_.clear();
    doomed.clear();
    ShowPaletteWindow(false);
    if (hadCurrent)
      if (auto f = reinterpret_cast<AnnCurrentLayerCallback>(hostCallbacks_[HOSTCB_CURRENT_LAYER])) f(hostCookie_, 0);
    InvalidateHost(nullptr);
    return ANN_OK;
  });
}

bool AnnEngine::ShowPalette(int32_t) { return false; }  // the palette window is not part of this build

bool AnnEngine::ShowPaletteForLayer(AnnLayerHandle layer, const uint8_t* show) {
  AnnLayer* l = FindLayer(layer);
  if (!show || !l) return true;
  if (l == current_) ShowPaletteWindow(*show != 0);
  l->SetPaletteVisible(*show != 0);
  return true;
}

int32_t AnnEngine::SetToolTip(int32_t tool, plat::BSTR text) {
  return guardedCode([&]() -> int32_t {
    if (!annIsTool(tool)) return ERR_BAD_TOOL;
    SetStringProperty(&tooltips_[annToolIndex(tool)], reinterpret_cast<AnnValue>(text));
    return ANN_OK;
  });
}

int32_t AnnEngine::GetToolTip(int32_t tool, plat::BSTR* text) {
  return guardedCode([&]() -> int32_t {
    if (!annIsTool(tool)) return ERR_BAD_TOOL;
    if (text) *text = plat::SysAllocFromU16(plat::SysToU16(tooltips_[annToolIndex(tool)]));
    return ANN_OK;
  });
}

int32_t AnnEngine::ReverseElementOrder(AnnLayerHandle layer) { ANN_FORWARD(ReverseElementOrder()); }
int32_t AnnEngine::SetLayerProperty(AnnLayerHandle layer, int32_t key, AnnValue value) {
  ANN_FORWARD(SetProperty(key, value));
}
int32_t AnnEngine::GetLayerProperty(AnnLayerHandle layer, int32_t key, AnnValue* value) {
  ANN_FORWARD(GetProperty(key, value));
}

bool AnnEngine::IsLayer(AnnLayerHandle handle) { return FindLayer(handle) != nullptr; }

int32_t AnnEngine::HasToolDefault(int32_t tool, int32_t property, bool* present) {
  if (!annIsTool(tool)) return ERR_BAD_TOOL;
  if (present) *present = toolMaps_[annToolIndex(tool)].count(property) != 0;
  return ANN_OK;
}

void AnnEngine::DeleteSelectedElements() {
  guardedVoid([&] {
    if (current_) current_->DeleteSelectedElements();
  });
}

int32_t AnnEngine::SelectAllElements(AnnLayerHandle layer, int32_t select) {
  ANN_FORWARD(SelectAll(uint8_t(select & 0xFF)));
}

int32_t AnnEngine::DeleteAllElements(AnnLayerHandle layer) {
  return guardedCode([&]() -> int32_t {
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    int32_t r = l->DeleteAllElements();
    InvalidateHost(nullptr);
    return r;
  });
}

int32_t AnnEngine::SetCursorOption(int32_t type, int32_t on) {
  if (type < 0 || type > 2) return ERR_BAD_OPTION;
  cursorOptions_[type] = lowByte(on);
  return ANN_OK;
}

int32_t AnnEngine::GetCursorOption(int32_t type, bool* on) {
  if (type < 0 || type > 2) return ERR_BAD_OPTION;
  if (on) *on = cursorOptions_[type];
  return ANN_OK;
}

int32_t AnnEngine::BringSelectionToFront(AnnLayerHandle layer) { ANN_FORWARD(BringSelectionToFront()); }
int32_t AnnEngine::SendSelectionToBack(AnnLayerHandle layer) { ANN_FORWARD(SendSelectionToBack()); }
int32_t AnnEngine::BringElementToFront(AnnLayerHandle layer, int32_t id) { ANN_FORWARD(BringElementToFront(id)); }
int32_t AnnEngine::SendElementToBack(AnnLayerHandle layer, int32_t id) { ANN_FORWARD(SendElementToBack(id)); }

bool AnnEngine::HasSelection(AnnLayerHandle layer) {
  return guarded<bool>(false, [&] {
    AnnLayer* l = FindLayer(layer);
    return l && l->HasSelection();
  });
}

int32_t AnnEngine::GetToolEnabled(AnnLayerHandle layer, int32_t tool, bool* enabled) {
  ANN_FORWARD(GetToolEnabled(tool, enabled));
}
int32_t AnnEngine::SetToolEnabled(AnnLayerHandle layer, int32_t tool, int32_t enabled) {
  ANN_FORWARD(SetToolEnabled(tool, uint8_t(enabled & 0xFF)));
}

int32_t AnnEngine::GetLayerPaletteVisible(AnnLayerHandle layer, bool* visible) {
  AnnLayer* l = FindLayer(layer);
  if (!l) return ERR_BAD_LAYER;
  if (visible) *visible = l->PaletteVisible();
  return ANN_OK;
}

int32_t AnnEngine::SetLayerPaletteVisible(AnnLayerHandle layer, int32_t visible) {
  bool show = lowByte(visible);
  if (locked_ && show) return ERR_LOCKED;
  AnnLayer* l = FindLayer(layer);
  if (!l) return ERR_BAD_LAYER;
  l->SetPaletteVisible(show);
  if (l == current_) ShowPaletteWindow(show);
  return ANN_OK;
}

plat::HWND AnnEngine::GetPaletteWindow() { return paletteWindow_; }

int32_t AnnEngine::BurnInLayers(int32_t) { return kPending; }

#define ANN_FORWARD_ID(call)                           \
  return guardedCode([&]() -> int32_t {                \
    AnnLayer* l = FindLayer(layer);                    \
    if (!l) return ERR_BAD_LAYER;                      \
    int32_t v = l->call;                               \
    if (id) *id = v;                                   \
    return ANN_OK;                                     \
  })

int32_t AnnEngine::GetFirstElement(AnnLayerHandle layer, int32_t* id) { ANN_FORWARD_ID(GetFirstElement()); }
int32_t AnnEngine::GetNextElement(AnnLayerHandle layer, int32_t* id) { ANN_FORWARD_ID(GetNextElement()); }
int32_t AnnEngine::GetFirstSelectedElement(AnnLayerHandle layer, int32_t* id) {
  ANN_FORWARD_ID(GetFirstSelectedElement());
}
int32_t AnnEngine::GetNextSelectedElement(AnnLayerHandle layer, int32_t* id) {
  ANN_FORWARD_ID(GetNextSelectedElement());
}

AnnLayerHandle AnnEngine::GetFirstLayer() {
  enumLayer_ = layers_.empty() ? nullptr : layers_.front().get();
  enumNext_ = layers_.size() > 1 ? std::next(layers_.begin())->get() : nullptr;
  return HandleOf(enumLayer_);
}

AnnLayerHandle AnnEngine::GetNextLayer() {
  // enumNext_ is kept valid across deletions (DeleteLayer moves it on).
  enumLayer_ = enumNext_;
  enumNext_ = nullptr;
  if (enumLayer_) {
    for (auto it = layers_.begin(); it != layers_.end(); ++it)
      if (it->get() == enumLayer_) {
        enumNext_ = std::next(it) == layers_.end() ? nullptr : std::next(it)->get();
        break;
      }
  }
  return HandleOf(enumLayer_);
}

int32_t AnnEngine::GetLayerCount() { return int32_t(layers_.size()); }

int32_t AnnEngine::BringElementForward(AnnLayerHandle layer, int32_t id) { ANN_FORWARD(BringElementForward(id)); }
int32_t AnnEngine::SendElementBackward(AnnLayerHandle layer, int32_t id) { ANN_FORWARD(SendElementBackward(id)); }

// ---------------------------------------------------------------------------------------------
// Slots 103 to 117: object descriptors, element deletion, default view size

int32_t AnnEngine::CreateObjectDesc(AnnObjectDesc** desc) {
  if (desc) *desc = nullptr;
  return kPending;
}
int32_t AnnEngine::FreeObjectDesc(AnnObjectDesc*) { return ANN_OK; }
int32_t AnnEngine::SetObjectDescField(AnnObjectDesc*, int32_t, AnnValue) { return kPending; }
int32_t AnnEngine::GetObjectDescField(AnnObjectDesc*, int32_t, AnnValue*) { return kPending; }
int32_t AnnEngine::CreateObjectFromDesc(AnnObjectDesc*, AnnLayerHandle, int32_t* id) {
  if (id) *id = 0;
  return kPending;
}
int32_t AnnEngine::SetObjectDescPoints(AnnObjectDesc*, int32_t, const plat::POINT*) { return kPending; }
int32_t AnnEngine::AddObjectDescPoint(AnnObjectDesc*, int32_t, int32_t) { return kPending; }
int32_t AnnEngine::SetObjectDescPoint(AnnObjectDesc*, int32_t, int32_t, int32_t) { return kPending; }
int32_t AnnEngine::GetObjectDescPoint(AnnObjectDesc*, int32_t, int32_t*, int32_t*) { return kPending; }
int32_t AnnEngine::SetObjectDescPair(AnnObjectDesc*, int32_t, int32_t) { return kPending; }

int32_t AnnEngine::DeleteElement(AnnLayerHandle layer, int32_t id) { ANN_FORWARD(DeleteElement(id)); }
int32_t AnnEngine::GetElementIdByIndex(AnnLayerHandle layer, int32_t index, int32_t* id) {
  ANN_FORWARD(GetElementIdByIndex(index, id));
}

void AnnEngine::SetDefaultViewSize(int32_t width, int32_t height) {
  defaultViewWidth_ = width;
  defaultViewHeight_ = height;
  view_.MarkStale();
}

void AnnEngine::GetDefaultViewSize(int32_t* width, int32_t* height) {
  if (width) *width = defaultViewWidth_;
  if (height) *height = defaultViewHeight_;
}

int32_t AnnEngine::GetElementRect(AnnLayerHandle layer, int32_t id, plat::RECT* rect) {
  return guardedCode([&]() -> int32_t {
    plat::RECT logical{};
    AnnValue v = reinterpret_cast<AnnValue>(&logical);
    if (int32_t r = GetElementProperty(layer, id, PROP_RECT, &v)) return r;
    if (!SyncViewGeometry(false, nullptr)) return ERR_HOST_VIEW;
    if (rect) *rect = view_.RectLogicalToDevice(logical);
    return ANN_OK;
  });
}

// ---------------------------------------------------------------------------------------------
// Slots 118 to 124: callbacks

void AnnEngine::SetImageSourceCallback(AnnImageSourceCallback fn) { imageSource_ = fn; }
void AnnEngine::SetImageResultCallback(AnnImageResultCallback fn) { imageResult_ = fn; }

void AnnEngine::SetHostCallback(int32_t type, AnnCallbackFn fn) {
  if (type < HOSTCB_EVENT || type > HOSTCB_GROUP_DELETED || type == 2) return;
  hostCallbacks_[type] = fn;
}

void AnnEngine::SetAuxCallback1(intptr_t auxCookie, AnnCallbackFn fn) {
  auxCookie_ = auxCookie;
  aux1_ = fn;
}
void AnnEngine::SetAuxCallback2(intptr_t auxCookie, AnnCallbackFn fn) {
  auxCookie_ = auxCookie;
  aux2_ = fn;
}
void AnnEngine::SetDrawImageCallback(AnnDrawImageCallback fn) { drawImage_ = fn; }
void AnnEngine::SetTransformImageCallback(AnnTransformImageCallback fn) { transformImage_ = fn; }

// ---------------------------------------------------------------------------------------------
// Slots 125 to 157

int32_t AnnEngine::SaveLayerToArray(plat::VARIANT* array, AnnLayerHandle layer, int32_t* bytes) {
  return guardedCode([&]() -> int32_t {
    AnnLayer* l = FindLayer(layer);
    if (!l) return ERR_BAD_LAYER;
    if (array) plat::VariantInit(array);
    if (bytes) *bytes = 0;
    plat::IStream* stream = nullptr;
    if (plat::FAILED(plat::CreateStreamOnHGlobal(nullptr, true, &stream))) return ERR_STREAM;
    struct Release {
      plat::IStream* s;
      ~Release() { s->Release(); }
    } release{stream};
    int32_t r = l->Save(stream, false);
    if (r != ANN_OK) return r;
    uint64_t size = 0;
    plat::HGLOBAL block = nullptr;
    if (plat::FAILED(stream->Seek(0, plat::STREAM_SEEK_CUR, &size)) ||
        plat::FAILED(plat::GetHGlobalFromStream(stream, &block)))
      return ERR_STREAM;
    const void* data = plat::GlobalLock(block);
    bool made = array && data && plat::VariantFromBytes(array, data, uint32_t(size));
    plat::GlobalUnlock(block);
    if (made && bytes) *bytes = int32_t(size);
    return ANN_OK;
  });
}
int32_t AnnEngine::LoadLayerFromArray(const plat::VARIANT* array, AnnLayerHandle* layer) {
  if (layer) *layer = 0;
  AnnLayerHandle created = CreateLayer(0);
  AnnLayer* l = FindLayer(created);
  if (!l) return ERR_BAD_LAYER;
  int32_t r = guardedCode([&]() -> int32_t {
    uint32_t count = 0;
    const uint8_t* data = array && array->vt == (plat::VT_ARRAY | plat::VT_UI1) ? plat::VariantBytes(array, &count) : nullptr;
    if (!data || count == 0) return ERR_BAD_ARRAY;
    plat::HGLOBAL block = plat::GlobalFromBytes(data, count);
    if (!block) return ERR_NO_MEMORY;
    plat::IStream* stream = nullptr;
    if (plat::FAILED(plat::CreateStreamOnHGlobal(block, true, &stream))) {
      plat::GlobalFree(block);
      return ERR_STREAM;
    }
    int32_t result = l->Load(stream, false);
    stream->Release();
    return result;
  });
  if (r != ANN_OK) {
    DeleteLayer(created);
    return r;
  }
  if (layer) *layer = created;
  return ANN_OK;
}
int32_t AnnEngine::SaveAllToArray(plat::VARIANT*, int32_t* bytes) {
  if (bytes) *bytes = 0;
  return kPending;
}
int32_t AnnEngine::LoadAllFromArray(const plat::VARIANT*) { return kPending; }
int32_t AnnEngine::CopyLayerToClipboard(AnnLayerHandle layer, int32_t) {
  if (!FindLayer(layer)) return ERR_BAD_LAYER;
  return kPending;
}
int32_t AnnEngine::PasteLayer(AnnLayerHandle* layer) {
  if (layer) *layer = 0;
  return kPending;
}
int32_t AnnEngine::PasteObjects(AnnLayerHandle layer) {
  if (!FindLayer(layer)) return ERR_BAD_LAYER;
  return kPending;
}
bool AnnEngine::IsLayerOnClipboard() { return false; }

int32_t AnnEngine::SetMenuString(int32_t, plat::BSTR, int32_t) { return kPending; }
int32_t AnnEngine::GetMenuString(int32_t, plat::BSTR* text) {
  if (text) *text = nullptr;
  return kPending;
}
int32_t AnnEngine::AddUserMenuString(int32_t, plat::BSTR) { return kPending; }

int32_t AnnEngine::ResetPropertyEnum() {
  propertyEnumIndex_ = 1;
  return kPropertyEnum[0];
}

int32_t AnnEngine::NextPropertyId() {
  if (propertyEnumIndex_ < 0 || propertyEnumIndex_ >= kPropertyEnumCount) {
    propertyEnumIndex_ = 0;
    return 0;
  }
  return kPropertyEnum[propertyEnumIndex_++];
}

int32_t AnnEngine::SetLayerPassword(AnnLayerHandle layer, plat::BSTR password) { ANN_FORWARD(SetPassword(password)); }
int32_t AnnEngine::GetLayerPassword(AnnLayerHandle layer, plat::BSTR* password) {
  ANN_FORWARD(GetPassword(password));
}

int32_t AnnEngine::AddToolMenuItem(int32_t, int32_t, plat::BSTR, int32_t, int32_t) { return kPending; }
int32_t AnnEngine::SetToolMenuItemEnabled(int32_t, int32_t, int32_t) { return kPending; }
int32_t AnnEngine::SetToolMenuItemVisible(int32_t, int32_t, int32_t) { return kPending; }
int32_t AnnEngine::DeleteToolMenuItem(int32_t, int32_t) { return kPending; }
int32_t AnnEngine::AddToolSubMenuItem(int32_t, int32_t, int32_t, plat::BSTR, int32_t, int32_t) { return kPending; }
int32_t AnnEngine::SetToolSubMenuItemEnabled(int32_t, int32_t, int32_t, int32_t, int32_t) { return kPending; }
int32_t AnnEngine::SetToolSubMenuItemVisible(int32_t, int32_t, int32_t, int32_t, int32_t) { return kPending; }
int32_t AnnEngine::SetToolSubMenuItemChecked(int32_t, int32_t, int32_t, int32_t, int32_t) { return kPending; }
int32_t AnnEngine::DeleteToolSubMenuItem(int32_t, int32_t, int32_t) { return kPending; }
int32_t AnnEngine::SetToolMenuItemFlags(int32_t, int32_t, int32_t, int32_t) { return kPending; }
int32_t AnnEngine::GetToolMenuItemFlags(int32_t, int32_t, int32_t, int32_t* flags) {
  if (flags) *flags = 0;
  return kPending;
}

void AnnEngine::SetToolMenusEnabled(int32_t enabled) {
  toolMenusEnabled_ = lowByte(enabled);
  properties_[EPROP_TOOL_MENUS_ENABLED] = toolMenusEnabled_ ? 1 : 0;
}

void AnnEngine::MirrorAllLeftRight(int32_t pageWidth, int32_t pageHeight) {
  guardedVoid([&] {
    for (auto& l : layers_) l->MirrorAllLeftRight(pageWidth, pageHeight);
  });
}

void AnnEngine::MirrorAllTopBottom(int32_t pageWidth, int32_t pageHeight) {
  guardedVoid([&] {
    for (auto& l : layers_) l->MirrorAllTopBottom(pageWidth, pageHeight);
  });
}

void AnnEngine::RotateAll(int32_t pageWidth, int32_t pageHeight, float degrees) {
  guardedVoid([&] {
    for (auto& l : layers_) l->RotateAll(pageWidth, pageHeight, degrees);
    if (degrees == 90.0f || degrees == 270.0f || degrees == -90.0f || degrees == -270.0f) {
      std::swap(defaultViewWidth_, defaultViewHeight_);
      view_.MarkStale();
    }
  });
}

void AnnEngine::RebaseAllCoordinates(const plat::POINT* offset, intptr_t, intptr_t) {
  guardedVoid([&] {
    if (!offset) return;
    for (auto& l : layers_) l->RebaseCoordinates(offset->x, offset->y);
  });
}

void AnnEngine::ResetAllTextState(intptr_t value1, intptr_t value2) {
  guardedVoid([&] {
    for (auto& l : layers_) l->ResetAllTextState(value1, value2);
  });
}

int32_t AnnEngine::SetCaret(int32_t kind) {
  return guardedCode([&]() -> int32_t {
    if (kind == 7) {
      plat::CreateCaret(hostWindow_, 2, 8);
    } else {
      if (current_) current_->EndTextEditing();
      plat::DestroyCaret();
    }
    return ANN_OK;
  });
}
