#pragma once
// The abstract annotation element. The layer, the groups and the layer stream drive every kind
// only through the virtual operations below, declared in their fixed slot order (the destructor
// comes after them). Coordinates are logical units: ANN_LOGICAL_SPAN spans the page on each axis.
#include <cstdint>
#include <vector>

#include "annotation/ann_codes.h"
#include "annotation/services.h"
#include "platform/graphics/gdi_types.h"
#include "platform/memory/global_memory.h"
#include "platform/ole/ole_types.h"
#include "platform/windows/window_types.h"

class AnnLayer;
class AnnStreamWriter;
class AnnStreamReader;

class AnnElement {
 public:
  AnnElement(int32_t kind, const AnnPropertyMap& initial);

  /*  0 */ virtual int32_t OnMouseMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, int32_t x,
                                          int32_t y, int32_t* eventCode) = 0;
  /*  1 */ virtual int32_t OnKeyMessage(plat::HWND window, uint32_t message, plat::WPARAM wParam, plat::LPARAM lParam);
  /*  2 */ virtual int32_t Draw(plat::HDC dc, intptr_t v1, intptr_t v2, intptr_t v3, intptr_t v4, intptr_t v5,
                                intptr_t v6) = 0;
  /*  3 */ virtual void ResetTracking();
  /*  4 */ virtual void CancelTracking(plat::HWND window);
  /*  5 */ virtual void ResetTextState(intptr_t v1, intptr_t v2);
  /*  6 */ virtual void ScaleToRect(double xFactor, double yFactor, const plat::RECT& oldRect,
                                    const plat::RECT& newRect, int32_t handle, int32_t store);
  /*  7 */ virtual void GrowBy(int32_t dx, int32_t dy);
  /*  8 */ virtual void WriteProperty(AnnStreamWriter& out, int32_t id);
  /*  9 */ virtual void RecalcBounds() = 0;
  /* 10 */ virtual void GetBoundsWithHandles(plat::RECT* out);
  /* 11 */ virtual void MoveBy(int32_t dx, int32_t dy, plat::RECT* area) = 0;
  /* 12 */ virtual void MirrorLeftRight(int32_t v1, int32_t v2);
  /* 13 */ virtual void MirrorTopBottom(int32_t v1, int32_t v2);
  /* 14 */ virtual void Rotate(int32_t v1, int32_t v2, float degrees);
  /* 15 */ virtual void FlipLeftRightInRect(const plat::RECT& pixels);
  /* 16 */ virtual void FlipTopBottomInRect(const plat::RECT& pixels);
  /* 17 */ virtual int32_t GetTextLayoutState();
  /* 18 */ virtual void MarkDirty();
  /* 19 */ virtual bool HitTest(void* layerContext, intptr_t ignored1, int32_t x, int32_t y, intptr_t ignored2) = 0;
  /* 20 */ virtual int32_t HitTestHandles(plat::HWND window, uint32_t message, intptr_t ignored1, intptr_t ignored2,
                                          int32_t x, int32_t y, intptr_t ignored3) = 0;
  /* 21 */ virtual AnnValue GetProperty(int32_t id, bool* found);
  /* 22 */ virtual int32_t SetProperty(int32_t id, AnnValue value, bool* changed);
  /* 23 */ virtual int32_t GetPropertyEx(int32_t id, AnnValue* out);
  /* 24 */ virtual void SetPoints(intptr_t v1, intptr_t v2);

  virtual ~AnnElement();
  // Around the element record, so that what is read back is what was drawn: before the record is
  // written a kind settles what it would otherwise settle at its next draw (a size that follows
  // its text); after it was read, the record's geometry is kept as read. A font read from the
  // record is taken as the kind takes a font it is given; a kind whose record keeps more in its
  // font than face and sizes takes that too.
  virtual void SettleBeforeWrite() {}
  virtual void AfterRead() {}
  virtual void TakeStoredFont(const plat::LOGFONTA& font);
  AnnElement(const AnnElement&) = delete;
  AnnElement& operator=(const AnnElement&) = delete;

  // Wiring done by the layer right after construction.
  void Wire(AnnLayer* layer, const AnnEngineServices* services);

  int32_t Kind() const { return kind_; }
  int32_t Id() const { return id_; }
  void SetId(int32_t id);
  int32_t GroupId() const { return groupId_; }
  void SetGroupId(int32_t id);
  const plat::RECT& Rect() const { return rect_; }
  bool Visible() const { return visible_; }
  bool Placed() const { return placed_; }
  void SetPlaced(bool placed) { placed_ = placed; }
  bool Live() const { return live_; }
  bool Tracking() const { return tracking_; }
  // Map value of an id, or fallback when the kind does not hold it.
  int32_t Value(int32_t id, int32_t fallback = 0) const;
  bool Has(int32_t id) const { return properties_.count(id) != 0; }
  bool Selected() const { return Value(PROP_SELECTED) != 0; }
  // Sets the selected flag without any repaint or event; the layer keeps the selection list.
  void SetSelectedFlag(bool selected);
  // Run mode: the button (1, 2, 4) that pressed this element, 0 for none.
  int32_t PressedButton() const { return pressedButton_; }
  void SetPressedButton(int32_t code) { pressedButton_ = code; }
  int32_t GroupHandle() const { return groupHandle_; }
  void SetGroupHandle(int32_t handle) { groupHandle_ = handle; }

  void SetCreationTime(int64_t timeT);
  int64_t CreationFileTime() const { return fileTime_; }
  int32_t CreationTimeT() const { return timeT_; }

  // Points in page pixels; index 0 and 1 are the rect's corners for the rect-bounded kinds.
  int32_t GetPoint(int32_t index, plat::POINT* out);
  int32_t SetPoint(int32_t index, plat::POINT in);

  void BeginScaleSnapshot();
  void EndScaleSnapshot();

  // Turns page-pixel geometry left by a rebase back into logical units.
  void RunPendingConversion();
  // Geometry given in page pixels (an object descriptor's), turned into logical units before use.
  void TakeGeometryInPixels(const plat::RECT& rect, const std::vector<plat::POINT>* points);
  template <typename F>
  void ForEachProperty(F&& f) const {
    for (const auto& kv : properties_) f(kv.first);
  }
  void RebaseToPixels(int32_t offsetX, int32_t offsetY);

  // The element record. Save writes the element as it stands: its layer runs any pending
  // conversion and SettleBeforeWrite on every element before the first record.
  int32_t Save(AnnStreamWriter& out);
  int32_t Load(AnnStreamReader& in);

  // Client fit test: (x, y) lies inside the window's client area in logical units.
  bool FitsClient(plat::HWND window, int32_t x, int32_t y);

  // rect grown on every side by times the view's handle margin (logical units).
  plat::RECT Grown(const plat::RECT& r, int times = 1) const;

  // A value given for a property, held within the range where the arithmetic done with it holds
  // (pen widths within +-kAnnPenWidthLimit); other values pass unchanged.
  static int32_t LimitedValue(int32_t id, int32_t value);
  // Kinds whose geometry is their points, their rect only the bounds of those.
  static bool IsPointKind(int32_t kind) { return kind >= TOOL_POLYGON && kind <= TOOL_FREEHAND; }

 protected:
  void Invalidate(const plat::RECT* logical);
  void InvalidateUnion(const plat::RECT& a, const plat::RECT& b);
  plat::RECT ToPixels(const plat::RECT& logical) const;
  plat::RECT ToLogical(const plat::RECT& pixels) const;
  bool IsRectKind() const;
  // Selects the brush and pen through the engine's makers.
  void SelectBrush(plat::COLORREF colour, bool hollow, int32_t hatch, plat::COLORREF hatchColour);
  void SelectPen(int32_t width, plat::COLORREF colour, int32_t style);

  int32_t kind_;
  int32_t id_ = 0;
  int32_t groupId_ = 0;
  plat::RECT rect_{};
  std::vector<plat::POINT> points_;
  AnnPropertyMap properties_;
  bool visible_ = true;
  plat::BSTR userString_ = nullptr;
  plat::BSTR userString2_ = nullptr;
  int32_t timeT_ = 0;
  int64_t fileTime_ = 0;
  int64_t fileTime2_ = 0;
  AnnLayer* layer_ = nullptr;
  const AnnEngineServices* services_ = nullptr;
  int32_t pointGrab_ = 0;
  bool pendingConversion_ = false;
  bool live_ = false;
  bool placed_ = false;
  bool tracking_ = false;
  int32_t pressedButton_ = 0;
  int32_t dragHandle_ = -1;
  int32_t groupHandle_ = -1;
  plat::RECT snapshotRect_{};
  bool hasSnapshot_ = false;
  std::vector<plat::POINT> snapshotPoints_;
};
