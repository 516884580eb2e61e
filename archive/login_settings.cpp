#include "archive/login_settings.h"

#include "platform/registry/registry.h"
#include "platform/text/ansi.h"
#include "workspace/settings/mod_registry.h"

#include <array>

namespace arch {
namespace {

using namespace plat::reg;

constexpr const char* kKey = modRegistry::kSettingsKey;

QString readValue(HKEY key, const char* name) {
  std::array<uint8_t, 256> buffer{};
  uint32_t size = buffer.size(), type = 0;
  if (RegQueryValueExA(key, name, nullptr, &type, buffer.data(), &size) != ERROR_SUCCESS || type != REG_SZ) return {};
  std::string text(reinterpret_cast<const char*>(buffer.data()), size);
  if (const auto zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
  return plat::fromAnsi(text).trimmed();
}

void writeValue(HKEY key, const char* name, const QString& value) {
  const std::string text = plat::toAnsi(value);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const uint8_t*>(text.c_str()),
                 static_cast<uint32_t>(text.size() + 1));
}

}  // namespace

LoginSettings readLoginSettings() {
  LoginSettings s;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return s;
  s.login = readValue(key, "Login");
  s.remoteHost = readValue(key, "RemoteHost");
  s.retPort = readValue(key, "RetPort");
  s.achPort = readValue(key, "AchPort");
  RegCloseKey(key);
  return s;
}

bool saveLoginSettings(const LoginSettings& s) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
    uint32_t disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, "", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        &disposition) != ERROR_SUCCESS)
      return false;
  }
  writeValue(key, "Login", s.login);
  writeValue(key, "RemoteHost", s.remoteHost);
  writeValue(key, "RetPort", s.retPort);
  writeValue(key, "AchPort", s.achPort);
  RegCloseKey(key);
  return true;
}

}  // namespace arch
