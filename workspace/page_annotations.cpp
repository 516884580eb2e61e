#include "workspace/page_annotations.h"

#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "workspace/frm_anno_palette.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/document/document_session.h"

#include <QAction>

namespace ws {

void closeAnnoPalette(frmImgClntForm& w) {
  if (frmAnnoPalette.IsLoaded()) frmAnnoPalette.Unload();
  w.Menu("mnuAnnPalette")->setChecked(false);
  w.nxMain->setCurrentTool(TOOL_POINTER);
}

std::optional<QByteArray> currentLayerBytes(frmImgClntForm& w) {
  // A page without annotations keeps no layer: a layer with nothing in it would only be written,
  // burned in and read back for nothing.
  const intptr_t layer = w.nxMain->CurrentLayer();
  if (!layer || w.nxMain->LayerObjectCount(layer) == 0) return QByteArray();
  rt::Variant saved;
  int32_t bytes = 0;
  if (w.nxMain->SaveLayerToVariant(saved, layer, bytes) != 0) return std::nullopt;
  return saved.Bytes();
}

bool restorePageAnnotations(frmImgClntForm& w, const QByteArray& layer) {
  if (layer.isEmpty()) return true;
  intptr_t handle = 0;
  const bool loaded = w.nxMain->LoadLayerFromVariant(rt::Variant(layer), handle) == 0;
  if (loaded) w.nxMain->SelectLayer(handle);
  w.ixMain->Refresh();
  return loaded;
}

void takeCurrentLayer(frmImgClntForm& w) {
  document().state().layer = w.nxMain->CurrentLayer() ? w.nxMain->CurrentLayer() : w.nxMain->NewLayer();
}

}  // namespace ws
