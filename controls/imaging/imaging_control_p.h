#pragma once
// Inner state of the imaging control, shared by its source files.
#include "controls/imaging/imaging_control.h"

#include <QImage>
#include <QPolygon>
#include <QRect>
#include <QTemporaryFile>
#include <vector>

class QScrollBar;

namespace img {

struct ImagingControl::State {
  // The picture. A thumbnail loaded from a file keeps only its display picture (thumb) and the
  // facts of the page; the full page is decoded again from loadedPath when it is needed.
  Bitmap bmp;
  bool haveFull = false;
  bool fileBacked = false;  // the picture is page loadedPage of loadedPath, unchanged
  QString loadedPath;
  int32_t loadedPage = 1;
  int32_t imgW = 0, imgH = 0;
  int16_t bpp = 0;
  double resX = 0, resY = 0;
  int16_t unit = 0;
  std::vector<uint8_t> annotation;  // when the full page is not held
  QImage thumb;

  QString source;
  int32_t page = 1;
  int16_t fileType = 0;
  int64_t fileSize = 0;

  QString saveName;
  int16_t saveType = kFormatTiff;
  SaveOptions opts;

  double zoom = 1.0;
  int32_t scrollX = 0, scrollY = 0;
  int32_t stepX = 32, stepY = 32;
  int32_t ptrX = 0, ptrY = 0;
  int32_t thumbMode = 0, sizeMode = 0, highlight = 0;
  uint32_t back = 0x00808080;
  bool redraw = true;
  int16_t pointer = 0;
  QPixmap icon;
  QString name;

  // Display caches, built lazily by painting.
  QImage display;        // full picture as RGB32 (small pictures only)
  // Zoomed out: the part of the picture at the zoom that the view showed (scaledRect, in pixels
  // of the zoomed picture), reduced from the picture or from one of its reduced copies
  // (scaledFrom: -1 the picture, k reduced[k]). reduced[k] is the picture halved k + 1 times,
  // each made from the one before when a zoom first needs it: a zoom step reduces what is in
  // view from a copy at most twice its size, never the whole page.
  QImage scaled;
  QRect scaledRect;
  double scaledZoom = 0;
  int scaledFrom = -1;
  std::vector<Bitmap> reduced;
  QImage fitted;         // thumb / size mode 4 picture at the control's size
  QSize fittedFor;
  // The enlarged visible part (zoom > 1). Its rows are a ring: view row a (counted from the
  // top of the enlarged page) sits at a mod height, so a vertical scroll keeps the rows still
  // in view and builds only those that come in.
  QImage zoomed;
  QRect zoomedRect;      // where the part sits in the client
  int32_t zoomedScrollX = 0;
  int32_t zoomedTop = 0;  // first enlarged-page row held
  double zoomedZoom = 0;

  // Selection and area (image pixels).
  bool selVisible = false;
  QRect sel;
  bool selFromArea = false;
  bool rubber = false;
  QPoint rubberStart;
  QPolygon areaPts;
  bool areaClosed = false;
  bool areaActive = false;
  Bitmap floatBmp;
  QImage floatImage;  // floatBmp as painted, made once when the area is lifted
  QPolygon floatMask;  // outline relative to the floating picture's top-left; empty = all
  QPoint floatPos;
  bool placement = false;
  double plX = 0, plY = 0, plSX = 1, plSY = 1;
  bool plOptions = false;
  int32_t plMode = 1, plTransparentColour = 0;
  bool plTransparent = false;

  // One undo step: the whole picture an edit replaced, or, for an edit that changed only a
  // rectangle of the picture in place, that rectangle's old pixels and where they go back.
  struct UndoStep {
    Bitmap picture;
    QPoint at;
    bool part = false;
  };
  // A vector, not a deque: a deque allocates on construction, and a long strip holds a control per page.
  std::vector<UndoStep> undo;

  int32_t prL = 0, prT = 0, prW = 0, prH = 0;

  QScrollBar* hbar = nullptr;
  QScrollBar* vbar = nullptr;
  bool scrollBars = true;
  Qt::MouseButtons pressed;

  // A thumbnail given a large picture keeps it in a scratch file as a packed bitmap, and only
  // the display picture in memory.
  std::unique_ptr<QTemporaryFile> spill;

  // The picture is the control's own from now on: no file or scratch copy stands for it.
  void ownPicture() {
    fileBacked = false;
    spill.reset();
  }
  bool fitMode() const { return thumbMode == 1 || sizeMode == 4; }
  void dropCaches() {
    display = QImage();
    scaled = QImage();
    scaledZoom = 0;
    reduced.clear();
    fitted = QImage();
    fittedFor = QSize();
    zoomed = QImage();
  }
};

// Shift, Ctrl and Alt as the bits 1, 2 and 4; buttons left, right and middle as 1, 2 and 4.
int16_t vbShiftState(Qt::KeyboardModifiers m);
int16_t vbButtons(Qt::MouseButtons b);

}  // namespace img
