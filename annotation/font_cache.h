#pragma once
// Fonts shared by the text, stamp and button elements, keyed by the 60 bytes of the LOGFONTA they
// ask for, with character metrics. An entry lives at a stable address while anything holds it
// (Acquire to the matching Release) and goes with its last release; its font comes and goes with
// scale changes.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/graphics/gdi_types.h"

class AnnHostImaging;

struct AnnFontEntry {
  plat::LOGFONTA key{};
  plat::LOGFONTA created{};
  int32_t maxCharWidth = 0;
  int32_t height = 0;
  int32_t ascent = 0;
  int32_t descent = 0;
  int32_t externalLeading = 0;
  int32_t overhang = 0;
  int32_t maxRightBearing = 0;
  bool italic = false;
  plat::HFONT font = nullptr;
  int32_t refs = 0;
  bool outline = false;
  float scaleX = 0.0f;
  float scaleY = 0.0f;

  // Advance width of a UTF-16 unit; units above 255 are measured the first time they are asked for.
  int32_t CharWidth(char16_t c);

 private:
  friend class AnnFontCache;
  std::vector<int32_t> widths_;       // 65535 entries once the font is made
  std::vector<uint8_t> measured_;     // per unit above 255: width known
};

class AnnFontCache {
 public:
  AnnFontCache() = default;
  ~AnnFontCache();
  AnnFontCache(const AnnFontCache&) = delete;
  AnnFontCache& operator=(const AnnFontCache&) = delete;

  void SetHost(AnnHostImaging* host);
  AnnFontEntry* Acquire(const plat::LOGFONTA& key);
  void Release(const plat::LOGFONTA& key);
  // The entry with a font made for the scales (null when the key was never acquired). recreated,
  // when given, is set to 0 when the scales changed. text: the characters about to be drawn.
  AnnFontEntry* GetFont(const plat::LOGFONTA& key, float scaleX, float scaleY, uint8_t* recreated,
                        const char16_t* text);
  void SetScaleFonts(bool on);
  bool ScaleFonts() const { return scaleFonts_ != 0; }
  // With scaling by the host resolution on, and a host that reports a finite resolution whose
  // whole part is neither 0 nor 72: true, and the size of one device unit in thousandths of a
  // point (72000 / resolution). Fonts and the exported creation scale both follow it.
  bool HostUnit(double* unit) const;
  void SetOption136(bool on) { option136_ = on; }
  bool Option136() const { return option136_; }
  void SetOption137(bool on) { option137_ = on; }
  bool Option137() const { return option137_; }
  void SetMeasureWideChars(bool on) { measureWide_ = on; }
  bool MeasureWideChars() const { return measureWide_; }
  int EntryCount() const { return int(entries_.size()); }

 private:
  AnnFontEntry* Find(const plat::LOGFONTA& key);
  void RetrieveFontData(AnnFontEntry& e, const char16_t* text);

  int16_t scaleFonts_ = 0;
  bool option136_ = false;
  bool option137_ = true;
  bool measureWide_ = false;
  AnnHostImaging* host_ = nullptr;
  std::vector<std::unique_ptr<AnnFontEntry>> entries_;
};
