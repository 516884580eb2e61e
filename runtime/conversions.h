#pragma once
// Number and text conversions with the runtime's rules: integers take the nearest value with
// halves going to the even neighbour; numbers print with up to 15 significant digits.
#include <QString>
#include <cstdint>

namespace rt {

double RoundHalfEven(double v);
// 16-bit and 32-bit integer conversions; out of range raises run-time error 6 (Overflow).
int16_t CInt(double v);
int32_t CLng(double v);
// Text to integer: the text must be a number (13 Type mismatch otherwise), then as above.
int16_t CInt(const QString& text);
int32_t CLng(const QString& text);

QString CStr(int64_t v);
QString CStr(double v);
inline QString CStr(int32_t v) { return CStr(static_cast<int64_t>(v)); }
inline QString CStr(int16_t v) { return CStr(static_cast<int64_t>(v)); }
inline QString CStr(bool v) { return v ? QStringLiteral("True") : QStringLiteral("False"); }
// Str: like CStr, with a leading blank for numbers that are not negative.
QString Str(double v);
// Val: the number at the start of the text (blanks skipped, "&H"/"&O" prefixes), 0 when none.
double Val(const QString& text);
// Whether a text is a number as the runtime reads one ("12", " -1.5 ", "1E3", "&HFF").
bool IsNumeric(const QString& text);
// Text to Boolean: "True"/"False" in any case, or a number (non-zero is true). ok is false for any
// other text, which CBool would refuse with a type mismatch.
bool TextToBool(const QString& text, bool* ok);
// Raises 13 (Type mismatch) where TextToBool fails.
bool CBool(const QString& text);

}  // namespace rt
