#include "workspace/settings/scan_area.h"

#include "runtime/conversions.h"
#include "workspace/view_text.h"

namespace scanArea {

namespace {

const char* const kNames[] = {"Left", "Top", "Right", "Bottom"};

}  // namespace

QString fnTwoDecimalsText(const QString& text) {
  const QString s = text.trimmed();
  const qsizetype p = s.indexOf(QLatin1Char('.'));
  if (p < 0) return s + QStringLiteral(".00");
  const qsizetype after = s.size() - p - 1;
  if (after == 0) return s + QStringLiteral("00");
  if (after == 1) return s + QStringLiteral("0");
  if (after == 2) return s;
  return s.left(p + 3);
}

QString fnTwoDecimals(float value) { return fnTwoDecimalsText(modView::fnSingleText(value)); }

bool fnEnableOK(const std::array<QString, 4>& texts) {
  for (const QString& t : texts)
    if (t.trimmed().isEmpty()) return false;
  return true;
}

std::optional<QString> fnValidate(Box box, const std::array<QString, 4>& texts) {
  const QString text = texts[box].trimmed();
  if (text.isEmpty()) return std::nullopt;
  if (!rt::IsNumeric(text)) return QStringLiteral("Scan Area values must be numeric!");
  const double v = rt::Val(text);
  const QString name = QString::fromLatin1(kNames[box]);
  if (v < 0) return QStringLiteral("Scan Area (%1) must be equal or greater than 0!").arg(name);
  const Box other = static_cast<Box>((box + 2) % 4);
  const QString otherText = texts[other].trimmed();
  // Without a number in the opposite box there is nothing to compare with yet.
  if (otherText.isEmpty() || !rt::IsNumeric(otherText)) return std::nullopt;
  const double o = rt::Val(otherText);
  const QString otherName = QString::fromLatin1(kNames[other]);
  if ((box == Left || box == Top) && v > o)
    return QStringLiteral("Scan Area (%1) must be less than Scan Area (%2)!").arg(name, otherName);
  if ((box == Right || box == Bottom) && v < o)
    return QStringLiteral("Scan Area (%1) must be greater than Scan Area (%2)!").arg(name, otherName);
  return std::nullopt;
}

}  // namespace scanArea
