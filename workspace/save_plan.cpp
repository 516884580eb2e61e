#include "workspace/save_plan.h"


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

}  // namespace ws
