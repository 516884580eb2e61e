#pragma once
// Pieces the archive dialogs share.
#include <QString>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace arch {

// A failure as the archive windows show it: exclamation, "Error".
void showError(const QString& text);

// The dialog's bottom row, right-aligned: the accepting button (the default button, Enter) and
// "&Cancel" (the Cancel button, Escape).
QHBoxLayout* buttonRow(QWidget* parent, const QString& acceptText, QPushButton*& accept, QPushButton*& cancel);

// The captions and maximum lengths of the two index parameters, as the login received them: a
// caption followed by " :", a length when one was sent (the design length of 50 when it is not a
// positive number); what was not received keeps the design values.
void applyParmDetails(QLabel* lblParm1, QLineEdit* txtParm1, QLabel* lblParm2, QLineEdit* txtParm2);
inline constexpr int kDesignParmLength = 50;

}  // namespace arch
