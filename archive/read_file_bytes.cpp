#include "archive/read_file_bytes.h"

#include <QFile>

namespace arch {

std::optional<QByteArray> ReadFileBytes(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
  const qint64 n = f.size();
  if (n < 0 || n >= INT32_MAX) return std::nullopt;
  QByteArray bytes(static_cast<qsizetype>(n) + 1, '\0');
  if (f.read(bytes.data(), n) != n) return std::nullopt;
  return bytes;
}

}  // namespace arch
