#pragma once
// Pieces the settings dialogs share: the row of buttons at their foot and their place on the screen.
#include <QString>
#include <initializer_list>

class QBoxLayout;
class QPushButton;
class QWidget;
namespace rt {
class Form;
}

namespace settingsDialog {

// A button with its object name and caption ("&OK").
QPushButton* button(QWidget* parent, const char* name, const QString& caption);
// The buttons right-aligned in one row, added to the dialog's layout.
void addButtonRow(QBoxLayout* layout, std::initializer_list<QPushButton*> buttons);
// Sizes the dialog to its contents and puts it in the middle of the screen.
void fnCentreOnScreen(rt::Form& form);

}  // namespace settingsDialog
