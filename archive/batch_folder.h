#pragma once
// Batch folders: documents indexed but not yet sent, one folder per document under the batch root,
// named by the document's archive ID. A folder holds the document file (AchID + ".ACH"), its index
// file (AchID + ".TXT": the operation word and the three keys, one per line) and, once it passed
// verification, the empty marker "VERIFIED.STS". This module writes, reads, checks and removes
// them; the windows only show what it answers.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace arch::batch {

inline constexpr char kMarker[] = "VERIFIED.STS";
inline constexpr char kOperation[] = "REINDEX";

// What a file of a batch folder is, by its name alone: the last four characters decide, in any case.
enum class FileKind { Index, Image, Marker, Unexpected };
FileKind classify(const QString& name);

// The folder name of an archive ID: trimmed, upper case.
QString folderName(const QString& achId);
// Whether the folder name of an archive ID can stand as one folder and file name and as a field of
// the wire: not empty, not "." or "..", no slash, backslash, comma or control character.
bool isSafeFolderName(const QString& achId);
// What the user is told about an archive ID that is not.
QString unsafeIdMessage();

// The bytes of an index file: four lines ended by CR LF in the ANSI code page, no byte-order mark.
QByteArray indexFileBytes(const QString& achId, const QString& parm1, const QString& parm2);

// The lines of an index file as the text reader sees them: a line ends at CR LF, LF or CR; a last
// line without an end still counts; decoded from the ANSI code page.
QStringList readIndexLines(const QByteArray& bytes);

// The keys of an index file, each trimmed; lines the file does not have are empty.
struct IndexKeys {
  QString operation, achId, parm1, parm2;
  bool operator==(const IndexKeys&) const = default;
};
IndexKeys indexKeys(const QStringList& lines);

// The contents of a batch folder in the order the file system lists them; a subfolder counts as an
// unexpected file whatever its name.
struct Entry {
  QString name;
  FileKind kind;
};
struct Contents {
  std::vector<Entry> entries;
  int count() const { return static_cast<int>(entries.size()); }
  // Names of the entries of one kind.
  QStringList of(FileKind kind) const;
};
// nullopt when the folder cannot be listed.
std::optional<Contents> listFolder(const QString& folder);

// Moves a file; where a rename cannot (another file system), copies it beside the target, checks
// that the copy has the source's size, renames it into place and only then removes the source.
// Never replaces an existing target. False with a reason when nothing was moved.
bool moveFile(const QString& source, const QString& target, QString* error);
// Tests: take the copying way even on one file system.
void setAlwaysCopyForTest(bool copy);

// Writes a batch folder under root for the document file source (moved in): the folder, its index
// file and the document. Refuses an unsafe archive ID and a folder or file that already exists;
// on any failure nothing is left behind and source is where it was. False with the message to show.
bool writeBatchFolder(const QString& root, const QString& achId, const QString& parm1, const QString& parm2,
                      const QString& source, QString* error);

// ---- Verification ----------------------------------------------------------------------------------

// Texts of the verification rows.
QString statusReady();

// The rows an index file's bytes earn: one per line out of its limits, and one when it does not
// have exactly four lines. No rows: the file is valid.
QStringList checkIndexFile(const QByteArray& bytes, const QString& parm1Caption, const QString& parm2Caption);

// Checks one batch folder: deletes its marker first in every case, then finds every fault; writes
// the marker again only when there is none. loadImage returns "" when the file loads as an image,
// else the loader's error text. Returns the status texts of the folder's rows in order.
using ImageCheck = std::function<QString(const QString& path)>;
QStringList verifyFolder(const QString& folder, const QString& parm1Caption, const QString& parm2Caption,
                         const ImageCheck& loadImage);

// ---- Archival --------------------------------------------------------------------------------------

struct Item {
  QString folder;  // path of the batch folder
  QString image;   // path of its document file
  QString index;   // path of its index file
  IndexKeys keys;
};
// The document of a folder when it is ready for sending: the marker, exactly one document file and
// one index file whose archive ID is not empty and whose keys can travel as fields.
std::optional<Item> readyItem(const QString& folder);

// Removes a sent folder: its index file, document file and marker, then the folder, which must then
// be empty (anything else in it stays, and so does the folder). False with the reason otherwise.
bool removeSentFolder(const Item& item, QString* error);

}  // namespace arch::batch
