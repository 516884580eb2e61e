#pragma once
// One sheet of annotations over an image: its elements in z-order, the selection, the groups,
// the current tool, one default-attribute map per tool, the layer properties and strings. The
// engine creates, lists and destroys layers; a layer reaches the engine and the host only through
// the services it is given.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_set>
#include <vector>

#include "annotation/services.h"

class AnnElement;
class AnnGroup;
class AnnStreamReader;
class AnnStreamWriter;
struct AnnObjectDesc;

class AnnLayer {
 public:
  explicit AnnLayer(const AnnEngineServices& services);
  ~AnnLayer();
  AnnLayer(const AnnLayer&) = delete;
  AnnLayer& operator=(const AnnLayer&) = delete;

  const AnnEngineServices& Services() const { return services_; }
  AnnEngineServices& MutableServices() { return services_; }

  // Tools and their defaults.
  void CopyToolDefaults(int32_t tool, const AnnPropertyMap& engineMap);
  int32_t SetCurrentTool(int32_t tool);
  int32_t GetCurrentTool() const { return currentTool_; }
  int32_t GetToolDefault(int32_t tool, int32_t property, AnnValue* value);
  int32_t SetToolDefault(int32_t tool, int32_t property, AnnValue value);
  int32_t GetToolEnabled(int32_t tool, bool* enabled);
  int32_t SetToolEnabled(int32_t tool, uint8_t enabled);

  // Current-layer state, palette flag, run mode.
  void SetIsCurrent(uint8_t current);
  bool IsCurrentLayer() const { return isCurrentLayer_; }
  bool PaletteVisible() const { return paletteShown_; }
  void SetPaletteVisible(bool shown) { paletteShown_ = shown; }
  void ResetRunState(int32_t locked);

  // Layer properties and strings.
  int32_t SetProperty(int32_t key, AnnValue value);
  int32_t GetProperty(int32_t key, AnnValue* value);
  int32_t SetPassword(plat::BSTR password);
  int32_t GetPassword(plat::BSTR* password);
  // With a new flag: stores it and invalidates the whole window. Returns the flag as it was.
  uint8_t SetPaintEnabled(const uint8_t* newFlag);

  // Drawing and input.
  int32_t Draw(plat::HDC dc, const plat::RECT* destination, const plat::RECT* source, intptr_t value1,
               intptr_t value2, intptr_t value3, int32_t printing);
  int32_t OnMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y,
                    const plat::RECT* viewRect, const plat::RECT* imageRect);
  int32_t OnKeyMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, plat::LPARAM lParam);
  bool OnRunModeMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y);
  int32_t OfferMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, plat::LPARAM lParam);
  bool IsCursorInView();

  // Elements.
  int32_t GetElementCount() const;
  bool HasSelection() const;
  AnnElement* FindElement(int32_t id) const;
  // True when the element exists, is placed in this layer and is live, i.e. its changes are
  // reported to the host.
  bool IsElementLive(int32_t id) const;
  int32_t GetElementIdByIndex(int32_t index, int32_t* id);
  int32_t GetFirstElement();
  int32_t GetNextElement();
  int32_t GetFirstSelectedElement();
  int32_t GetNextSelectedElement();
  // For 10 and 1281 *value receives a new string the caller frees; for 11 *value holds the
  // address of 60 bytes that receive the LOGFONTA; for 7 the address of a RECT.
  int32_t GetElementProperty(int32_t id, int32_t property, AnnValue* value);
  int32_t SetElementProperty(int32_t id, int32_t property, AnnValue value);
  int32_t GetElementPoint(int32_t id, int32_t index, plat::POINT* point);
  int32_t SetElementPoint(int32_t id, int32_t index, plat::POINT point);
  int32_t GetElementDesc(int32_t id, AnnObjectDesc* desc);
  int32_t MoveElementTo(int32_t id, int32_t x, int32_t y);
  int32_t DeleteElement(int32_t id);
  int32_t DeleteSelectedElements();
  int32_t DeleteAllElements();
  int32_t SelectAll(uint8_t select);
  int32_t ClearSelection();
  int32_t BringElementToFront(int32_t id);
  int32_t SendElementToBack(int32_t id);
  int32_t BringElementForward(int32_t id);
  int32_t SendElementBackward(int32_t id);
  int32_t BringSelectionToFront();
  int32_t SendSelectionToBack();
  int32_t ReverseElementOrder();

  // Whole-layer geometry.
  void MirrorAllLeftRight(int32_t value1, int32_t value2);
  void MirrorAllTopBottom(int32_t value1, int32_t value2);
  void RotateAll(int32_t value1, int32_t value2, float degrees);
  // After a quarter turn the page's sides are exchanged: a stroke's pen margin, measured along the
  // page's width, is measured again, so its bounds are those it has when read back.
  void PageTurned();
  void ResetAllTextState(intptr_t value1, intptr_t value2);
  void InvalidateTextLayout();
  void RebaseCoordinates(int32_t offsetX, int32_t offsetY);
  void EndTextEditing();

  // Groups.
  int32_t CreateGroup(plat::BSTR name, int32_t userValue, int32_t* groupId);
  int32_t DeleteGroup(int32_t groupId);
  int32_t AddElementToGroup(int32_t groupId, int32_t id);
  int32_t AddSelectionToGroup(int32_t groupId);
  int32_t RemoveElementFromGroup(int32_t groupId, int32_t id);
  int32_t ClearGroup(int32_t groupId);
  int32_t GetGroupMemberCount(int32_t groupId, int32_t* count);
  int32_t GetFirstGroupMember(int32_t groupId, int32_t* id);
  int32_t GetNextGroupMember(int32_t groupId, int32_t* id);
  int32_t GetGroupName(int32_t groupId, plat::BSTR* name);
  int32_t GetGroupUserValue(int32_t groupId, int32_t* value);
  int32_t SetGroupName(int32_t groupId, plat::BSTR name);
  int32_t SetGroupUserValue(int32_t groupId, int32_t value);
  int32_t AddElementsOfTypeToGroup(int32_t groupId, int32_t type);
  int32_t RemoveElementsOfTypeFromGroup(int32_t groupId, int32_t type);
  int32_t GetFirstGroup(int32_t* groupId);
  int32_t GetNextGroup(int32_t* groupId);
  int32_t SetGroupText2(int32_t groupId, plat::BSTR text);
  int32_t GetGroupText2(int32_t groupId, plat::BSTR* text);
  int32_t SetGroupActive(int32_t groupId, uint8_t active);
  int32_t GetGroupActive(int32_t groupId, bool* active);
  int32_t GetGroupSelected(int32_t groupId, bool* selected);
  int32_t SetGroupSelected(int32_t groupId, uint8_t selected);
  int32_t GetElementGroup(int32_t id, int32_t* groupId);
  int32_t FindGroupByName(plat::BSTR name, int32_t* groupId);
  int32_t SetGroupMemberProperty(int32_t groupId, int32_t property, AnnValue value);
  int32_t GetGroupCount() const;
  int32_t SetGroupRect(int32_t groupId, int32_t x, int32_t y, int32_t width, int32_t height);
  // direction 4 mirrors left-right, 2 top-bottom.
  int32_t MirrorGroup(int32_t groupId, int32_t direction);
  int32_t RecalcGroupRect(int32_t groupId, plat::RECT* rect);
  bool AnyGroupSelected() const;

  // Z-order, 1-based from the bottom.
  int32_t GetZOrder(int32_t id, int32_t* position);
  int32_t SetZOrder(int32_t id, int32_t position);

  // Adds an element that finished its creation gesture (null: the current element) on top of the
  // z-order and answers its id; 0 when there is none.
  int32_t PlaceElement(AnnElement* element, bool rearm, bool notify);
  AnnElement* CurrentElement() const { return current_; }

  // The layer stream.
  int32_t Save(plat::IStream* stream, bool selectedOnly);
  int32_t Load(plat::IStream* stream, bool merge);
  int32_t WriteBody(AnnStreamWriter& out, bool selectedOnly, uint32_t* bodySize);
  int32_t ReadBody(AnnStreamReader& in, bool merge);

  // The layer in the published named-block layout: UTF-16 blocks (first) or ANSI only (second).
  int32_t ExportOiBlocks(AnnStreamWriter& out, bool layerBlocks, bool firstLayer);
  int32_t ExportOiBlocks2(AnnStreamWriter& out, bool layerBlocks, bool firstLayer);
  void SetOiCreationScale(int32_t scale) { oiCreationScale_ = scale; }

  // For tests: the element id and group id counters.
  int32_t ElementIdCounter() const { return elementCounter_; }
  int32_t GroupIdCounter() const { return groupCounter_; }

 private:
  void Invalidate(const plat::RECT* logical);
  void InvalidateGrown(const plat::RECT& logical, int times);
  int32_t RaiseEvent(int32_t code, int32_t param);
  plat::RECT Grown(const plat::RECT& r, int times) const;
  int32_t Margin() const;

  int32_t WriteOiBlocks(AnnStreamWriter& out, bool layerBlocks, bool firstLayer, bool unicode);

  // Elements.
  std::unique_ptr<AnnElement> MakeElement(int32_t tool);
  int32_t IndexOf(const AnnElement* e) const;
  bool Holds(const AnnElement* e) const { return e && placedSet_.count(e) != 0; }
  // Takes the element out of the list and the selection; the caller destroys what it gets back.
  std::unique_ptr<AnnElement> Unlink(AnnElement* e);
  void DestroyElement(std::unique_ptr<AnnElement> e);
  void DropCurrentElement();
  bool IsSelected(const AnnElement* e) const;
  void RemoveFromSelection(const AnnElement* e);
  void SelectElement(AnnElement* e, plat::RECT* grow);
  void KeepOnlySelected(AnnElement* keep);
  void MoveToIndex(AnnElement* e, size_t index);
  int32_t SwapWithNeighbour(int32_t id, int direction);
  void RecalcAllGroupRects();
  void AddDirty(const plat::RECT& r);
  void FlushDirtyRect(bool updateNow);
  int32_t NextElementId(int32_t wanted);
  int32_t ElementValue(AnnElement* e, int32_t id) const;

  // Groups.
  AnnGroup* FindGroup(int32_t groupId) const;
  AnnGroup* GroupOf(const AnnElement* e) const;
  void SelectGroup(AnnGroup* g, plat::RECT* grow);
  void SetGroupSelectionState(AnnGroup* g, bool selected);
  bool RecalcGroup(AnnGroup* g, plat::RECT* out);
  void MoveGroupBy(AnnGroup* g, int32_t dx, int32_t dy);
  // Moves the element, adds its old and new areas to the repaint rect and reports the change.
  void MoveAndReport(AnnElement* e, int32_t dx, int32_t dy);
  void ResizeGroup(AnnGroup* g, int32_t dx, int32_t dy);

  // Input.
  int32_t OnPointerMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, int32_t x, int32_t y);
  int32_t OnPointerButtonDown(plat::HWND window, plat::WPARAM wParam, int32_t x, int32_t y);
  int32_t OnPointerMouseMove(plat::HWND window, plat::WPARAM wParam, int32_t x, int32_t y);
  int32_t OnPointerSetCursor(int32_t x, int32_t y);
  AnnElement* HitTestElements(int32_t x, int32_t y, bool includeLocked, int32_t* handle, uint32_t message,
                              plat::HWND window);
  AnnGroup* HitTestGroupHandles(int32_t x, int32_t y, int32_t* handle);
  bool ChooseCursor(AnnElement* e, int32_t handle, int32_t* code);
  static int32_t CursorForHandle(int32_t handle);
  bool PointInView(int32_t x, int32_t y);
  void CursorFeedback(int32_t x, int32_t y, int32_t* result);

  AnnEngineServices services_;
  std::array<AnnPropertyMap, TOOL_COUNT> toolDefaults_;
  std::array<uint8_t, TOOL_COUNT> toolEnabled_{};
  AnnPropertyMap properties_;
  int32_t currentTool_ = TOOL_NONE;
  plat::BSTR name_ = nullptr;
  plat::BSTR text2_ = nullptr;
  plat::BSTR password_ = nullptr;
  plat::BSTR defaultText_[3] = {};  // text, stamp, button tool string cells
  // Cells the layer makes for string defaults (10, 1281) that the engine's map left without one.
  std::array<std::array<plat::BSTR, 2>, TOOL_COUNT> ownCells_{};
  bool visible_ = true;
  bool currentFlag_ = false;
  uint8_t paintEnabled_ = 1;
  bool paletteShown_ = false;
  bool isCurrentLayer_ = false;
  bool fixedTime_ = false;
  bool beingDestroyed_ = false;
  bool captureHeld_ = false;

  std::vector<std::unique_ptr<AnnElement>> elements_;  // bottom first
  std::unordered_set<const AnnElement*> placedSet_;
  std::map<int32_t, int32_t> idUse_;  // how many placed elements hold each id
  std::vector<AnnElement*> selection_;                 // in the order of selecting
  std::vector<std::unique_ptr<AnnGroup>> groups_;
  std::unique_ptr<AnnElement> unplaced_;               // the element a drawing tool is making
  AnnElement* current_ = nullptr;
  AnnGroup* resizeGroup_ = nullptr;
  AnnElement* rightClick_ = nullptr;
  AnnElement* pressed_ = nullptr;  // run mode
  int32_t lastX_ = -1;
  int32_t lastY_ = -1;
  plat::RECT dirty_{};
  bool dirtyEmpty_ = true;
  int32_t elementCounter_ = 0;
  int32_t groupCounter_ = 0;
  size_t elementCursor_ = 0;
  size_t selectionCursor_ = 0;
  size_t groupCursor_ = 0;
  plat::HGLOBAL imageDefault_ = nullptr;
  int32_t oiCreationScale_ = 1000;
};

// The entry through which an element hands itself to its layer when its creation gesture ends.
int32_t annPlaceElement(AnnLayer* layer, AnnElement* element);
