#pragma once
// A small per-user registry: keys and typed values under the predefined roots, with the
// open / create / query / set / close calls the program uses. The store is one file, rewritten
// through a temporary file and a rename after every change, so a crash never leaves it half written.
// Every change is made under a lock on the fresh content of the file, so two copies of the program
// running at once keep each other's settings. A damaged file costs only what is damaged: what can
// be read is kept, and the file itself is kept aside under a new name.
#include <cstdint>
#include <string>

namespace plat::reg {

struct RegKey;
using HKEY = RegKey*;

extern const HKEY HKEY_CLASSES_ROOT;
extern const HKEY HKEY_CURRENT_USER;
extern const HKEY HKEY_LOCAL_MACHINE;

constexpr long ERROR_SUCCESS = 0;
constexpr long ERROR_FILE_NOT_FOUND = 2;
constexpr long ERROR_ACCESS_DENIED = 5;
constexpr long ERROR_INVALID_HANDLE = 6;
constexpr long ERROR_WRITE_FAULT = 29;
constexpr long ERROR_INVALID_PARAMETER = 87;
constexpr long ERROR_MORE_DATA = 234;

constexpr uint32_t REG_NONE = 0;
constexpr uint32_t REG_SZ = 1;
constexpr uint32_t REG_EXPAND_SZ = 2;
constexpr uint32_t REG_BINARY = 3;
constexpr uint32_t REG_DWORD = 4;

constexpr uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr uint32_t KEY_SET_VALUE = 0x0002;
constexpr uint32_t KEY_READ = 0x20019;
constexpr uint32_t KEY_WRITE = 0x20006;
constexpr uint32_t KEY_ALL_ACCESS = 0xF003F;

constexpr uint32_t REG_OPTION_NON_VOLATILE = 0;
constexpr uint32_t REG_OPTION_VOLATILE = 1;
constexpr uint32_t REG_CREATED_NEW_KEY = 1;
constexpr uint32_t REG_OPENED_EXISTING_KEY = 2;

// Key and value names compare without regard to case, as on the platform; sub-keys are separated
// by a backslash. A null or empty value name is the key's default value.
long RegOpenKeyExA(HKEY root, const char* subKey, uint32_t options, uint32_t samDesired, HKEY* result);
long RegCreateKeyExA(HKEY root, const char* subKey, uint32_t reserved, const char* keyClass,
                     uint32_t options, uint32_t samDesired, const void* security, HKEY* result,
                     uint32_t* disposition);
// With data null, only the type and the size are returned. A buffer too small gives ERROR_MORE_DATA
// and the size needed. Text values are stored with their terminating null, which the size counts.
long RegQueryValueExA(HKEY key, const char* valueName, uint32_t* reserved, uint32_t* type,
                      uint8_t* data, uint32_t* cbData);
long RegSetValueExA(HKEY key, const char* valueName, uint32_t reserved, uint32_t type,
                    const uint8_t* data, uint32_t cbData);
long RegDeleteValueA(HKEY key, const char* valueName);
// Deletes a key that has no sub-keys.
long RegDeleteKeyA(HKEY root, const char* subKey);
long RegCloseKey(HKEY key);

// Where the store lives: $LUMIVEX_REGISTRY when set, otherwise a file in the user's configuration
// folder. Tests point it at a file of their own; the store is read again from the new file.
void SetRegistryFile(const std::string& path);
std::string RegistryFile();

// Once after a damaged store was read: what happened, for the user ("" otherwise, and afterwards).
std::string TakeStoreNotice();

}  // namespace plat::reg
