#include "controls/imaging/imaging_errors.h"

#include "platform/text/native_path.h"
#include "runtime/errors.h"

namespace img {

// A file name kept byte for byte shows its stray bytes as replacement characters.
void fail(int number, const QString& text) {
  throw rt::RuntimeError(number, plat::displayPath(text), QString::fromLatin1(kErrorSource));
}

namespace {
thread_local QString tDocument;
}

DocumentScope::DocumentScope(const QString& path) : previous_(tDocument) { tDocument = path; }
DocumentScope::~DocumentScope() { tDocument = previous_; }
QString currentDocument() { return tDocument; }

void failDamaged(const QString& format, const QString& why, const QString& detail) {
  QString text = tDocument.isEmpty() ? QStringLiteral("The %1 file is damaged: %2").arg(format, why)
                                     : QStringLiteral("The %1 file %2 is damaged: %3").arg(format, tDocument, why);
  if (!detail.isEmpty()) text += QStringLiteral(" (%1)").arg(detail);
  fail(kErrDamaged, text);
}

}  // namespace img
