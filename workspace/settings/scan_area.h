#pragma once
// Rules of the scan-area dialog: the four values in inches as they are shown, and what each box
// may hold.
#include <QString>
#include <array>
#include <optional>

namespace scanArea {

enum Box { Left = 0, Top = 1, Right = 2, Bottom = 3 };

// A number shown with exactly two decimals, cut rather than rounded: 1.5 "1.50", 2 "2.00",
// 3.456 "3.45".
QString fnTwoDecimals(float value);
// The same rule on a number's text form.
QString fnTwoDecimalsText(const QString& text);
// OK may be clicked when no box is blank.
bool fnEnableOK(const std::array<QString, 4>& texts);
// The message for a box that is left with this text, given the four texts as they stand; nullopt
// when it passes. A blank box passes; the pair check waits until the opposite box holds a number.
std::optional<QString> fnValidate(Box box, const std::array<QString, 4>& texts);

}  // namespace scanArea
