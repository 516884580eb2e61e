#include "imagetools/effect_table.h"

#include "controls/imaging/image_ops.h"
#include "controls/imaging/pixel_ops.h"
#include "runtime/conversions.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace tools {

namespace {

using img::Bitmap;
using V = EffectValues;
namespace d = img::effect_defaults;

Effect sliders(const char* word, const char* caption, std::vector<SliderInput> in,
               std::function<void(Bitmap&, const V&)> run) {
  return Effect{QLatin1String(word), QLatin1String(caption), EffectKind::Sliders, std::move(in), QString(), std::move(run), {}};
}

Effect direct(const char* word, const char* caption, const char* label, std::function<void(Bitmap&)> run) {
  return Effect{QLatin1String(word), QLatin1String(caption), EffectKind::Direct, {}, QLatin1String(label),
                [run = std::move(run)](Bitmap& b, const V&) { run(b); }, {}};
}

// The part of an effect whose pixels depend only on the source pixels up to reach(v) rows and
// reachX(v) columns away (reach(v) both ways when not given), and on blocks of align(v) pixels
// counted from the top left: the effect runs on the piece of the source around the area, whose
// edges lie beyond what the kept pixels read (or are the picture's own edges).
EffectRows localRows(std::function<void(Bitmap&, const V&)> run, std::function<int(const V&)> reach,
                     std::function<int(const V&)> align = {}, std::function<int(const V&)> reachX = {}) {
  return [run = std::move(run), reach = std::move(reach), align = std::move(align), reachX = std::move(reachX)](
             const Bitmap& src, Bitmap& dst, const QRect& area, const V& v) {
    const QRect part = area.intersected(QRect(0, 0, src.width(), src.height()));
    if (part.isEmpty()) return part;
    const int32_t a = align ? std::max(1, align(v)) : 1, m = reach ? std::max(0, reach(v)) : 0;
    const int32_t mx = reachX ? std::max(0, reachX(v)) : m;
    // [from, to) widened to whole blocks and by the reach, within [0, size).
    auto widen = [a](int32_t from, int32_t to, int32_t size, int32_t by) {
      return std::pair<int32_t, int32_t>(std::max(0, from / a * a - by),
                                         static_cast<int32_t>(std::min<int64_t>(size, (int64_t(to) + a - 1) / a * a + by)));
    };
    const auto [top, bottom] = widen(part.top(), part.bottom() + 1, src.height(), m);
    const auto [left, right] = widen(part.left(), part.right() + 1, src.width(), mx);
    Bitmap piece = img::crop(src, QRect(left, top, right - left, bottom - top));
    run(piece, v);
    if (piece.width() != right - left || piece.bitsPerPixel() != dst.bitsPerPixel() || piece.height() != bottom - top)
      throw std::logic_error("an effect run on a part changed the picture's size or depth");
    img::putPart(dst, img::crop(piece, part.translated(-left, -top)), part.left(), part.top());
    return part;
  };
}

// Colour mappings: each pixel from its own colour.
Effect pointwise(Effect e) {
  e.rows = localRows(e.run, {});
  return e;
}
// Neighbourhood filters reaching reach(v) rows and reachX(v) columns (as far as rows when not given).
Effect reaching(Effect e, std::function<int(const V&)> reach, std::function<int(const V&)> reachX = {}) {
  e.rows = localRows(e.run, std::move(reach), {}, std::move(reachX));
  return e;
}
// The 3 x 3 filters read the next row on each side.
int threeByThree(const V&) { return 2; }
// Margin of a Gaussian of this sigma: beyond the widest kernel the library builds for it.
int gaussianReach(double sigma) { return static_cast<int>(std::ceil(4 * sigma)) + 1; }

// Effects with their own way of making some rows: the distortions (each output row from the
// source at computed positions), the twist (whole blocks), the noise (each pixel's step from its
// position) and the button (bevels by the distance to the edges).
template <class R>
Effect withRows(Effect e, R rowsOf) {
  e.rows = [rowsOf](const Bitmap& src, Bitmap& dst, const QRect& area, const V& v) {
    const QRect rows = QRect(0, area.top(), src.width(), area.height()).intersected(QRect(0, 0, src.width(), src.height()));
    if (!rows.isEmpty()) rowsOf(src, dst, rows.top(), rows.bottom() + 1, v);
    return rows;
  };
  return e;
}

std::vector<Effect> build() {
  return {
      pointwise(sliders("ADJHSL", "   Adjust HSL Components",
              {{"Hue", -100, 100, d::HueAdjust, {}}, {"Saturation", -100, 100, d::SaturationAdjust, {}},
               {"Luminance", -100, 100, d::LuminanceAdjust, {}}},
              [](Bitmap& b, const V& v) { img::adjustHSL(b, v.s[0], v.s[1], v.s[2]); })),
      pointwise(sliders("ADJRGB", "   Adjust RGB Components",
              {{"Red Component", -100, 100, d::RedAdjust, {}}, {"Green Component", -100, 100, d::GreenAdjust, {}},
               {"Blue Component", -100, 100, d::BlueAdjust, {}}},
              [](Bitmap& b, const V& v) { img::adjustRGB(b, 0, v.s[0], v.s[1], v.s[2]); })),
      reaching(sliders("BLEND", "   Blend", {{"Blend Percentage", 0, 100, d::BlendPercent, {}}},
                       [](Bitmap& b, const V& v) { img::blend(b, v.s[0]); }),
               [](const V&) { return 3; }),
      reaching(direct("BLUR", "   Blur", "Blur", img::blur), threeByThree),
      pointwise(sliders("BRIGHTNESS & CONTRAST", "   Brightness & Contrast",
              {{"Brightness Intensity", -100, 100, d::BrightnessLevel, {}},
               {"Contrast Intensity", -100, 100, d::ContrastLevel, {}}},
              [](Bitmap& b, const V& v) {
                img::adjustBrightness(b, v.s[0]);
                img::adjustContrast(b, v.s[1]);
              })),
      withRows(sliders("BUTTONIZE", "   Buttonize",
                     {{"Button Style", 0, 1, d::ButtonStyle, "0 Inset, 1 Raised"}, {"Bevel Width", 0, 200, d::BevelWidth, {}},
                      {"Bevel Intensity", 0, 100, d::BevelIntensity, {}}},
                     [](Bitmap& b, const V& v) { img::buttonize(b, v.s[0], v.s[1], v.s[2]); }),
             [](const Bitmap& s, Bitmap& t, int32_t f, int32_t l, const V& v) { img::buttonizeRows(s, t, f, l, v.s[0], v.s[1], v.s[2]); }),
      withRows(direct("DIFFUSE", "   Diffuse", "Diffuse", img::diffuse),
               [](const Bitmap& s, Bitmap& t, int32_t f, int32_t l, const V&) { img::diffuseRows(s, t, f, l); }),
      reaching(direct("DILATE", "   Dilate", "Dilate", img::dilate), threeByThree),
      reaching(direct("EMBOSS", "   Emboss", "Emboss", img::emboss), threeByThree),
      [] {
        // The table comes from the whole picture's histogram; each pixel then maps on its own.
        Effect e = direct("EQUALIZE", "   Equalize", "Equalize", img::equalize);
        e.rows = [](const Bitmap& src, Bitmap& dst, const QRect& area, const V&) {
          const QRect part = area.intersected(QRect(0, 0, src.width(), src.height()));
          if (part.isEmpty()) return part;
          Bitmap piece = img::crop(src, part);
          img::equalizeAs(piece, src);
          img::putPart(dst, piece, part.left(), part.top());
          return part;
        };
        return e;
      }(),
      reaching(direct("ERODE", "   Erode", "Erode", img::erode), threeByThree),
      pointwise(Effect{QStringLiteral("GAMMA"), QStringLiteral("   Gamma"), EffectKind::Gamma, {}, QStringLiteral("Gamma"),
                       [](Bitmap& b, const V& v) { img::applyGamma(b, v.gamma); }, {}}),
      [] {
        // Each grey from its own pixel's colour, into an 8-bit grey picture.
        Effect e = direct("GRAYSCALE", "   Gray Scale", "Gray Scale", [](Bitmap& b) { img::changeColorDepth(b, 8, 2, 0); });
        e.rows = [](const Bitmap& src, Bitmap& dst, const QRect& area, const V&) { return img::greyPart(src, dst, area); };
        e.madeDepth = 8;
        return e;
      }(),
      reaching(sliders("MBLUR", "   Motion Blur",
                       {{"Blur Intensity", 1, 25, d::MotionBlurIntensity, {}},
                        {"Horizontal Velocity", -10, 10, d::MotionBlurHVelocity, {}},
                        {"Vertical Velocity", -10, 10, d::MotionBlurVVelocity, {}}},
                       [](Bitmap& b, const V& v) { img::motionBlur(b, v.s[0], v.s[1], v.s[2]); }),
               [](const V& v) { return std::abs(std::clamp(v.s[2], -10, 10)) * (std::clamp(v.s[0], 1, 25) - 1); },
               [](const V& v) { return std::abs(std::clamp(v.s[1], -10, 10)) * (std::clamp(v.s[0], 1, 25) - 1); }),
      reaching(direct("MEDIAN", "   Median", "Median", img::median), threeByThree),
      [] {
        // The word keeps the menu's old spelling; the screen spells it right.
        Effect e = sliders("MOSIAC", "   Mosaic", {{"Mosaic Block Size", 1, 63, d::MosaicSize, {}}},
                           [](Bitmap& b, const V& v) { img::mosaic(b, v.s[0]); });
        e.rows = localRows(e.run, {}, [](const V& v) { return v.s[0]; });
        return e;
      }(),
      pointwise(direct("NEGATE", "   Negate", "Negate", img::negate)),
      withRows(sliders("NOISE", "   Noise",
                     {{"Noise Frequency", 1, 20, d::NoiseFrequency, {}}, {"Noise Intensity", 1, 128, d::NoiseIntensity, {}}},
                     [](Bitmap& b, const V& v) { img::addNoise(b, v.s[0], v.s[1]); }),
             [](const Bitmap& s, Bitmap& t, int32_t f, int32_t l, const V& v) { img::addNoiseRows(s, t, f, l, v.s[0], v.s[1]); }),
      reaching(direct("OUTLINE", "   Outline", "Outline", img::outline), threeByThree),
      withRows(sliders("PARABOLIC", "   Parabolic", {{"Parabolic Transform", 0, 1, d::ParabolicType, "0 Convex, 1 Concave"}},
                     [](Bitmap& b, const V& v) { img::parabolic(b, v.s[0]); }),
             [](const Bitmap& s, Bitmap& t, int32_t f, int32_t l, const V& v) { img::parabolicRows(s, t, f, l, v.s[0]); }),
      withRows(sliders("PERSPECTIVE", "   Perspective",
              {{"Perspective Type", 0, 3, d::PerspectiveType, "0 Top-Bottom, 1 Bottom-Top, 2 Left-Right, 3 Right-Left"},
               {"Perspective Percentage", 0, 100, d::PerspectivePercent, {}}},
              [](Bitmap& b, const V& v) { img::perspective(b, v.s[0], v.s[1]); }),
             [](const Bitmap& s, Bitmap& t, int32_t f, int32_t l, const V& v) { img::perspectiveRows(s, t, f, l, v.s[0], v.s[1]); }),
      withRows(sliders("PINCH", "   Pinch", {{"Pinch Intensity", -100, 100, d::PinchIntensity, {}}},
                     [](Bitmap& b, const V& v) { img::pinch(b, v.s[0]); }),
             [](const Bitmap& s, Bitmap& t, int32_t f, int32_t l, const V& v) { img::pinchRows(s, t, f, l, v.s[0]); }),
      pointwise(sliders("POSTERIZE", "   Posterize", {{"Posterize Colours", 0, 100, d::PosterizeLevels, {}}},
                        [](Bitmap& b, const V& v) { img::posterize(b, v.s[0]); })),
      withRows(sliders("RIPPLE", "   Ripple",
              {{"Ripple Frequency", 1, 100, d::RippleFrequency, {}}, {"Ripple Intensity", 1, 100, d::RippleIntensity, {}},
               {"Ripple Direction", 0, 1, d::RippleDirection, "0 Horizontal, 1 Vertical"}},
              [](Bitmap& b, const V& v) { img::ripple(b, v.s[0], v.s[1], v.s[2]); }),
             [](const Bitmap& s, Bitmap& t, int32_t f, int32_t l, const V& v) { img::rippleRows(s, t, f, l, v.s[0], v.s[1], v.s[2]); }),
      reaching(sliders("SHARPEN", "   Sharpen", {{"Sharpening Intensity", 1, 10, d::SharpenLevel, {}}},
                       [](Bitmap& b, const V& v) { img::sharpen(b, v.s[0]); }),
               [](const V&) { return gaussianReach(1.0); }),
      reaching(sliders("SOFTEN", "   Soften", {{"Softening Intensity", 1, 10, d::SoftenLevel, {}}},
                       [](Bitmap& b, const V& v) { img::soften(b, v.s[0]); }),
               [](const V& v) { return gaussianReach(0.4 * std::clamp(v.s[0], 1, 10)); }),
      pointwise(sliders("SOLARIZE", "   Solarize", {{"Solarization Threshold", 0, 255, d::SolarizeThreshold, {}}},
                        [](Bitmap& b, const V& v) { img::solarize(b, v.s[0]); })),
      withRows(sliders("SWIRL", "   Swirl", {{"Swirl Degrees", 0, 360, d::SwirlDegrees, {}}},
                     [](Bitmap& b, const V& v) { img::swirl(b, static_cast<double>(v.s[0])); }),
             [](const Bitmap& s, Bitmap& t, int32_t f, int32_t l, const V& v) { img::swirlRows(s, t, f, l, static_cast<double>(v.s[0])); }),
      withRows(sliders("TWIST", "   Twist",
                     {{"Twist Block Size", 1, 63, d::TwistBlockSize, {}},
                      {"Rotation Angle", 0, 3, d::TwistAngle, "0 90 degrees, 1 180 degrees, 2 270 degrees, 3 Random"}},
                     [](Bitmap& b, const V& v) { img::twist(b, v.s[0], v.s[1]); }),
             [](const Bitmap& s, Bitmap& t, int32_t f, int32_t l, const V& v) { img::twistRows(s, t, f, l, v.s[0], v.s[1]); }),
  };
}

}  // namespace

const std::vector<Effect>& effectTable() {
  static const std::vector<Effect> table = build();
  return table;
}

const Effect* findEffect(const QString& word) {
  for (const Effect& e : effectTable())
    if (e.word == word) return &e;
  return nullptr;
}

namespace {
bool gammaValue(const QString& text, double* v) {
  if (!rt::IsNumeric(text)) return false;
  *v = rt::Val(text.trimmed());
  return true;
}
}  // namespace

bool gammaTextEnables(const QString& text) {
  double v = 0;
  return gammaValue(text, &v) && v >= kGammaMin && v <= kGammaMax;
}

QString gammaLeaveMessage(const QString& text) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return QString();
  double v = 0;
  if (!gammaValue(t, &v)) return QStringLiteral("Gamma values must be numeric!");
  if (v < kGammaMin || v > kGammaMax) return QStringLiteral("Gamma values must be between 0.01 and 10!");
  return QString();
}

EffectLayout effectLayout(const Effect* e) {
  // The designed form: three slider frames, the buttons just under the frame.
  constexpr double kDesignedFrame = 4830, kDesignedButtonTop = 4875, kButtonHeight = 390, kBelowButtons = 600;
  const int frames = !e ? 3 : e->kind == EffectKind::Sliders ? static_cast<int>(e->sliders.size()) : 1;
  if (frames >= 3) return {kDesignedFrame, kDesignedButtonTop, kDesignedButtonTop + kButtonHeight + kBelowButtons};
  // Compacted: the bottom of the last visible slider frame plus 60 (the Preview button and the
  // gamma box take the first slider frame's place).
  EffectLayout l{};
  l.frameHeight = kSliderFrameTops[frames - 1] + kSliderFrameHeight + 60;
  l.buttonTop = kInputsFrameTop + l.frameHeight + 100;
  l.formHeight = l.buttonTop + kButtonHeight + kBelowButtons;
  return l;
}

}  // namespace tools
