#include "albums/frm_full_screen.h"

#include "albums/form_util.h"
#include "albums/viewer_rules.h"
#include "albums/viewer_window.h"
#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "runtime/errors.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"

#include <QKeyEvent>
#include <QLabel>

using namespace modVars;

rt::DefaultInstance<frmFullScreenForm> frmFullScreen;

frmFullScreenForm::frmFullScreenForm() : ViewerForm("ixFS"), ixFS(picture()), nxFS(annotations()) {
  setObjectName(QStringLiteral("frmFullScreen"));
  lblMsg = albums::makeViewerLabel(this);
  albums::place(lblMsg, 150, 60, 7000, 240);
}

void frmFullScreenForm::Form_Activate() {
  if (activated_) return;
  activated_ = true;
  albums::coverScreen(this);
  mblnLimitZoom = false;
  const double w = rt::Screen::ToTwipsX(width());
  albums::place(lblMsg, 150, 60, std::max(0.0, w - 300), 240);
  ws::DocumentSession& doc = ws::document();
  // The page as it stands in the main window, annotations not yet stored included.
  doc.storePageEdits();
  mintPageIndex = doc.state().currentPage;
  mintDocPageCount = doc.pageCount();
  setFocus();
  rt::RunGuarded([this] {
    ixFS->setImageHandle(frmImgClnt->ixMain->ImageHandleCopy());
    loadAnnotations();
    placePage();
  });
  ixFS->setVisible(true);
}

void frmFullScreenForm::loadAnnotations() {
  const ws::PageStore& pages = ws::document().pages();
  if (!pages.valid(mintPageIndex) || pages.layer(mintPageIndex).isEmpty()) return;
  // The loaded layer becomes the current one.
  intptr_t layer = 0;
  nxFS->LoadLayerFromVariant(rt::Variant(pages.layer(mintPageIndex)), layer);
  ixFS->update();
}

void frmFullScreenForm::placePage() {
  albums::fitViewerImage(this, ixFS, mblnLimitZoom);
  lblMsg->setText(albums::fullScreenHelp(mblnLimitZoom, mintDocPageCount));
}

void frmFullScreenForm::changePage() {
  const ws::PageStore& pages = ws::document().pages();
  if (!pages.valid(mintPageIndex)) return;
  // A page that cannot be read is reported; the page before it stays shown.
  bool read = false;
  rt::RunGuarded([&] {
    ixFS->showNewPicture(pages.picture(mintPageIndex));
    read = true;
  });
  if (!read) return;
  placePage();
  if (const intptr_t layer = nxFS->CurrentLayer()) nxFS->DeleteLayer(layer);
  loadAnnotations();
}

void frmFullScreenForm::Form_KeyUp(int qtKey) {
  switch (albums::viewerKey(qtKey)) {
    case albums::ViewerKey::Escape:
      Unload();
      break;
    case albums::ViewerKey::LimitZoom:
      mblnLimitZoom = true;
      placePage();
      break;
    case albums::ViewerKey::MaxZoom:
      mblnLimitZoom = false;
      placePage();
      break;
    case albums::ViewerKey::Forward:
      if (mintPageIndex < mintDocPageCount - 1) {
        ++mintPageIndex;
        changePage();
      }
      break;
    case albums::ViewerKey::Back:
      if (mintPageIndex >= 1) {
        --mintPageIndex;
        changePage();
      }
      break;
    default:
      break;
  }
}

void frmFullScreenForm::Form_Unload(int&) {
  // The main window shows the page that was shown last.
  if (frmImgClnt.IsLoaded() && ws::document().pages().valid(mintPageIndex))
    rt::RunGuarded([this] { frmImgClnt->ixTmb_Click(mintPageIndex); });
}
