#pragma once
// What the main window does when it is first activated: it opens the file or the album that the
// program's command line names, or, on a first start without one, offers the file-type
// associations once.
#include <QString>

namespace ws {

// The program's command line (its one optional argument), read at the first activation.
void setCommandLine(const QString& commandLine);
QString commandLine();

// Runs once per load of the window; later activations do nothing. A file that cannot be read is
// reported like any other failed open.
void firstActivation();

}  // namespace ws
