#pragma once
// The windows of the archive client, the image tools and the albums, reached by name.
//
// The main window opens those windows but must not include their rooms (they include the
// workspace, not the other way round). app/ registers one opener per window at start-up; the main
// window asks for a window by its form name ("frmTCPIP", "frmAlbum", ...) with the few words the
// window needs (a command word, a path, a role).

#include <QString>
#include <QStringList>

#include <functional>

namespace ws {

using WindowOpener = std::function<void(const QStringList& args)>;

// Registers (or replaces) the opener of the window called name; an empty opener removes it.
void registerWindow(const QString& name, WindowOpener opener);
bool isWindowRegistered(const QString& name);
// Runs the window's opener; false when no window of that name is registered (nothing happens).
bool openWindow(const QString& name, const QStringList& args = {});
// Forgets every opener (tests start from an empty registry).
void clearWindowOpeners();

}  // namespace ws
