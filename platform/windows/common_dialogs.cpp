#include "platform/windows/common_dialogs.h"

#include <QColorDialog>
#include <QFontDialog>
#include <cmath>
#include <cstring>

#include "platform/graphics/gdi_objects.h"
#include "platform/text/ansi.h"

namespace plat {

namespace {
ColorChooser& colourChooser() {
  static ColorChooser c;
  return c;
}
FontChooser& fontChooser() {
  static FontChooser f;
  return f;
}
}  // namespace

void SetCommonDialogChoosers(ColorChooser colour, FontChooser font) {
  colourChooser() = std::move(colour);
  fontChooser() = std::move(font);
}

bool ChooseColorA(CHOOSECOLORA* request) {
  if (!request) return false;
  if (colourChooser()) return colourChooser()(request);
  COLORREF c = request->rgbResult;
  QColor chosen = QColorDialog::getColor(QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
  if (!chosen.isValid()) return false;
  request->rgbResult = COLORREF(chosen.red()) | (COLORREF(chosen.green()) << 8) | (COLORREF(chosen.blue()) << 16);
  return true;
}

bool ChooseFontA(CHOOSEFONTA* request) {
  if (!request || !request->lpLogFont) return false;
  if (fontChooser()) return fontChooser()(request);
  bool ok = false;
  QFont chosen = QFontDialog::getFont(&ok, FontFromLogFont(*request->lpLogFont));
  if (!ok) return false;
  LOGFONTA& lf = *request->lpLogFont;
  lf.lfHeight = -int32_t(std::lround(chosen.pointSizeF() * 96.0 / 72.0));
  lf.lfWeight = chosen.bold() ? 700 : 400;
  lf.lfItalic = chosen.italic() ? 1 : 0;
  lf.lfUnderline = chosen.underline() ? 1 : 0;
  lf.lfStrikeOut = chosen.strikeOut() ? 1 : 0;
  std::string face = toAnsi(chosen.family());
  std::memset(lf.lfFaceName, 0, sizeof lf.lfFaceName);
  std::strncpy(lf.lfFaceName, face.c_str(), sizeof lf.lfFaceName - 1);
  return true;
}

}  // namespace plat
