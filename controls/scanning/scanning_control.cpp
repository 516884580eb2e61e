#include "controls/scanning/scanning_control.h"

#include "controls/imaging/bitmap.h"
#include "runtime/errors.h"

#include <QApplication>
#include <QInputDialog>
#include <sane/sane.h>
#include <sane/saneopts.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr double kMmPerInch = 25.4;
// A page larger than this (about A0 at 600 dpi in colour) is refused rather than exhausting memory.
constexpr int64_t kMaxPageBytes = int64_t(1) << 31;

struct DeviceCloser {
  void operator()(void* h) const {
    if (h) {
      sane_cancel(static_cast<SANE_Handle>(h));
      sane_close(static_cast<SANE_Handle>(h));
    }
  }
};
using Device = std::unique_ptr<void, DeviceCloser>;

// The descriptor of a named option and its index in *index, or null.
const SANE_Option_Descriptor* findOption(SANE_Handle h, const char* name, int* index) {
  SANE_Int count = 0;
  if (sane_control_option(h, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD) return nullptr;
  for (SANE_Int i = 1; i < count; ++i) {
    const SANE_Option_Descriptor* d = sane_get_option_descriptor(h, i);
    if (d && d->name && std::strcmp(d->name, name) == 0) {
      *index = i;
      return d;
    }
  }
  return nullptr;
}

// Geometry options are millimetres (fixed or integer) on almost every device; pixels are left alone.
bool setLength(SANE_Handle h, const char* name, double inches) {
  int i = -1;
  const SANE_Option_Descriptor* d = findOption(h, name, &i);
  if (!d || !SANE_OPTION_IS_SETTABLE(d->cap) || d->unit != SANE_UNIT_MM) return false;
  const double mm = inches * kMmPerInch;
  SANE_Word w = d->type == SANE_TYPE_FIXED ? SANE_FIX(mm) : static_cast<SANE_Word>(mm + 0.5);
  return sane_control_option(h, i, SANE_ACTION_SET_VALUE, &w, nullptr) == SANE_STATUS_GOOD;
}

bool getLength(SANE_Handle h, const char* name, double* inches) {
  int i = -1;
  const SANE_Option_Descriptor* d = findOption(h, name, &i);
  if (!d || d->unit != SANE_UNIT_MM || !SANE_OPTION_IS_ACTIVE(d->cap)) return false;
  SANE_Word w = 0;
  if (sane_control_option(h, i, SANE_ACTION_GET_VALUE, &w, nullptr) != SANE_STATUS_GOOD) return false;
  *inches = (d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : w) / kMmPerInch;
  return true;
}

double resolutionOf(SANE_Handle h) {
  int i = -1;
  const SANE_Option_Descriptor* d = findOption(h, SANE_NAME_SCAN_RESOLUTION, &i);
  SANE_Word w = 0;
  if (!d || sane_control_option(h, i, SANE_ACTION_GET_VALUE, &w, nullptr) != SANE_STATUS_GOOD) return 0;
  return d->type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : w;
}

// One scanned page as a bitmap: colour frames (interleaved or three) become 24-bit, grey 8-bit,
// line art 1-bit.
img::Bitmap pageBitmap(const std::vector<std::vector<uint8_t>>& frames, const SANE_Parameters& p, int32_t lines,
                       bool color) {
  // Hand scanners report an unknown line count: take what arrived.
  if (lines <= 0) lines = static_cast<int32_t>(frames.front().size() / static_cast<size_t>(p.bytes_per_line));
  const int32_t w = p.pixels_per_line;
  const int bpp = color ? 24 : (p.depth == 1 ? 1 : 8);
  img::Bitmap bmp(w, lines, bpp);
  if (bpp != 24) bmp.setGrayPalette();
  const int bytesPerSample = p.depth == 16 ? 2 : 1;
  auto sample = [&](const std::vector<uint8_t>& f, size_t offset) -> uint8_t {
    if (offset + bytesPerSample > f.size()) return 0;
    // 16-bit samples are in host order; keep the high byte.
    if (bytesPerSample == 2) {
      uint16_t v;
      std::memcpy(&v, f.data() + offset, 2);
      return static_cast<uint8_t>(v >> 8);
    }
    return f[offset];
  };
  for (int32_t y = 0; y < lines; ++y) {
    uint8_t* out = bmp.row(y);
    const size_t rowStart = static_cast<size_t>(y) * static_cast<size_t>(p.bytes_per_line);
    if (bpp == 1) {
      // SANE's line art marks black as 1; the grey palette has black at index 0.
      const auto& f = frames.front();
      for (int32_t b = 0; b < (w + 7) / 8; ++b)
        out[b] = rowStart + b < f.size() ? static_cast<uint8_t>(~f[rowStart + b]) : 0xFF;
    } else if (bpp == 8) {
      for (int32_t x = 0; x < w; ++x) out[x] = sample(frames.front(), rowStart + static_cast<size_t>(x) * bytesPerSample);
    } else {
      for (int32_t x = 0; x < w; ++x) {
        uint8_t rgb[3];
        for (int c = 0; c < 3; ++c) {
          if (frames.size() >= 3)
            rgb[c] = sample(frames[c], rowStart + static_cast<size_t>(x) * bytesPerSample);
          else
            rgb[c] = sample(frames.front(), rowStart + (static_cast<size_t>(x) * 3 + c) * bytesPerSample);
        }
        out[x * 3] = rgb[2];
        out[x * 3 + 1] = rgb[1];
        out[x * 3 + 2] = rgb[0];
      }
    }
  }
  return bmp;
}

// Whether the device's current source is a document feeder, which goes on delivering pages.
bool feedsPages(SANE_Handle raw) {
  int src = -1;
  const SANE_Option_Descriptor* d = findOption(raw, SANE_NAME_SCAN_SOURCE, &src);
  if (!d || d->type != SANE_TYPE_STRING || d->size <= 0) return false;
  std::vector<char> v(static_cast<size_t>(d->size), 0);
  if (sane_control_option(raw, src, SANE_ACTION_GET_VALUE, v.data(), nullptr) != SANE_STATUS_GOOD) return false;
  const QString text = QString::fromLatin1(v.data()).toLower();
  return text.contains("feeder") || text.contains("adf");
}

QString statusText(SANE_Status s) { return QString::fromLatin1(sane_strstatus(s)); }

}  // namespace

ScanningControl::ScanningControl(QObject* parent) : QObject(parent) {
  chooser_ = [](const QStringList& sources, const QString& current) {
    bool ok = false;
    const QString chosen = QInputDialog::getItem(QApplication::activeWindow(), QStringLiteral("Select Source"),
                                                 QStringLiteral("Sources:"), sources,
                                                 std::max<qsizetype>(0, sources.indexOf(current)), false, &ok);
    return ok ? chosen : QString();
  };
}

ScanningControl::~ScanningControl() {
  if (acquired_) plat::GlobalFree(acquired_);
  CloseSourceManager();
}

void ScanningControl::raise(int32_t number, int32_t code, const QString& text) {
  errorCode_ = code;
  errorText_ = text;
  throw rt::RuntimeError(number, text, QString::fromLatin1(kSourceId));
}

void ScanningControl::OpenSourceManager() {
  if (managerOpen_) return;
  SANE_Int version = 0;
  const SANE_Status s = sane_init(&version, nullptr);
  if (s != SANE_STATUS_GOOD) raise(kErrDriver, static_cast<int32_t>(s), statusText(s));
  managerOpen_ = true;
  errorCode_ = 0;
  errorText_.clear();
}

void ScanningControl::CloseSourceManager() {
  if (!managerOpen_) return;
  sane_exit();
  managerOpen_ = false;
}

QStringList ScanningControl::devices() {
  if (!managerOpen_) OpenSourceManager();
  const SANE_Device** list = nullptr;
  const SANE_Status s = sane_get_devices(&list, SANE_FALSE);
  if (s != SANE_STATUS_GOOD) raise(kErrDriver, static_cast<int32_t>(s), statusText(s));
  QStringList out;
  for (int i = 0; list && list[i]; ++i) out << QString::fromLocal8Bit(list[i]->name);
  return out;
}

int32_t ScanningControl::SourceCount() { return static_cast<int32_t>(devices().size()); }

void ScanningControl::SelectSource() {
  const QStringList list = devices();
  if (list.isEmpty()) raise(kErrNoSource, 0, QStringLiteral("No scanner source is available."));
  const QString chosen = chooser_(list, source_);
  if (chosen.isEmpty()) raise(kErrNoSource, 0, QStringLiteral("No source was selected."));
  source_ = chosen;
}

QString ScanningControl::deviceForScan() {
  const QStringList list = devices();
  if (list.isEmpty()) raise(kErrNoSource, 0, QStringLiteral("No scanner source is available."));
  if (source_.isEmpty() || !list.contains(source_)) source_ = list.front();
  return source_;
}

plat::HGLOBAL ScanningControl::AcquiredImage() {
  plat::HGLOBAL h = acquired_;
  acquired_ = nullptr;
  return h;
}

void ScanningControl::GetScanArea(float& left, float& top, float& right, float& bottom) {
  if (area_[0] >= 0) {
    left = area_[0];
    top = area_[1];
    right = area_[2];
    bottom = area_[3];
    return;
  }
  // Not set yet: what the device scans by default.
  SANE_Handle raw = nullptr;
  const QByteArray name = deviceForScan().toLocal8Bit();
  const SANE_Status s = sane_open(name.constData(), &raw);
  if (s != SANE_STATUS_GOOD) raise(kErrDriver, static_cast<int32_t>(s), statusText(s));
  Device dev(raw);
  double v[4] = {0, 0, 0, 0};
  getLength(raw, SANE_NAME_SCAN_TL_X, &v[0]);
  getLength(raw, SANE_NAME_SCAN_TL_Y, &v[1]);
  getLength(raw, SANE_NAME_SCAN_BR_X, &v[2]);
  getLength(raw, SANE_NAME_SCAN_BR_Y, &v[3]);
  left = static_cast<float>(v[0]);
  top = static_cast<float>(v[1]);
  right = static_cast<float>(v[2]);
  bottom = static_cast<float>(v[3]);
}

void ScanningControl::SetScanArea(float left, float top, float right, float bottom) {
  if (left < 0 || top < 0 || right < left || bottom < top)
    raise(kErrDriver, 1, QStringLiteral("The scan area is not valid."));
  area_[0] = left;
  area_[1] = top;
  area_[2] = right;
  area_[3] = bottom;
}

void ScanningControl::Acquire() {
  const QByteArray name = deviceForScan().toLocal8Bit();
  SANE_Handle raw = nullptr;
  SANE_Status s = sane_open(name.constData(), &raw);
  if (s != SANE_STATUS_GOOD) raise(kErrDriver, static_cast<int32_t>(s), statusText(s));
  Device dev(raw);
  if (area_[0] >= 0) {
    setLength(raw, SANE_NAME_SCAN_TL_X, area_[0]);
    setLength(raw, SANE_NAME_SCAN_TL_Y, area_[1]);
    setLength(raw, SANE_NAME_SCAN_BR_X, area_[2]);
    setLength(raw, SANE_NAME_SCAN_BR_Y, area_[3]);
  }
  const double dpi = resolutionOf(raw);
  for (int page = 0;; ++page) {
    s = sane_start(raw);
    // A feeder that runs out after the first page ends the acquisition normally.
    if (s == SANE_STATUS_NO_DOCS && page > 0) break;
    if (s != SANE_STATUS_GOOD) raise(kErrDriver, static_cast<int32_t>(s), statusText(s));
    SANE_Parameters p{};
    s = sane_get_parameters(raw, &p);
    if (s != SANE_STATUS_GOOD) raise(kErrDriver, static_cast<int32_t>(s), statusText(s));
    // Colour arrives interleaved (RGB) or as three frames; grey as 1 or 8 bits; 16-bit is narrowed.
    const bool color = p.format == SANE_FRAME_RGB || p.format == SANE_FRAME_RED || p.format == SANE_FRAME_GREEN ||
                       p.format == SANE_FRAME_BLUE;
    if (p.pixels_per_line <= 0 || p.bytes_per_line <= 0 || (p.depth != 1 && p.depth != 8 && p.depth != 16))
      raise(kErrDriver, 2, QStringLiteral("The scanner delivered a page this program cannot read."));
    std::vector<std::vector<uint8_t>> frames;  // one per colour frame, or one interleaved
    int32_t lines = p.lines;
    for (;;) {
      std::vector<uint8_t> data;
      std::vector<uint8_t> chunk(64 * 1024);
      for (;;) {
        SANE_Int got = 0;
        s = sane_read(raw, chunk.data(), static_cast<SANE_Int>(chunk.size()), &got);
        if (s == SANE_STATUS_EOF) break;
        if (s != SANE_STATUS_GOOD) raise(kErrDriver, static_cast<int32_t>(s), statusText(s));
        if (static_cast<int64_t>(data.size()) + got > kMaxPageBytes)
          raise(kErrDriver, 3, QStringLiteral("The scanned page is too large."));
        data.insert(data.end(), chunk.begin(), chunk.begin() + got);
      }
      frames.push_back(std::move(data));
      if (p.last_frame) break;
      s = sane_start(raw);
      if (s != SANE_STATUS_GOOD) raise(kErrDriver, static_cast<int32_t>(s), statusText(s));
      s = sane_get_parameters(raw, &p);
      if (s != SANE_STATUS_GOOD) raise(kErrDriver, static_cast<int32_t>(s), statusText(s));
    }
    img::Bitmap bmp = pageBitmap(frames, p, lines, color);
    if (dpi > 0) {
      bmp.resolutionX = bmp.resolutionY = dpi;
      bmp.resolutionUnit = 2;  // inches
    }
    if (acquired_) plat::GlobalFree(acquired_);
    acquired_ = img::toDibHandle(bmp);
    Q_EMIT ImageAcquired();
    // A flatbed delivers one page; a feeder goes on until it has no more.
    if (!feedsPages(raw)) break;
  }
}
