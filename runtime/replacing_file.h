#pragma once
// The one way a document is replaced on disk: the new content is written into a temporary file
// beside the target, which takes the target's place by a rename only when it is complete. The
// temporary carries a name of our own and a lock held while its writer lives, so a save that was
// killed leaves nothing that outlives the next save or open in that folder.
#include <QString>

namespace rt {

class ReplacingFile {
 public:
  // Refuses a target that exists read-only (70 "Permission denied"), clears stale temporaries of
  // killed saves from the folder and creates the temporary. Every error names the target, never the
  // temporary.
  explicit ReplacingFile(const QString& target);
  ~ReplacingFile();  // removes the temporary unless it was committed
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  const QString& target() const { return target_; }
  // Where the new content goes; writers open it by name (it exists, empty, when this is made).
  const QString& tempPath() const { return temp_; }
  // Flushes the temporary to disk, gives it the replaced file's permissions (and owner where
  // allowed) and renames it over the target. On failure the temporary is removed and the target is
  // left as it was.
  void commit();

 private:
  QString target_;
  QString temp_;
  int lockFd_ = -1;
  bool committed_ = false;
};

// Raises 70 when the target exists and its permission bits allow no writing, even for a user whom
// the system would let write anyway: a read-only document is never replaced by a save.
void checkTargetWritable(const QString& target);

// Removes the temporaries of saves in a folder whose writer is gone (killed or crashed); those of
// saves still running, in this or another process, are left alone.
void removeStaleSaveTemps(const QString& folder);

// Raises the error of a write to target that failed with the system's error err, in the words of
// every save: "Cannot write <target>: the disk is full" (61) for a full disk or a used-up quota.
// A save temporary is named by its document.
[[noreturn]] void raiseWriting(const QString& target, int err);

// Whether a file name is one of our save temporaries.
bool isSaveTempName(const QString& fileName);

// The document a path stands for in messages: for one of our save temporaries the file beside it
// that it is written to replace, for any other path the path itself. Pages of a document are
// written into its temporary one by one, and the user knows only the document.
QString documentOf(const QString& path);

}  // namespace rt
