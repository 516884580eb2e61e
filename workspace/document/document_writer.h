#pragma once
// Writing the open document's pages into its file, from the page store: one page in a one-page
// format, or the pages one after another into a temporary file beside the target, which replaces
// the target only once every page is in it. A TIFF page takes its annotation layer along; a page
// of any other format has its layer burned into a copy of its picture by the engine.
#include "controls/imaging/codec.h"
#include "workspace/save_plan.h"

#include <QString>
#include <vector>

namespace ws {

class LayerEngine;
class PageStore;

struct WriteJob {
  QString path;
  SavePlan plan;
  // The format written: plain TIFF takes every page's compression and byte order from the options
  // chosen for it, a TIFF of one compression (as read) keeps that compression.
  ImageFormatCode format = 0;
  img::SaveOptions options;
  std::vector<int> pages;  // the pages of the store to write, in order
};

// Raises rt::RuntimeError when a page cannot be read, burned in or written; the target and the
// store are then as they were.
void writeDocumentPages(const PageStore& store, const WriteJob& job, LayerEngine& engine);

}  // namespace ws
