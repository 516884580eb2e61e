// Fuzz target for the album reader: any bytes give records without a crash, and every record
// written back as a line reads back as the same record.
#include "albums/album_file.h"
#include "runtime/errors.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  std::vector<albums::AlbumRecord> records;
  try {
    records = albums::parseAlbum(bytes);
  } catch (const rt::RuntimeError&) {
    return 0;  // past the limits: refused with a message
  }
  for (const albums::AlbumRecord& r : records) {
    const albums::AlbumRecord back = albums::parseAlbumLine(albums::formatAlbumLine(r));
    if (back.pathBytes() != r.pathBytes() || back.page() != r.page() || back.remarks() != r.remarks().toUpper()) std::abort();
    QString path, remarks;
    albums::parseSearchLine(albums::formatAlbumLine(r), &path, &remarks);
  }
  return 0;
}
