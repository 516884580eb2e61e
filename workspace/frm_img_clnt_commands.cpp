// Command states of the main window, the toolbar dispatch, the mouse modes and the annotation
// commands with the per-page annotation store.
#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "runtime/dialogs.h"
#include "runtime/message_boxes.h"
#include "workspace/command_states.h"
#include "workspace/command_table.h"
#include "workspace/document/document_session.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/frm_anno_palette.h"
#include "workspace/window_openers.h"
#include "workspace/mod_vars.h"

#include <QAction>
#include <QDate>
#include <QLocale>
#include <QMenu>
#include <QToolBar>

using namespace modVars;

namespace {

void enable(QAction* a, bool on) {
  if (a) a->setEnabled(on);
}

}  // namespace

// ---- Command states -------------------------------------------------------------------------------

void frmImgClntForm::enableCommands(const std::vector<ws::CommandState>& states) {
  for (const ws::CommandState& c : states) {
    if (c.scope != ws::Scope::Button) enable(Menu(c.command), c.enabled);
    if (c.scope == ws::Scope::Menu) continue;
    for (const ws::ButtonRow& b : ws::buttonRows())
      if (c.command == QLatin1String(b.command)) enable(Button(Toolbar(QString::fromLatin1(b.bar)), QString::fromLatin1(b.key)), c.enabled);
  }
}

void frmImgClntForm::resetModes(ws::DocState state) {
  if (state == ws::DocState::NoDocument) {
    setModeButtons(QString());
    return;
  }
  bool anyPressed = false;
  for (QAction* a : tbrMode->actions()) anyPressed = anyPressed || a->isChecked();
  if (!anyPressed) fnSelectHandMode();
}

void frmImgClntForm::showDefaultLayout(bool multiPage) {
  if (!multiPage)
    mnuViewPageOnly_Click();
  else
    mnuViewPageThumbs_Click();
}

// Presses one mode button and releases the others; "" releases all.
void frmImgClntForm::setModeButtons(const QString& pressed) {
  for (QAction* a : tbrMode->actions()) a->setChecked(a->data().toString() == pressed);
}

// ---- Toolbar dispatch -----------------------------------------------------------------------------
// A key that a toolbar does not know runs nothing; keys compare exactly, case included.

void frmImgClntForm::fnToolbarButtonClick(const QString& bar, const QString& key) {
  const ws::BarRow* b = ws::findBar(bar);
  if (b && b->commitsFirst) fnCommitPendingEdit();
  const ws::ButtonRow* row = ws::findButton(bar, key);
  if (!row) return;
  const ws::CommandHandler handler = row->handler ? row->handler : ws::commandHandler(QString::fromLatin1(row->command));
  if (handler) handler(*this);
}

void frmImgClntForm::tbrFile_ButtonClick(const QString& key) { fnToolbarButtonClick(QStringLiteral("tbrFile"), key); }
void frmImgClntForm::tbrImage_ButtonClick(const QString& key) { fnToolbarButtonClick(QStringLiteral("tbrImage"), key); }
void frmImgClntForm::tbrMode_ButtonClick(const QString& key) { fnToolbarButtonClick(QStringLiteral("tbrMode"), key); }
void frmImgClntForm::tbrScan_ButtonClick(const QString& key) { fnToolbarButtonClick(QStringLiteral("tbrScan"), key); }
void frmImgClntForm::tbrAnno_ButtonClick(const QString& key) { fnToolbarButtonClick(QStringLiteral("tbrAnno"), key); }

// ---- Mouse modes ----------------------------------------------------------------------------------

// Presses the mode's button and gives the page view the mode's pointer and annotation tool.
void frmImgClntForm::selectMode(ws::MouseMode mode) {
  const ws::ModeSettings settings = ws::fnModeSettings(mode);
  setModeButtons(ws::fnKeyForMode(mode));
  if (mode == ws::MouseMode::Hand) ixMain->setMouseIcon(handOpen_);
  ixMain->setMousePointer(settings.pointer);
  if (settings.endsRubberBand) ixMain->RubberBandStart(false);
  if (settings.closesPalette && Menu("mnuAnnPalette")->isChecked()) unloadPalette();
  nxMain->setCurrentTool(settings.annotationTool);
}

void frmImgClntForm::fnSelectArrowMode() { selectMode(ws::MouseMode::Arrow); }
void frmImgClntForm::fnSelectHandMode() { selectMode(ws::MouseMode::Hand); }
void frmImgClntForm::fnSelectRectMode() { selectMode(ws::MouseMode::Rect); }
void frmImgClntForm::fnSelectMagnifyMode() { selectMode(ws::MouseMode::Magnify); }

// ---- Annotation menu ------------------------------------------------------------------------------

// The palette's unload leaves the pointer tool and unchecks the menu item, whatever unloads it.
void frmImgClntForm::unloadPalette() {
  if (frmAnnoPalette.IsLoaded()) frmAnnoPalette.Unload();
  Menu("mnuAnnPalette")->setChecked(false);
  nxMain->setCurrentTool(TOOL_POINTER);
}

void frmImgClntForm::mnuFileAlbums_Click() { ws::openWindow(QStringLiteral("frmAlbum")); }
void frmImgClntForm::mnuFileBrowseDir_Click() { ws::openWindow(QStringLiteral("frmBrowseDir")); }
void frmImgClntForm::mnuFileSearch_Click() { ws::openWindow(QStringLiteral("frmSearch")); }
void frmImgClntForm::mnuViewFullScreen_Click() { ws::openWindow(QStringLiteral("frmFullScreen")); }

void frmImgClntForm::mnuAnn_Click() {
  fnCommitPendingEdit();
  const intptr_t layer = nxMain->CurrentLayer();
  const bool any = layer != 0 && nxMain->LayerObjectCount(layer) != 0;
  Menu("mnuAnnSelectAll")->setEnabled(any);
  Menu("mnuAnnBurnIn")->setEnabled(any);
}

void frmImgClntForm::mnuAnnBurnIn_Click() {
  const QString q = QStringLiteral("This operation is permanent!") + QLatin1Char('\r') + QStringLiteral("Do you want to continue?");
  if (rt::Confirm(q) != rt::vbYes) return;
  nxMain->SetBurnInDepth(ixMain->ImageBitsPerPixel());
  intptr_t layer = nxMain->CurrentLayer();
  nxMain->SelectAll(layer, true);
  const int32_t rc = nxMain->BurnIn(layer);
  if (rc != 0) {
    rt::ShowError(QStringLiteral("The annotations could not be burned into the image (annotation error %1).").arg(rc));
    return;
  }
  // The annotations are pixels of the page now; kept as annotations as well they would be drawn
  // twice and saved again.
  nxMain->DeleteSelected();
  // Without both flags a page switch or a close would throw the burned-in page away.
  ws::document().markModified();
}

void frmImgClntForm::mnuAnnPalette_Click() {
  QAction* item = Menu("mnuAnnPalette");
  if (!item->isChecked()) {
    item->setChecked(true);
    frmAnnoPalette->Show(rt::vbModeless, this);
    fnSelectArrowMode();
  } else {
    unloadPalette();
    fnSelectHandMode();
  }
}

void frmImgClntForm::mnuAnnSelectAll_Click() {
  intptr_t layer = nxMain->CurrentLayer();
  nxMain->SelectAll(layer, true);
}

void frmImgClntForm::nxMain_AnnotationEvent(int32_t code, int32_t) {
  if (code == EVT_ELEMENT_ADDED || code == EVT_ELEMENT_CHANGED || code == EVT_ELEMENT_DELETED) ws::document().markModified();
}

void frmImgClntForm::nxMain_CurrentLayerChanged(intptr_t layer) { glngAnnoHandle = layer; }

// The page view's layer becomes the current one; a page without annotations gets an empty layer to
// draw on.
void frmImgClntForm::fnTakeCurrentLayer() {
  glngAnnoHandle = nxMain->CurrentLayer() ? nxMain->CurrentLayer() : nxMain->NewLayer();
}

// ---- Tool defaults and the per-page store ---------------------------------------------------------

void frmImgClntForm::setToolDefaults() {
  nxMain->setStampDefaultText(QStringLiteral("Received: ") + QLocale().toString(QDate::currentDate(), QLocale::ShortFormat) +
                              QLatin1Char(' '));
  for (auto [tool, width] : {std::pair{TOOL_TEXT, 0}, {TOOL_RECTANGLE, 0}, {TOOL_ELLIPSE, 0}, {TOOL_POLYGON, 0},
                             {TOOL_STAMP, 0}, {TOOL_BUTTON, 2}, {TOOL_IMAGE, 0}})
    nxMain->SetToolAttribute(tool, PROP_PEN_WIDTH, width);
  nxMain->setButtonFont(nxMain->ButtonFont());
  nxMain->setTextFont(nxMain->TextFont());
  nxMain->setStampFont(nxMain->StampFont());
}

void frmImgClntForm::fnSavePageAnnotations(int32_t index) {
  if (index < 0) return;
  if (static_cast<std::size_t>(index) >= gvarPageAnno.size()) gvarPageAnno.resize(static_cast<std::size_t>(index) + 1);
  rt::Variant& entry = gvarPageAnno[static_cast<std::size_t>(index)];
  const intptr_t layer = nxMain->CurrentLayer();
  if (!layer) {
    entry.Clear();
    return;
  }
  // A layer the engine cannot write leaves the stored one in place rather than losing it.
  rt::Variant saved;
  int32_t bytes = 0;
  if (nxMain->SaveLayerToVariant(saved, layer, bytes) == 0) entry = saved;
}

void frmImgClntForm::fnRestorePageAnnotations(int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= gvarPageAnno.size()) return;
  const rt::Variant& entry = gvarPageAnno[static_cast<std::size_t>(index)];
  if (entry.IsEmpty()) return;
  intptr_t layer = 0;
  if (nxMain->LoadLayerFromVariant(entry, layer) == 0) nxMain->SelectLayer(layer);
  ixMain->Refresh();
  if (img::ImagingControl* t = ixTmb(index)) t->Refresh();
}
