// libFuzzer target for the batch index file reader: any bytes are read into lines, keys and the
// verification's rows without a crash; keys written back and read again come back the same.
#include "archive/batch_folder.h"
#include "platform/text/ansi.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace arch::batch;
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QStringList lines = readIndexLines(bytes);
  // Every line ends at a line end or at the end of the input: never more lines than bytes.
  if (lines.size() > bytes.size()) __builtin_trap();
  const IndexKeys keys = indexKeys(lines);
  const QStringList rows = checkIndexFile(bytes, QStringLiteral("Name"), QStringLiteral("Date"));
  for (const QString& r : rows)
    if (!r.startsWith(QLatin1String("Index file - "))) __builtin_trap();
  if (rows.isEmpty()) {
    // A valid file has four lines within their limits.
    if (lines.size() != 4 || keys.achId.isEmpty() || keys.achId.size() > 20 || keys.parm2.size() > 12)
      __builtin_trap();
    // Written again, it reads back with the same keys, upper-cased as Save Batch writes them (in
    // what the code page can hold of them).
    const auto stored = [](const QString& k) { return plat::fromAnsi(plat::toAnsi(k.toUpper())).trimmed(); };
    const IndexKeys again = indexKeys(readIndexLines(indexFileBytes(keys.achId, keys.parm1, keys.parm2)));
    if (again.achId != stored(keys.achId) || again.parm1 != stored(keys.parm1) || again.parm2 != stored(keys.parm2) ||
        again.operation != QLatin1String(kOperation))
      __builtin_trap();
  }
  (void)classify(QString::fromLatin1(bytes.left(64)));
  (void)isSafeFolderName(keys.achId);
  return 0;
}
