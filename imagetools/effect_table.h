#pragma once
// The effects of the effect dialog, one row each: the operation word, the dialog caption, the
// inputs (up to three sliders, a Preview button, or the gamma text box) and the operation run by
// Preview and Apply. The dialog reads only this table; adding an effect is adding a row.
#include "controls/imaging/bitmap.h"

#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace tools {

enum class EffectKind { Sliders, Direct, Gamma };

struct SliderInput {
  QString label;
  int min = 0, max = 0;
  int start = 0;  // the control's parameter value that the slider starts from
  QString toolTip;
};

// What the inputs hold when an effect runs: the slider values in order, or the gamma number.
struct EffectValues {
  int s[3] = {0, 0, 0};
  float gamma = 1.0f;
};

// The pixels of an area of what an effect makes of src, written into the same pixels of dst (a
// picture of src's size and depth): the same pixels the whole-picture run gives there. Returns
// the part of dst made, which holds the area (effects that make whole rows make its rows whole).
using EffectRows = std::function<QRect(const img::Bitmap& src, img::Bitmap& dst, const QRect& area, const EffectValues&)>;

struct Effect {
  QString word;
  QString caption;
  EffectKind kind = EffectKind::Direct;
  std::vector<SliderInput> sliders;  // Sliders only
  QString directLabel;               // Direct: the short name beside the Preview button
  std::function<void(img::Bitmap&, const EffectValues&)> run;
  // For a 24-bit picture, how to make only a part (the preview makes the part in view first);
  // empty for an effect that needs the whole picture.
  EffectRows rows;
  // The depth of the picture rows writes into when it is not the source's (grey scale makes an
  // 8-bit grey picture of a colour one); 0 for the source's.
  int madeDepth = 0;
};

const std::vector<Effect>& effectTable();
// The row of a word (exact, case-sensitive); nullptr for a word outside the table.
const Effect* findEffect(const QString& word);

// The gamma text box accepts 0.01 to 10.
inline constexpr double kGammaMin = 0.01, kGammaMax = 10.0;
// Whether the text enables Preview and Apply: numeric and within the range.
bool gammaTextEnables(const QString& text);
// The message for a text left in the box ("" when it passes): empty after trimming passes.
QString gammaLeaveMessage(const QString& text);

// The designed places of the inputs in their frame, in twips: the frame's top in the dialog, and
// the three slider frames' tops and height (the Preview button's and the gamma box's frames take
// the first one's place).
inline constexpr double kInputsFrameTop = -45;
inline constexpr double kSliderFrameTops[3] = {2295, 3120, 3945};
inline constexpr double kSliderFrameHeight = 825;

// Layout of the dialog for an effect, in twips: the height of the frame around the inputs, the
// top of the two buttons and the height of the dialog (the designed three-slider layout for a
// word outside the table).
struct EffectLayout {
  double frameHeight, buttonTop, formHeight;
};
EffectLayout effectLayout(const Effect* e);

}  // namespace tools
