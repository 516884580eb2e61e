#pragma once
// File-type associations: the image extensions the program offers to open, their state in
// the registry file (the program's record) and the desktop's own mechanism beside it: a desktop
// entry for the program, the album type in the shared MIME database, and the program as the
// default application for associated types in the user's mimeapps.list.
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace extAssoc {

inline constexpr const char* kDocType = "ImageLumivex.Application.1";
inline constexpr const char* kDesktopFile = "kvtLumivex.desktop";
inline constexpr const char* kAlbumType = "application/x-lumivex-album";

struct Extension {
  const char* ext;   // ".bmp"
  const char* box;   // "chkBMP"
  int column, row;   // place in the dialog, from 1
};
// The extensions the dialog offers, in its order: those of its design whose files the program reads.
const std::vector<Extension>& extensions();

// Whether a default value names the document type (blanks and letter case aside).
bool namesDocType(const QString& value);

// The MIME type the desktop knows for an extension; "" when it knows none. Tests replace it.
using MimeLookup = std::function<QString(const QString& ext)>;
MimeLookup& mimeLookup();

struct State {
  bool associated = false;  // its default value is the document type
};
// Reads each extension's state, in the table's order.
std::vector<State> readStates();
// Points the given extensions at the document type: the registry value of each extension that
// exists on the system, and the program as the default application of its MIME type. Returns the
// extensions written. A file that could not be written (the settings file or mimeapps.list: a
// folder in its place, no write permission) is named in *unwritable, and the work stops there.
QStringList associate(const QStringList& exts, QString* unwritable = nullptr);

// ---- The desktop's side ------------------------------------------------------------------------
// "$XDG_DATA_HOME" and "$XDG_CONFIG_HOME" with their defaults.
QString dataHome();
QString configHome();
// The files the program installs for the desktop (docs/desktop, built into the program): the
// desktop entry, the album type's MIME package and the icon, by file name.
QByteArray desktopFile(const char* name);
// The installed desktop entry for the program at this path (Exec quoted as the desktop entry rules
// ask), claiming the types of the offered extensions as this desktop names them.
QByteArray desktopEntry(const QString& programPath);
QByteArray albumMimeXml();
// Where the user's copy of the program's icon goes: the icon theme's folders of the user.
QString iconPath();
// Writes the desktop entry, the album type and the icon when they differ from what is there;
// starts the MIME database update when the type changed. False when a file could not be written.
bool writeDesktopRegistration(const QString& programPath);
// Sets the program as the default application of these MIME types in mimeapps.list, keeping every
// other line of the file.
bool setDefaultApplication(const QStringList& mimeTypes);
// The [Default Applications] section of mimeapps.list text with these types set to the program.
QByteArray withDefaults(const QByteArray& mimeappsList, const QStringList& mimeTypes);

}  // namespace extAssoc
