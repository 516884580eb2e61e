#include "platform/text/lines.h"

namespace plat {

QByteArrayView withoutByteOrderMark(QByteArrayView bytes) {
  return bytes.startsWith("\xEF\xBB\xBF") ? bytes.sliced(3) : bytes;
}

std::vector<QByteArrayView> splitLines(QByteArrayView bytes) {
  bytes = withoutByteOrderMark(bytes);
  std::vector<QByteArrayView> lines;
  const qsizetype n = bytes.size();
  qsizetype start = 0;
  for (qsizetype i = 0; i < n; ++i) {
    const char c = bytes[i];
    if (c != '\n' && c != '\r') continue;
    lines.push_back(bytes.sliced(start, i - start));
    if (c == '\r' && i + 1 < n && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < n) lines.push_back(bytes.sliced(start));
  return lines;
}

}  // namespace plat
