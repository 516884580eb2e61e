#pragma once
// What the text-bearing rectangle kinds (text, stamp, button) share: their string, their own
// font with its reference on the engine's font cache, the orientation that rotating and mirroring
// turn, and the line table that places their lines inside the rect and draws them.
#include <string>
#include <vector>

#include "annotation/elements/rect_element.h"
#include "annotation/elements/text_layout.h"

struct AnnFontEntry;

class AnnTextKind : public AnnRectElement {
 public:
  AnnTextKind(int32_t kind, const AnnPropertyMap& initial, bool takeDefaultText);
  ~AnnTextKind() override;

  void WriteProperty(AnnStreamWriter& out, int32_t id) override;
  void MirrorLeftRight(int32_t v1, int32_t v2) override;
  void MirrorTopBottom(int32_t v1, int32_t v2) override;
  void Rotate(int32_t v1, int32_t v2, float degrees) override;
  int32_t GetTextLayoutState() override { return displayed_; }
  void MarkDirty() override;
  void ResetTextState(intptr_t, intptr_t) override { layoutValid_ = false; }
  int32_t GetPropertyEx(int32_t id, AnnValue* out) override;
  // A new size re-wraps the text.
  void ScaleToRect(double xFactor, double yFactor, const plat::RECT& oldRect, const plat::RECT& newRect,
                   int32_t handle, int32_t store) override;
  void GrowBy(int32_t dx, int32_t dy) override;

  const std::u16string& Text() const { return text_; }
  int32_t Orientation() const { return orientation_; }
  // Whether a turn (tenths of a degree) is one a text kind takes: none or a quarter turn.
  static bool IsQuarterTurn(int32_t turn) { return turn == 0 || turn == 900 || turn == 1800 || turn == 2700; }
  // Whether the lines run up or down the page rather than across it.
  bool Sideways() const { return orientation_ == 900 || orientation_ == 2700; }

  // One laid-out line: its reference point relative to the rect's device top-left corner (where
  // the rotated text starts), and the characters it draws.
  struct PlacedLine {
    AnnTextLine chars;
    int32_t x = 0, y = 0;
    int32_t offset = 0;  // distance of the line from the first, along the direction lines stack
  };

  // Orientation arithmetic: the orientation turned by a quarter-turn angle.
  static int32_t TurnOrientation(int32_t orientation, int32_t angle);

 protected:
  // The font entry made for the current zoom, or null when the cache cannot provide one.
  AnnFontEntry* Font();
  void ReleaseFont();
  // Replaces the font with a LOGFONTA whose escapement and orientation follow the orientation.
  void SetFont(const plat::LOGFONTA& font);
  // Turns orientation and displayed orientation to the value and re-acquires the rotated font.
  void SetOrientation(int32_t value);
  // Common handling of 10, 11 and 28; false for other ids.
  bool SetTextProperty(int32_t id, AnnValue value, bool* changed, int32_t* result);
  // A displayed orientation that mirroring or rotating changed is set as the orientation.
  virtual void OrientationTurned(int32_t displayed);

  // Lays the text out in device pixels of the current zoom: the rect's width (or height for 900
  // and 2700) less the margins when maxWidth is not given.
  void LayoutLines(int32_t margin, int32_t maxWidth, bool typing);
  // The size the lines take, in device pixels: along the lines and across them.
  void LinesExtent(int32_t* along, int32_t* across) const;
  void DrawLines(plat::HDC dc, const plat::RECT& device, int32_t margin, int32_t limit, int32_t justification);
  // Saves the device context and prepares it for the lines: clipped to the rect shrunk by inset,
  // transparent text in the text colour. Answers the saved state and the room lines stack into.
  int BeginText(plat::HDC dc, const plat::RECT& device, int32_t inset, int32_t* room);
  int32_t LineStep() const { return lineHeight_ + lineLeading_; }
  // Gives the rect a size in device pixels of the view, keeping its top-left corner; false, and
  // the rect as it was, while the view shows nothing.
  bool ResizeToDevice(int32_t width, int32_t height);

  std::u16string text_;
  plat::LOGFONTA font_{};
  int32_t orientation_ = 0;
  int32_t displayed_ = 0;
  bool fontHeld_ = false;
  bool layoutValid_ = false;
  float layoutZoom_ = 0.0f;
  std::vector<PlacedLine> lines_;
  int32_t lineHeight_ = 0;
  int32_t lineLeading_ = 0;
};
