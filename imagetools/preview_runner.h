#pragma once
// The live preview of a large page: the part the after viewer shows is made first and drawn; the
// rest of the after picture follows in short steps while the program is idle, or at once when the
// view is about to show another part (a scroll, a zoom). Small pictures, and effects that need the
// whole picture, are made whole as before.
#include "controls/imaging/bitmap.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <functional>
#include <utility>
#include <vector>

namespace img {
class ImagingControl;
}

namespace tools {

// The pixels of an area of the preview of src, written into the same pixels of dst; returns the
// part of dst made (the area, or more of its rows).
using PreviewRows = std::function<QRect(const img::Bitmap& src, img::Bitmap& dst, const QRect& area)>;

class RowsFirstPreview : public QObject {
  Q_OBJECT
 public:
  RowsFirstPreview(img::ImagingControl* from, img::ImagingControl* to, QObject* parent);
  // Shows in `to` what whole makes of a copy of from's picture. rows, when given, makes parts of
  // the same result from a 24-bit picture into a picture of madeDepth bits (0: 24): then the part
  // in view comes first.
  void run(const std::function<void(img::Bitmap&)>& whole, PreviewRows rows, int madeDepth = 0);
  // Makes the rows still missing now (busy pointer, and progress on long work).
  void finish();
  // Forgets the rows still missing: the viewers are about to hold other pictures.
  void drop() {
    timer_.stop();
    pending_.clear();
  }
  // Whether the after picture is whole (no rows left to make).
  bool complete() const { return pending_.empty(); }
  // The source rows a viewer shows at its zoom and scroll position, with a few to spare at each
  // end for the reduced view's averaging: [first, last).
  static std::pair<int32_t, int32_t> rowsInView(img::ImagingControl* ix);
  // The same for the columns: the source area in view.
  static QRect areaInView(img::ImagingControl* ix);

 private:
  void step();
  bool sourceFits() const;
  // The source and the after picture to make rows in; nulls, with nothing left to make, when
  // the viewers no longer hold matching pictures.
  std::pair<const img::Bitmap*, img::Bitmap*> targets();
  QPointer<img::ImagingControl> from_, to_;
  PreviewRows rows_;
  int depth_ = 24;  // of the after picture that rows_ writes into
  std::vector<QRect> pending_;  // areas still to make, in order
  QTimer timer_;
};

}  // namespace tools
