#pragma once
// The imaging control: holds one raster picture, shows it zoomed and scrolled, reads and writes
// image files and edits pixels. Every picture of the program is one of these (the page view, the
// hidden scratch view, each thumbnail, the property reader, the magnifier and the tool viewers).
// Geometry of the control itself is in twips; event coordinates are twips; image coordinates are
// image pixels; "view pixels" are screen pixels from the top-left of the control.
#include "controls/imaging/bitmap.h"
#include "controls/imaging/codec.h"
#include "controls/imaging/format_codes.h"
#include "platform/memory/global_memory.h"

#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>

class QPainter;
class QScrollBar;
class QPaintDevice;

namespace img {

class ImagingControl : public QWidget {
  Q_OBJECT

 public:
  explicit ImagingControl(QWidget* parent = nullptr);
  ~ImagingControl() override;

  // ---- File -------------------------------------------------------------------------------
  // Page that the next SourceFile loads, from 1.
  int32_t PageNumber() const;
  void setPageNumber(int32_t page);
  // Putting a path loads page PageNumber of it and shows it; "" unloads. A file that cannot be
  // read raises rt::RuntimeError and leaves the control empty.
  QString SourceFile() const;
  void setSourceFile(const QString& path);
  // The longer side a thumbnail's display picture is made for (at least 96, else the control's size).
  int displaySide() const;
  // Pages in a file (0 when it cannot be read).
  int32_t FilePageCount(const QString& path) const;
  // Facts of one page of a file without loading it into the control; page is the 0-based page
  // index (0 = first page), as the thumbnail strip counts.
  void GetFileInfo(const QString& path, int32_t page, int32_t& width, int32_t& height, int16_t& bitsPerPixel,
                   int16_t& format, int32_t& fileSize, int16_t& unit, double& resolutionX,
                   double& resolutionY) const;
  // Format code of the loaded file; 0 when nothing is loaded or the picture came from a handle.
  int16_t ImageFileType() const;
  int32_t ImageFileSize() const;
  int32_t ImageWidth() const;
  int32_t ImageHeight() const;
  int16_t ImageBitsPerPixel() const;
  double ResolutionX() const;
  double ResolutionY() const;
  int16_t ResolutionUnit() const;
  void setResolutionX(double v);
  void setResolutionY(double v);
  void setResolutionUnit(int16_t v);
  bool hasImage() const;

  // ---- Picture ----------------------------------------------------------------------------
  // A new packed-DIB handle holding a copy of the picture (nullptr when empty); the caller owns it.
  plat::HGLOBAL ImageHandleCopy() const;
  // Takes the handle over: shows that bitmap and frees the block. nullptr empties the control.
  // While an area placement is on, the bitmap is put onto the picture at the placement instead.
  void setImageHandle(plat::HGLOBAL handle);
  // The picture as a QImage, and putting one (the clipboard's picture).
  QImage Picture() const;
  void setPicture(const QImage& picture);
  // Direct access for the program's own image operations.
  const Bitmap& bitmap() const;
  void setBitmap(Bitmap bitmap);  // replaces the picture (undo keeps the previous one)
  // Replaces the picture, keeping the view, with no undo step (the tools' preview viewers).
  void replaceBitmap(Bitmap bitmap);
  // Shows a new picture, as a page shown anew: no undo, selection or floating area carries over,
  // and the view starts at the picture's top-left.
  void showNewPicture(Bitmap bitmap);
  // The picture for an edit in place that keeps its size and depth, with no undo step (the
  // preview viewers write the rows in view first and the rest later); pictureEdited() then drops
  // what was drawn from it and draws it again, or only what was drawn from the area edited.
  Bitmap& editableBitmap();
  void pictureEdited();
  void pictureEdited(const QRect& area);
  // The annotation layer read with the page / written with the next TIFF save.
  std::vector<uint8_t> AnnotationData() const;
  void setAnnotationData(std::vector<uint8_t> data);

  // ---- Save -------------------------------------------------------------------------------
  QString SaveFileName() const;
  void setSaveFileName(const QString& path);
  int16_t SaveFileType() const;
  void setSaveFileType(int16_t code);
  bool SaveMultiPage() const;
  void setSaveMultiPage(bool on);
  // Writes the picture to SaveFileName in SaveFileType with the options below; with SaveMultiPage
  // (TIFF, DCX) the page is appended to the file. Raises rt::RuntimeError on failure; the target is
  // never left half-written.
  void SaveFile();
  int32_t SaveTiffCompression() const;
  void setSaveTiffCompression(int32_t c);
  int32_t SaveTiffByteOrder() const;
  void setSaveTiffByteOrder(int32_t order);
  int16_t SaveJpegLuminance() const;
  void setSaveJpegLuminance(int16_t q);
  int16_t SaveJpegChrominance() const;
  void setSaveJpegChrominance(int16_t q);
  bool SaveJpegGrayscale() const;
  void setSaveJpegGrayscale(bool on);
  bool SaveJpegProgressive() const;
  void setSaveJpegProgressive(bool on);
  int32_t SaveJpegSubSampling() const;
  void setSaveJpegSubSampling(int32_t s);
  bool SavePngInterlace() const;
  void setSavePngInterlace(bool on);
  int32_t SavePpmType() const;
  void setSavePpmType(int32_t t);
  int32_t SavePgmType() const;
  void setSavePgmType(int32_t t);
  int32_t SavePbmType() const;
  void setSavePbmType(int32_t t);
  const SaveOptions& saveOptions() const;

  // ---- View -------------------------------------------------------------------------------
  float ZoomFactor() const;  // 1.0 = 100 %
  void SetZoom(float factor);
  // 0 fit width, 1 fit height, 2 whole page.
  void ZoomToFit(int16_t how);
  // Scroll offset in image pixels (the image pixel at the top-left of the view).
  int32_t ViewOffsetX() const;
  int32_t ViewOffsetY() const;
  void setViewOffsetX(int32_t x);
  void setViewOffsetY(int32_t y);
  // Scroll position in view pixels (offset x zoom), kept within the scrollable range.
  int32_t ScrollPosX() const;
  int32_t ScrollPosY() const;
  void setScrollPosX(int32_t x);
  void setScrollPosY(int32_t y);
  int32_t ScrollStepX() const;
  int32_t ScrollStepY() const;
  void setScrollStepX(int32_t step);
  void setScrollStepY(int32_t step);
  // Whether the view shows scroll bars when the picture is larger than it (true by default); without
  // them the view still scrolls by its offsets over the whole of the control.
  bool ScrollBars() const;
  void setScrollBars(bool show);
  // Pointer position over the view in view pixels (last mouse event).
  int32_t PointerViewX() const;
  int32_t PointerViewY() const;
  // 1: the control is a thumbnail: the picture is shown whole, scaled to the control, and a page
  // loaded from a file is kept as a display-sized picture until the full page is needed.
  int32_t ThumbDisplayMode() const;
  void setThumbDisplayMode(int32_t mode);
  // 4: the whole picture is shown scaled to the control (keeps proportions); 0 normal.
  int32_t ViewSizeMode() const;
  // Where a picture shown whole (thumbnail mode, or view size mode 4) lies in the control, in view
  // pixels, exactly as painted; empty when the control shows no picture that way.
  QRect FittedPictureRect() const;
  void setViewSizeMode(int32_t mode);
  // 3 draws the selection frame around the control, 0 none; other values are kept and read back.
  int32_t HighlightBorder() const;
  void setHighlightBorder(int32_t value);
  // 0x00BBGGRR
  uint32_t BackColor() const;
  void setBackColor(uint32_t colour);
  // false freezes painting while the view is changed; true paints again.
  bool ViewRedraw() const;
  void setViewRedraw(bool on);
  void RedrawView();
  void Refresh();
  // 0 default, 1 arrow, 2 cross, 11 hourglass, 43 size-all, 99 custom (MouseIcon).
  int16_t MousePointer() const;
  void setMousePointer(int16_t pointer);
  QPixmap MouseIcon() const;
  void setMouseIcon(const QPixmap& icon);

  // ---- Extender: visibility, tool tip (position and size in twips: runtime/twips.h) --------
  bool Visible() const;
  void setVisible(bool on) override;
  QString ToolTipText() const;
  void setToolTipText(const QString& text);
  // The control's name in its window (the annotation control attaches by name).
  QString Name() const;
  void setName(const QString& name);

  // ---- Selection (image pixels; width 0 = none) -------------------------------------------
  bool SelectionVisible() const;
  void setSelectionVisible(bool on);
  // Starts (on) or ends the rubber band at a point in view pixels.
  void RubberBandStart(bool on, int32_t x = 0, int32_t y = 0);
  // Stretches the rubber band to a point in view pixels; the selection follows.
  void RubberBandTo(int32_t x, int32_t y);
  int32_t SelectionLeft() const;
  int32_t SelectionTop() const;
  int32_t SelectionWidth() const;
  int32_t SelectionHeight() const;
  void setSelection(int32_t left, int32_t top, int32_t width, int32_t height);

  // ---- Floating area -----------------------------------------------------------------------
  // Points of the area outline in image pixels.
  void AddAreaPoint(int32_t x, int32_t y);
  // Closes the outline: the area's bounding box becomes the selection.
  void CloseArea();
  // Lifts the pixels inside the area into a floating picture over the page; the page keeps them.
  void ActivateArea();
  // While on, a picture given to ImageHandle/Picture is put onto the page with its top-left at
  // image pixel (x, y), scaled by (scaleX, scaleY), instead of replacing the page.
  void AreaPlacement(bool on, double x = 0, double y = 0, double scaleX = 1, double scaleY = 1);
  void AreaPlacementOptions(bool on, int32_t mode = 1, int32_t transparentColour = 0, bool transparent = false);
  // Shows the floating area with its top-left at this point in view pixels.
  void GetAreaOrigin(int32_t viewX, int32_t viewY);
  // Moves the floating area's top-left to this image pixel.
  void MoveArea(int32_t x, int32_t y);
  // Writes the floating picture into the page where it lies (clipped to the page).
  void MergeArea();
  // Drops the outline, the floating picture and the selection.
  void ClearArea();
  bool AreaActive() const;
  int32_t AreaLeft() const;  // image pixels
  int32_t AreaTop() const;

  // ---- Editing -----------------------------------------------------------------------------
  // Copies the selection (or the whole picture) to the clipboard as a device-independent bitmap.
  void CopyToClipboard();
  void UndoLast();
  int32_t UndoAvailable() const;
  // A new picture of one colour (0x00BBGGRR); bits per pixel 1, 4, 8 or 24.
  void CreateBlankImage(int32_t width, int32_t height, int16_t bitsPerPixel, uint32_t colour);
  // Positive degrees turn counter-clockwise; multiples of 90 are exact, others fill with white.
  void RotateBy(double degrees);
  // Left-right mirror.
  void Mirror();
  // Top-bottom flip.
  void Flip();
  // Every pixel of the selection (or picture) whose red, green and blue each lie between those of
  // from and to becomes with (colours 0x00BBGGRR).
  void ReplaceColours(uint32_t from, uint32_t to, uint32_t with);
  void AutoContrast();
  void Despeckle();
  void Deskew();

  // ---- Printing ----------------------------------------------------------------------------
  // Placement of the printed picture in twips of the device page.
  int32_t PrintLeft() const;
  int32_t PrintTop() const;
  int32_t PrintWidth() const;
  int32_t PrintHeight() const;
  void setPrintLeft(int32_t twips);
  void setPrintTop(int32_t twips);
  void setPrintWidth(int32_t twips);
  void setPrintHeight(int32_t twips);
  // Draws the picture onto the device at the print placement (twips converted with the
  // device's resolution). The painter must be active.
  void PrintToDC(QPainter* dc);
  void PrintToDC(QPaintDevice* device);

 Q_SIGNALS:
  void Click();
  void DblClick();
  // button 1 left, 2 right, 4 middle; shift 1 Shift, 2 Ctrl, 4 Alt; x, y in twips.
  void MouseDown(int16_t button, int16_t shift, float x, float y);
  void MouseMove(int16_t button, int16_t shift, float x, float y);
  void MouseUp(int16_t button, int16_t shift, float x, float y);
  void KeyDown(int16_t keyCode, int16_t shift);
  void KeyUp(int16_t keyCode, int16_t shift);
  // source: the widget dragged (its objectName), x, y in twips.
  void DragDrop(QWidget* source, float x, float y);
  // The user scrolled the view with a scroll bar or the wheel (the event without arguments).
  void Scroll();
  // A page was read from a file (SourceFile); its picture and annotations are in place.
  void PageLoaded();

 protected:
  void paintEvent(QPaintEvent* e) override;
  void hideEvent(QHideEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  struct State;
  std::unique_ptr<State> d;
  void ensureFullPage() const;
  void afterPictureChanged(bool resetView);
  void takePicture(Bitmap b);
  void spillPicture();
  void showFilePage(const QString& path, int32_t page, Decoded dec, int32_t fullW, int32_t fullH);
  void pushUndo();                 // keeps a copy of the picture before an edit in place
  void keepForUndo(Bitmap old);    // keeps a picture that has been replaced
  // Keeps the pixels of r before an edit in place that changes nothing else; false (and nothing
  // kept) when r holds no pixel of the picture.
  bool keepPartForUndo(const QRect& r);
  void updateScrollBars();
  QScrollBar* scrollBar(bool horizontal);
  void applyCursor();
  void paintView(QPainter& p, const QRect& area);
  // The picture scaled whole into the control, made again when the control's size changed.
  void ensureFitted() const;
  // The picture or the most reduced copy of it still at least w x h (-1 the picture, k reduced[k]).
  int reductionFor(int w, int h) const;
  const Bitmap& reduction(int level) const;
  // Draws the part of the view within target at a zoom below 1.
  void paintReduced(QPainter& p, const QRect& target, const QRect& client);
};

// Draws a picture onto an active painter at a placement in twips of the device page (a placement
// without size prints it at its size on the screen), as the control's PrintToDC does.
void printPicture(QPainter* dc, const QImage& picture, int32_t left, int32_t top, int32_t width, int32_t height);

}  // namespace img
