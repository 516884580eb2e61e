#include "runtime/fso.h"

#include "platform/text/ansi.h"
#include "runtime/errors.h"
#include "runtime/replacing_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <filesystem>
#include <system_error>

namespace rt::fso {

namespace fs = std::filesystem;

namespace {
const QString kSource = QStringLiteral("Scripting.FileSystemObject");

fs::path toPath(const QString& p) { return fs::path(p.toStdString()); }

[[noreturn]] void raiseFor(const std::error_code& ec, int fallback) {
  if (ec == std::errc::permission_denied || ec == std::errc::operation_not_permitted) Raise(kErrPermissionDenied, kSource);
  if (ec == std::errc::no_such_file_or_directory) Raise(fallback, kSource);
  if (ec == std::errc::file_exists) Raise(kErrFileExists, kSource);
  if (ec == std::errc::no_space_on_device) Raise(61, kSource);
  Raise(kErrDeviceIO, kSource, QString::fromStdString(ec.message()));
}
}  // namespace

bool FileExists(const QString& path) {
  std::error_code ec;
  return !path.isEmpty() && fs::is_regular_file(toPath(path), ec);
}

bool FolderExists(const QString& path) {
  std::error_code ec;
  return !path.isEmpty() && fs::is_directory(toPath(path), ec);
}

void DeleteFile(const QString& path, bool force) {
  if (!FileExists(path)) Raise(kErrFileNotFound, kSource);
  const fs::path p = toPath(path);
  std::error_code ec;
  const auto perms = fs::status(p, ec).permissions();
  if (!force && (perms & fs::perms::owner_write) == fs::perms::none) Raise(kErrPermissionDenied, kSource);
  if (!fs::remove(p, ec)) raiseFor(ec, kErrFileNotFound);
}

void MoveFile(const QString& source, const QString& destination) {
  if (!FileExists(source) && !FolderExists(source)) Raise(kErrFileNotFound, kSource);
  if (FileExists(destination) || FolderExists(destination)) Raise(kErrFileExists, kSource);
  std::error_code ec;
  fs::rename(toPath(source), toPath(destination), ec);
  if (ec == std::errc::cross_device_link) {
    ec.clear();
    fs::copy(toPath(source), toPath(destination), fs::copy_options::recursive, ec);
    if (!ec) fs::remove_all(toPath(source), ec);
  }
  if (ec) raiseFor(ec, kErrPathNotFound);
}

void CopyFile(const QString& source, const QString& destination, bool overwrite) {
  if (!FileExists(source)) Raise(kErrFileNotFound, kSource);
  if (!overwrite && FileExists(destination)) Raise(kErrFileExists, kSource);
  std::error_code ec;
  fs::copy_file(toPath(source), toPath(destination), fs::copy_options::overwrite_existing, ec);
  if (ec) raiseFor(ec, kErrPathNotFound);
}

void CreateFolder(const QString& path) {
  if (FolderExists(path) || FileExists(path)) Raise(kErrFileExists, kSource);
  std::error_code ec;
  if (!fs::create_directory(toPath(path), ec)) raiseFor(ec, kErrPathNotFound);
}

void DeleteFolder(const QString& path, bool force) {
  if (!FolderExists(path)) Raise(kErrPathNotFound, kSource);
  (void)force;
  std::error_code ec;
  fs::remove_all(toPath(path), ec);
  if (ec) raiseFor(ec, kErrPathNotFound);
}

int64_t FileSize(const QString& path) {
  std::error_code ec;
  const auto n = fs::file_size(toPath(path), ec);
  if (ec) raiseFor(ec, kErrFileNotFound);
  return static_cast<int64_t>(n);
}

namespace {
QStringList entries(const QString& folder, bool wantDirs) {
  if (!FolderExists(folder)) Raise(kErrPathNotFound, kSource);
  QStringList out;
  std::error_code ec;
  for (fs::directory_iterator it(toPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code ec2;
    const bool isDir = it->is_directory(ec2);
    if (isDir == wantDirs && (wantDirs || it->is_regular_file(ec2)))
      out << QString::fromStdString(it->path().filename().string());
  }
  if (ec) raiseFor(ec, kErrPathNotFound);
  return out;
}
}  // namespace

QStringList FilesIn(const QString& folder) { return entries(folder, false); }
QStringList SubFoldersIn(const QString& folder) { return entries(folder, true); }

QString GetFileName(const QString& path) { return QFileInfo(path).fileName(); }
QString GetParentFolderName(const QString& path) {
  const QString p = QFileInfo(path).path();
  return p == "." && !path.contains('/') ? QString() : p;
}
QString GetExtensionName(const QString& path) { return QFileInfo(path).suffix(); }
QString BuildPath(const QString& folder, const QString& name) {
  if (folder.isEmpty()) return name;
  return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

struct TextStream::Impl {
  QString path;
  int mode = ForReading;
  QByteArray buffer;   // reading: whole file; writing: pending output
  qsizetype pos = 0;
  std::unique_ptr<QSaveFile> save;
  std::unique_ptr<QFile> append;
  bool closed = false;
};

TextStream::~TextStream() {
  // Dropped without Close: a stream for writing leaves the target as it was.
  if (d_ && d_->save && !d_->closed) d_->save->cancelWriting();
}

QString TextStream::ReadLine() {
  if (d_->mode != ForReading || d_->closed) Raise(54, kSource, QStringLiteral("Bad file mode"));
  if (AtEndOfStream()) Raise(62, kSource, QStringLiteral("Input past end of file"));
  const QByteArray& b = d_->buffer;
  qsizetype end = d_->pos;
  while (end < b.size() && b[end] != '\n' && b[end] != '\r') ++end;
  const QString line = plat::fromAnsi(std::string_view(b.constData() + d_->pos, static_cast<size_t>(end - d_->pos)));
  if (end < b.size() && b[end] == '\r') {
    ++end;
    if (end < b.size() && b[end] == '\n') ++end;
  } else if (end < b.size()) {
    ++end;  // '\n'
  }
  d_->pos = end;
  return line;
}

QString TextStream::ReadAll() {
  if (d_->mode != ForReading || d_->closed) Raise(54, kSource, QStringLiteral("Bad file mode"));
  const QByteArray& b = d_->buffer;
  const QString all = plat::fromAnsi(std::string_view(b.constData() + d_->pos, static_cast<size_t>(b.size() - d_->pos)));
  d_->pos = b.size();
  return all;
}

bool TextStream::AtEndOfStream() const { return d_->pos >= d_->buffer.size(); }

void TextStream::Write(const QString& text) {
  if (d_->mode == ForReading || d_->closed) Raise(54, kSource, QStringLiteral("Bad file mode"));
  const std::string bytes = plat::toAnsi(text);
  const qint64 n = d_->save ? d_->save->write(bytes.data(), static_cast<qint64>(bytes.size()))
                            : d_->append->write(bytes.data(), static_cast<qint64>(bytes.size()));
  if (n != static_cast<qint64>(bytes.size())) Raise(61, kSource);
}

void TextStream::WriteLine(const QString& text) { Write(text + QStringLiteral("\r\n")); }

void TextStream::Close() {
  if (d_->closed) return;
  d_->closed = true;
  if (d_->save && !d_->save->commit()) Raise(kErrDeviceIO, kSource, d_->save->errorString());
  if (d_->append) {
    if (!d_->append->flush()) Raise(61, kSource);
    d_->append->close();
  }
}

std::unique_ptr<TextStream> OpenTextFile(const QString& path, int mode, bool create) {
  std::unique_ptr<TextStream> s(new TextStream);
  s->d_ = std::make_unique<TextStream::Impl>();
  s->d_->path = path;
  s->d_->mode = mode;
  const bool exists = FileExists(path);
  if (mode == ForReading) {
    if (!exists) Raise(kErrFileNotFound, kSource);
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) Raise(kErrPermissionDenied, kSource);
    s->d_->buffer = f.readAll();
    return s;
  }
  if (!exists && !create) Raise(kErrFileNotFound, kSource);
  if (!FolderExists(QFileInfo(path).absolutePath())) Raise(kErrPathNotFound, kSource);
  if (exists) {
    try {
      checkTargetWritable(path);
    } catch (const RuntimeError&) {
      Raise(kErrPermissionDenied, kSource);
    }
  }
  if (mode == ForAppending) {
    s->d_->append = std::make_unique<QFile>(path);
    if (!s->d_->append->open(QIODevice::WriteOnly | QIODevice::Append)) Raise(kErrPermissionDenied, kSource);
    return s;
  }
  s->d_->save = std::make_unique<QSaveFile>(path);
  if (!s->d_->save->open(QIODevice::WriteOnly)) Raise(kErrPermissionDenied, kSource);
  return s;
}

std::unique_ptr<TextStream> CreateTextFile(const QString& path, bool overwrite) {
  if (!overwrite && FileExists(path)) Raise(kErrFileExists, kSource);
  return OpenTextFile(path, ForWriting, true);
}

}  // namespace rt::fso
