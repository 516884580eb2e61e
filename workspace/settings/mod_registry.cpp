#include "workspace/settings/mod_registry.h"

#include "platform/registry/registry.h"
#include "platform/text/ansi.h"
#include "runtime/screen.h"
#include "workspace/settings/ext_assoc.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <array>
#include <string>
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

QString fnReadText(HKEY key, const char* name) {
  std::array<uint8_t, 256> buffer{};
  uint32_t size = buffer.size(), type = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, buffer.data(), &size) != ERROR_SUCCESS || type != REG_SZ) return {};
  std::string text(reinterpret_cast<const char*>(buffer.data()), std::min<std::size_t>(size, buffer.size()));
  if (const auto zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
  return plat::fromAnsi(text).trimmed();
}

void fnWriteText(HKEY key, const char* name, const QString& value) {
  const std::string text = plat::toAnsi(value);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const uint8_t*>(text.c_str()), static_cast<uint32_t>(text.size() + 1));
}

bool fnFileAssocOffered() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
    uint32_t disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, "1", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        &disposition) != ERROR_SUCCESS)
      return false;
    fnWriteText(key, "FileAssoc", QStringLiteral("0"));
    RegCloseKey(key);
    return false;
  }
  const QString value = fnReadText(key, "FileAssoc");
  RegCloseKey(key);
  return value == QStringLiteral("1");
}

void fnSetFileAssocOffered() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  fnWriteText(key, "FileAssoc", QStringLiteral("1"));
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
