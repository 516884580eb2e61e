#include "imagetools/size_rules.h"

#include "runtime/conversions.h"

#include <cmath>

namespace tools {

namespace {

bool number(const QString& text, double* v) {
  if (!rt::IsNumeric(text)) return false;
  *v = rt::Val(text.trimmed());
  return std::isfinite(*v);
}

bool percentInRange(const QString& text) {
  double v = 0;
  return number(text, &v) && v > 0 && v <= 100;
}

}  // namespace

int32_t wholeValue(const QString& text) {
  double v = 0;
  if (!number(text, &v) || std::abs(v) > 2e9) return 0;
  return static_cast<int32_t>(rt::RoundHalfEven(v));
}

bool resizeApplyEnabled(const QString& width, const QString& height) { return rt::IsNumeric(width) && rt::IsNumeric(height); }

bool autoCropApplyEnabled(const QString& cropPct, const QString& borderX, const QString& borderY) {
  return rt::IsNumeric(borderX) && rt::IsNumeric(borderY) && percentInRange(cropPct);
}

bool borderCropApplyEnabled(const QString& cropPct) { return percentInRange(cropPct); }

QString sizeLeaveMessage(SizeBox box, const QString& text, int32_t imageWidth, int32_t imageHeight) {
  double v = 0;
  const bool numeric = number(text, &v);
  const double whole = numeric ? rt::RoundHalfEven(v) : 0;
  switch (box) {
    case SizeBox::Width:
    case SizeBox::Height: {
      const bool w = box == SizeBox::Width;
      if (!numeric) return w ? QStringLiteral("Width values must be numeric!") : QStringLiteral("Height values must be numeric!");
      if (whole < 1 || whole > kMaxSizeValue)
        return w ? QStringLiteral("Width values must be greater than 0!") : QStringLiteral("Height values must be greater than 0!");
      return QString();
    }
    case SizeBox::BorderX:
    case SizeBox::BorderY: {
      const bool x = box == SizeBox::BorderX;
      if (!numeric) return x ? QStringLiteral("Border X values must be numeric!") : QStringLiteral("Border Y values must be numeric!");
      const double half = (x ? imageWidth : imageHeight) / 2.0;
      if (whole < 0 || whole > half || whole > kMaxSizeValue)
        return x ? QStringLiteral("Border X values must be greater than 1 and \rless than half of image width!")
                 : QStringLiteral("Border Y values must be greater than 1 and \rless than half of image height!");
      return QString();
    }
    case SizeBox::CropPct:
    case SizeBox::BorderCropPct:
      if (!numeric) return QStringLiteral("Crop Percentage values must be numeric!");
      if (v < 0 || v > 100) return QStringLiteral("Crop Percentage values must be between 1 and 100!");
      return QString();
  }
  return QString();
}

bool keptRatioSide(SizeBox box, const QString& text, double ratio, int32_t* other) {
  double v = 0;
  if (!number(text, &v) || !(ratio > 0) || !std::isfinite(ratio)) return false;
  const double side = rt::RoundHalfEven(box == SizeBox::Width ? v / ratio : v * ratio);
  if (side < 1 || side > kMaxSizeValue) return false;
  *other = static_cast<int32_t>(side);
  return true;
}

}  // namespace tools
