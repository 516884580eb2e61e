#pragma once
// The rules of the crop and resize dialog without its window: when Apply is enabled, what leaving
// a box says, and the other side of the size when the aspect ratio is kept.
#include <QString>
#include <cstdint>

namespace tools {

enum class SizeBox { Width, Height, BorderX, BorderY, CropPct, BorderCropPct };

// Sizes and borders are 16-bit whole numbers: larger values are refused with the range message.
inline constexpr int32_t kMaxSizeValue = 32767;

bool resizeApplyEnabled(const QString& width, const QString& height);
bool autoCropApplyEnabled(const QString& cropPct, const QString& borderX, const QString& borderY);
bool borderCropApplyEnabled(const QString& cropPct);

// The message for leaving a box with this (trimmed, not empty) text: its numeric message, its range
// message, or "" when the value passes. The border limits are half of the image's width / height.
QString sizeLeaveMessage(SizeBox box, const QString& text, int32_t imageWidth, int32_t imageHeight);

// With the aspect ratio kept: the height for a width left in its box (width / ratio), or the width
// for a height (height x ratio), rounded half to even; false when it falls outside 1 to 32767.
bool keptRatioSide(SizeBox box, const QString& text, double ratio, int32_t* other);

// A box's text as a whole number, rounded half to even (0 for a text that is not numeric).
int32_t wholeValue(const QString& text);

}  // namespace tools
