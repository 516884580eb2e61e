#pragma once
// The login window's remembered settings: login name, server host and the two ports (never the
// password), as string values of the program's registry key.
#include <QString>

namespace arch {

struct LoginSettings {
  QString login, remoteHost, retPort, achPort;
};

// Values that are missing or do not fit in 255 bytes come back empty.
LoginSettings readLoginSettings();
// False when the key can be neither opened nor created; nothing is written then.
bool saveLoginSettings(const LoginSettings& settings);

}  // namespace arch
