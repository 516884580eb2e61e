#include "platform/windows/common_dialogs.h"

#include <QColorDialog>
#include <QFontDialog>

#include "platform/graphics/gdi_objects.h"

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
  *request->lpLogFont = LogFontFromFont(chosen);
  return true;
}

}  // namespace plat
