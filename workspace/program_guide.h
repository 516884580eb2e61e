#pragma once
// The program's guide (Help > Contents): an HTML guide beside the program (the build tree) or in
// the program's data folder, shown by the desktop's browser.
#include <QString>
#include <QStringList>
#include <functional>

namespace ws {

// Where the guide is looked for, in order: beside the program, the data folder installed with it,
// then each data folder of the program.
QStringList guidePlaces();
// The first of the places that holds the guide; "" when none does.
QString findGuide(const QStringList& places = guidePlaces());
// Asks the desktop to show a file in the program it gives that file's type: xdg-open where it is
// installed, whose exit status says whether it could, else Qt's desktop services. failed runs (now
// or once xdg-open has ended) when nothing could show it.
void showWithDesktop(const QString& path, const std::function<void()>& failed);
// Opens the guide in the desktop's browser. When it is missing, a message names every place where
// it was looked for; when no browser could show it, a message names the file to open by hand.
void openGuide(const QStringList& places = guidePlaces());

}  // namespace ws
