#include "controls/scanning/scan_worker.h"

#include "controls/scanning/sane_options.h"

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <cstring>
#include <vector>

namespace scan {

namespace {

// A page larger than this (about A0 at 600 dpi in colour) is refused rather than exhausting memory.
constexpr int64_t kMaxPageBytes = int64_t(1) << 31;

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

struct Failure {
  SANE_Status status;
  QString text;
};

[[noreturn]] void fail(SANE_Status s, const QString& text = QString()) {
  throw Failure{s, text.isEmpty() ? QString::fromLatin1(sane_strstatus(s)) : text};
}

}  // namespace

// Backends are not safe against a cancel from another thread while a read runs (the test backend
// joins its reader thread twice and crashes or hangs): the worker sees the flag after each chunk
// and cancels the device itself.
void ScanWorker::cancel() { cancelled_ = true; }

void ScanWorker::run() {
  AcquireResult result;
  SANE_Handle raw = nullptr;
  try {
    const QByteArray name = request_.device.toLocal8Bit();
    SANE_Status s = sane_open(name.constData(), &raw);
    if (s != SANE_STATUS_GOOD) fail(s);
    if (!request_.source.isEmpty() && !setSource(raw, request_.source))
      fail(SANE_STATUS_INVAL, QStringLiteral("The source \"%1\" cannot be chosen on this scanner.").arg(request_.source));
    if (request_.area[0] >= 0) {
      setLength(raw, SANE_NAME_SCAN_TL_X, request_.area[0]);
      setLength(raw, SANE_NAME_SCAN_TL_Y, request_.area[1]);
      setLength(raw, SANE_NAME_SCAN_BR_X, request_.area[2]);
      setLength(raw, SANE_NAME_SCAN_BR_Y, request_.area[3]);
    }
    const double dpi = resolutionOf(raw);
    const bool feeder = isFeeder(currentSource(raw));
    for (;;) {
      if (cancelled_) fail(SANE_STATUS_CANCELLED);
      s = sane_start(raw);
      // A feeder that runs out ends the acquisition normally once it has delivered a page.
      if (s == SANE_STATUS_NO_DOCS && result.pages > 0) break;
      if (s == SANE_STATUS_NO_DOCS) {
        result.noPages = true;
        fail(s);
      }
      if (s != SANE_STATUS_GOOD) fail(s);
      SANE_Parameters p{};
      s = sane_get_parameters(raw, &p);
      if (s != SANE_STATUS_GOOD) fail(s);
      const bool color = p.format == SANE_FRAME_RGB || p.format == SANE_FRAME_RED || p.format == SANE_FRAME_GREEN ||
                         p.format == SANE_FRAME_BLUE;
      if (p.pixels_per_line <= 0 || p.bytes_per_line <= 0 || (p.depth != 1 && p.depth != 8 && p.depth != 16))
        fail(SANE_STATUS_INVAL, QStringLiteral("The scanner delivered a page this program cannot read."));
      const int frameCount = p.format == SANE_FRAME_RED || p.format == SANE_FRAME_GREEN || p.format == SANE_FRAME_BLUE ? 3 : 1;
      const int64_t expected = p.lines > 0 ? int64_t(p.lines) * p.bytes_per_line * frameCount : -1;
      Q_EMIT progress(expected > 0 ? 0 : -1);
      std::vector<std::vector<uint8_t>> frames;  // one per colour frame, or one interleaved
      const int32_t lines = p.lines;
      int64_t total = 0;
      int lastPercent = 0;
      for (;;) {
        std::vector<uint8_t> data;
        std::vector<uint8_t> chunk(64 * 1024);
        for (;;) {
          SANE_Int got = 0;
          s = sane_read(raw, chunk.data(), static_cast<SANE_Int>(chunk.size()), &got);
          if (cancelled_) fail(SANE_STATUS_CANCELLED);
          if (s == SANE_STATUS_EOF) break;
          if (s != SANE_STATUS_GOOD) fail(s);
          if (static_cast<int64_t>(data.size()) + got > kMaxPageBytes)
            fail(SANE_STATUS_NO_MEM, QStringLiteral("The scanned page is too large."));
          data.insert(data.end(), chunk.begin(), chunk.begin() + got);
          total += got;
          if (expected > 0) {
            const int percent = static_cast<int>(std::min<int64_t>(100, total * 100 / expected));
            if (percent != lastPercent) Q_EMIT progress(lastPercent = percent);
          }
        }
        frames.push_back(std::move(data));
        if (p.last_frame) break;
        s = sane_start(raw);
        if (s != SANE_STATUS_GOOD) fail(s);
        s = sane_get_parameters(raw, &p);
        if (s != SANE_STATUS_GOOD) fail(s);
      }
      if (cancelled_) fail(SANE_STATUS_CANCELLED);
      img::Bitmap bmp = pageBitmap(frames, p, lines, color);
      if (dpi > 0) {
        bmp.resolutionX = bmp.resolutionY = dpi;
        bmp.resolutionUnit = 2;  // inches
      }
      ++result.pages;
      Q_EMIT pageReady(std::move(bmp));
      // A flatbed delivers one page; a feeder goes on until it has no more.
      if (!feeder) break;
    }
  } catch (const Failure& f) {
    result.status = f.status;
    result.text = f.text;
    result.cancelled = f.status == SANE_STATUS_CANCELLED;
  } catch (const std::exception& e) {
    result.status = SANE_STATUS_NO_MEM;
    result.text = QString::fromLocal8Bit(e.what());
  }
  if (raw) {
    sane_cancel(raw);
    sane_close(raw);
  }
  Q_EMIT finished(result);
}

}  // namespace scan
