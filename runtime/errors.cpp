#include "runtime/errors.h"

namespace rt {

QString ErrorText(int number) {
  switch (number) {
    case kErrOverflow: return "Overflow";
    case kErrTypeMismatch: return "Type mismatch";
    case kErrFileNotFound: return "File not found";
    case kErrDeviceIO: return "Device I/O error";
    case kErrFileExists: return "File already exists";
    case 61: return "Disk full";
    case kErrPermissionDenied: return "Permission denied";
    case 75: return "Path/File access error";
    case kErrPathNotFound: return "Path not found";
    case kErrCancel: return "Cancel was selected.";
    default: return "Application-defined or object-defined error";
  }
}

void Raise(int number, const QString& source, const QString& description) {
  throw RuntimeError(number, description.isEmpty() ? ErrorText(number) : description, source);
}

}  // namespace rt
