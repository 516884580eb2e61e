#include "archive/login_settings.h"

#include "platform/registry/registry.h"
#include "workspace/settings/mod_registry.h"

namespace arch {
namespace {

using namespace plat::reg;

constexpr const char* kKey = modRegistry::kSettingsKey;

}  // namespace

LoginSettings readLoginSettings() {
  LoginSettings s;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return s;
  s.login = modRegistry::fnReadText(key, "Login");
  s.remoteHost = modRegistry::fnReadText(key, "RemoteHost");
  s.retPort = modRegistry::fnReadText(key, "RetPort");
  s.achPort = modRegistry::fnReadText(key, "AchPort");
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
  modRegistry::fnWriteText(key, "Login", s.login);
  modRegistry::fnWriteText(key, "RemoteHost", s.remoteHost);
  modRegistry::fnWriteText(key, "RetPort", s.retPort);
  modRegistry::fnWriteText(key, "AchPort", s.achPort);
  RegCloseKey(key);
  return true;
}

}  // namespace arch
