#pragma once
// The table of engine services that the engine hands every layer it creates. Layers and elements
// reach the host, the palette and the shared drawing state only through it. Every function takes
// the engine cookie as its first argument; an entry left null is skipped by the caller.
#include <cstdint>
#include <map>

#include "annotation/engine_interface.h"

// Ordered map from property id to value; the key set of a map is fixed when it is made.
using AnnPropertyMap = std::map<int32_t, AnnValue>;

class AnnView;
class AnnFontCache;
class AnnElement;
class AnnPopupMenu;

// The engine's message pre-filter, installed by a text element while it edits in place. It sees
// every routed message first; a non-zero event code is raised to the host with eventParam, and a
// result other than -1 ends the routing.
using AnnMessageFilter = int32_t (*)(void* context, plat::HWND window, uint32_t message, plat::WPARAM wParam,
                                     int32_t x, int32_t y, int32_t* eventCode, int32_t* eventParam);

struct AnnEngineServices {
  void* engine = nullptr;
  AnnView* view = nullptr;
  bool (*groupKeysEnabled)(void* engine) = nullptr;
  void (*groupCreated)(void* engine, AnnLayerHandle layer, int32_t groupId) = nullptr;
  void (*groupDeleted)(void* engine, AnnLayerHandle layer, int32_t groupId) = nullptr;
  // Logical rect, or null for the whole host window; erases the background.
  int32_t (*invalidate)(void* engine, const plat::RECT* logical) = nullptr;
  int32_t (*raiseEvent)(void* engine, int32_t code, int32_t param) = nullptr;
  void (*propertyChanged)(void* engine, AnnLayerHandle layer, int32_t id, int32_t property) = nullptr;
  int32_t (*customDraw)(void* engine, plat::HDC dc, int32_t x, int32_t y, int32_t width, int32_t height,
                        AnnLayerHandle layer, int32_t id, int32_t value) = nullptr;
  int32_t (*stampPlacing)(void* engine) = nullptr;
  int32_t (*runMouse)(void* engine, int32_t code, AnnLayerHandle layer, int32_t id, int32_t button, int32_t keys,
                      int32_t x, int32_t y) = nullptr;
  void (*defaultViewSize)(void* engine, int32_t* width, int32_t* height) = nullptr;
  // Selects a brush / pen into the device context of the draw under way.
  void (*makeBrush)(void* engine, int32_t unused, plat::COLORREF colour, int32_t hollow, int32_t hatchStyle,
                    plat::COLORREF hatchColour) = nullptr;
  void (*makePen)(void* engine, int32_t logicalWidth, plat::COLORREF colour, int32_t unused, int32_t penStyle) = nullptr;
  void (*paletteToolPress)(void* engine, AnnLayerHandle layer, int32_t tool) = nullptr;
  int32_t (*drawImage)(void* engine, plat::HDC dc, plat::HGLOBAL dib, int32_t transparent, plat::COLORREF colour,
                       int32_t x, int32_t y, int32_t width, int32_t height, int32_t srcX, int32_t srcY,
                       int32_t dibWidth, int32_t dibHeight) = nullptr;
  plat::HGLOBAL (*transformImage)(void* engine, plat::HGLOBAL dib, int32_t operation) = nullptr;
  bool (*chooseCursor)(void* engine, int32_t tool, int32_t cursorCode) = nullptr;
  void (*paletteToolEnable)(void* engine, int32_t tool, int32_t enabled) = nullptr;
  void (*openAttributeMenu)(void* engine, AnnLayerHandle layer, AnnElement* element) = nullptr;
  // Set only on layers that a full load creates, just before each is read.
  int32_t (*requestPassword)(void* engine, plat::BSTR layerName, plat::BSTR* password) = nullptr;
  void (*installMessageFilter)(void* engine, AnnMessageFilter filter, void* context) = nullptr;

  int32_t handleSize = 0;
  plat::HWND helperWindow = nullptr;
  plat::HWND hostWindow = nullptr;
  const uint8_t* contextMenuEnabled = nullptr;
  AnnFontCache* fontCache = nullptr;
  AnnPopupMenu* attributeMenu = nullptr;
};
