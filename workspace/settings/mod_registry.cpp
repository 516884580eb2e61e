#include "workspace/settings/mod_registry.h"

#include "platform/registry/registry.h"
#include "runtime/screen.h"
#include "workspace/settings/ext_assoc.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <utility>

namespace modRegistry {

namespace {

using namespace plat::reg;

const QByteArray kDocType(extAssoc::kDocType);

// Opens the key with full access or creates it; writes its values as text with their
// terminating null.
void writeKey(const QByteArray& key, std::initializer_list<std::pair<const char*, QByteArray>> values) {
  HKEY k = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.constData(), 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS) {
    uint32_t disposition = 0;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.constData(), 0, "1", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &k,
                        &disposition) != ERROR_SUCCESS)
      return;
  }
  for (const auto& [name, data] : values)
    RegSetValueExA(k, name, 0, REG_SZ, reinterpret_cast<const uint8_t*>(data.constData()),
                   static_cast<uint32_t>(data.size() + 1));
  RegCloseKey(k);
}

}  // namespace

bool fnFileAssocOffered() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
    uint32_t disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, "1", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        &disposition) != ERROR_SUCCESS)
      return false;
    RegSetValueExA(key, "FileAssoc", 0, REG_SZ, reinterpret_cast<const uint8_t*>("0"), 2);
    RegCloseKey(key);
    return false;
  }
  uint8_t buffer[256] = {};
  uint32_t size = sizeof(buffer);
  uint32_t type = 0;
  QString value;
  if (RegQueryValueExA(key, "FileAssoc", nullptr, &type, buffer, &size) == ERROR_SUCCESS) {
    const auto* text = reinterpret_cast<const char*>(buffer);
    value = QString::fromLatin1(text, static_cast<qsizetype>(strnlen(text, std::min<uint32_t>(size, sizeof(buffer))))).trimmed();
  }
  RegCloseKey(key);
  return value == QStringLiteral("1");
}

void fnSetFileAssocOffered() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  RegSetValueExA(key, "FileAssoc", 0, REG_SZ, reinterpret_cast<const uint8_t*>("1"), 2);
  RegCloseKey(key);
}

void fnRegisterDocType() {
  // The program as the shell starts it: its folder and file name.
  const QString programPath = rt::App::Path() + QStringLiteral("/kvtLumivex");
  const QByteArray program = programPath.toLocal8Bit();
  writeKey(kDocType, {{nullptr, QByteArray("Image Lumivex")}});
  writeKey(kDocType + "\\shell\\open\\command", {{nullptr, program + " %1"}});
  writeKey(kDocType + "\\shell\\edit\\command", {{nullptr, program + " %1"}});
  writeKey(kDocType + "\\CurVer", {{nullptr, kDocType}});
  writeKey(kDocType + "\\DefaultIcon", {{nullptr, program + ",0"}});
  writeKey(".kvt", {{nullptr, kDocType}, {"Perceived Type", QByteArray("text")}});
  // The desktop's own record: the program's entry and the album type, for the user.
  extAssoc::writeDesktopRegistration(programPath);
}

}  // namespace modRegistry
