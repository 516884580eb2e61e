#include "workspace/page_annotations.h"

#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "runtime/errors.h"
#include "workspace/frm_anno_palette.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"

#include <QAction>

using namespace modVars;

namespace ws {

void closeAnnoPalette(frmImgClntForm& w) {
  if (frmAnnoPalette.IsLoaded()) frmAnnoPalette.Unload();
  w.Menu("mnuAnnPalette")->setChecked(false);
  w.nxMain->setCurrentTool(TOOL_POINTER);
}

void savePageAnnotations(frmImgClntForm& w, int index) {
  if (index < 0) return;
  if (static_cast<std::size_t>(index) >= gvarPageAnno.size()) gvarPageAnno.resize(static_cast<std::size_t>(index) + 1);
  rt::Variant& entry = gvarPageAnno[static_cast<std::size_t>(index)];
  const intptr_t layer = w.nxMain->CurrentLayer();
  if (!layer) {
    entry.Clear();
    return;
  }
  // A layer the engine cannot write leaves the stored one in place rather than losing it.
  rt::Variant saved;
  int32_t bytes = 0;
  if (w.nxMain->SaveLayerToVariant(saved, layer, bytes) == 0) entry = saved;
}

void restorePageAnnotations(frmImgClntForm& w, int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= gvarPageAnno.size()) return;
  const rt::Variant& entry = gvarPageAnno[static_cast<std::size_t>(index)];
  if (entry.IsEmpty()) return;
  intptr_t layer = 0;
  if (w.nxMain->LoadLayerFromVariant(entry, layer) == 0) w.nxMain->SelectLayer(layer);
  w.ixMain->Refresh();
  if (img::ImagingControl* t = w.ixTmb(index)) t->Refresh();
}

void takeCurrentLayer(frmImgClntForm& w) {
  glngAnnoHandle = w.nxMain->CurrentLayer() ? w.nxMain->CurrentLayer() : w.nxMain->NewLayer();
}

void burnInCurrentLayer(frmImgClntForm& w, int page) {
  ann::AnnotationControl* nx = w.nxMain;
  // The layer of the page that is attached now; a handle kept from another page would be stale.
  intptr_t layer = nx->CurrentLayer();
  if (!layer || nx->LayerObjectCount(layer) == 0) return;
  nx->SelectAll(layer, true);
  const int32_t rc = nx->BurnIn(layer);
  if (rc == 0) return;
  const QString where = page < 0 ? QStringLiteral("The annotations") : QStringLiteral("The annotations of page %1").arg(page + 1);
  rt::Raise(rc, QStringLiteral("nxMain"),
            where + QStringLiteral(" could not be burned into the image (annotation error %1), and files of this format "
                                   "cannot keep annotations. Nothing was saved.")
                        .arg(rc));
}

}  // namespace ws
