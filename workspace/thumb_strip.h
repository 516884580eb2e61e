#pragma once
// The page strip of the main window: one thumbnail and caption per page of the open document in a
// grid on a carrier that scrolls in a viewport. It lays the grid out for the viewport's width,
// scrolls the selected page into view, fills its slots for a newly opened file, rearranges them
// for a page edit, and has the pictures made in the background (the pages in view first; a long
// document keeps only the pictures near the view).
//
// The widgets are the main window's (other windows and tests reach them there); the strip owns
// only the background loader.
#include "controls/imaging/page_thumb_loader.h"
#include "platform/memory/global_memory.h"
#include "runtime/control_array.h"

#include <QString>
#include <functional>
#include <memory>

class QFrame;
class QLabel;
class QScrollBar;
class QWidget;
namespace img {
class ImagingControl;
}

namespace ws {

struct PageEdit;
enum class CaptionRule;

class ThumbStrip {
 public:
  struct Widgets {
    rt::ControlArray<img::ImagingControl>& thumbs;
    rt::ControlArray<QLabel>& captions;
    QFrame* pane;          // the strip's frame
    QFrame* viewport;      // the visible part
    QWidget* carrier;      // holds the grid; moved up and down by the scroll bar
    QScrollBar* scrollBar;
    std::function<void(const QString&)> showProgress;  // the status bar's text panel
  };
  explicit ThumbStrip(Widgets widgets);
  ~ThumbStrip();

  int count() const { return w_.thumbs.Count(); }

  // The grid for the viewport's width and the document's page count (a one-page document shows
  // its single slot as it stands), with the scroll bar when the grid is taller than the viewport.
  void layOut();
  // Scrolls so that the selected thumbnail is in view.
  void scrollToCurrent();
  // The viewport is resized only through these; the carrier takes a changed size.
  void setViewportWidth(double twips);
  void setViewportHeight(double twips);
  // The scroll bar moved: the carrier follows, and the slots near the view are shown.
  void scrolled();

  // A slot per page of the file at path, each standing for its page until its picture arrives;
  // pages 0 gives the one slot the picture shown (taken over).
  void fill(int pages, const QString& path, plat::HGLOBAL shownPicture);
  // Slots, pictures and captions as the page edit says; the edit's current page is the only one
  // selected.
  void rearrange(const PageEdit& edit, CaptionRule captions);
  // No slot stands without a document; the next document's strip starts at its top.
  void empty();

  // The pictures of the file's pages, made in the background; "Pages ready" shows the progress.
  void loadPictures(const QString& path, int pages);
  void stopPictures();
  bool loadingPictures() const;

 private:
  void pictureReady(img::PageThumb& t);
  void showSlotsNearView();
  void preferVisible();
  void viewportResized();
  void resetScroll();

  Widgets w_;
  std::unique_ptr<img::PageThumbLoader> loader_;
};

}  // namespace ws
