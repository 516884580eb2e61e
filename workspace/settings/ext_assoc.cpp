#include "workspace/settings/ext_assoc.h"

#include "controls/imaging/format_table.h"
#include "platform/registry/registry.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <map>

namespace extAssoc {

namespace {

using namespace plat::reg;

// The whole text of a file; empty when it is missing.
QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Replaces a file in one step; an unchanged file is left alone. changed tells whether it was written.
bool replaceFile(const QString& path, const QByteArray& content, bool* changed = nullptr) {
  if (changed) *changed = false;
  if (QFile::exists(path) && readAll(path) == content) return true;
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) return false;
  QSaveFile f(path);
  if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size() || !f.commit()) return false;
  if (changed) *changed = true;
  return true;
}

// Runs a desktop database tool on a folder in the background, when the tool is installed.
void refresh(const char* tool, const QString& folder) {
  const QString program = QStandardPaths::findExecutable(QString::fromLatin1(tool));
  if (!program.isEmpty()) QProcess::startDetached(program, {folder});
}

QString xdgHome(const char* variable, const char* fallback) {
  const QString v = qEnvironmentVariable(variable);
  if (!v.isEmpty() && QDir::isAbsolutePath(v)) return v;
  return QDir::homePath() + QLatin1Char('/') + QLatin1String(fallback);
}

// The value of a key in the desktop entry format: the reserved characters inside the quoted
// argument are escaped, then backslashes are doubled once more for the string.
QString quotedExecArgument(const QString& path) {
  QString q;
  for (QChar c : path) {
    if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
      q += QLatin1Char('\\');
    q += c;
  }
  q.replace(QLatin1String("\\"), QLatin1String("\\\\"));
  q.replace(QLatin1String("%"), QLatin1String("%%"));
  return QLatin1Char('"') + q + QLatin1Char('"');
}

}  // namespace

const std::vector<Extension>& extensions() {
  static const std::vector<Extension> offered = [] {
    const Extension designed[] = {
        {".bmp", "chkBMP", 1, 1}, {".dib", "chkDIB", 1, 2}, {".dcx", "chkDCX", 1, 3}, {".jif", "chkJIF", 1, 4},
        {".jpg", "chkJPG", 1, 5}, {".jpeg", "chkJPEG", 1, 6}, {".pcx", "chkPCX", 2, 1}, {".pbm", "chkPBM", 2, 2},
        {".pgm", "chkPGM", 2, 3}, {".pic", "chkPIC", 2, 4}, {".ppm", "chkPPM", 2, 5}, {".png", "chkPNG", 2, 6},
        {".tga", "chkTGA", 3, 1}, {".tif", "chkTIF", 3, 2}, {".wmf", "chkWMF", 3, 3}, {".wpg", "chkWPG", 3, 4},
    };
    // A file manager must not hand the program a file it cannot read: the types of the formats it
    // does not read are not offered, and each column closes up over their places.
    const QStringList readable = img::patternExtensions();
    std::vector<Extension> out;
    std::map<int, int> rows;
    for (Extension e : designed) {
      if (!readable.contains(QString::fromLatin1(e.ext + 1).toUpper())) continue;
      e.row = ++rows[e.column];
      out.push_back(e);
    }
    return out;
  }();
  return offered;
}

bool namesDocType(const QString& value) {
  return value.trimmed().toUpper() == QString::fromLatin1(kDocType).toUpper();
}

MimeLookup& mimeLookup() {
  static MimeLookup lookup = [](const QString& ext) {
    const QMimeType t = QMimeDatabase().mimeTypeForFile(QStringLiteral("x") + ext, QMimeDatabase::MatchExtension);
    return t.isDefault() ? QString() : t.name();
  };
  return lookup;
}

std::vector<State> readStates() {
  std::vector<State> out;
  for (const Extension& e : extensions()) {
    State s;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, e.ext, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
      uint8_t buffer[256] = {};
      uint32_t size = sizeof(buffer), type = 0;
      if (RegQueryValueExA(key, nullptr, nullptr, &type, buffer, &size) == ERROR_SUCCESS && size > 0)
        s.associated = namesDocType(QString::fromLatin1(reinterpret_cast<const char*>(buffer),
                                                        static_cast<qsizetype>(qstrnlen(reinterpret_cast<const char*>(buffer), size - 1))));
      RegCloseKey(key);
    }
    out.push_back(s);
  }
  return out;
}

QStringList associate(const QStringList& exts, QString* unwritable) {
  const auto fail = [unwritable](const QString& file) {
    if (unwritable) *unwritable = file;
    return QStringList();
  };
  QStringList written;
  QStringList types;
  for (const QString& ext : exts) {
    const QByteArray name = ext.toLatin1();
    const QString mime = mimeLookup()(ext);
    HKEY key = nullptr;
    // An extension this system knows of nowhere is skipped; one the desktop knows is recorded in the
    // registry file too, which is where the program reads its associations back.
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, name.constData(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
      if (mime.isEmpty()) continue;
      uint32_t disposition = 0;
      const long created = RegCreateKeyExA(HKEY_CLASSES_ROOT, name.constData(), 0, "1", REG_OPTION_NON_VOLATILE,
                                           KEY_ALL_ACCESS, nullptr, &key, &disposition);
      if (created == ERROR_WRITE_FAULT) return fail(QString::fromStdString(RegistryFile()));
      if (created != ERROR_SUCCESS) continue;
    }
    const long set = RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const uint8_t*>(kDocType),
                                    static_cast<uint32_t>(qstrlen(kDocType) + 1));
    RegCloseKey(key);
    if (set != ERROR_SUCCESS) return fail(QString::fromStdString(RegistryFile()));
    written << ext;
    if (!mime.isEmpty() && !types.contains(mime)) types << mime;
  }
  if (!types.isEmpty() && !setDefaultApplication(types)) return fail(configHome() + QStringLiteral("/mimeapps.list"));
  return written;
}

QString dataHome() { return xdgHome("XDG_DATA_HOME", ".local/share"); }
QString configHome() { return xdgHome("XDG_CONFIG_HOME", ".config"); }

QByteArray desktopFile(const char* name) {
  QFile f(QStringLiteral(":/desktop/") + QLatin1String(name));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray desktopEntry(const QString& programPath) {
  QStringList types;
  for (const Extension& e : extensions()) {
    const QString t = mimeLookup()(QString::fromLatin1(e.ext));
    if (!t.isEmpty() && !types.contains(t)) types << t;
  }
  types << QString::fromLatin1(kAlbumType);
  // The installed entry with this program's own path, and the types as this desktop names them.
  QStringList lines = QString::fromUtf8(desktopFile(kDesktopFile)).split(QLatin1Char('\n'));
  for (QString& line : lines) {
    if (line.startsWith(QLatin1String("Exec="))) line = QStringLiteral("Exec=") + quotedExecArgument(programPath) + QStringLiteral(" %f");
    if (line.startsWith(QLatin1String("MimeType="))) line = QStringLiteral("MimeType=") + types.join(QLatin1Char(';')) + QLatin1Char(';');
  }
  return lines.join(QLatin1Char('\n')).toUtf8();
}

QByteArray albumMimeXml() { return desktopFile("kvtLumivex.xml"); }

bool writeDesktopRegistration(const QString& programPath) {
  bool entryChanged = false, typeChanged = false;
  const bool entry = replaceFile(dataHome() + QStringLiteral("/applications/") + QLatin1String(kDesktopFile),
                                 desktopEntry(programPath), &entryChanged);
  const bool type = replaceFile(dataHome() + QStringLiteral("/mime/packages/kvtLumivex.xml"), albumMimeXml(), &typeChanged);
  // The entry's icon, found by its name also when the program runs where it was built.
  const bool icon = replaceFile(iconPath(), desktopFile("kvtLumivex.svg"));
  if (typeChanged) refresh("update-mime-database", dataHome() + QStringLiteral("/mime"));
  if (entryChanged) refresh("update-desktop-database", dataHome() + QStringLiteral("/applications"));
  return entry && type && icon;
}

QString iconPath() { return dataHome() + QStringLiteral("/icons/hicolor/scalable/apps/kvtLumivex.svg"); }

QByteArray withDefaults(const QByteArray& mimeappsList, const QStringList& mimeTypes) {
  QList<QByteArray> lines = mimeappsList.split('\n');
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
  // Where the section is, and which of its lines set the types given.
  qsizetype section = -1, end = lines.size();
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QByteArray t = lines[i].trimmed();
    if (t.startsWith('[')) {
      if (section >= 0) {
        end = i;
        break;
      }
      if (t == "[Default Applications]") section = i;
    }
  }
  if (section < 0) {
    if (!lines.isEmpty() && !lines.back().trimmed().isEmpty()) lines << QByteArray();
    lines << QByteArrayLiteral("[Default Applications]");
    section = lines.size() - 1;
    end = lines.size();
  }
  for (const QString& type : mimeTypes) {
    const QByteArray line = type.toUtf8() + '=' + kDesktopFile;
    bool replaced = false;
    for (qsizetype i = section + 1; i < end; ++i) {
      const QByteArray t = lines[i].trimmed();
      if (t.startsWith(type.toUtf8() + '=')) {
        lines[i] = line;
        replaced = true;
        break;
      }
    }
    if (!replaced) {
      // After the section's last entry, before any blank lines that close it.
      qsizetype at = end;
      while (at > section + 1 && lines[at - 1].trimmed().isEmpty()) --at;
      lines.insert(at, line);
      ++end;
    }
  }
  return lines.join('\n') + '\n';
}

bool setDefaultApplication(const QStringList& mimeTypes) {
  const QString path = configHome() + QStringLiteral("/mimeapps.list");
  return replaceFile(path, withDefaults(readAll(path), mimeTypes));
}

}  // namespace extAssoc
