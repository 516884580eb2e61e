#include "controls/scanning/sane_options.h"

#include <sane/saneopts.h>

#include <cstring>
#include <vector>

namespace scan {

namespace {
constexpr double kMmPerInch = 25.4;
}

const SANE_Option_Descriptor* findOption(SANE_Handle h, const char* name, int* index) {
  SANE_Int count = 0;
  if (sane_control_option(h, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD) return nullptr;
  for (SANE_Int i = 1; i < count; ++i) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
    if (d && d->name && std::strcmp(d->name, name) == 0) {
      *index = i;
      return d;
    }
  }
  return nullptr;
}

bool setLength(SANE_Handle h, const char* name, double inches) {
  int i = -1;
  const SANE_Option_Descriptor* d = findOption(h, name, &i);
  if (!d || !SANE_OPTION_IS_SETTABLE(d->cap) || d->unit != SANE_UNIT_MM) return false;
  const double mm = inches * kMmPerInch;
  SANE_Word w = d->type == SANE_TYPE_FIXED ? SANE_FIX(mm) : static_cast<SANE_Word>(mm + 0.5);
  return sane_control_option(h, i, SANE_ACTION_SET_VALUE, &w, nullptr) == SANE_STATUS_GOOD;
}

bool getLength(SANE_Handle h, const char* name, double* inches) {
  int i = -1;
  const SANE_Option_Descriptor* d = findOption(h, name, &i);
  if (!d || d->unit != SANE_UNIT_MM || !SANE_OPTION_IS_ACTIVE(d->cap)) return false;
  SANE_Word w = 0;
  if (sane_control_option(h, i, SANE_ACTION_GET_VALUE, &w, nullptr) != SANE_STATUS_GOOD) return false;
  *inches = (d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : w) / kMmPerInch;
  return true;
}

double resolutionOf(SANE_Handle h) {
  int i = -1;
  const SANE_Option_Descriptor* d = findOption(h, SANE_NAME_SCAN_RESOLUTION, &i);
  SANE_Word w = 0;
  if (!d || sane_control_option(h, i, SANE_ACTION_GET_VALUE, &w, nullptr) != SANE_STATUS_GOOD) return 0;
  return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : w;
}

QString currentSource(SANE_Handle h) {
  int i = -1;
  const SANE_Option_Descriptor* d = findOption(h, SANE_NAME_SCAN_SOURCE, &i);
  if (!d || d->type != SANE_TYPE_STRING || d->size <= 0 || !SANE_OPTION_IS_ACTIVE(d->cap)) return QString();
  std::vector<char> v(static_cast<size_t>(d->size) + 1, 0);
  if (sane_control_option(h, i, SANE_ACTION_GET_VALUE, v.data(), nullptr) != SANE_STATUS_GOOD) return QString();
  return QString::fromLocal8Bit(v.data());
}

QStringList sourcesOf(SANE_Handle h) {
  int i = -1;
  const SANE_Option_Descriptor* d = findOption(h, SANE_NAME_SCAN_SOURCE, &i);
  QStringList out;
  if (!d || d->type != SANE_TYPE_STRING || d->constraint_type != SANE_CONSTRAINT_STRING_LIST ||
      !SANE_OPTION_IS_SETTABLE(d->cap))
    return out;
  for (const SANE_String_Const* s = d->constraint.string_list; s && *s; ++s) out << QString::fromLocal8Bit(*s);
  return out;
}

bool setSource(SANE_Handle h, const QString& source) {
  int i = -1;
  const SANE_Option_Descriptor* d = findOption(h, SANE_NAME_SCAN_SOURCE, &i);
  if (!d || d->type != SANE_TYPE_STRING || !SANE_OPTION_IS_SETTABLE(d->cap)) return false;
  std::vector<char> v(static_cast<size_t>(std::max<SANE_Int>(d->size, 1)), 0);
  const QByteArray s = source.toLocal8Bit();
  if (s.size() >= static_cast<qsizetype>(v.size())) return false;
  std::memcpy(v.data(), s.constData(), static_cast<size_t>(s.size()));
  return sane_control_option(h, i, SANE_ACTION_SET_VALUE, v.data(), nullptr) == SANE_STATUS_GOOD;
}

bool isFeeder(const QString& source) {
  const QString s = source.toLower();
  return s.contains(QLatin1String("feeder")) || s.contains(QLatin1String("adf"));
}

}  // namespace scan
