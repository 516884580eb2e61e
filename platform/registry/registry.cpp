#include "platform/registry/registry.h"

#include "platform/text/lines.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QString>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <utility>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace plat::reg {

struct RegKey {
  int root = 0;       // 1 classes root, 2 current user, 3 local machine
  std::string path;   // upper-cased key path below the root, "" for the root itself
};

namespace {
RegKey gRoots[3] = {{1, ""}, {2, ""}, {3, ""}};
}  // namespace

const HKEY HKEY_CLASSES_ROOT = &gRoots[0];
const HKEY HKEY_CURRENT_USER = &gRoots[1];
const HKEY HKEY_LOCAL_MACHINE = &gRoots[2];

namespace {

struct Value {
  std::string name;  // as written
  uint32_t type = REG_NONE;
  std::vector<uint8_t> data;
};

struct Key {
  std::string name;  // full path as written
  std::string keyClass;
  std::map<std::string, Value> values;  // by upper-cased name
};

const char* rootName(int root) {
  switch (root) {
    case 1: return "HKEY_CLASSES_ROOT";
    case 2: return "HKEY_CURRENT_USER";
    default: return "HKEY_LOCAL_MACHINE";
  }
}

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string normalisePath(const char* sub) {
  std::string s = sub ? sub : "";
  // Collapse doubled and trailing separators so "A\\B\" and "A\B" are one key.
  std::string out;
  for (char c : s) {
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out.push_back(c);
  }
  while (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

const QByteArray kHeader = "LUMIVEX-REGISTRY 1";

// What identifies one state of the file: a change by another copy of the program shows in it.
struct Stamp {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  int64_t mtimeNs = 0;
  bool operator==(const Stamp&) const = default;
};

Stamp stampOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return {true, st.st_dev, st.st_ino, st.st_size, static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// Serialises the reading and writing of the store between copies of the program: a lock on the
// store's folder, held while one call reads the file afresh, changes it and writes it back.
class FolderLock {
 public:
  explicit FolderLock(const std::string& file) {
    const QString dir = QFileInfo(QString::fromStdString(file)).absolutePath();
    fd_ = ::open(QFile::encodeName(dir).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0) {
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_ = -1;
};

class Store {
 public:
  std::mutex mutex;

  // Brings memory in step with the file: read again whenever the file changed since this copy
  // last read or wrote it.
  void ensureLoaded() {
    const Stamp now = stampOf(file());
    if (loaded_ && now == stamp_) return;
    loaded_ = true;
    keys_.clear();
    stamp_ = now;
    load();
  }

  void setFile(const std::string& path) {
    file_ = path;
    loaded_ = false;
    notice_.clear();
  }

  std::string takeNotice() { return std::exchange(notice_, std::string()); }

  std::string file() {
    if (file_.empty()) {
      const QByteArray env = qgetenv("LUMIVEX_REGISTRY");
      if (!env.isEmpty()) {
        file_ = env.toStdString();
      } else {
        QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
        if (dir.isEmpty()) dir = QDir::homePath() + "/.config";
        file_ = (dir + "/kvtLumivex/registry").toStdString();
      }
    }
    return file_;
  }

  // Keys by (root, upper-cased path).
  std::map<std::pair<int, std::string>, Key>& keys() { return keys_; }

  bool save() {
    const QString path = QString::fromStdString(file());
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) return false;
    QByteArray text = "LUMIVEX-REGISTRY 1\n";
    for (const auto& [id, key] : keys_) {
      text += "K\t" + QByteArray(rootName(id.first)) + "\t" + QByteArray::fromStdString(key.name).toHex() +
              "\t" + QByteArray::fromStdString(key.keyClass).toHex() + "\n";
      for (const auto& [_, v] : key.values) {
        text += "V\t" + QByteArray::number(v.type) + "\t" + QByteArray::fromStdString(v.name).toHex() + "\t" +
                QByteArray(reinterpret_cast<const char*>(v.data.data()), static_cast<qsizetype>(v.data.size()))
                    .toHex() +
                "\n";
      }
    }
    out.write(text);
    if (!out.commit()) return false;
    stamp_ = stampOf(file());
    return true;
  }

 private:
  void load() {
    QFile in(QString::fromStdString(file()));
    if (!in.open(QIODevice::ReadOnly)) return;
    const QByteArray all = in.readAll();
    in.close();
    // A byte-order mark and CR LF or CR line ends (an editor's) cost nothing: the lines are read
    // as they stand.
    const std::vector<QByteArrayView> lines = plat::splitLines(all);
    // An empty file (made by hand or by a tool before the first start) holds no settings to lose.
    if (std::all_of(lines.begin(), lines.end(), [](QByteArrayView l) { return l.trimmed().isEmpty(); })) return;
    // A header other than ours (a newer version, damage) does not throw the records away: every
    // line is read for what it holds, and whatever was not understood is kept in the file set aside.
    bool damaged = lines.front().trimmed() != kHeader;
    Key* current = nullptr;
    // Lines that do not parse are skipped, so one damaged line costs only itself.
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i == 0 && lines[i].startsWith("LUMIVEX-REGISTRY")) continue;
      if (lines[i].trimmed().isEmpty()) continue;
      const QList<QByteArray> f = lines[i].toByteArray().split('\t');
      if (!parseLine(f, current)) damaged = true;
    }
    if (damaged) keepAside();
  }

  // One record of the file; false when it is not one.
  bool parseLine(const QList<QByteArray>& f, Key*& current) {
    if (f.size() == 4 && f[0] == "K") {
      const int root = f[1] == "HKEY_CLASSES_ROOT"    ? 1
                       : f[1] == "HKEY_CURRENT_USER"  ? 2
                       : f[1] == "HKEY_LOCAL_MACHINE" ? 3
                                                      : 0;
      current = nullptr;
      if (root == 0 || !isHex(f[2]) || !isHex(f[3])) return false;
      const std::string name = QByteArray::fromHex(f[2]).toStdString();
      Key& k = keys_[{root, upper(name)}];
      k.name = name;
      k.keyClass = QByteArray::fromHex(f[3]).toStdString();
      current = &k;
      return true;
    }
    if (f.size() == 4 && f[0] == "V" && current) {
      bool ok = false;
      const uint32_t type = f[1].toUInt(&ok);
      if (!ok || !isHex(f[2]) || !isHex(f[3])) return false;
      Value v;
      v.type = type;
      v.name = QByteArray::fromHex(f[2]).toStdString();
      const QByteArray data = QByteArray::fromHex(f[3]);
      v.data.assign(data.begin(), data.end());
      current->values[upper(v.name)] = std::move(v);
      return true;
    }
    return false;
  }

  static bool isHex(const QByteArray& s) {
    if (s.size() % 2) return false;
    for (char c : s)
      if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
    return true;
  }

  // The file as it was stays under a new name (never over another file), and the store is written
  // afresh with what could be read, so the damage is not read again at every start.
  void keepAside() {
    const std::string path = file();
    char when[32] = {};
    const std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    std::strftime(when, sizeof when, "%Y%m%d-%H%M%S", &tm);
    std::string aside;
    for (int i = 0; i < 1000; ++i) {
      const std::string candidate = path + ".damaged-" + when + (i ? "-" + std::to_string(i) : std::string());
      if (::link(path.c_str(), candidate.c_str()) == 0) {
        aside = candidate;
        break;
      }
      if (errno != EEXIST) break;
    }
    if (aside.empty()) {
      notice_ = "The settings file " + path +
                " is damaged: the settings that could be read are used, and the file is left as it is.";
      return;
    }
    save();
    notice_ = "The settings file " + path + " was damaged: the settings that could be read are kept, and the file as it was is kept as " +
              aside + ".";
  }

  bool loaded_ = false;
  Stamp stamp_;
  std::string notice_;
  std::string file_;
  std::map<std::pair<int, std::string>, Key> keys_;
};

Store& store() {
  static Store s;
  return s;
}

// Open handles handed out; anything else passed in is an invalid handle.
std::set<HKEY>& openHandles() {
  static std::set<HKEY> s;
  return s;
}

bool isRoot(HKEY k) { return k == HKEY_CLASSES_ROOT || k == HKEY_CURRENT_USER || k == HKEY_LOCAL_MACHINE; }
bool isValid(HKEY k) { return isRoot(k) || openHandles().count(k) != 0; }

std::string join(const RegKey* base, const std::string& sub) {
  if (base->path.empty()) return sub;
  if (sub.empty()) return base->path;
  return base->path + "\\" + sub;
}

Key* findKey(const RegKey* k) {
  auto& keys = store().keys();
  auto it = keys.find({k->root, upper(k->path)});
  return it == keys.end() ? nullptr : &it->second;
}

HKEY newHandle(int root, const std::string& path) {
  auto* h = new RegKey{root, path};
  openHandles().insert(h);
  return h;
}

}  // namespace

long RegOpenKeyExA(HKEY root, const char* subKey, uint32_t, uint32_t, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::lock_guard<std::mutex> g(store().mutex);
  FolderLock lock(store().file());
  if (!isValid(root)) return ERROR_INVALID_HANDLE;
  store().ensureLoaded();
  const std::string path = join(root, normalisePath(subKey));
  if (!path.empty() && !store().keys().count({root->root, upper(path)})) return ERROR_FILE_NOT_FOUND;
  *result = newHandle(root->root, path);
  return ERROR_SUCCESS;
}

long RegCreateKeyExA(HKEY root, const char* subKey, uint32_t, const char* keyClass, uint32_t, uint32_t,
                     const void*, HKEY* result, uint32_t* disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::lock_guard<std::mutex> g(store().mutex);
  FolderLock lock(store().file());
  if (!isValid(root)) return ERROR_INVALID_HANDLE;
  store().ensureLoaded();
  const std::string path = join(root, normalisePath(subKey));
  auto& keys = store().keys();
  bool created = false;
  // Every missing ancestor is created too, as the platform does.
  std::string prefix;
  std::size_t start = 0;
  while (start <= path.size() && !path.empty()) {
    const std::size_t end = path.find('\\', start);
    prefix = path.substr(0, end == std::string::npos ? path.size() : end);
    auto id = std::make_pair(root->root, upper(prefix));
    if (!keys.count(id)) {
      Key k;
      k.name = prefix;
      k.keyClass = keyClass ? keyClass : "";
      keys[id] = std::move(k);
      created = true;
    }
    if (end == std::string::npos) break;
    start = end + 1;
  }
  if (created && !store().save()) return ERROR_WRITE_FAULT;
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = newHandle(root->root, path);
  return ERROR_SUCCESS;
}

long RegQueryValueExA(HKEY key, const char* valueName, uint32_t*, uint32_t* type, uint8_t* data,
                      uint32_t* cbData) {
  std::lock_guard<std::mutex> g(store().mutex);
  FolderLock lock(store().file());
  if (!isValid(key)) return ERROR_INVALID_HANDLE;
  if (data && !cbData) return ERROR_INVALID_PARAMETER;
  store().ensureLoaded();
  Key* k = findKey(key);
  if (!k) return ERROR_FILE_NOT_FOUND;
  auto it = k->values.find(upper(valueName ? valueName : ""));
  if (it == k->values.end()) return ERROR_FILE_NOT_FOUND;
  const Value& v = it->second;
  if (type) *type = v.type;
  const auto size = static_cast<uint32_t>(v.data.size());
  if (data) {
    if (*cbData < size) {
      *cbData = size;
      return ERROR_MORE_DATA;
    }
    if (size) std::memcpy(data, v.data.data(), size);
  }
  if (cbData) *cbData = size;
  return ERROR_SUCCESS;
}

long RegSetValueExA(HKEY key, const char* valueName, uint32_t, uint32_t type, const uint8_t* data,
                    uint32_t cbData) {
  std::lock_guard<std::mutex> g(store().mutex);
  FolderLock lock(store().file());
  if (!isValid(key)) return ERROR_INVALID_HANDLE;
  if (!data && cbData) return ERROR_INVALID_PARAMETER;
  store().ensureLoaded();
  Key* k = findKey(key);
  if (!k) return ERROR_FILE_NOT_FOUND;
  Value v;
  v.name = valueName ? valueName : "";
  v.type = type;
  if (cbData) v.data.assign(data, data + cbData);
  const std::string id = upper(v.name);
  auto old = k->values.find(id);
  std::optional<Value> previous;
  if (old != k->values.end()) previous = old->second;
  k->values[id] = std::move(v);
  if (!store().save()) {
    // Keep memory and file in step: a value that could not be stored is not there.
    if (previous) k->values[id] = *previous; else k->values.erase(id);
    return ERROR_WRITE_FAULT;
  }
  return ERROR_SUCCESS;
}

long RegDeleteValueA(HKEY key, const char* valueName) {
  std::lock_guard<std::mutex> g(store().mutex);
  FolderLock lock(store().file());
  if (!isValid(key)) return ERROR_INVALID_HANDLE;
  store().ensureLoaded();
  Key* k = findKey(key);
  if (!k || !k->values.erase(upper(valueName ? valueName : ""))) return ERROR_FILE_NOT_FOUND;
  return store().save() ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

long RegDeleteKeyA(HKEY root, const char* subKey) {
  std::lock_guard<std::mutex> g(store().mutex);
  FolderLock lock(store().file());
  if (!isValid(root)) return ERROR_INVALID_HANDLE;
  store().ensureLoaded();
  const std::string path = upper(join(root, normalisePath(subKey)));
  if (path.empty()) return ERROR_ACCESS_DENIED;
  auto& keys = store().keys();
  auto it = keys.find({root->root, path});
  if (it == keys.end()) return ERROR_FILE_NOT_FOUND;
  auto child = keys.lower_bound({root->root, path + "\\"});
  if (child != keys.end() && child->first.first == root->root && child->first.second.rfind(path + "\\", 0) == 0)
    return ERROR_ACCESS_DENIED;
  keys.erase(it);
  return store().save() ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

long RegCloseKey(HKEY key) {
  std::lock_guard<std::mutex> g(store().mutex);
  if (isRoot(key)) return ERROR_SUCCESS;
  if (!openHandles().erase(key)) return ERROR_INVALID_HANDLE;
  delete key;
  return ERROR_SUCCESS;
}

void SetRegistryFile(const std::string& path) {
  std::lock_guard<std::mutex> g(store().mutex);
  store().setFile(path);
}

std::string RegistryFile() {
  std::lock_guard<std::mutex> g(store().mutex);
  return store().file();
}

std::string TakeStoreNotice() {
  std::lock_guard<std::mutex> g(store().mutex);
  FolderLock lock(store().file());
  store().ensureLoaded();
  return store().takeNotice();
}

}  // namespace plat::reg
