#include "workspace/page_writer.h"

#include "controls/annotation/annotation_control.h"
#include "controls/imaging/format_codes.h"
#include "controls/imaging/imaging_control.h"
#include "runtime/errors.h"
#include "runtime/replacing_file.h"
#include "workspace/page_annotations.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"
#include "workspace/save_plan.h"

using namespace modVars;

namespace ws {

namespace {

void writeSinglePage(frmImgClntForm& w, const SavePlan& plan) {
  img::ImagingControl* ixMain = w.ixMain;
  ann::AnnotationControl* nxMain = w.nxMain;
  nxMain->SetBurnInDepth(ixMain->ImageBitsPerPixel());
  burnInCurrentLayer(w, -1);
  ixMain->setSaveMultiPage(false);
  ixMain->setSaveFileType(plan.writeFormat);
  ixMain->setSaveFileName(gstrCurrFile);
  ixMain->SaveFile();
}

void writeMultiPage(frmImgClntForm& w, const SavePlan& plan) {
  img::ImagingControl* ixMain = w.ixMain;
  ann::AnnotationControl* nxMain = w.nxMain;
  // The pages are written into a temporary file beside the target, which replaces the target only
  // once every page is in it; a failure on the way leaves the target, the pages and their
  // annotations as they were.
  const int pages = w.pageCount();
  const bool burnIn = plan.annotations == AnnotationHandling::BurnIn;
  // Every page is written with what the user sees: the page view's live annotations first.
  savePageAnnotations(w, gintCurrPage);
  try {
    rt::ReplacingFile out(gstrCurrFile);
    const QString temp = out.tempPath();
    for (int i = 0; i < pages; ++i) {
      img::ImagingControl* page = w.ixTmb(i);
      if (burnIn) {
        // Only a burn-in needs the page's layer in the engine, over the page it is burned into.
        nxMain->setAttachControlName(QStringLiteral("ixTmb(%1)").arg(i));
        nxMain->ClearAll();
        restorePageAnnotations(w, i);
        nxMain->SetBurnInDepth(ixMain->ImageBitsPerPixel());
        burnInCurrentLayer(w, i);
      } else {
        // The page's stored layer goes into the file with the page.
        const rt::Variant entry = i < static_cast<int>(gvarPageAnno.size()) ? gvarPageAnno[i] : rt::Variant();
        const QByteArray bytes = entry.Bytes();
        page->setAnnotationData(std::vector<uint8_t>(bytes.begin(), bytes.end()));
      }
      page->setSaveMultiPage(true);
      page->setSaveFileType(plan.writeFormat);
      page->setSaveFileName(temp);
      // A document converted to TIFF writes every page with the compression and byte order chosen
      // for it; another TIFF keeps the compression it came with.
      if (gintCurrFormat == img::kFormatTiff) {
        page->setSaveTiffCompression(ixMain->SaveTiffCompression());
        page->setSaveTiffByteOrder(ixMain->SaveTiffByteOrder());
        page->setSaveJpegLuminance(ixMain->SaveJpegLuminance());
        page->setSaveJpegChrominance(ixMain->SaveJpegChrominance());
      } else {
        page->setSaveTiffCompression(plan.tiffCompression);
      }
      page->SaveFile();
    }
    nxMain->ClearAll();
    nxMain->setAttachControlName(QStringLiteral("ixMain"));
    out.commit();
  } catch (const rt::RuntimeError&) {
    nxMain->ClearAll();
    nxMain->setAttachControlName(QStringLiteral("ixMain"));
    restorePageAnnotations(w, gintCurrPage);
    takeCurrentLayer(w);
    throw;
  }
  if (burnIn) {
    // The annotations are part of the pictures now.
    gvarPageAnno.assign(static_cast<std::size_t>(pages) + 1, rt::Variant());
    ixMain->setImageHandle(w.ixTmb(gintCurrPage)->ImageHandleCopy());
  } else {
    restorePageAnnotations(w, gintCurrPage);
  }
  takeCurrentLayer(w);
}

}  // namespace

void writeDocumentPages(frmImgClntForm& w, const SavePlan& plan) {
  if (img::ImagingControl* current = w.ixTmb(gintCurrPage)) current->setImageHandle(w.ixMain->ImageHandleCopy());
  if (!plan.pageByPage)
    writeSinglePage(w, plan);
  else
    writeMultiPage(w, plan);
}

}  // namespace ws
