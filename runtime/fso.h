#pragma once
// The file-system object: files, folders and text streams. Failures raise run-time errors with the
// runtime's numbers (53 file not found, 58 file already exists, 70 permission denied, 76 path not found).
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

namespace rt::fso {

bool FileExists(const QString& path);
bool FolderExists(const QString& path);
// With force, read-only files are deleted too.
void DeleteFile(const QString& path, bool force = false);
// Fails with 58 when the destination exists.
void MoveFile(const QString& source, const QString& destination);
void CopyFile(const QString& source, const QString& destination, bool overwrite = true);
void CreateFolder(const QString& path);
void DeleteFolder(const QString& path, bool force = false);
int64_t FileSize(const QString& path);
// Names (not paths) of the files / sub-folders in a folder, in the order the file system lists them.
QStringList FilesIn(const QString& folder);
QStringList SubFoldersIn(const QString& folder);
QString GetFileName(const QString& path);
QString GetParentFolderName(const QString& path);
QString GetExtensionName(const QString& path);
QString BuildPath(const QString& folder, const QString& name);

constexpr int ForReading = 1;
constexpr int ForWriting = 2;
constexpr int ForAppending = 8;

// A text stream in the ANSI code page. Lines are written with CR LF; reading takes CR LF, LF or CR.
// A stream opened for writing goes to a temporary file beside the target and replaces the target on
// Close, so a failure half-way never leaves a half-written file; a stream dropped without Close
// leaves the target as it was.
class TextStream {
 public:
  ~TextStream();
  QString ReadLine();
  QString ReadAll();
  bool AtEndOfStream() const;
  void Write(const QString& text);
  void WriteLine(const QString& text = QString());
  void Close();

 private:
  friend std::unique_ptr<TextStream> OpenTextFile(const QString&, int, bool);
  TextStream() = default;
  struct Impl;
  std::unique_ptr<Impl> d_;
};

std::unique_ptr<TextStream> OpenTextFile(const QString& path, int mode = ForReading, bool create = false);
std::unique_ptr<TextStream> CreateTextFile(const QString& path, bool overwrite = true);

}  // namespace rt::fso
