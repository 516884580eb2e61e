#pragma once
// The image tools' pixel operations: plain functions that change one picture in place (or return
// a new one), usable without any window. Each family lives in its own source file:
//   ops_point.cpp     colour mappings (negate, brightness, contrast, gamma, RGB and HSL, ...)
//   ops_filter.cpp    neighbourhood filters (blur, median, emboss, morphology, noise, mosaic, ...)
//   ops_warp.cpp      geometric distortions (swirl, pinch, ripple, twist, parabolic, perspective)
//   ops_depth.cpp     colour depth with palettes and dithering
//   ops_separate.cpp  channel separation
//   ops_size.cpp      crop, automatic and border crop, resize
//   ops_histogram.cpp histograms
// Palette pictures keep their depth where an operation maps colours one by one (the palette is
// mapped); operations that mix neighbouring pixels work on grey (8-bit) or colour (24-bit) and
// leave the picture at that depth. Random operations use a fixed seed, so that running one twice
// on the same picture gives the same result.
#include "controls/imaging/bitmap.h"

#include <QRect>
#include <array>
#include <cstdint>
#include <vector>

namespace img {

// Start values of the effect parameters (what the control reports for its parameter properties).
namespace effect_defaults {
inline constexpr int HueAdjust = 0, SaturationAdjust = 0, LuminanceAdjust = 0;
inline constexpr int RedAdjust = 0, GreenAdjust = 0, BlueAdjust = 0;
inline constexpr int BlendPercent = 50;
inline constexpr int BrightnessLevel = 0, ContrastLevel = 0;
inline constexpr int ButtonStyle = 1, BevelWidth = 10, BevelIntensity = 50;
inline constexpr float GammaLevel = 1.0f;
inline constexpr int MotionBlurIntensity = 5, MotionBlurHVelocity = 1, MotionBlurVVelocity = 0;
inline constexpr int MosaicSize = 8;
inline constexpr int NoiseFrequency = 5, NoiseIntensity = 32;
inline constexpr int ParabolicType = 0;
inline constexpr int PerspectiveType = 0, PerspectivePercent = 30;
inline constexpr int PinchIntensity = 50;
inline constexpr int PosterizeLevels = 8;
inline constexpr int RippleFrequency = 10, RippleIntensity = 10, RippleDirection = 0;
inline constexpr int SharpenLevel = 5, SoftenLevel = 5;
inline constexpr int SolarizeThreshold = 128;
inline constexpr int SwirlDegrees = 90;
inline constexpr int TwistBlockSize = 16, TwistAngle = 0;
}  // namespace effect_defaults

// ---- colour mappings (ops_point.cpp) -----------------------------------------------------------
void negate(Bitmap& b);
void adjustBrightness(Bitmap& b, int level);          // -100..100: adds level % of full scale
void adjustContrast(Bitmap& b, int level);            // -100..100: 0 unchanged, -100 flat grey
void applyGamma(Bitmap& b, float gamma);              // 0.01..10; 1 unchanged, > 1 brightens
void solarize(Bitmap& b, int threshold);              // values >= threshold are inverted
void posterize(Bitmap& b, int levels);                // levels per channel, at least 2
void adjustRGB(Bitmap& b, int mode, int red, int green, int blue);  // -100..100 each; mode unused
void adjustHSL(Bitmap& b, int hue, int saturation, int luminance);  // -100..100 each
void equalize(Bitmap& b);                             // spreads the luminance histogram
// The same mapping as equalize(whole), applied to b (a part cut from whole, of its depth and palette).
void equalizeAs(Bitmap& b, const Bitmap& whole);
// Colour conversions used by the mappings and the separation (h in degrees 0..360, s and l 0..1).
void rgbToHsl(int r, int g, int b, double& h, double& s, double& l);
void hslToRgb(double h, double s, double l, int& r, int& g, int& b);

// ---- neighbourhood filters (ops_filter.cpp) ----------------------------------------------------
void blur(Bitmap& b);                                 // 3 x 3 box
void soften(Bitmap& b, int level);                    // 1..10: Gaussian, stronger with level
void sharpen(Bitmap& b, int level);                   // 1..10: unsharp mask
void blend(Bitmap& b, int percent);                   // mixes each pixel with its 5 x 5 mean; 0 unchanged
void median(Bitmap& b);                               // 3 x 3 median
void emboss(Bitmap& b);                               // relief on mid grey
void outline(Bitmap& b);                              // dark edges on white
void dilate(Bitmap& b);                               // 3 x 3 maximum (light areas grow)
void erode(Bitmap& b);                                // 3 x 3 minimum (dark areas grow)
void motionBlur(Bitmap& b, int intensity, int hVelocity, int vVelocity);  // streak along (h, v)
void addNoise(Bitmap& b, int frequency, int intensity);  // frequency % of pixels, +- intensity
void diffuse(Bitmap& b);                              // each pixel from a random neighbour within 2
// Rows first..last-1 of the diffused 24-bit src into the same rows of dst: the neighbours chosen
// depend only on each pixel's place, so they are those of the whole run.
void diffuseRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last);
void mosaic(Bitmap& b, int blockSize);                // block means; 1 unchanged
void buttonize(Bitmap& b, int style, int bevelWidth, int intensity);  // style 0 inset, 1 raised
// Rows first..last-1 of the noise and of the button of src (24-bit or 8-bit grey) into the same
// rows of dst: the pixels the whole-picture operation gives there.
void addNoiseRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, int frequency, int intensity);
void buttonizeRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, int style, int bevelWidth, int intensity);

// ---- distortions (ops_warp.cpp) ----------------------------------------------------------------
void swirl(Bitmap& b, double degrees);                // turn at the centre, 0 at the edge
void pinch(Bitmap& b, int intensity);                 // -100..100: > 0 pulls in, < 0 bulges
void ripple(Bitmap& b, int frequency, int intensity, int direction);  // 0 horizontal, 1 vertical waves
void twist(Bitmap& b, int blockSize, int angle);      // square blocks turned 90, 180, 270 or at random (3)
void parabolic(Bitmap& b, int type);                  // 0 convex, 1 concave
void perspective(Bitmap& b, int type, int percent);   // 0 top-bottom, 1 bottom-top, 2 left-right, 3 right-left
// Rows first..last-1 of what the distortion makes of src, written into the same rows of dst: the
// same pixels the whole-picture operation gives there (the preview makes the rows in view first).
// src is at a working depth (24-bit colour or 8-bit grey); dst has its size, depth and palette.
void swirlRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, double degrees);
void pinchRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, int intensity);
void rippleRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, int frequency, int intensity, int direction);
void parabolicRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, int type);
void perspectiveRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, int type, int percent);
void twistRows(const Bitmap& src, Bitmap& dst, int32_t first, int32_t last, int blockSize, int angle);

// ---- colour depth (ops_depth.cpp) --------------------------------------------------------------
enum PaletteType { kPaletteOptimized = 0, kPaletteFixed = 1, kPaletteGray = 2, kPaletteFile = 3, kPaletteUser = 4,
                   kPaletteOptimizedDither = 5, kPaletteGrayDither = 6, kPaletteFileDither = 7 };
enum DitherType { kDitherNone = 0, kDitherFloydSteinberg = 1, kDitherOrdered = 2, kDitherStucki = 3 };
// bitsPerPixel 1, 4, 8 or 24; other values raise rt::RuntimeError. A palette type "with dither"
// diffuses errors with Floyd-Steinberg when the dither type is none.
void changeColorDepth(Bitmap& b, int bitsPerPixel, int paletteType, int ditherType);
// The pixels of an area of what changeColorDepth(b, 8, grey palette, no dither) makes of the
// 24-bit src, written into the same area of dst (8-bit grey, src's size); returns the area made.
QRect greyPart(const Bitmap& src, Bitmap& dst, const QRect& area);
// The fixed palettes: black and white, the 16 standard colours, a 6 x 6 x 6 cube with 40 greys.
std::vector<QRgb> fixedPalette(int bitsPerPixel);
// At most maxColours colours chosen by median cut over the picture's colours.
std::vector<QRgb> optimizedPalette(const Bitmap& b, int maxColours);
// What the control reports as the depth settings of a picture.
struct DepthSettings {
  int bitsPerPixel = 24;
  int paletteType = 0;
  int ditherType = 0;
};
DepthSettings depthSettings(const Bitmap& b);

// ---- separation (ops_separate.cpp) -------------------------------------------------------------
// model 0 RGB, 1 HSL, 2 CMY (three channels), 3 CMYK (four); each channel an 8-bit grey picture.
std::vector<Bitmap> separateColours(const Bitmap& b, int model);

// ---- size (ops_size.cpp) -----------------------------------------------------------------------
// Sizes beyond this are refused by the crop and resize operations.
inline constexpr int32_t kMaxResizeSide = 32767;
Bitmap cropToRect(const Bitmap& b, int32_t left, int32_t top, int32_t width, int32_t height);
// Trims rows and columns at the edges in which fewer than fraction of the pixels differ from the
// background (the top-left pixel), keeping borderX / borderY pixels of that margin.
Bitmap autoCrop(const Bitmap& b, float fraction, int32_t borderX, int32_t borderY);
// Trims rows and columns at the edges in which at least fraction of the pixels have the border
// colour: 0 the background (top-left pixel), 1 the foreground (its opposite), 2 black, 3 white.
Bitmap borderCrop(const Bitmap& b, float fraction, int type);
// Resamples to width x height (area average when shrinking, bilinear when growing).
Bitmap resizeImage(const Bitmap& b, int32_t width, int32_t height);

// ---- histograms (ops_histogram.cpp) ------------------------------------------------------------
struct Histograms {
  std::array<int32_t, 256> red{}, green{}, blue{};
};
Histograms getHistograms(const Bitmap& b);

}  // namespace img
