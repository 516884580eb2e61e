#pragma once
// The printer the program prints on, set up as the printer dialog left it. One print is one
// document: its pages follow each other, one per sheet, whether they go to a printer or into a
// file, so that printing to a file gives a single file holding every page printed, in order.
#include "runtime/dialogs.h"

#include <QPainter>
#include <QPrinter>
#include <memory>

namespace rt {

class ReplacingFile;

class Printer {
 public:
  // The printer (or file) chosen in the dialog and its orientation; docName names the job in the
  // printer's queue. Each sheet is printed once: the caller repeats pages for copies. A file that
  // exists read-only is refused with 70.
  Printer(const CommonDialog& chosen, const QString& docName);
  // Ends a print still open as EndDoc does, so that the pages already printed stay printed even
  // when printing stopped on an error; a failure here goes unreported.
  ~Printer();
  Printer(const Printer&) = delete;
  Printer& operator=(const Printer&) = delete;

  // The printable area of a sheet in twips.
  double Width() const;
  double Height() const;
  // Starts the next sheet (the first one opens the document) and returns its painter, whose
  // device is the printer. Raises 57 when the printer or the file cannot be opened.
  QPainter& NewPage();
  // Ends the document: the printer gets the job, the file its pages (written beside the target and
  // renamed over it). Raises 57 when the file cannot be written. Without a page nothing is printed.
  void EndDoc();

 private:
  QRect paintRect() const;

  QPrinter printer_{QPrinter::HighResolution};
  QPainter painter_;
  std::unique_ptr<ReplacingFile> file_;
};

}  // namespace rt
