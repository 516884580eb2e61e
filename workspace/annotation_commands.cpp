#include "workspace/annotation_commands.h"

#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "runtime/message_boxes.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_anno_palette.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"
#include "workspace/page_annotations.h"

#include <QAction>

using namespace modVars;

namespace ws {

void mnuAnn_Click(frmImgClntForm& w) {
  w.commitPendingEdit();
  const intptr_t layer = w.nxMain->CurrentLayer();
  const bool any = layer != 0 && w.nxMain->LayerObjectCount(layer) != 0;
  w.Menu("mnuAnnSelectAll")->setEnabled(any);
  w.Menu("mnuAnnBurnIn")->setEnabled(any);
}

void mnuAnnBurnIn_Click(frmImgClntForm& w) {
  ann::AnnotationControl* nx = w.nxMain;
  const QString q = QStringLiteral("This operation is permanent!") + QLatin1Char('\r') + QStringLiteral("Do you want to continue?");
  if (rt::Confirm(q) != rt::vbYes) return;
  nx->SetBurnInDepth(w.ixMain->ImageBitsPerPixel());
  intptr_t layer = nx->CurrentLayer();
  nx->SelectAll(layer, true);
  const int32_t rc = nx->BurnIn(layer);
  if (rc != 0) {
    rt::ShowError(QStringLiteral("The annotations could not be burned into the image (annotation error %1).").arg(rc));
    return;
  }
  // The annotations are pixels of the page now; kept as annotations as well they would be drawn
  // twice and saved again.
  nx->DeleteSelected();
  // Without both flags a page switch or a close would throw the burned-in page away.
  document().markModified();
}

void mnuAnnPalette_Click(frmImgClntForm& w) {
  QAction* item = w.Menu("mnuAnnPalette");
  if (!item->isChecked()) {
    item->setChecked(true);
    frmAnnoPalette->Show(rt::vbModeless, &w);
    w.selectMode(MouseMode::Arrow);
  } else {
    closeAnnoPalette(w);
    w.selectMode(MouseMode::Hand);
  }
}

void mnuAnnSelectAll_Click(frmImgClntForm& w) {
  intptr_t layer = w.nxMain->CurrentLayer();
  w.nxMain->SelectAll(layer, true);
}

}  // namespace ws
