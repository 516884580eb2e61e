#include "workspace/save_plan.h"

#include "controls/imaging/format_table.h"
#include "workspace/settings/img_sv_settings.h"

#include <QFileInfo>
#include <QStringList>


namespace ws {

SaveTarget fnSaveTarget(const QString& path, const QString& achId, bool commitSave) {
  return (!path.isEmpty() && achId.isEmpty()) || commitSave ? SaveTarget::InPlace : SaveTarget::SaveAs;
}

SaveFirst fnSaveFirst(ImageFormatCode format) {
  if (format == 0) return SaveFirst::ChooseFormat;
  if (modVars::fnIsReadOnlyFormat(format)) return SaveFirst::ConfirmTiff;
  return SaveFirst::Nothing;
}

QString fnConfirmTiffText() {
  return QStringLiteral("Image Lumivex does not support write functionality for ") + QLatin1Char('\r') +
         QStringLiteral("EPS, ICO, PDF, RLE and WMF image formats.") + QStringLiteral("Saving will convert the format to TIFF.") +
         QLatin1Char('\r') + QStringLiteral("Do you want to continue?");
}

SavePlan fnPlanSave(ImageFormatCode format, int pages, bool pageStrip, const QString& path) {
  SavePlan plan;
  plan.writeFormat = modVars::fnGetSaveFormat(format, pages);
  plan.pageByPage = pageStrip;
  plan.tiffCompression = modVars::fnGetTiffCompression(format);
  const bool pcxKind = plan.writeFormat == img::kFormatDcx || plan.writeFormat == img::kFormatPcx;
  plan.annotations = pageStrip && !pcxKind ? AnnotationHandling::KeepLayer : AnnotationHandling::BurnIn;
  // Several pages in a format that holds one: writing them one after the other would leave only
  // the last page in the file.
  if (pageStrip && pages > 1 && !modVars::fnIsMultiPageFormat(plan.writeFormat) && plan.writeFormat != img::kFormatNone)
    plan.refusal = QStringLiteral("This document has %1 pages, but files of the format \"%2\" hold one page only. "
                                  "Nothing was saved: save it in a multi-page format such as TIFF or DCX.")
                       .arg(pages)
                       .arg(modVars::fnGetFormatDesc(plan.writeFormat));
  if (pageStrip && pcxKind) {
    // A page count that does not suit the extension: offer the extension of the format written.
    const QString ext = path.trimmed().right(4).toUpper();
    const bool toDcx = plan.writeFormat == img::kFormatDcx && ext == QLatin1String(".PCX");
    const bool toPcx = plan.writeFormat == img::kFormatPcx && ext == QLatin1String(".DCX");
    if (toDcx || toPcx) {
      const QString from = toDcx ? QStringLiteral("PCX") : QStringLiteral("DCX");
      const QString to = toDcx ? QStringLiteral("DCX") : QStringLiteral("PCX");
      plan.extensionQuestion = QStringLiteral("The current %1 file extension is for %2 images.")
                                   .arg(from, toDcx ? QStringLiteral("single-page") : QStringLiteral("multi-page")) +
                               QLatin1Char('\r') + QStringLiteral("Do you want to change the file extension to %1?").arg(to);
      plan.pathOnYes = path.trimmed().chopped(4) + QLatin1Char('.') + to;
    }
  }
  return plan;
}

namespace {

// The extensions a format is known by, lower case without the dot: its own name in the save dialog,
// then every other its files go by (bmp and dib, tif and tiff, jpg, jpeg and jif ...).
QStringList extensionsOf(ImageFormatCode code) {
  QStringList out;
  const QString own = svSettings::fnFormatExt(QString::number(code));
  if (!own.isEmpty()) out << own;
  out << img::formatExtensions(code);
  out.removeDuplicates();
  return out;
}

// The format a one-page or multi-page document of this format is written in, as its family: every
// TIFF compression is TIFF, every JPEG kind is JPEG, PCX and DCX are one family whose extension
// question follows in the save plan.
bool sameFamily(ImageFormatCode a, ImageFormatCode b) {
  auto family = [](ImageFormatCode c) -> int {
    if (img::isTiffFormat(c)) return img::kFormatTiff;
    if (img::isJpegFormat(c)) return img::kFormatJpeg;
    if (c == img::kFormatDcx) return img::kFormatPcx;
    return c;
  };
  return family(a) == family(b);
}

}  // namespace

SaveAsChoice fnSaveAsChoice(const QString& chosen, ImageFormatCode format, int pages) {
  SaveAsChoice c;
  c.path = chosen;
  c.format = format;
  const ImageFormatCode written = modVars::fnGetSaveFormat(format, pages);
  const QString name = QFileInfo(chosen).fileName();
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  const QString ext = dot > 0 ? name.mid(dot + 1).toLower() : QString();
  if (ext.isEmpty()) {
    const QStringList own = extensionsOf(written);
    if (!own.isEmpty()) c.path = chosen + QLatin1Char('.') + own.first();
    return c;
  }
  for (const svSettings::FormatItem& item : svSettings::formatItems(2)) {
    if (!extensionsOf(item.code).contains(ext)) continue;
    if (!sameFamily(item.code, written)) c.format = item.code;
    return c;
  }
  c.refusal = QStringLiteral("The file \"%1\" was not saved: Image Lumivex writes no format with the extension \".%2\".")
                  .arg(name, ext) +
              QLatin1Char('\r') +
              QStringLiteral("Choose a name that ends in the extension of a format it writes, such as .tif, .bmp, .jpg or .png.");
  return c;
}

QString fnDropPagesQuestion() {
  return QStringLiteral("The format you have chosen does not support multi-page images.") + QLatin1Char('\r') +
         QStringLiteral("All pages other than the first page will be discarded!") + QLatin1Char('\r') +
         QStringLiteral("Do you want to continue?");
}

}  // namespace ws
