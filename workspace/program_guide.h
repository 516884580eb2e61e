#pragma once
// The program's guide (Help > Contents): an HTML guide beside the program (the build tree) or in
// the program's data folder, shown by the desktop's browser.
#include <QString>
#include <QStringList>

namespace ws {

// Where the guide is looked for, in order: beside the program, then each data folder of the program.
QStringList guidePlaces();
// The first of the places that holds the guide; "" when none does.
QString findGuide(const QStringList& places = guidePlaces());
// Opens the guide in the desktop's browser; when it is missing, a message names every place where
// it was looked for.
void openGuide(const QStringList& places = guidePlaces());

}  // namespace ws
