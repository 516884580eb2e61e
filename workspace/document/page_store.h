#pragma once
// The pages of the open document, free of widgets: each page is where its picture comes from (a
// page of a file, read when it is needed) or a picture of its own (edited, scanned, pasted, new),
// with its annotation layer, its caption and whether it is selected. Page edits (append, insert,
// delete, move) rearrange them; the strip and the page view show them, the writer saves them.
#include "controls/imaging/bitmap.h"
#include "workspace/page_strip.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class QTemporaryFile;

namespace ws {

// A picture of a page's own. A large one waits in a temporary file, so that a long scanned or
// edited document does not hold every page in memory; loading it is safe on any thread.
class OwnPicture {
 public:
  explicit OwnPicture(img::Bitmap picture);
  ~OwnPicture();
  OwnPicture(const OwnPicture&) = delete;
  OwnPicture& operator=(const OwnPicture&) = delete;
  img::Bitmap load() const;

 private:
  img::Bitmap held_;  // null while the picture waits in the file
  std::unique_ptr<QTemporaryFile> file_;
  QString path_;
  double resolutionX_ = 0, resolutionY_ = 0;
  int16_t resolutionUnit_ = 0;
};

struct DocumentPage {
  // The page of a file it is read from, until it has a picture of its own.
  QString file;
  int32_t filePage = 0;  // 1-based
  std::shared_ptr<const OwnPicture> picture;
  // The annotation layer as the engine writes it, or as read when the engine could not take it
  // in (written back as it came); empty for none.
  QByteArray layer;
  int32_t captionNumber = 0;  // the caption is "Page " and this number
  bool selected = false;
  // Changes whenever the picture changes: what was made of an earlier picture (a thumbnail) is
  // known to be stale by it.
  uint64_t id = 0;
};

class PageStore {
 public:
  int count() const { return static_cast<int>(pages_.size()); }
  bool empty() const { return pages_.empty(); }
  const DocumentPage& page(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
  bool valid(int index) const { return index >= 0 && index < count(); }

  // ---- Whole document ---------------------------------------------------------------------------
  void clear();
  // Every page of a file, each read from it when needed, with its layer (fewer layers than pages:
  // the rest have none). The first page is selected.
  void takeFile(const QString& path, int32_t pages, std::vector<QByteArray> layers);
  // One page with this picture and no layer, selected.
  void takePicture(img::Bitmap picture);
  // The document was written into path with page i as page i + 1: every page is read from it
  // again and gives up the picture it held (the file holds it now). Layers stay unless dropped,
  // burned into the pictures; every picture counts as new when the writing may have changed them.
  void readAllFrom(const QString& path, bool dropLayers, bool newPictures);
  // Changes whenever the pages are read from other files or other pages of them than before (not
  // when pages only move): what was asked of the files by page number is out of date then.
  uint64_t sources() const { return sources_; }

  // ---- One page -----------------------------------------------------------------------------------
  // The page's picture: its own, or read from its file (raises rt::RuntimeError when it cannot be).
  img::Bitmap picture(int index) const;
  bool hasOwnPicture(int index) const { return page(index).picture != nullptr; }
  void setPicture(int index, img::Bitmap picture);
  const QByteArray& layer(int index) const { return page(index).layer; }
  void setLayer(int index, QByteArray layer);
  QString caption(int index) const;

  // ---- Selection ----------------------------------------------------------------------------------
  bool selected(int index) const { return valid(index) && page(index).selected; }
  void select(int index, bool on);
  // This page alone is selected.
  void selectOnly(int index);
  std::vector<bool> selection() const;

  // ---- Page edits ---------------------------------------------------------------------------------
  // Pages as the edit says: they travel with their pictures, layers and ids; added pages have no
  // picture until they are given one (setPicture); captions travel or are renumbered; the edit's
  // current page alone is selected.
  void apply(const PageEdit& edit, CaptionRule captions);
  // Only the page at index is left, captioned as page 1.
  void keepOnly(int index);

 private:
  uint64_t nextId() { return ++lastId_; }
  std::vector<DocumentPage> pages_;
  uint64_t lastId_ = 0;
  uint64_t sources_ = 0;
};

}  // namespace ws
