#pragma once
// Pieces the archive dialogs share.
#include <QString>

class QHBoxLayout;
class QPushButton;
class QWidget;

namespace arch {

// The dialog's bottom row, right-aligned: the accepting button (the default button) and "&Cancel".
QHBoxLayout* buttonRow(QWidget* parent, const QString& acceptText, QPushButton*& accept, QPushButton*& cancel);

}  // namespace arch
