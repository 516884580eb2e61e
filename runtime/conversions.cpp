#include "runtime/conversions.h"

#include "runtime/errors.h"

#include <cmath>
#include <limits>

namespace rt {

double RoundHalfEven(double v) {
  if (!std::isfinite(v)) return v;
  const double fl = std::floor(v);
  const double diff = v - fl;
  if (diff > 0.5) return fl + 1.0;
  if (diff < 0.5) return fl;
  return std::fmod(fl, 2.0) == 0.0 ? fl : fl + 1.0;
}

namespace {
template <typename T>
T toInteger(double v) {
  const double r = RoundHalfEven(v);
  if (!std::isfinite(r) || r < static_cast<double>(std::numeric_limits<T>::min()) ||
      r > static_cast<double>(std::numeric_limits<T>::max()))
    Raise(kErrOverflow);
  return static_cast<T>(r);
}

// Parses the whole text (trimmed) as a number; false when it is not one.
bool parseNumber(const QString& text, double* out) {
  const QString t = text.trimmed();
  if (t.isEmpty()) return false;
  if (t.startsWith("&H", Qt::CaseInsensitive) || t.startsWith("&O", Qt::CaseInsensitive)) {
    bool ok = false;
    const int base = t.at(1).toUpper() == 'H' ? 16 : 8;
    const qlonglong n = t.mid(2).toLongLong(&ok, base);
    if (!ok) return false;
    *out = static_cast<double>(n);
    return true;
  }
  bool ok = false;
  const double d = t.toDouble(&ok);
  if (!ok || !std::isfinite(d)) return false;
  *out = d;
  return true;
}
}  // namespace

int16_t CInt(double v) { return toInteger<int16_t>(v); }
int32_t CLng(double v) { return toInteger<int32_t>(v); }

int16_t CInt(const QString& text) {
  double d = 0;
  if (!parseNumber(text, &d)) Raise(kErrTypeMismatch);
  return CInt(d);
}

int32_t CLng(const QString& text) {
  double d = 0;
  if (!parseNumber(text, &d)) Raise(kErrTypeMismatch);
  return CLng(d);
}

QString CStr(int64_t v) { return QString::number(v); }

QString CStr(double v) {
  if (v == 0) return QStringLiteral("0");
  if (std::floor(v) == v && std::fabs(v) < 1e15) return QString::number(static_cast<int64_t>(v));
  QString s = QString::number(v, 'g', 15).toUpper();
  // The runtime writes exponents as E+16 / E-05, with at least two digits.
  const qsizetype e = s.indexOf('E');
  if (e >= 0) {
    QString mant = s.left(e);
    QString exp = s.mid(e + 1);
    const QChar sign = exp.at(0);
    QString digits = exp.mid(1);
    while (digits.size() > 2 && digits.startsWith('0')) digits.remove(0, 1);
    if (digits.size() < 2) digits.prepend('0');
    s = mant + 'E' + sign + digits;
  }
  // Numbers between -1 and 1 drop their leading zero: ".5", "-.25".
  if (s.startsWith("0.")) s.remove(0, 1);
  else if (s.startsWith("-0.")) s.remove(1, 1);
  return s;
}

QString Str(double v) {
  const QString s = CStr(v);
  return v < 0 ? s : QStringLiteral(" ") + s;
}

double Val(const QString& text) {
  // Blanks, tabs and line feeds are ignored anywhere in the number, as the runtime does.
  QString t;
  for (QChar c : text)
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r') t.append(c);
  if (t.startsWith("&H", Qt::CaseInsensitive) || t.startsWith("&O", Qt::CaseInsensitive)) {
    const int base = t.at(1).toUpper() == 'H' ? 16 : 8;
    qsizetype n = 2;
    while (n < t.size() && QString("0123456789ABCDEF").left(base).contains(t.at(n).toUpper())) ++n;
    bool ok = false;
    const qlonglong v = t.mid(2, n - 2).toLongLong(&ok, base);
    return ok ? static_cast<double>(v) : 0.0;
  }
  qsizetype n = 0;
  if (n < t.size() && (t.at(n) == '+' || t.at(n) == '-')) ++n;
  while (n < t.size() && t.at(n).isDigit()) ++n;
  if (n < t.size() && t.at(n) == '.') {
    ++n;
    while (n < t.size() && t.at(n).isDigit()) ++n;
  }
  if (n < t.size() && (t.at(n) == 'E' || t.at(n) == 'e' || t.at(n) == 'D' || t.at(n) == 'd')) {
    qsizetype m = n + 1;
    if (m < t.size() && (t.at(m) == '+' || t.at(m) == '-')) ++m;
    const qsizetype digitsStart = m;
    while (m < t.size() && t.at(m).isDigit()) ++m;
    if (m > digitsStart) n = m;
  }
  QString num = t.left(n);
  num.replace('D', 'E').replace('d', 'e');
  bool ok = false;
  const double d = num.toDouble(&ok);
  return ok && std::isfinite(d) ? d : 0.0;
}

bool IsNumeric(const QString& text) {
  double d = 0;
  return parseNumber(text, &d);
}

bool TextToBool(const QString& text, bool* ok) {
  const QString t = text.trimmed();
  *ok = true;
  if (t.compare("True", Qt::CaseInsensitive) == 0) return true;
  if (t.compare("False", Qt::CaseInsensitive) == 0) return false;
  double d = 0;
  if (parseNumber(t, &d)) return d != 0;
  *ok = false;
  return false;
}

bool CBool(const QString& text) {
  bool ok = false;
  const bool b = TextToBool(text, &ok);
  if (!ok) Raise(kErrTypeMismatch);
  return b;
}

}  // namespace rt
