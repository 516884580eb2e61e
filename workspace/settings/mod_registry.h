#pragma once
// The program's place in the registry: its settings key, whether the first start offered the
// file-type association, and the registration of its document type with the shell, rewritten at
// every start so that it always points at the program that ran last.
#include <QString>

namespace plat::reg {
struct RegKey;
}

namespace modRegistry {

// The settings key of the program under HKEY_LOCAL_MACHINE.
inline constexpr char kSettingsKey[] = "SOFTWARE\\Quorvane\\Lumivex";

// A text value of an open key, in the system's code page and trimmed; "" when it is missing or not
// text. Writing stores it with its terminating null.
QString fnReadText(plat::reg::RegKey* key, const char* name);
void fnWriteText(plat::reg::RegKey* key, const char* name, const QString& value);

// Whether the file-type association has been offered ("FileAssoc" is "1"). A missing settings key
// is created with "0"; a key that can be neither opened nor created reads as not offered.
bool fnFileAssocOffered();
// Records that the association was offered; nothing when the settings key cannot be opened.
void fnSetFileAssocOffered();

// The document type "ImageLumivex.Application.1" (name, open and edit commands, current version,
// icon) and the album extension ".kvt". Keys that can be neither opened nor created are skipped;
// nothing is reported.
void fnRegisterDocType();

}  // namespace modRegistry
