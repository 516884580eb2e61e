#include "platform/text/native_path.h"

#include <sys/stat.h>

namespace plat {

namespace {

constexpr char16_t kKeptByteBase = 0xDC00;

// A low surrogate that is not the second half of a pair (U+1F480 is D83D DC80) is a kept byte.
bool isKeptByte(QStringView text, qsizetype i) {
  const char16_t c = text[i].unicode();
  return c >= 0xDC80 && c <= 0xDCFF && (i == 0 || !text[i - 1].isHighSurrogate());
}

// The length of the valid UTF-8 sequence at the start of bytes, 0 when there is none.
qsizetype validSequence(QByteArrayView bytes) {
  const auto b = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = b(0);
  if (lead < 0x80) return 1;
  qsizetype n = 0;
  unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) n = 2;
  else if (lead == 0xE0) n = 3, low = 0xA0;
  else if (lead == 0xED) n = 3, high = 0x9F;  // no surrogates
  else if (lead >= 0xE1 && lead <= 0xEF) n = 3;
  else if (lead == 0xF0) n = 4, low = 0x90;
  else if (lead >= 0xF1 && lead <= 0xF3) n = 4;
  else if (lead == 0xF4) n = 4, high = 0x8F;
  else return 0;
  if (bytes.size() < n || b(1) < low || b(1) > high) return 0;
  for (qsizetype i = 2; i < n; ++i)
    if (b(i) < 0x80 || b(i) > 0xBF) return 0;
  return n;
}

}  // namespace

QString pathFromNative(QByteArrayView bytes) {
  QString out;
  out.reserve(bytes.size());
  qsizetype run = 0;  // start of the valid text not yet appended
  qsizetype i = 0;
  while (i < bytes.size()) {
    const qsizetype n = validSequence(bytes.sliced(i));
    if (n > 0) {
      i += n;
      continue;
    }
    out += QString::fromUtf8(bytes.sliced(run, i - run));
    out += QChar(static_cast<char16_t>(kKeptByteBase + static_cast<unsigned char>(bytes[i])));
    run = ++i;
  }
  out += QString::fromUtf8(bytes.sliced(run));
  return out;
}

QByteArray nativePath(const QString& path) {
  QByteArray out;
  qsizetype run = 0;
  for (qsizetype i = 0; i < path.size(); ++i) {
    if (!isKeptByte(path, i)) continue;
    out += QStringView(path).sliced(run, i - run).toUtf8();
    out += static_cast<char>(path.at(i).unicode() - kKeptByteBase);
    run = i + 1;
  }
  out += QStringView(path).sliced(run).toUtf8();
  return out;
}

QString displayPath(const QString& path) {
  QString out = path;
  for (qsizetype i = 0; i < out.size(); ++i)
    if (isKeptByte(path, i)) out[i] = QChar::ReplacementCharacter;
  return out;
}

int64_t fileSize(const QString& path) {
  struct stat st {};
  return ::stat(nativePath(path).constData(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

}  // namespace plat
