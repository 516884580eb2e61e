#pragma once
// The window side of the open document: what the document session asks its window to show or do.
// The main window implements it with its widgets; tests implement it with a fake that records.
#include "platform/memory/global_memory.h"
#include "runtime/variant.h"
#include "workspace/command_states.h"

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace ws {

struct PageEdit;
struct SavePlan;
enum class CaptionRule;

class DocumentView {
 public:
  virtual ~DocumentView() = default;

  // ---- Questions, messages, title and status ---------------------------------------------------
  // A question with the question icon; buttons as rt::Confirm takes them, the answer rt::vbYes...
  virtual int ask(const QString& question, int buttons) = 0;
  virtual void showError(const QString& text) = 0;
  virtual void setTitle(const QString& caption) = 0;
  // The zoom panel shows the page view's zoom.
  virtual void showZoom() = 0;
  // The login panel shows the archive user ("" when nobody is logged in).
  virtual void showLogin(const QString& user) = 0;

  // ---- Commands -----------------------------------------------------------------------------------
  // Menu items and toolbar buttons take the enabling of the rows; others keep theirs.
  virtual void enableCommands(const std::vector<CommandState>& states) = 0;
  virtual void enablePageButtons(bool previous, bool next) = 0;
  // The mouse modes of a state: none pressed without a document; with one, the hand unless a mode
  // is pressed already.
  virtual void resetModes(DocState state) = 0;
  // The page alone for a one-page format, the page and its thumbnails for a multi-page one.
  virtual void showDefaultLayout(bool multiPage) = 0;

  // ---- Page view and annotations ----------------------------------------------------------------
  // Empties the annotation control and attaches it to the page view.
  virtual void clearAnnotations() = 0;
  // Reads page 1 of the file into the page view and takes its annotation layer (an empty one when
  // it has none); returns the format the page was read in. Raises rt::RuntimeError when the file
  // cannot be read.
  virtual int16_t showFirstPage(const QString& path) = 0;
  // A blank page in the page view and in the first thumbnail, with an empty annotation layer.
  virtual void showBlankPage(int32_t width, int32_t height, int16_t bitsPerPixel, uint32_t colour) = 0;
  // Page (1-based) of the strip in the page view with its stored annotations.
  virtual void showPage(int page) = 0;
  // Every annotation tool gets the attributes a document starts with.
  virtual void setToolDefaults() = 0;
  // No page in the page view; the tool palette closes.
  virtual void emptyPageView() = 0;
  // A layer read from a file as the annotation engine writes it; Empty when the engine cannot
  // take it in.
  virtual rt::Variant takeInLayer(const rt::Variant& read) = 0;
  // The shown page's picture and annotations go to its thumbnail and the store.
  virtual void storeCurrentPage() = 0;
  // A floating pasted area is written into the page.
  virtual void commitPendingEdit() = 0;

  // ---- Page strip ---------------------------------------------------------------------------------
  // The pages of the strip; its first slot stays when there is no document.
  virtual int pageCount() const = 0;
  // The strip of an opened file: with pages > 0 a slot and caption per page, their pictures made in
  // the background; with 0 the first thumbnail takes the page view's picture.
  virtual void fillStrip(int pages, const QString& path) = 0;
  // The pictures of the strip's pages are made in the background, those in view first; stopping
  // drops what is still to come.
  virtual void loadThumbs(const QString& path, int pages) = 0;
  virtual void stopThumbs() = 0;
  // Thumbnails and captions rearranged as the edit says, its current page the only one selected;
  // added pages get empty thumbnails.
  virtual void rearrangeStrip(const PageEdit& edit, CaptionRule captions) = 0;
  // The page's thumbnail takes the picture over.
  virtual void setPagePicture(int index, plat::HGLOBAL picture) = 0;
  // Only the empty first slot is left, scrolled to the top; background thumbnails stop.
  virtual void emptyStrip() = 0;
  // The thumbnails placed for the strip's width.
  virtual void layOutStrip() = 0;
  virtual void scrollStripToCurrent() = 0;

  // ---- Save ---------------------------------------------------------------------------------------
  // The path the user chooses to save under; none when cancelled (a failure is shown).
  virtual std::optional<QString> askSavePath() = 0;
  // Writes the document's pages as the plan says to the document's path; raises rt::RuntimeError
  // when it fails, leaving the file, the pages and their annotations as they were.
  virtual void writePages(const SavePlan& plan) = 0;
};

}  // namespace ws
