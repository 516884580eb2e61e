#pragma once
// The imaging control's run-time errors: their numbers, their source, and the one way to raise
// them. The picture type, the byte readers and the codecs all report through it.
#include <QString>

namespace img {

// Error numbers of the imaging control (source "ImagingControl").
constexpr int kErrNoImage = 31001;        // an operation needs a picture and none is loaded
constexpr int kErrUnsupported = 31002;    // format cannot be read or written here
constexpr int kErrDamaged = 31003;        // the file is damaged or not what it claims
constexpr int kErrBadPage = 31004;        // no such page in the file
constexpr int kErrWrite = 31005;          // writing failed
constexpr int kErrBadValue = 380;         // invalid property value
constexpr int kErrBadHandle = 31006;      // not a bitmap handle
inline constexpr const char* kErrorSource = "ImagingControl";

// Raises the error as an rt::RuntimeError with the control as its source.
[[noreturn]] void fail(int number, const QString& text);

// The document that the file-level reads and saves of this thread are about while a scope lives,
// so that the messages raised below them, where only bytes are known, name it.
class DocumentScope {
 public:
  explicit DocumentScope(const QString& path);
  ~DocumentScope();
  DocumentScope(const DocumentScope&) = delete;
  DocumentScope& operator=(const DocumentScope&) = delete;

 private:
  QString previous_;
};
// The document of the innermost scope of this thread; "" outside every scope.
QString currentDocument();

// "The TIFF file /a/b.tif is damaged: why", naming the current document when there is one, with
// the library's own detail, when given, at the end in brackets.
[[noreturn]] void failDamaged(const QString& format, const QString& why, const QString& detail = QString());

}  // namespace img
