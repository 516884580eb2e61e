// The imaging control: picture, files, save options and the control's own properties.
#include "controls/imaging/imaging_control.h"

#include "controls/imaging/imaging_control_p.h"
#include "controls/imaging/pixel_ops.h"
#include "platform/text/native_path.h"
#include "runtime/errors.h"

#include <QScrollBar>
#include <cmath>
#include <utility>

namespace img {

ImagingControl::ImagingControl(QWidget* parent) : QWidget(parent), d(std::make_unique<State>()) {
  setFocusPolicy(Qt::StrongFocus);
  setAcceptDrops(true);
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

// The scroll bars are made when a picture first needs one: a thumbnail never does, and a strip of
// many thousand thumbnails would otherwise carry two idle scroll bar widgets per page.
QScrollBar* ImagingControl::scrollBar(bool horizontal) {
  QScrollBar*& bar = horizontal ? d->hbar : d->vbar;
  if (bar) return bar;
  bar = new QScrollBar(horizontal ? Qt::Horizontal : Qt::Vertical, this);
  bar->hide();
  connect(bar, &QScrollBar::actionTriggered, this, [this, bar, horizontal](int) {
    const int v = bar->sliderPosition();
    if (horizontal) setScrollPosX(v);
    else setScrollPosY(v);
    Q_EMIT Scroll();
  });
  return bar;
}

ImagingControl::~ImagingControl() = default;

// ---- picture -----------------------------------------------------------------------------------

bool ImagingControl::hasImage() const { return d->imgW > 0 && d->imgH > 0; }

namespace {
constexpr std::size_t kSpillAbove = std::size_t(4) << 20;

QByteArray readSpill(QTemporaryFile& f) {
  if (!f.seek(0)) fail(kErrNoImage, QStringLiteral("The kept page cannot be read back"));
  QByteArray bytes = f.readAll();
  if (bytes.isEmpty()) fail(kErrNoImage, QStringLiteral("The kept page cannot be read back"));
  return bytes;
}

std::span<const uint8_t> spanOf(const QByteArray& a) {
  return {reinterpret_cast<const uint8_t*>(a.constData()), static_cast<std::size_t>(a.size())};
}
}  // namespace

void ImagingControl::ensureFullPage() const {
  if (d->haveFull) return;
  if (d->spill) {
    d->bmp = fromPackedDib(spanOf(readSpill(*d->spill)));
    d->bmp.annotation = d->annotation;
    d->haveFull = true;
    return;
  }
  if (!d->fileBacked) return;
  Decoded dec = readFilePage(d->loadedPath, d->loadedPage);
  d->bmp = std::move(dec.bitmap);
  d->haveFull = true;
}

// A thumbnail keeps a large picture in a scratch file; when that cannot be written it simply
// stays in memory.
void ImagingControl::spillPicture() {
  if (d->thumbMode != 1 || !d->haveFull || d->bmp.data().size() < kSpillAbove) return;
  auto f = std::make_unique<QTemporaryFile>();
  if (!f->open()) return;
  // The packed bitmap is written as it is read back, header first and rows bottom-up, straight
  // from the picture: no second copy of a large page is made in memory to write it.
  const Bitmap& b = d->bmp;
  std::vector<uint8_t> header(packedDibHeaderSize(b));
  writePackedDibHeader(b, header.data());
  bool written = f->write(reinterpret_cast<const char*>(header.data()), static_cast<qint64>(header.size())) == static_cast<qint64>(header.size());
  for (int32_t y = b.height() - 1; written && y >= 0; --y)
    written = f->write(reinterpret_cast<const char*>(b.row(y)), b.stride()) == b.stride();
  if (!written || !f->flush()) return;
  d->spill = std::move(f);
  d->annotation = d->bmp.annotation;
  d->bmp = Bitmap();
  d->haveFull = false;
}

const Bitmap& ImagingControl::bitmap() const {
  ensureFullPage();
  return d->bmp;
}

// Called after d->bmp changed: facts, caches, view.
void ImagingControl::afterPictureChanged(bool resetView) {
  d->imgW = d->bmp.width();
  d->imgH = d->bmp.height();
  d->bpp = static_cast<int16_t>(d->bmp.bitsPerPixel());
  d->resX = d->bmp.resolutionX;
  d->resY = d->bmp.resolutionY;
  d->unit = d->bmp.resolutionUnit;
  d->haveFull = !d->bmp.isNull();
  d->dropCaches();
  d->thumb = QImage();
  if (d->thumbMode == 1 && d->haveFull) {
    const int side = displaySide();
    d->thumb = makeThumbnail(d->bmp, side, side);
  }
  if (resetView) {
    d->scrollX = d->scrollY = 0;
  }
  updateScrollBars();
  if (d->redraw) update();
}

void ImagingControl::pushUndo() {
  ensureFullPage();
  if (!d->bmp.isNull()) keepForUndo(Bitmap(d->bmp));
}

namespace {
// At most four steps are kept, and no more than 256 MB of them unless one step alone is larger.
template <class Steps>
void trimUndo(Steps& undo) {
  std::size_t bytes = 0;
  for (const auto& step : undo) bytes += step.picture.data().size();
  while (undo.size() > 4 || (undo.size() > 1 && bytes > (std::size_t(256) << 20))) {
    bytes -= undo.front().picture.data().size();
    undo.erase(undo.begin());
  }
}
}  // namespace

void ImagingControl::keepForUndo(Bitmap old) {
  if (old.isNull()) return;
  d->undo.push_back({std::move(old), QPoint(), false});
  trimUndo(d->undo);
}

bool ImagingControl::keepPartForUndo(const QRect& r) {
  ensureFullPage();
  const QRect part = r.intersected(QRect(0, 0, d->bmp.width(), d->bmp.height()));
  if (part.isEmpty()) return false;
  d->undo.push_back({crop(d->bmp, part), part.topLeft(), true});
  trimUndo(d->undo);
  return true;
}

void ImagingControl::setBitmap(Bitmap b) {
  // The picture being replaced goes to the undo as it is: no copy.
  ensureFullPage();
  keepForUndo(std::exchange(d->bmp, Bitmap()));
  d->bmp = std::move(b);
  d->ownPicture();
  afterPictureChanged(false);
}

void ImagingControl::replaceBitmap(Bitmap b) {
  d->undo.clear();
  d->bmp = std::move(b);
  d->ownPicture();
  afterPictureChanged(false);
}

void ImagingControl::showNewPicture(Bitmap b) { takePicture(std::move(b)); }

Bitmap& ImagingControl::editableBitmap() {
  ensureFullPage();
  d->ownPicture();
  return d->bmp;
}

void ImagingControl::pictureEdited() { afterPictureChanged(false); }

void ImagingControl::pictureEdited(const QRect& area) {
  if (d->bmp.width() != d->imgW || d->bmp.height() != d->imgH || d->bmp.bitsPerPixel() != d->bpp || d->thumbMode == 1) {
    afterPictureChanged(false);
    return;
  }
  const QRect part = area.intersected(QRect(0, 0, d->imgW, d->imgH));
  if (part.isEmpty()) return;
  // The reduced copies, the reduced view and the screen-colour copy keep what lies outside the
  // area: a live preview changing the part in view does not make them again from the whole page.
  QRect reached = part;  // the area in pixels of the picture, then of each reduced copy made from it
  QRect inSource = part;
  for (std::size_t k = 0; k < d->reduced.size(); ++k) {
    reached = updateHalved(k == 0 ? d->bmp : d->reduced[k - 1], d->reduced[k], reached);
    if (static_cast<int>(k) == d->scaledFrom) inSource = reached;
  }
  if (!d->scaled.isNull()) {
    const int sw = std::max(1, static_cast<int>(std::lround(d->imgW * d->scaledZoom)));
    const int sh = std::max(1, static_cast<int>(std::lround(d->imgH * d->scaledZoom)));
    const Bitmap& source = d->scaledFrom < 0 ? d->bmp : d->reduced[static_cast<std::size_t>(d->scaledFrom)];
    updateReducedPart(source, sw, sh, d->scaled, d->scaledRect.topLeft(), inSource);
  }
  if (!d->display.isNull())
    for (int y = part.top(); y <= part.bottom(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(d->display.scanLine(y));
      for (int x = part.left(); x <= part.right(); ++x) line[x] = d->bmp.pixel(x, y) | 0xFF000000u;
    }
  d->fitted = QImage();
  d->fittedFor = QSize();
  d->zoomed = QImage();
  if (d->redraw) update();
}

plat::HGLOBAL ImagingControl::ImageHandleCopy() const {
  if (!hasImage()) return nullptr;
  if (!d->haveFull && d->spill) {
    // The scratch file already holds the packed bitmap.
    const QByteArray bytes = readSpill(*d->spill);
    return plat::GlobalFromBytes(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  }
  if (!d->haveFull && d->fileBacked) {
    // A thumbnail decodes its page for the copy and lets it go again.
    Decoded dec = readFilePage(d->loadedPath, d->loadedPage);
    return toDibHandle(dec.bitmap);
  }
  return toDibHandle(d->bmp);
}

namespace {
// The placed picture, scaled by the placement factors.
Bitmap scaledForPlacement(const Bitmap& b, double sx, double sy) {
  if (std::abs(sx - 1) < 1e-9 && std::abs(sy - 1) < 1e-9) return b;
  const int w = std::max(1, static_cast<int>(std::lround(b.width() * sx)));
  const int h = std::max(1, static_cast<int>(std::lround(b.height() * sy)));
  return Bitmap::fromQImage(b.toQImage().scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}
}  // namespace

void ImagingControl::setImageHandle(plat::HGLOBAL handle) {
  if (!handle) {
    setSourceFile(QString());
    return;
  }
  Bitmap b = fromDibHandle(handle);  // throws for a handle that is not a bitmap, which stays with the caller
  plat::GlobalFree(handle);
  if (d->placement && hasImage()) {
    ensureFullPage();
    Bitmap placed = scaledForPlacement(b, d->plSX, d->plSY);
    paste(d->bmp, placed, static_cast<int32_t>(std::lround(d->plX)), static_cast<int32_t>(std::lround(d->plY)));
    d->ownPicture();
    afterPictureChanged(false);
    return;
  }
  takePicture(std::move(b));
}

// A new picture that did not come from a file: no undo, selection or file facts carry over.
void ImagingControl::takePicture(Bitmap b) {
  d->undo.clear();
  ClearArea();
  d->sel = QRect();
  d->rubber = false;
  d->bmp = std::move(b);
  d->ownPicture();
  d->source.clear();
  d->fileType = 0;
  d->fileSize = 0;
  afterPictureChanged(true);
  spillPicture();
}

QImage ImagingControl::Picture() const {
  if (!hasImage()) return QImage();
  if (!d->haveFull && d->spill) return fromPackedDib(spanOf(readSpill(*d->spill))).toQImage();
  if (!d->haveFull && d->fileBacked) return readFilePage(d->loadedPath, d->loadedPage).bitmap.toQImage();
  return d->bmp.toQImage();
}

void ImagingControl::setPicture(const QImage& picture) {
  if (picture.isNull()) {
    setSourceFile(QString());
    return;
  }
  setImageHandle(toDibHandle(Bitmap::fromQImage(picture)));
}

std::vector<uint8_t> ImagingControl::AnnotationData() const {
  return d->haveFull ? d->bmp.annotation : d->annotation;
}

void ImagingControl::setAnnotationData(std::vector<uint8_t> data) {
  if (d->haveFull) d->bmp.annotation = data;
  d->annotation = std::move(data);
}

// ---- file --------------------------------------------------------------------------------------

int32_t ImagingControl::PageNumber() const { return d->page; }
void ImagingControl::setPageNumber(int32_t page) {
  if (page < 1) fail(kErrBadValue, QStringLiteral("Invalid page number %1").arg(page));
  d->page = page;
}

QString ImagingControl::SourceFile() const { return d->source; }

void ImagingControl::setSourceFile(const QString& path) {
  // Unload first, so a file that cannot be read leaves the control empty.
  d->undo.clear();
  ClearArea();
  d->sel = QRect();
  d->rubber = false;
  d->bmp = Bitmap();
  d->haveFull = false;
  d->ownPicture();
  d->annotation.clear();
  d->source.clear();
  d->fileType = 0;
  d->fileSize = 0;
  d->loadedPath.clear();
  afterPictureChanged(true);
  if (path.isEmpty()) return;
  const bool thumb = d->thumbMode == 1;
  int32_t fullW = 0, fullH = 0;
  Decoded dec = thumb ? readFilePageForDisplay(path, d->page, displaySide(), fullW, fullH)
                      : readFilePage(path, d->page);
  showFilePage(path, d->page, std::move(dec), fullW, fullH);
}

// The page as read from the file becomes the picture; a thumbnail keeps only its display picture.
void ImagingControl::showFilePage(const QString& path, int32_t page, Decoded dec, int32_t fullW, int32_t fullH) {
  const bool thumb = d->thumbMode == 1;
  d->source = path;
  d->fileType = dec.format;
  d->fileSize = plat::fileSize(path);
  d->loadedPath = path;
  d->loadedPage = page;
  d->bmp = std::move(dec.bitmap);
  afterPictureChanged(true);
  d->fileBacked = true;
  if (thumb) {
    // Keep the display picture and the facts; the page is decoded again when needed.
    d->annotation = d->bmp.annotation;
    d->bmp = Bitmap();
    d->haveFull = false;
    d->imgW = fullW;
    d->imgH = fullH;
    updateScrollBars();
  }
  Q_EMIT PageLoaded();
}

int ImagingControl::displaySide() const { return std::max({96, width(), height()}); }

int32_t ImagingControl::FilePageCount(const QString& path) const {
  try {
    return filePageCount(path);
  } catch (const rt::RuntimeError&) {
    return 0;
  }
}

void ImagingControl::GetFileInfo(const QString& path, int32_t page, int32_t& width, int32_t& height,
                                 int16_t& bitsPerPixel, int16_t& format, int32_t& fileSize, int16_t& unit,
                                 double& resolutionX, double& resolutionY) const {
  const FileInfo info = fileInfo(path, std::max(0, page) + 1);
  width = info.width;
  height = info.height;
  bitsPerPixel = info.bitsPerPixel;
  format = info.format;
  fileSize = static_cast<int32_t>(std::min<int64_t>(info.fileSize, INT32_MAX));
  unit = info.unit;
  resolutionX = info.resolutionX;
  resolutionY = info.resolutionY;
}

int16_t ImagingControl::ImageFileType() const {
  return d->fileType;
}
int32_t ImagingControl::ImageFileSize() const { return static_cast<int32_t>(std::min<int64_t>(d->fileSize, INT32_MAX)); }
int32_t ImagingControl::ImageWidth() const {
  return d->imgW;
}
int32_t ImagingControl::ImageHeight() const {
  return d->imgH;
}
int16_t ImagingControl::ImageBitsPerPixel() const {
  return d->bpp;
}
double ImagingControl::ResolutionX() const {
  return d->resX;
}
double ImagingControl::ResolutionY() const {
  return d->resY;
}
int16_t ImagingControl::ResolutionUnit() const {
  return d->unit;
}

void ImagingControl::setResolutionX(double v) {
  ensureFullPage();
  d->resX = d->bmp.resolutionX = v;
}
void ImagingControl::setResolutionY(double v) {
  ensureFullPage();
  d->resY = d->bmp.resolutionY = v;
}
void ImagingControl::setResolutionUnit(int16_t v) {
  if (v < 0 || v > 3) fail(kErrBadValue, QStringLiteral("Invalid resolution unit %1").arg(v));
  ensureFullPage();
  d->unit = d->bmp.resolutionUnit = v;
}

// ---- save --------------------------------------------------------------------------------------

QString ImagingControl::SaveFileName() const { return d->saveName; }
void ImagingControl::setSaveFileName(const QString& path) { d->saveName = path; }
int16_t ImagingControl::SaveFileType() const { return d->saveType; }
void ImagingControl::setSaveFileType(int16_t code) { d->saveType = code; }
bool ImagingControl::SaveMultiPage() const { return d->opts.multiPage; }
void ImagingControl::setSaveMultiPage(bool on) { d->opts.multiPage = on; }
int32_t ImagingControl::SaveTiffCompression() const { return d->opts.tiffCompression; }
void ImagingControl::setSaveTiffCompression(int32_t c) {
  if (c < 0 || c > 8) fail(kErrBadValue, QStringLiteral("Invalid TIFF compression %1").arg(c));
  d->opts.tiffCompression = c;
}
int32_t ImagingControl::SaveTiffByteOrder() const { return d->opts.tiffByteOrder; }
void ImagingControl::setSaveTiffByteOrder(int32_t order) {
  if (order != 0 && order != 1) fail(kErrBadValue, QStringLiteral("Invalid TIFF byte order %1").arg(order));
  d->opts.tiffByteOrder = order;
}
int16_t ImagingControl::SaveJpegLuminance() const { return d->opts.jpegLuminance; }
void ImagingControl::setSaveJpegLuminance(int16_t q) { d->opts.jpegLuminance = static_cast<int16_t>(std::clamp<int>(q, 0, 255)); }
int16_t ImagingControl::SaveJpegChrominance() const { return d->opts.jpegChrominance; }
void ImagingControl::setSaveJpegChrominance(int16_t q) { d->opts.jpegChrominance = static_cast<int16_t>(std::clamp<int>(q, 0, 255)); }
bool ImagingControl::SaveJpegGrayscale() const { return d->opts.jpegGrayscale; }
void ImagingControl::setSaveJpegGrayscale(bool on) { d->opts.jpegGrayscale = on; }
bool ImagingControl::SaveJpegProgressive() const { return d->opts.jpegProgressive; }
void ImagingControl::setSaveJpegProgressive(bool on) { d->opts.jpegProgressive = on; }
int32_t ImagingControl::SaveJpegSubSampling() const { return d->opts.jpegSubSampling; }
void ImagingControl::setSaveJpegSubSampling(int32_t s) {
  if (s < 0 || s > 3) fail(kErrBadValue, QStringLiteral("Invalid JPEG sub-sampling %1").arg(s));
  d->opts.jpegSubSampling = s;
}
bool ImagingControl::SavePngInterlace() const { return d->opts.pngInterlace; }
void ImagingControl::setSavePngInterlace(bool on) { d->opts.pngInterlace = on; }
int32_t ImagingControl::SavePpmType() const { return d->opts.ppmType; }
void ImagingControl::setSavePpmType(int32_t t) { d->opts.ppmType = t ? 1 : 0; }
int32_t ImagingControl::SavePgmType() const { return d->opts.pgmType; }
void ImagingControl::setSavePgmType(int32_t t) { d->opts.pgmType = t ? 1 : 0; }
int32_t ImagingControl::SavePbmType() const { return d->opts.pbmType; }
void ImagingControl::setSavePbmType(int32_t t) { d->opts.pbmType = t ? 1 : 0; }
const SaveOptions& ImagingControl::saveOptions() const { return d->opts; }

void ImagingControl::SaveFile() {
  if (!hasImage()) fail(kErrNoImage, QStringLiteral("There is no picture to save"));
  SaveOptions o = d->opts;
  o.format = d->saveType;
  if (!d->haveFull && (d->fileBacked || d->spill)) {
    // Saving does not keep the full page in a thumbnail.
    Bitmap full = d->spill ? fromPackedDib(spanOf(readSpill(*d->spill))) : readFilePage(d->loadedPath, d->loadedPage).bitmap;
    full.annotation = d->annotation;
    writeFile(d->saveName, full, o);
    return;
  }
  writeFile(d->saveName, d->bmp, o);
}

// ---- extender ----------------------------------------------------------------------------------

bool ImagingControl::Visible() const { return !isHidden(); }
void ImagingControl::setVisible(bool on) { QWidget::setVisible(on); }
QString ImagingControl::ToolTipText() const { return toolTip(); }
void ImagingControl::setToolTipText(const QString& text) { setToolTip(text); }
QString ImagingControl::Name() const { return d->name.isEmpty() ? objectName() : d->name; }
void ImagingControl::setName(const QString& name) {
  d->name = name;
  setObjectName(name);
}

}  // namespace img
