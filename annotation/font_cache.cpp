#include "annotation/font_cache.h"

#include "annotation/rect_util.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "annotation/engine_interface.h"
#include "platform/graphics/gdi.h"

namespace {

constexpr int kTableSize = 65535;

int32_t roundHalfAway(double v) { return annTruncSaturated(v < 0 ? -std::floor(-v + 0.5) : std::floor(v + 0.5)); }

}  // namespace

int32_t AnnFontEntry::CharWidth(char16_t c) {
  if (c >= kTableSize || widths_.empty()) return 0;
  if (c > 255 && !measured_[c - 256]) {
    measured_[c - 256] = 1;
    if (font) {
      plat::HDC dc = plat::GetScreenDC();
      plat::HGDIOBJ old = plat::SelectObject(dc, font);
      plat::ABC abc;
      if (plat::GetCharABCWidthsW(dc, c, c, &abc)) {
        widths_[c] = abc.abcA + int32_t(abc.abcB) + abc.abcC;
        if (italic && overhang == 0) maxRightBearing = std::max(maxRightBearing, std::abs(abc.abcC));
      }
      plat::SelectObject(dc, old);
    }
  }
  return widths_[c];
}

AnnFontCache::~AnnFontCache() {
  for (auto& e : entries_)
    if (e->font) plat::DeleteObject(e->font);
  SetHost(nullptr);
}

void AnnFontCache::SetHost(AnnHostImaging* host) {
  if (host) host->AddRef();
  if (host_) host_->Release();
  host_ = host;
}

AnnFontEntry* AnnFontCache::Find(const plat::LOGFONTA& key) {
  for (auto& e : entries_)
    if (std::memcmp(&e->key, &key, sizeof key) == 0) return e.get();
  return nullptr;
}

AnnFontEntry* AnnFontCache::Acquire(const plat::LOGFONTA& key) {
  if (AnnFontEntry* e = Find(key)) {
    ++e->refs;
    return e;
  }
  auto e = std::make_unique<AnnFontEntry>();
  e->key = key;
  e->refs = 1;
  entries_.push_back(std::move(e));
  return entries_.back().get();
}

void AnnFontCache::Release(const plat::LOGFONTA& key) {
  auto it = std::find_if(entries_.begin(), entries_.end(),
                         [&](const auto& e) { return std::memcmp(&e->key, &key, sizeof key) == 0; });
  if (it == entries_.end() || (*it)->refs <= 0) return;
  if (--(*it)->refs > 0) return;
  // The last holder is gone: the entry goes with its font and its width tables (over 300 KB),
  // so a document that names many fonts, or a run of them over time, cannot grow the cache
  // without end. The next holder of the key makes a new entry.
  if ((*it)->font) plat::DeleteObject((*it)->font);
  entries_.erase(it);
}

bool AnnFontCache::HostUnit(double* unit) const {
  double r = 0.0;
  if (!scaleFonts_ || !host_ || plat::FAILED(host_->GetResolution(&r)) || !std::isfinite(r)) return false;
  // A resolution whose whole part no int holds is no resolution at all.
  if (std::fabs(r) >= 2147483648.0) return false;
  const int32_t whole = int32_t(r);
  if (whole == 0 || whole == 72) return false;
  *unit = 72000.0 / r;
  return true;
}

void AnnFontCache::SetScaleFonts(bool on) {
  if ((scaleFonts_ != 0) == on) return;
  scaleFonts_ = on ? 1 : 0;
  for (auto& e : entries_) {
    if (e->font) plat::DeleteObject(e->font);
    e->font = nullptr;
  }
}

AnnFontEntry* AnnFontCache::GetFont(const plat::LOGFONTA& key, float scaleX, float scaleY, uint8_t* recreated,
                                    const char16_t* text) {
  AnnFontEntry* e = Find(key);
  if (!e) return nullptr;
  bool newScales = scaleX != e->scaleX || scaleY != e->scaleY;
  if (newScales) {
    if (recreated) *recreated = 0;
    if (e->font) plat::DeleteObject(e->font);
    e->font = nullptr;
  } else if (e->font) {
    return e;
  }

  plat::LOGFONTA lf = key;
  if (lf.lfWidth != 0) {
    lf.lfWidth = roundHalfAway(double(scaleX) * lf.lfWidth);
    lf.lfHeight = roundHalfAway(double(scaleY) * lf.lfHeight);
  } else if (scaleX != 1.0f || scaleY != 1.0f) {
    lf.lfHeight = roundHalfAway(double(std::min(scaleX, scaleY)) * lf.lfHeight);
  }
  lf.lfClipPrecision |= plat::CLIP_LH_ANGLES;
  lf.lfCharSet = plat::DEFAULT_CHARSET;

  // Heights are meant at 72 dpi. Without a usable resolution the height stays as it is rather
  // than failing the draw.
  double unit = 0.0;
  if (HostUnit(&unit)) {
    lf.lfHeight = roundHalfAway(lf.lfHeight * 1000.0 / unit);
    if (lf.lfWidth != 0) lf.lfWidth = annTruncSaturated(lf.lfWidth * 1000.0 / unit + 0.5);
  }

  e->created = lf;
  e->font = plat::CreateFontIndirectA(&lf);
  if (e->font) {
    RetrieveFontData(*e, text);
    if (newScales) {
      e->scaleX = scaleX;
      e->scaleY = scaleY;
    }
  }
  return e;
}

void AnnFontCache::RetrieveFontData(AnnFontEntry& e, const char16_t* text) {
  plat::HDC dc = plat::GetScreenDC();
  plat::HGDIOBJ old = plat::SelectObject(dc, e.font);
  plat::TEXTMETRICA tm;
  plat::GetTextMetricsA(dc, &tm);
  // Every font here is scalable; a symbol font keeps the plain metrics path.
  bool useAbc = e.key.lfCharSet != plat::SYMBOL_CHARSET;
  e.outline = useAbc;
  e.height = tm.tmHeight;
  e.ascent = tm.tmHeight - tm.tmDescent;
  e.descent = tm.tmDescent;
  e.externalLeading = tm.tmExternalLeading;
  e.italic = tm.tmItalic != 0;
  e.overhang = std::max(tm.tmOverhang, 0);
  e.maxCharWidth = tm.tmMaxCharWidth;
  e.maxRightBearing = 0;

  e.widths_.assign(kTableSize, 0);
  e.measured_.assign(kTableSize - 256, 0);
  if (useAbc) {
    plat::ABC abc[256];
    plat::GetCharABCWidthsW(dc, 0, 255, abc);
    for (int c = 0; c < 256; ++c) {
      e.widths_[c] = abc[c].abcA + int32_t(abc[c].abcB) + abc[c].abcC;
      if (e.italic && e.overhang == 0) e.maxRightBearing = std::max(e.maxRightBearing, std::abs(abc[c].abcC));
    }
  } else {
    int32_t w[256];
    plat::GetCharWidth32W(dc, 0, 255, w);
    for (int c = 0; c < 256; ++c) e.widths_[c] = w[c];
  }
  plat::SelectObject(dc, old);
  if (measureWide_ && text)
    for (const char16_t* p = text; *p; ++p) e.CharWidth(*p);
}
