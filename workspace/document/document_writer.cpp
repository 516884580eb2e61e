#include "workspace/document/document_writer.h"

#include "controls/imaging/format_codes.h"
#include "runtime/errors.h"
#include "runtime/replacing_file.h"
#include "workspace/document/layer_engine.h"
#include "workspace/document/page_store.h"

namespace ws {

namespace {

// The picture of one page as it goes into the file: with its layer for TIFF, burned in otherwise.
// page: 1-based for the message; 0 when the document is one picture.
img::Bitmap pageToWrite(const PageStore& store, int index, bool burnIn, int page, LayerEngine& engine) {
  img::Bitmap picture = store.picture(index);
  const QByteArray& layer = store.layer(index);
  picture.annotation.clear();
  if (layer.isEmpty()) return picture;
  if (!burnIn) {
    picture.annotation.assign(layer.begin(), layer.end());
    return picture;
  }
  const int32_t rc = engine.burnIn(picture, layer);
  if (rc == 0) return picture;
  const QString where = page == 0 ? QStringLiteral("The annotations") : QStringLiteral("The annotations of page %1").arg(page);
  rt::Raise(rc, QStringLiteral("nxMain"),
            where + QStringLiteral(" could not be burned into the image (annotation error %1), and files of this format "
                                   "cannot keep annotations. Nothing was saved.")
                        .arg(rc));
}

}  // namespace

void writeDocumentPages(const PageStore& store, const WriteJob& job, LayerEngine& engine) {
  const bool burnIn = job.plan.annotations == AnnotationHandling::BurnIn;
  img::SaveOptions options = job.options;
  options.format = job.plan.writeFormat;
  if (job.format != img::kFormatTiff) options.tiffCompression = job.plan.tiffCompression;
  if (!job.plan.pageByPage) {
    options.multiPage = false;
    img::writeFile(job.path, pageToWrite(store, job.pages.front(), burnIn, 0, engine), options);
    return;
  }
  // Each page is read, burned in and written before the next is read: a long document is never
  // held in memory whole.
  rt::ReplacingFile out(job.path);
  options.multiPage = true;
  int written = 0;
  for (int index : job.pages) img::writeFile(out.tempPath(), pageToWrite(store, index, burnIn, ++written, engine), options);
  img::forgetTiffFile(job.path);
  out.commit();
}

}  // namespace ws
