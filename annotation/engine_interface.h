#pragma once
// The whole contract between libannolyx.so and its host. The host loads the library, calls
// Ann_Init, and from then on reaches the engine only through the virtual operations below. Their
// declaration order is the slot order the host calls by position: the list has no overloads and
// no virtual destructor, and new operations may only ever be appended.
//
// Conventions: results are int32 codes (0 success, see ann_codes.h) unless stated; out-parameters
// are pointers; a layer is an opaque handle (the engine checks it on every call); booleans passed
// in are tested in their low byte; strings passed in are copied and strings handed out are new
// strings the caller frees with plat::SysFreeString. Values that may carry an address (property
// values, cookies, layer handles) are pointer-sized.
#include <cstdint>

#include "annotation/ann_codes.h"
#include "platform/graphics/gdi_types.h"
#include "platform/memory/global_memory.h"
#include "platform/ole/ole_types.h"
#include "platform/windows/window_types.h"

using AnnLayerHandle = intptr_t;   // 0 = none
using AnnValue = intptr_t;         // a property value: int32, colour, or the address of a string/LOGFONTA/RECT/block

struct AnnObjectDesc;

// Host callbacks are registered type-erased (SetHostCallback and the image-callback slots) and
// called with the signature of their type.
using AnnCallbackFn = void (*)();
template <typename F>
AnnCallbackFn annCallback(F* fn) {
  return reinterpret_cast<AnnCallbackFn>(fn);
}

using AnnEventCallback = int32_t (*)(intptr_t cookie, int32_t code, int32_t param);
using AnnPasswordCallback = int32_t (*)(intptr_t cookie, plat::BSTR layerName, plat::BSTR* password);
using AnnStampPlacingCallback = int32_t (*)(intptr_t cookie);
using AnnRunMouseCallback = int32_t (*)(intptr_t cookie, int32_t code, AnnLayerHandle layer, int32_t id,
                                        int32_t button, int32_t keys, int32_t x, int32_t y);
using AnnToolMenuCallback = int32_t (*)(intptr_t cookie, int32_t tool, int32_t item, int32_t user1, int32_t user2);
using AnnCustomDrawCallback = int32_t (*)(intptr_t cookie, plat::HDC dc, int32_t x, int32_t y, int32_t width,
                                          int32_t height, AnnLayerHandle layer, int32_t id, int32_t value);
using AnnPropertyChangedCallback = int32_t (*)(intptr_t cookie, AnnLayerHandle layer, int32_t id, int32_t property);
using AnnCurrentLayerCallback = int32_t (*)(intptr_t cookie, AnnLayerHandle layer);
using AnnUserMenuCallback = int32_t (*)(intptr_t cookie, int32_t command, AnnLayerHandle layer, int32_t id);
using AnnGroupCallback = int32_t (*)(intptr_t cookie, AnnLayerHandle layer, int32_t groupId);

// Image callbacks; the auxiliary cookie is the one last given to SetAuxCallback1/2.
using AnnImageSourceCallback = int32_t (*)(intptr_t aux, plat::HGLOBAL* dib, int32_t* freeAfterUse);
using AnnImageResultCallback = int32_t (*)(intptr_t aux, plat::HGLOBAL dib);
using AnnDrawImageCallback = int32_t (*)(plat::HDC dc, plat::HGLOBAL dib, int32_t transparent,
                                         plat::COLORREF transparentColour, int32_t x, int32_t y, int32_t width,
                                         int32_t height, int32_t srcX, int32_t srcY, int32_t dibWidth,
                                         int32_t dibHeight);
using AnnTransformImageCallback = plat::HGLOBAL (*)(intptr_t aux, plat::HGLOBAL dib, int32_t operation);

// What the engine needs of the host's imaging view. The host keeps the object alive while it is
// attached; the engine holds a counted reference.
class AnnHostImaging {
 public:
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;
  // The view as the host shows it. view: where the image is drawn, in the window's client pixels
  // (for printRequest 1: the printed area in twips). image: left and top are the scroll origin in
  // display pixels, that is on the zoomed side; right and bottom are the displayed width and height
  // (with printRequest 1 the engine ignores this rect). imageWidth/imageHeight: the image in its
  // own pixels. displayMode 4 scales the image to the view rect. A failing result is passed on to
  // the engine's caller as a failure code; the engine never throws.
  virtual plat::HRESULT GetViewGeometry(int32_t printRequest, int32_t* displayMode, plat::RECT* view,
                                        plat::RECT* image, int32_t* imageWidth, int32_t* imageHeight) = 0;
  // Resolution of the shown image in dots per inch.
  virtual plat::HRESULT GetResolution(double* dpi) = 0;

 protected:
  ~AnnHostImaging() = default;
};

class AnnEngineInterface {
 public:
  /*   0 */ virtual void AttachImaging(AnnHostImaging* host) = 0;
  /*   1 */ virtual int32_t CreateGroup(AnnLayerHandle layer, int32_t* groupId, plat::BSTR name, int32_t userValue) = 0;
  /*   2 */ virtual int32_t DeleteGroup(AnnLayerHandle layer, int32_t groupId) = 0;
  /*   3 */ virtual int32_t AddElementToGroup(AnnLayerHandle layer, int32_t groupId, int32_t id) = 0;
  /*   4 */ virtual int32_t AddSelectionToGroup(AnnLayerHandle layer, int32_t groupId) = 0;
  /*   5 */ virtual int32_t RemoveElementFromGroup(AnnLayerHandle layer, int32_t groupId, int32_t id) = 0;
  /*   6 */ virtual int32_t ClearGroup(AnnLayerHandle layer, int32_t groupId) = 0;
  /*   7 */ virtual int32_t GetGroupMemberCount(AnnLayerHandle layer, int32_t groupId, int32_t* count) = 0;
  /*   8 */ virtual int32_t GetFirstGroupMember(AnnLayerHandle layer, int32_t groupId, int32_t* id) = 0;
  /*   9 */ virtual int32_t GetNextGroupMember(AnnLayerHandle layer, int32_t groupId, int32_t* id) = 0;
  /*  10 */ virtual int32_t GetGroupName(AnnLayerHandle layer, int32_t groupId, plat::BSTR* name) = 0;
  /*  11 */ virtual int32_t GetGroupUserValue(AnnLayerHandle layer, int32_t groupId, int32_t* value) = 0;
  /*  12 */ virtual int32_t SetGroupName(AnnLayerHandle layer, int32_t groupId, plat::BSTR name) = 0;
  /*  13 */ virtual int32_t SetGroupUserValue(AnnLayerHandle layer, int32_t groupId, int32_t value) = 0;
  /*  14 */ virtual int32_t AddElementsOfTypeToGroup(AnnLayerHandle layer, int32_t groupId, int32_t type) = 0;
  /*  15 */ virtual int32_t RemoveElementsOfTypeFromGroup(AnnLayerHandle layer, int32_t groupId, int32_t type) = 0;
  /*  16 */ virtual int32_t GetFirstGroup(AnnLayerHandle layer, int32_t* groupId) = 0;
  /*  17 */ virtual int32_t GetNextGroup(AnnLayerHandle layer, int32_t* groupId) = 0;
  /*  18 */ virtual int32_t SetGroupText2(AnnLayerHandle layer, int32_t groupId, plat::BSTR text) = 0;
  /*  19 */ virtual int32_t GetGroupText2(AnnLayerHandle layer, int32_t groupId, plat::BSTR* text) = 0;
  /*  20 */ virtual int32_t SetGroupActive(AnnLayerHandle layer, int32_t groupId, int32_t active) = 0;
  /*  21 */ virtual int32_t GetGroupActive(AnnLayerHandle layer, int32_t groupId, bool* active) = 0;
  /*  22 */ virtual int32_t GetGroupSelected(AnnLayerHandle layer, int32_t groupId, bool* selected) = 0;
  /*  23 */ virtual int32_t SetGroupSelected(AnnLayerHandle layer, int32_t groupId, int32_t selected) = 0;
  /*  24 */ virtual int32_t GetElementGroup(AnnLayerHandle layer, int32_t id, int32_t* groupId) = 0;
  /*  25 */ virtual int32_t FindGroupByName(AnnLayerHandle layer, plat::BSTR name, int32_t* groupId) = 0;
  /*  26 */ virtual int32_t SetGroupMemberProperty(AnnLayerHandle layer, int32_t groupId, int32_t property, AnnValue value) = 0;
  /*  27 */ virtual int32_t GetGroupCount(AnnLayerHandle layer, int32_t* count) = 0;
  /*  28 */ virtual int32_t SetGroupRect(AnnLayerHandle layer, int32_t groupId, int32_t x, int32_t y, int32_t width, int32_t height) = 0;
  /*  29 */ virtual int32_t MirrorGroupLeftRight(AnnLayerHandle layer, int32_t groupId) = 0;
  /*  30 */ virtual int32_t MirrorGroupTopBottom(AnnLayerHandle layer, int32_t groupId) = 0;
  /*  31 */ virtual int32_t GetGroupRect(AnnLayerHandle layer, int32_t groupId, plat::RECT* rect) = 0;
  /*  32 */ virtual void SetGroupKeysEnabled(int32_t enabled) = 0;
  /*  33 */ virtual void SetHostWindow(plat::HWND window) = 0;
  /*  34 */ virtual int32_t ExportOiAnnotations(void** block, int32_t layerBlocks) = 0;
  /*  35 */ virtual int32_t ExportOiAnnotationsAnsi(void** block, int32_t layerBlocks) = 0;
  /*  36 */ virtual int32_t SaveToMemory(void** block) = 0;
  /*  37 */ virtual int32_t LoadFromMemory(const void* data, int32_t bytes, intptr_t unused1, intptr_t unused2) = 0;
  /*  38 */ virtual int32_t OfferMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, plat::LPARAM lParam) = 0;
  /*  39 */ virtual int32_t HandleMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, plat::LPARAM lParam) = 0;
  /*  40 */ virtual int32_t HandleKey(plat::HWND window, uint32_t message, plat::WPARAM wParam, plat::LPARAM lParam) = 0;
  /*  41 */ virtual int32_t Draw(plat::HDC dc, const plat::RECT* viewRect, const plat::RECT* imageRect, intptr_t value1,
                                 intptr_t value2, intptr_t value3, int32_t printing) = 0;
  /*  42 */ virtual AnnLayerHandle CreateLayer(int32_t makeCurrent) = 0;
  /*  43 */ virtual bool DeleteLayer(AnnLayerHandle layer) = 0;
  /*  44 */ virtual bool SetCurrentLayer(AnnLayerHandle layer) = 0;
  /*  45 */ virtual AnnLayerHandle GetCurrentLayer() = 0;
  /*  46 */ virtual void SetSaveEnabled(int32_t enabled) = 0;
  /*  47 */ virtual bool GetSaveEnabled() = 0;
  /*  48 */ virtual int32_t SaveLayerToStream(plat::IStream* stream) = 0;
  /*  49 */ virtual int32_t SaveFile(plat::BSTR fileName) = 0;
  /*  50 */ virtual int32_t LoadFile(plat::BSTR fileName) = 0;
  /*  51 */ virtual int32_t GetElementCount(AnnLayerHandle layer, int32_t* count) = 0;
  /*  52 */ virtual int32_t GetElementDesc(AnnLayerHandle layer, int32_t id, AnnObjectDesc* desc) = 0;
  /*  53 */ virtual int32_t MoveElementTo(AnnLayerHandle layer, int32_t id, int32_t x, int32_t y) = 0;
  /*  54 */ virtual int32_t SetElementRect(AnnLayerHandle layer, int32_t id, int32_t x, int32_t y, int32_t width, int32_t height) = 0;
  /*  55 */ virtual int32_t SetCurrentTool(AnnLayerHandle layer, int32_t tool) = 0;
  /*  56 */ virtual int32_t GetCurrentTool(AnnLayerHandle layer, int32_t* tool) = 0;
  /*  57 */ virtual int32_t SetLayerToolDefault(AnnLayerHandle layer, int32_t tool, int32_t property, AnnValue value) = 0;
  /*  58 */ virtual int32_t GetLayerToolDefault(AnnLayerHandle layer, int32_t tool, int32_t property, AnnValue* value) = 0;
  /*  59 */ virtual int32_t SetToolDefault(int32_t tool, int32_t property, AnnValue value) = 0;
  /*  60 */ virtual int32_t GetToolDefault(int32_t tool, int32_t property, AnnValue* value) = 0;
  /*  61 */ virtual int32_t SetEngineProperty(int32_t key, AnnValue value) = 0;
  /*  62 */ virtual int32_t GetEngineProperty(int32_t key, AnnValue* value) = 0;
  /*  63 */ virtual int32_t SetElementProperty(AnnLayerHandle layer, int32_t id, int32_t property, AnnValue value) = 0;
  /*  64 */ virtual int32_t GetElementProperty(AnnLayerHandle layer, int32_t id, int32_t property, AnnValue* value) = 0;
  /*  65 */ virtual int32_t SetElementPoint(AnnLayerHandle layer, int32_t id, int32_t index, plat::POINT point) = 0;
  /*  66 */ virtual int32_t GetElementPoint(AnnLayerHandle layer, int32_t id, int32_t index, plat::POINT* point) = 0;
  /*  67 */ virtual int32_t SetLayerPaintEnabled(AnnLayerHandle layer, const uint8_t* newFlag, uint8_t* oldFlag) = 0;
  /*  68 */ virtual int32_t DeleteAllLayers() = 0;
  /*  69 */ virtual bool ShowPalette(int32_t show) = 0;
  /*  70 */ virtual bool ShowPaletteForLayer(AnnLayerHandle layer, const uint8_t* show) = 0;
  /*  71 */ virtual int32_t SetToolTip(int32_t tool, plat::BSTR text) = 0;
  /*  72 */ virtual int32_t GetToolTip(int32_t tool, plat::BSTR* text) = 0;
  /*  73 */ virtual int32_t ReverseElementOrder(AnnLayerHandle layer) = 0;
  /*  74 */ virtual int32_t SetLayerProperty(AnnLayerHandle layer, int32_t key, AnnValue value) = 0;
  /*  75 */ virtual int32_t GetLayerProperty(AnnLayerHandle layer, int32_t key, AnnValue* value) = 0;
  /*  76 */ virtual bool IsLayer(AnnLayerHandle handle) = 0;
  /*  77 */ virtual int32_t HasToolDefault(int32_t tool, int32_t property, bool* present) = 0;
  /*  78 */ virtual void DeleteSelectedElements() = 0;
  /*  79 */ virtual int32_t SelectAllElements(AnnLayerHandle layer, int32_t select) = 0;
  /*  80 */ virtual int32_t DeleteAllElements(AnnLayerHandle layer) = 0;
  /*  81 */ virtual int32_t SetCursorOption(int32_t type, int32_t on) = 0;
  /*  82 */ virtual int32_t GetCursorOption(int32_t type, bool* on) = 0;
  /*  83 */ virtual int32_t BringSelectionToFront(AnnLayerHandle layer) = 0;
  /*  84 */ virtual int32_t SendSelectionToBack(AnnLayerHandle layer) = 0;
  /*  85 */ virtual int32_t BringElementToFront(AnnLayerHandle layer, int32_t id) = 0;
  /*  86 */ virtual int32_t SendElementToBack(AnnLayerHandle layer, int32_t id) = 0;
  /*  87 */ virtual bool HasSelection(AnnLayerHandle layer) = 0;
  /*  88 */ virtual int32_t GetToolEnabled(AnnLayerHandle layer, int32_t tool, bool* enabled) = 0;
  /*  89 */ virtual int32_t SetToolEnabled(AnnLayerHandle layer, int32_t tool, int32_t enabled) = 0;
  /*  90 */ virtual int32_t GetLayerPaletteVisible(AnnLayerHandle layer, bool* visible) = 0;
  /*  91 */ virtual int32_t SetLayerPaletteVisible(AnnLayerHandle layer, int32_t visible) = 0;
  /*  92 */ virtual plat::HWND GetPaletteWindow() = 0;
  /*  93 */ virtual int32_t BurnInLayers(int32_t bitsPerPixel) = 0;
  /*  94 */ virtual int32_t GetFirstElement(AnnLayerHandle layer, int32_t* id) = 0;
  /*  95 */ virtual int32_t GetNextElement(AnnLayerHandle layer, int32_t* id) = 0;
  /*  96 */ virtual int32_t GetFirstSelectedElement(AnnLayerHandle layer, int32_t* id) = 0;
  /*  97 */ virtual int32_t GetNextSelectedElement(AnnLayerHandle layer, int32_t* id) = 0;
  /*  98 */ virtual AnnLayerHandle GetFirstLayer() = 0;
  /*  99 */ virtual AnnLayerHandle GetNextLayer() = 0;
  /* 100 */ virtual int32_t GetLayerCount() = 0;
  /* 101 */ virtual int32_t BringElementForward(AnnLayerHandle layer, int32_t id) = 0;
  /* 102 */ virtual int32_t SendElementBackward(AnnLayerHandle layer, int32_t id) = 0;
  /* 103 */ virtual int32_t CreateObjectDesc(AnnObjectDesc** desc) = 0;
  /* 104 */ virtual int32_t FreeObjectDesc(AnnObjectDesc* desc) = 0;
  /* 105 */ virtual int32_t SetObjectDescField(AnnObjectDesc* desc, int32_t field, AnnValue value) = 0;
  /* 106 */ virtual int32_t GetObjectDescField(AnnObjectDesc* desc, int32_t field, AnnValue* value) = 0;
  /* 107 */ virtual int32_t CreateObjectFromDesc(AnnObjectDesc* desc, AnnLayerHandle layer, int32_t* id) = 0;
  /* 108 */ virtual int32_t SetObjectDescPoints(AnnObjectDesc* desc, int32_t count, const plat::POINT* points) = 0;
  /* 109 */ virtual int32_t AddObjectDescPoint(AnnObjectDesc* desc, int32_t x, int32_t y) = 0;
  /* 110 */ virtual int32_t SetObjectDescPoint(AnnObjectDesc* desc, int32_t index, int32_t x, int32_t y) = 0;
  /* 111 */ virtual int32_t GetObjectDescPoint(AnnObjectDesc* desc, int32_t index, int32_t* x, int32_t* y) = 0;
  /* 112 */ virtual int32_t SetObjectDescPair(AnnObjectDesc* desc, int32_t a, int32_t b) = 0;
  /* 113 */ virtual int32_t DeleteElement(AnnLayerHandle layer, int32_t id) = 0;
  /* 114 */ virtual int32_t GetElementIdByIndex(AnnLayerHandle layer, int32_t index, int32_t* id) = 0;
  /* 115 */ virtual void SetDefaultViewSize(int32_t width, int32_t height) = 0;
  /* 116 */ virtual void GetDefaultViewSize(int32_t* width, int32_t* height) = 0;
  /* 117 */ virtual int32_t GetElementRect(AnnLayerHandle layer, int32_t id, plat::RECT* rect) = 0;
  /* 118 */ virtual void SetImageSourceCallback(AnnImageSourceCallback fn) = 0;
  /* 119 */ virtual void SetImageResultCallback(AnnImageResultCallback fn) = 0;
  /* 120 */ virtual void SetHostCallback(int32_t type, AnnCallbackFn fn) = 0;
  /* 121 */ virtual void SetAuxCallback1(intptr_t auxCookie, AnnCallbackFn fn) = 0;
  /* 122 */ virtual void SetAuxCallback2(intptr_t auxCookie, AnnCallbackFn fn) = 0;
  /* 123 */ virtual void SetDrawImageCallback(AnnDrawImageCallback fn) = 0;
  /* 124 */ virtual void SetTransformImageCallback(AnnTransformImageCallback fn) = 0;
  /* 125 */ virtual int32_t SaveLayerToArray(plat::VARIANT* array, AnnLayerHandle layer, int32_t* bytes) = 0;
  /* 126 */ virtual int32_t LoadLayerFromArray(const plat::VARIANT* array, AnnLayerHandle* layer) = 0;
  /* 127 */ virtual int32_t SaveAllToArray(plat::VARIANT* array, int32_t* bytes) = 0;
  /* 128 */ virtual int32_t LoadAllFromArray(const plat::VARIANT* array) = 0;
  /* 129 */ virtual int32_t CopyLayerToClipboard(AnnLayerHandle layer, int32_t selectedOnly) = 0;
  /* 130 */ virtual int32_t PasteLayer(AnnLayerHandle* layer) = 0;
  /* 131 */ virtual int32_t PasteObjects(AnnLayerHandle layer) = 0;
  /* 132 */ virtual bool IsLayerOnClipboard() = 0;
  /* 133 */ virtual int32_t SetMenuString(int32_t stringId, plat::BSTR text, int32_t create) = 0;
  /* 134 */ virtual int32_t GetMenuString(int32_t stringId, plat::BSTR* text) = 0;
  /* 135 */ virtual int32_t AddUserMenuString(int32_t stringId, plat::BSTR text) = 0;
  /* 136 */ virtual int32_t ResetPropertyEnum() = 0;
  /* 137 */ virtual int32_t NextPropertyId() = 0;
  /* 138 */ virtual int32_t SetLayerPassword(AnnLayerHandle layer, plat::BSTR password) = 0;
  /* 139 */ virtual int32_t GetLayerPassword(AnnLayerHandle layer, plat::BSTR* password) = 0;
  /* 140 */ virtual int32_t AddToolMenuItem(int32_t tool, int32_t item, plat::BSTR text, int32_t user1, int32_t user2) = 0;
  /* 141 */ virtual int32_t SetToolMenuItemEnabled(int32_t tool, int32_t item, int32_t enabled) = 0;
  /* 142 */ virtual int32_t SetToolMenuItemVisible(int32_t tool, int32_t item, int32_t visible) = 0;
  /* 143 */ virtual int32_t DeleteToolMenuItem(int32_t tool, int32_t item) = 0;
  /* 144 */ virtual int32_t AddToolSubMenuItem(int32_t tool, int32_t item, int32_t subItem, plat::BSTR text, int32_t user1,
                                               int32_t user2) = 0;
  /* 145 */ virtual int32_t SetToolSubMenuItemEnabled(int32_t tool, int32_t item, int32_t subItem, int32_t enabled,
                                                      int32_t exclusive) = 0;
  /* 146 */ virtual int32_t SetToolSubMenuItemVisible(int32_t tool, int32_t item, int32_t subItem, int32_t visible,
                                                      int32_t exclusive) = 0;
  /* 147 */ virtual int32_t SetToolSubMenuItemChecked(int32_t tool, int32_t item, int32_t subItem, int32_t checked,
                                                      int32_t exclusive) = 0;
  /* 148 */ virtual int32_t DeleteToolSubMenuItem(int32_t tool, int32_t item, int32_t subItem) = 0;
  /* 149 */ virtual int32_t SetToolMenuItemFlags(int32_t tool, int32_t item, int32_t subItem, int32_t flags) = 0;
  /* 150 */ virtual int32_t GetToolMenuItemFlags(int32_t tool, int32_t item, int32_t subItem, int32_t* flags) = 0;
  /* 151 */ virtual void SetToolMenusEnabled(int32_t enabled) = 0;
  /* 152 */ virtual void MirrorAllLeftRight(int32_t pageWidth, int32_t pageHeight) = 0;
  /* 153 */ virtual void MirrorAllTopBottom(int32_t pageWidth, int32_t pageHeight) = 0;
  /* 154 */ virtual void RotateAll(int32_t pageWidth, int32_t pageHeight, float degrees) = 0;
  /* 155 */ virtual void RebaseAllCoordinates(const plat::POINT* offset, intptr_t unused1, intptr_t unused2) = 0;
  /* 156 */ virtual void ResetAllTextState(intptr_t value1, intptr_t value2) = 0;
  /* 157 */ virtual int32_t SetCaret(int32_t kind) = 0;
};

inline constexpr int ANN_SLOT_COUNT = 158;

// The two exported entry points (C linkage) and their types for dlsym.
extern "C" {
AnnEngineInterface* Ann_Init(intptr_t hostCookie, plat::HWND hostWindow, int32_t unused);
void Ann_Deinit(AnnEngineInterface* engine);
}
using AnnInitFn = AnnEngineInterface* (*)(intptr_t hostCookie, plat::HWND hostWindow, int32_t unused);
using AnnDeinitFn = void (*)(AnnEngineInterface* engine);
