#pragma once
// The engine object behind AnnEngineInterface: the layer list, the per-tool default maps, the
// engine property map, the host callbacks, the shared view and font cache. Every slot catches what
// its work may throw and answers with a result code; nothing is thrown across the boundary.
#include <array>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "annotation/engine_interface.h"
#include "annotation/font_cache.h"
#include "annotation/services.h"
#include "annotation/view.h"

class AnnLayer;
class AnnStreamWriter;
class AnnStreamRef;
class AnnPopupMenu;
class AnnToolPalette;
struct AnnToolMenuItem;
struct AnnStringDeleter;
struct AnnEngineBlock;

class AnnEngine final : public AnnEngineInterface {
 public:
  AnnEngine();
  ~AnnEngine();
  AnnEngine(const AnnEngine&) = delete;
  AnnEngine& operator=(const AnnEngine&) = delete;

  // The remaining steps of Ann_Init after construction.
  void Initialise(intptr_t hostCookie, plat::HWND hostWindow);

  // Slots in slot order.
  void AttachImaging(AnnHostImaging* host) override;
  int32_t CreateGroup(AnnLayerHandle layer, int32_t* groupId, plat::BSTR name, int32_t userValue) override;
  int32_t DeleteGroup(AnnLayerHandle layer, int32_t groupId) override;
  int32_t AddElementToGroup(AnnLayerHandle layer, int32_t groupId, int32_t id) override;
  int32_t AddSelectionToGroup(AnnLayerHandle layer, int32_t groupId) override;
  int32_t RemoveElementFromGroup(AnnLayerHandle layer, int32_t groupId, int32_t id) override;
  int32_t ClearGroup(AnnLayerHandle layer, int32_t groupId) override;
  int32_t GetGroupMemberCount(AnnLayerHandle layer, int32_t groupId, int32_t* count) override;
  int32_t GetFirstGroupMember(AnnLayerHandle layer, int32_t groupId, int32_t* id) override;
  int32_t GetNextGroupMember(AnnLayerHandle layer, int32_t groupId, int32_t* id) override;
  int32_t GetGroupName(AnnLayerHandle layer, int32_t groupId, plat::BSTR* name) override;
  int32_t GetGroupUserValue(AnnLayerHandle layer, int32_t groupId, int32_t* value) override;
  int32_t SetGroupName(AnnLayerHandle layer, int32_t groupId, plat::BSTR name) override;
  int32_t SetGroupUserValue(AnnLayerHandle layer, int32_t groupId, int32_t value) override;
  int32_t AddElementsOfTypeToGroup(AnnLayerHandle layer, int32_t groupId, int32_t type) override;
  int32_t RemoveElementsOfTypeFromGroup(AnnLayerHandle layer, int32_t groupId, int32_t type) override;
  int32_t GetFirstGroup(AnnLayerHandle layer, int32_t* groupId) override;
  int32_t GetNextGroup(AnnLayerHandle layer, int32_t* groupId) override;
  int32_t SetGroupText2(AnnLayerHandle layer, int32_t groupId, plat::BSTR text) override;
  int32_t GetGroupText2(AnnLayerHandle layer, int32_t groupId, plat::BSTR* text) override;
  int32_t SetGroupActive(AnnLayerHandle layer, int32_t groupId, int32_t active) override;
  int32_t GetGroupActive(AnnLayerHandle layer, int32_t groupId, bool* active) override;
  int32_t GetGroupSelected(AnnLayerHandle layer, int32_t groupId, bool* selected) override;
  int32_t SetGroupSelected(AnnLayerHandle layer, int32_t groupId, int32_t selected) override;
  int32_t GetElementGroup(AnnLayerHandle layer, int32_t id, int32_t* groupId) override;
  int32_t FindGroupByName(AnnLayerHandle layer, plat::BSTR name, int32_t* groupId) override;
  int32_t SetGroupMemberProperty(AnnLayerHandle layer, int32_t groupId, int32_t property, AnnValue value) override;
  int32_t GetGroupCount(AnnLayerHandle layer, int32_t* count) override;
  int32_t SetGroupRect(AnnLayerHandle layer, int32_t groupId, int32_t x, int32_t y, int32_t width, int32_t height) override;
  int32_t MirrorGroupLeftRight(AnnLayerHandle layer, int32_t groupId) override;
  int32_t MirrorGroupTopBottom(AnnLayerHandle layer, int32_t groupId) override;
  int32_t GetGroupRect(AnnLayerHandle layer, int32_t groupId, plat::RECT* rect) override;
  void SetGroupKeysEnabled(int32_t enabled) override;
  void SetHostWindow(plat::HWND window) override;
  int32_t ExportOiAnnotations(void** block, int32_t layerBlocks) override;
  int32_t ExportOiAnnotationsAnsi(void** block, int32_t layerBlocks) override;
  int32_t SaveToMemory(void** block) override;
  int32_t LoadFromMemory(const void* data, int32_t bytes, intptr_t unused1, intptr_t unused2) override;
  int32_t OfferMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, plat::LPARAM lParam) override;
  int32_t HandleMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, plat::LPARAM lParam) override;
  int32_t HandleKey(plat::HWND window, uint32_t message, plat::WPARAM wParam, plat::LPARAM lParam) override;
  int32_t Draw(plat::HDC dc, const plat::RECT* viewRect, const plat::RECT* imageRect, intptr_t value1, intptr_t value2, intptr_t value3, int32_t printing) override;
  AnnLayerHandle CreateLayer(int32_t makeCurrent) override;
  bool DeleteLayer(AnnLayerHandle layer) override;
  bool SetCurrentLayer(AnnLayerHandle layer) override;
  AnnLayerHandle GetCurrentLayer() override;
  void SetSaveEnabled(int32_t enabled) override;
  bool GetSaveEnabled() override;
  int32_t SaveLayerToStream(plat::IStream* stream) override;
  int32_t SaveFile(plat::BSTR fileName) override;
  int32_t LoadFile(plat::BSTR fileName) override;
  int32_t GetElementCount(AnnLayerHandle layer, int32_t* count) override;
  int32_t GetElementDesc(AnnLayerHandle layer, int32_t id, AnnObjectDesc* desc) override;
  int32_t MoveElementTo(AnnLayerHandle layer, int32_t id, int32_t x, int32_t y) override;
  int32_t SetElementRect(AnnLayerHandle layer, int32_t id, int32_t x, int32_t y, int32_t width, int32_t height) override;
  int32_t SetCurrentTool(AnnLayerHandle layer, int32_t tool) override;
  int32_t GetCurrentTool(AnnLayerHandle layer, int32_t* tool) override;
  int32_t SetLayerToolDefault(AnnLayerHandle layer, int32_t tool, int32_t property, AnnValue value) override;
  int32_t GetLayerToolDefault(AnnLayerHandle layer, int32_t tool, int32_t property, AnnValue* value) override;
  int32_t SetToolDefault(int32_t tool, int32_t property, AnnValue value) override;
  int32_t GetToolDefault(int32_t tool, int32_t property, AnnValue* value) override;
  int32_t SetEngineProperty(int32_t key, AnnValue value) override;
  int32_t GetEngineProperty(int32_t key, AnnValue* value) override;
  int32_t SetElementProperty(AnnLayerHandle layer, int32_t id, int32_t property, AnnValue value) override;
  int32_t GetElementProperty(AnnLayerHandle layer, int32_t id, int32_t property, AnnValue* value) override;
  int32_t SetElementPoint(AnnLayerHandle layer, int32_t id, int32_t index, plat::POINT point) override;
  int32_t GetElementPoint(AnnLayerHandle layer, int32_t id, int32_t index, plat::POINT* point) override;
  int32_t SetLayerPaintEnabled(AnnLayerHandle layer, const uint8_t* newFlag, uint8_t* oldFlag) override;
  int32_t DeleteAllLayers() override;
  bool ShowPalette(int32_t show) override;
  bool ShowPaletteForLayer(AnnLayerHandle layer, const uint8_t* show) override;
  int32_t SetToolTip(int32_t tool, plat::BSTR text) override;
  int32_t GetToolTip(int32_t tool, plat::BSTR* text) override;
  int32_t ReverseElementOrder(AnnLayerHandle layer) override;
  int32_t SetLayerProperty(AnnLayerHandle layer, int32_t key, AnnValue value) override;
  int32_t GetLayerProperty(AnnLayerHandle layer, int32_t key, AnnValue* value) override;
  bool IsLayer(AnnLayerHandle handle) override;
  int32_t HasToolDefault(int32_t tool, int32_t property, bool* present) override;
  void DeleteSelectedElements() override;
  int32_t SelectAllElements(AnnLayerHandle layer, int32_t select) override;
  int32_t DeleteAllElements(AnnLayerHandle layer) override;
  int32_t SetCursorOption(int32_t type, int32_t on) override;
  int32_t GetCursorOption(int32_t type, bool* on) override;
  int32_t BringSelectionToFront(AnnLayerHandle layer) override;
  int32_t SendSelectionToBack(AnnLayerHandle layer) override;
  int32_t BringElementToFront(AnnLayerHandle layer, int32_t id) override;
  int32_t SendElementToBack(AnnLayerHandle layer, int32_t id) override;
  bool HasSelection(AnnLayerHandle layer) override;
  int32_t GetToolEnabled(AnnLayerHandle layer, int32_t tool, bool* enabled) override;
  int32_t SetToolEnabled(AnnLayerHandle layer, int32_t tool, int32_t enabled) override;
  int32_t GetLayerPaletteVisible(AnnLayerHandle layer, bool* visible) override;
  int32_t SetLayerPaletteVisible(AnnLayerHandle layer, int32_t visible) override;
  plat::HWND GetPaletteWindow() override;
  int32_t BurnInLayers(int32_t bitsPerPixel) override;
  int32_t GetFirstElement(AnnLayerHandle layer, int32_t* id) override;
  int32_t GetNextElement(AnnLayerHandle layer, int32_t* id) override;
  int32_t GetFirstSelectedElement(AnnLayerHandle layer, int32_t* id) override;
  int32_t GetNextSelectedElement(AnnLayerHandle layer, int32_t* id) override;
  AnnLayerHandle GetFirstLayer() override;
  AnnLayerHandle GetNextLayer() override;
  int32_t GetLayerCount() override;
  int32_t BringElementForward(AnnLayerHandle layer, int32_t id) override;
  int32_t SendElementBackward(AnnLayerHandle layer, int32_t id) override;
  int32_t CreateObjectDesc(AnnObjectDesc** desc) override;
  int32_t FreeObjectDesc(AnnObjectDesc* desc) override;
  int32_t SetObjectDescField(AnnObjectDesc* desc, int32_t field, AnnValue value) override;
  int32_t GetObjectDescField(AnnObjectDesc* desc, int32_t field, AnnValue* value) override;
  int32_t CreateObjectFromDesc(AnnObjectDesc* desc, AnnLayerHandle layer, int32_t* id) override;
  int32_t SetObjectDescPoints(AnnObjectDesc* desc, int32_t count, const plat::POINT* points) override;
  int32_t AddObjectDescPoint(AnnObjectDesc* desc, int32_t x, int32_t y) override;
  int32_t SetObjectDescPoint(AnnObjectDesc* desc, int32_t index, int32_t x, int32_t y) override;
  int32_t GetObjectDescPoint(AnnObjectDesc* desc, int32_t index, int32_t* x, int32_t* y) override;
  int32_t SetObjectDescPair(AnnObjectDesc* desc, int32_t a, int32_t b) override;
  int32_t DeleteElement(AnnLayerHandle layer, int32_t id) override;
  int32_t GetElementIdByIndex(AnnLayerHandle layer, int32_t index, int32_t* id) override;
  void SetDefaultViewSize(int32_t width, int32_t height) override;
  void GetDefaultViewSize(int32_t* width, int32_t* height) override;
  int32_t GetElementRect(AnnLayerHandle layer, int32_t id, plat::RECT* rect) override;
  void SetImageSourceCallback(AnnImageSourceCallback fn) override;
  void SetImageResultCallback(AnnImageResultCallback fn) override;
  void SetHostCallback(int32_t type, AnnCallbackFn fn) override;
  void SetAuxCallback1(intptr_t auxCookie, AnnCallbackFn fn) override;
  void SetAuxCallback2(intptr_t auxCookie, AnnCallbackFn fn) override;
  void SetDrawImageCallback(AnnDrawImageCallback fn) override;
  void SetTransformImageCallback(AnnTransformImageCallback fn) override;
  int32_t SaveLayerToArray(plat::VARIANT* array, AnnLayerHandle layer, int32_t* bytes) override;
  int32_t LoadLayerFromArray(const plat::VARIANT* array, AnnLayerHandle* layer) override;
  int32_t SaveAllToArray(plat::VARIANT* array, int32_t* bytes) override;
  int32_t LoadAllFromArray(const plat::VARIANT* array) override;
  int32_t CopyLayerToClipboard(AnnLayerHandle layer, int32_t selectedOnly) override;
  int32_t PasteLayer(AnnLayerHandle* layer) override;
  int32_t PasteObjects(AnnLayerHandle layer) override;
  bool IsLayerOnClipboard() override;
  int32_t SetMenuString(int32_t stringId, plat::BSTR text, int32_t create) override;
  int32_t GetMenuString(int32_t stringId, plat::BSTR* text) override;
  int32_t AddUserMenuString(int32_t stringId, plat::BSTR text) override;
  int32_t ResetPropertyEnum() override;
  int32_t NextPropertyId() override;
  int32_t SetLayerPassword(AnnLayerHandle layer, plat::BSTR password) override;
  int32_t GetLayerPassword(AnnLayerHandle layer, plat::BSTR* password) override;
  int32_t AddToolMenuItem(int32_t tool, int32_t item, plat::BSTR text, int32_t user1, int32_t user2) override;
  int32_t SetToolMenuItemEnabled(int32_t tool, int32_t item, int32_t enabled) override;
  int32_t SetToolMenuItemVisible(int32_t tool, int32_t item, int32_t visible) override;
  int32_t DeleteToolMenuItem(int32_t tool, int32_t item) override;
  int32_t AddToolSubMenuItem(int32_t tool, int32_t item, int32_t subItem, plat::BSTR text, int32_t user1, int32_t user2) override;
  int32_t SetToolSubMenuItemEnabled(int32_t tool, int32_t item, int32_t subItem, int32_t enabled, int32_t exclusive) override;
  int32_t SetToolSubMenuItemVisible(int32_t tool, int32_t item, int32_t subItem, int32_t visible, int32_t exclusive) override;
  int32_t SetToolSubMenuItemChecked(int32_t tool, int32_t item, int32_t subItem, int32_t checked, int32_t exclusive) override;
  int32_t DeleteToolSubMenuItem(int32_t tool, int32_t item, int32_t subItem) override;
  int32_t SetToolMenuItemFlags(int32_t tool, int32_t item, int32_t subItem, int32_t flags) override;
  int32_t GetToolMenuItemFlags(int32_t tool, int32_t item, int32_t subItem, int32_t* flags) override;
  void SetToolMenusEnabled(int32_t enabled) override;
  void MirrorAllLeftRight(int32_t pageWidth, int32_t pageHeight) override;
  void MirrorAllTopBottom(int32_t pageWidth, int32_t pageHeight) override;
  void RotateAll(int32_t pageWidth, int32_t pageHeight, float degrees) override;
  void RebaseAllCoordinates(const plat::POINT* offset, intptr_t unused1, intptr_t unused2) override;
  void ResetAllTextState(intptr_t value1, intptr_t value2) override;
  int32_t SetCaret(int32_t kind) override;

  // Menus (menus.cpp): the helper window hands the chosen command here.
  void OnMenuCommand(int32_t command);
  void ShowAttributeMenu(AnnLayerHandle layer, AnnElement* element);
  void BuildAttributeMenu(AnnPopupMenu& menu, int32_t type, AnnElement* element);
  int32_t AttributeCommand(int32_t command, AnnLayerHandle layer, int32_t element);
  // The user menu of a palette button, at the cursor.
  void ShowToolMenu(int32_t tool);

  // Palette and cursors (palette.cpp).
  void PaletteClicked(int32_t tool);
  void PaletteRightClicked(int32_t tool);
  void PaletteClosed();
  std::u16string ToolTipText(int32_t tool) const;
  void PaletteToolPress(AnnLayerHandle layer, int32_t tool);
  void PaletteToolEnable(int32_t tool, bool enabled);
  bool ChooseCursor(int32_t tool, int32_t code);

  // Engine-side operations used by the slots and the layer services.
  AnnLayer* FindLayer(AnnLayerHandle handle) const;
  bool SyncViewGeometry(bool printing, plat::HDC dc);
  int32_t NotifyHost(int32_t code, int32_t param);
  // The host's property-changed callback, for live elements of this engine's layers only.
  void ReportPropertyChange(AnnLayerHandle layer, int32_t id, int32_t property);
  int32_t InvalidateHost(const plat::RECT* logical);
  void RepaintAfterLoad();
  AnnView& View() { return view_; }
  AnnFontCache& FontCache() { return *fontCache_; }
  const AnnPropertyMap& ToolMap(int32_t tool) const { return toolMaps_[annToolIndex(tool)]; }
  const AnnEngineServices& ServicesTemplate() const { return services_; }
  plat::HWND HostWindow() const { return hostWindow_; }
  int32_t HandleSize() const { return handleSize_; }
  bool Locked() const { return locked_; }
  void SetRedraw(bool on) { redraw_ = on; }
  // A draw selects the makers' objects into dc until EndDraw deletes them. BeginDraw saves the
  // device context and returns the level to restore.
  int BeginDraw(plat::HDC dc);
  void EndDraw();
  // The brush and pen selected into the device context of the draw under way.
  void MakeBrush(plat::COLORREF colour, bool hollow, int32_t hatchStyle, plat::COLORREF hatchColour);
  void MakePen(int32_t logicalWidth, plat::COLORREF colour, int32_t penStyle);

 private:
  friend struct AnnEngineRelays;
  void FillServices();
  void LoadDefaultMaps();
  AnnLayerHandle HandleOf(const AnnLayer* layer) const { return reinterpret_cast<AnnLayerHandle>(layer); }
  void ShowPaletteWindow(bool show);
  void ReleaseDrawingObjects();
  void SetStringProperty(plat::BSTR* target, AnnValue value);
  // The engine's own cell of a string-valued key (the document texts, the stamp and button
  // texts) or of a tool-font key; null for any other key.
  plat::BSTR* KeyString(int32_t key);
  plat::LOGFONTA* KeyFont(int32_t key);

  // Persistence (persist/engine_block.cpp): the engine block, every layer after it, and the checks
  // a full load runs before it changes anything.
  int32_t WriteEngineBlock(AnnStreamWriter& out);
  void ApplyEngineBlock(AnnEngineBlock& block);
  int32_t WriteAllLayers(plat::IStream* stream);
  int32_t ReadAllLayers(plat::IStream* stream);
  int32_t CheckAllLayers(plat::IStream* stream);
  // Reads the next layer of the stream into a scratch layer that reaches neither host nor window;
  // a layer whose password cannot be checked there is judged by its frame alone.
  int32_t CheckLayer(plat::IStream* stream, bool merge);
  // Replaces every layer by those of the stream, once the whole stream has been checked.
  int32_t ReplaceAllLayers(plat::IStream* stream);
  // Reads one layer; a scrambled layer asks the host for its password.
  int32_t ReadLayer(AnnLayer* layer, plat::IStream* stream, bool merge);
  // A new packed DIB of the given depth: the source picture with every layer drawn over it.
  plat::HGLOBAL RenderIntoBitmap(int bitsPerPixel, plat::HGLOBAL source);
  int32_t ExportOi(void** block, int32_t layerBlocks, bool unicode);
  void SetUpMenus();
  std::string MenuText(int32_t id) const;
  bool HasMenuRecord(int32_t id) const;
  AnnToolMenuItem* FindToolMenuItem(int32_t tool, int32_t item);
  AnnToolMenuItem* FindToolSubMenuItem(int32_t tool, int32_t item, int32_t subItem);
  int32_t SetSubItemFlag(int32_t tool, int32_t item, int32_t subItem, int32_t value, int32_t exclusive,
                         uint8_t AnnToolMenuItem::*flag);
  void LoadCursors();
  void DestroyCursors();
  bool ClipboardUsable() const;
  int32_t LayerDataOnClipboard(AnnStreamRef* stream) const;
  // The services of a layer that is read only to check a stream: it reaches neither host nor window.
  AnnEngineServices DetachedServices() const;

  AnnView view_;
  void* filterContext_ = nullptr;
  intptr_t hostCookie_ = 0;
  intptr_t auxCookie_ = 0;
  plat::HWND hostWindow_ = nullptr;
  bool redraw_ = false;
  plat::HWND paletteWindow_ = nullptr;
  plat::HWND helperWindow_ = nullptr;
  std::array<AnnPropertyMap, TOOL_COUNT> toolMaps_;
  AnnPropertyMap properties_;
  std::array<plat::HCURSOR, 34> cursors_{};  // three per tool, then the move cursor
  plat::BSTR comments_ = nullptr;
  plat::BSTR author_ = nullptr;
  plat::BSTR subject_ = nullptr;
  plat::BSTR title_ = nullptr;
  plat::HBRUSH drawBrush_ = nullptr;
  plat::HPEN drawPen_ = nullptr;
  std::unique_ptr<AnnFontCache> fontCache_;
  plat::LOGFONTA stampFont_{};
  plat::LOGFONTA textFont_{};
  plat::LOGFONTA buttonFont_{};
  plat::HGLOBAL imageDefault_ = nullptr;
  plat::BSTR stampText_ = nullptr;
  plat::BSTR textText_ = nullptr;
  plat::BSTR buttonText_ = nullptr;
  std::array<plat::BSTR, TOOL_COUNT> tooltips_{};
  AnnHostImaging* host_ = nullptr;
  std::list<std::unique_ptr<AnnLayer>> layers_;  // newest at the front
  uint32_t layerFormat_ = 0;
  uint32_t objectFormat_ = 0;
  int32_t layersToRead_ = 0;
  AnnLayer* enumLayer_ = nullptr;  // the layer the enumeration returned last
  AnnLayer* enumNext_ = nullptr;   // the one it returns next
  int32_t propertyEnumIndex_ = -1;
  AnnLayer* current_ = nullptr;
  int32_t defaultViewWidth_ = 0;
  int32_t defaultViewHeight_ = 0;
  int32_t handleSize_ = 0;
  int32_t openMenuKind_ = 0;
  int32_t openMenuTool_ = 0;
  bool toolMenusEnabled_ = false;
  std::array<bool, 3> cursorOptions_{true, false, false};
  bool groupKeysEnabled_ = false;
  bool locked_ = false;
  bool saveEnabled_ = true;
  bool renderIntoBitmap_ = false;
  bool printing_ = false;
  uint8_t contextMenuEnabled_ = 1;
  plat::HDC printDc_ = nullptr;
  plat::HDC drawDc_ = nullptr;
  AnnMessageFilter messageFilter_ = nullptr;
  std::array<AnnCallbackFn, 13> hostCallbacks_{};
  AnnImageSourceCallback imageSource_ = nullptr;
  AnnImageResultCallback imageResult_ = nullptr;
  AnnCallbackFn aux1_ = nullptr;
  AnnCallbackFn aux2_ = nullptr;
  AnnDrawImageCallback drawImage_ = nullptr;
  AnnTransformImageCallback transformImage_ = nullptr;
  AnnEngineServices services_;
  int32_t (*passwordService_)(void* engine, plat::BSTR layerName, plat::BSTR* password) = nullptr;
  // Engine-wide second user string default of each tool: layers read it through these cells.
  std::array<plat::BSTR, TOOL_COUNT> userString2Defaults_{};
  std::map<int32_t, std::unique_ptr<char16_t, AnnStringDeleter>> menuStrings_;
  std::unique_ptr<AnnPopupMenu> attributeMenu_;
  std::unique_ptr<AnnPopupMenu> toolMenu_;
  std::vector<std::pair<int32_t, int32_t>> menuRecords_;  // (command id, element id) of the menu built last
  std::list<AnnToolMenuItem> toolMenuItems_;
  AnnToolPalette* palette_ = nullptr;  // owned through paletteWindow_
};
