#include "controls/imaging/imaging_errors.h"

#include "runtime/errors.h"

namespace img {

void fail(int number, const QString& text) { throw rt::RuntimeError(number, text, QString::fromLatin1(kErrorSource)); }

}  // namespace img
