#include "runtime/printer.h"

#include "runtime/errors.h"
#include "runtime/replacing_file.h"

namespace rt {

namespace {

constexpr double kTwipsPerInch = 1440.0;

}  // namespace

Printer::Printer(const CommonDialog& chosen, const QString& docName) {
  if (!chosen.PrinterName.isEmpty()) printer_.setPrinterName(chosen.PrinterName);
  if (!chosen.OutputFileName.isEmpty()) {
    // The pages go into a file of their own that takes the chosen name when the print ends, so
    // that a print that fails leaves an earlier file of that name as it was.
    file_ = std::make_unique<ReplacingFile>(chosen.OutputFileName);
    printer_.setOutputFileName(file_->tempPath());
    // The temporary's name does not tell the format: the file is a PDF whatever it is called.
    printer_.setOutputFormat(QPrinter::PdfFormat);
    // A file has no unprintable border: the page starts at its edge.
    printer_.setPageMargins(QMarginsF(0, 0, 0, 0));
  }
  printer_.setPageOrientation(chosen.Orientation == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
  printer_.setCopyCount(1);
  printer_.setDocName(docName);
}

Printer::~Printer() {
  try {
    EndDoc();
  } catch (const RuntimeError&) {
  }
}

QRect Printer::paintRect() const { return printer_.pageLayout().paintRectPixels(printer_.resolution()); }

double Printer::Width() const { return paintRect().width() * kTwipsPerInch / printer_.resolution(); }

double Printer::Height() const { return paintRect().height() * kTwipsPerInch / printer_.resolution(); }

QPainter& Printer::NewPage() {
  // The painter is open from the first page to the end of the document.
  if (painter_.isActive()) {
    if (!printer_.newPage()) Raise(kErrDeviceIO, QString(), QStringLiteral("The printer could not start a new page."));
  } else if (!painter_.begin(&printer_)) {
    Raise(kErrDeviceIO, QString(), QStringLiteral("The printer could not be opened."));
  }
  return painter_;
}

void Printer::EndDoc() {
  if (!painter_.isActive()) return;
  const bool written = painter_.end();
  if (!file_) return;
  if (!written) Raise(kErrDeviceIO, QString(), QStringLiteral("Cannot write %1.").arg(file_->target()));
  file_->commit();
}

}  // namespace rt
