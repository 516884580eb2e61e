#pragma once
// How the main window writes its document, decided without any window: where to (in place or
// under a new name), in which format, page by page or as one picture, what happens to the
// annotations, and which question to ask about the file's extension first.
#include "workspace/mod_vars.h"

#include <QString>

namespace ws {

// File > Save writes in place a document that has a path and did not come from the archive, or
// any document while Archive > Send runs the save; everything else goes to Save As.
enum class SaveTarget { InPlace, SaveAs };
SaveTarget fnSaveTarget(const QString& path, const QString& achId, bool commitSave);

// Before either: an untitled image needs a format chosen first; a format that cannot be written is
// saved as TIFF after a confirmation.
enum class SaveFirst { Nothing, ChooseFormat, ConfirmTiff };
SaveFirst fnSaveFirst(ImageFormatCode format);
// The confirmation for formats that cannot be written.
QString fnConfirmTiffText();

enum class AnnotationHandling {
  BurnIn,     // drawn into the page's picture: every format but TIFF
  KeepLayer,  // written with the page as its annotation layer: TIFF
};

struct SavePlan {
  ImageFormatCode writeFormat = 0;  // the code handed to the imaging control; 0 cannot be saved
  bool pageByPage = false;          // every page of the strip into one temporary file, then renamed
  int16_t tiffCompression = 0;      // for TIFF pages
  // A page-by-page save burns in only PCX and DCX pages; the store is then emptied, since the
  // annotations are part of the pictures.
  AnnotationHandling annotations = AnnotationHandling::BurnIn;
  // A page count that does not suit the file's extension: the question, and the path on Yes.
  QString extensionQuestion;
  QString pathOnYes;
  // Why the document cannot be saved this way (nothing is written); empty when it can.
  QString refusal;
};

// format: the document's format code; pages: the page count; pageStrip: the document keeps its
// pages in the thumbnail strip (a multi-page format, or more than one page); path: the target.
SavePlan fnPlanSave(ImageFormatCode format, int pages, bool pageStrip, const QString& path);

// File > Save As: what the name chosen asks for. The extension of the format the document is
// written in keeps that format; the extension of another format that the program writes changes
// to it (the caller then applies the convert rules); a name without an extension takes the
// extension of the format written; any other extension is refused, nothing is written.
struct SaveAsChoice {
  QString path;                // the name to write, with the extension added where it had none
  ImageFormatCode format = 0;  // the document's format from now on
  QString refusal;             // why the name cannot be saved; empty when it can
};
SaveAsChoice fnSaveAsChoice(const QString& chosen, ImageFormatCode format, int pages);
// The question before a one-page format drops the pages after the first.
QString fnDropPagesQuestion();

}  // namespace ws
