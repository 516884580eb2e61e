#include "workspace/document/document_session.h"

#include "controls/imaging/codec.h"
#include "controls/imaging/imaging_errors.h"
#include "controls/imaging/pixel_ops.h"
#include "platform/text/native_path.h"
#include "runtime/dialogs.h"
#include "runtime/errors.h"
#include "runtime/fso.h"
#include "runtime/screen.h"
#include "workspace/annotation_layer_engine.h"
#include "workspace/document/document_writer.h"
#include "workspace/document/layer_engine.h"
#include "workspace/mod_vars.h"
#include "workspace/page_strip.h"
#include "workspace/save_plan.h"
#include "workspace/scan_placement.h"
#include "workspace/window_openers.h"

#include <algorithm>

namespace ws {

namespace {

// Shows nothing and answers every question with Cancel, for a session that has no window.
class NoView final : public DocumentView {
 public:
  int ask(const QString&, int) override { return rt::vbCancel; }
  void showError(const QString&) override {}
  std::optional<QString> askSavePath() override { return std::nullopt; }
  void setTitle(const QString&) override {}
  void showLogin(const QString&) override {}
  void showCommands(DocState, const std::vector<CommandState>&, bool) override {}
  void enablePageButtons(bool, bool) override {}
  void showNewDocument(bool, bool) override {}
  void showPage(int, img::Bitmap, const QByteArray&) override {}
  void showPages() override {}
  void showNoDocument() override {}
  ShownPage shownPage() override { return {}; }
  void commitPendingEdit() override {}
};

QByteArray bytesOf(const std::vector<uint8_t>& v) {
  return QByteArray(reinterpret_cast<const char*>(v.data()), static_cast<qsizetype>(v.size()));
}

}  // namespace

DocumentState& documentState() {
  static DocumentState state;
  return state;
}

DocumentSession& document() {
  static DocumentSession session(documentState());
  return session;
}

DocumentSession::DocumentSession(DocumentState& state, FileReader read) : s_(state), read_(std::move(read)) {}

void DocumentSession::setView(std::function<DocumentView*()> view) { view_ = std::move(view); }

void DocumentSession::setLayerEngine(LayerEngine* engine) { engine_ = engine; }

DocumentView* DocumentSession::view() const {
  static NoView none;
  DocumentView* v = view_ ? view_() : nullptr;
  return v ? v : &none;
}

LayerEngine& DocumentSession::engine() const { return engine_ ? *engine_ : annotationLayerEngine(); }

// ---- What the document is -------------------------------------------------------------------------

bool DocumentSession::isMultiPage() const { return modVars::fnIsMultiPageFormat(s_.format); }

bool DocumentSession::hasPageStrip() const { return isMultiPage() || pageCount() > 1; }

bool DocumentSession::showsSinglePage() const { return !hasPageStrip() && (!s_.path.isEmpty() || s_.format != 0); }

QString DocumentSession::caption() const {
  if (!s_.achId.isEmpty()) return rt::App::Title() + " - Archived Document [" + s_.achId + ", " + s_.parm1 + ", " + s_.parm2 + "]";
  return rt::App::Title() + " - " + plat::displayPath(s_.path);
}

// ---- Life cycle -----------------------------------------------------------------------------------

void DocumentSession::showNewDocument(bool chooseLayout) {
  DocumentView* v = view();
  s_.currentPage = 0;
  v->showNewDocument(chooseLayout, isMultiPage());
  enterState(DocState::NoDocument);
  enterState(DocState::DocumentOpen);
  updatePageButtons();
  s_.docModified = false;
  s_.pageModified = false;
}

void DocumentSession::newDocument(int32_t width, int32_t height, int16_t bitsPerPixel, uint32_t colour) {
  if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24)
    rt::Raise(img::kErrBadValue, QString::fromLatin1(img::kErrorSource), QStringLiteral("Invalid bits per pixel %1").arg(bitsPerPixel));
  rt::BusyPointer busy;
  img::Bitmap blank = img::blankBitmap(width, height, bitsPerPixel, qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF));
  blank.resolutionX = blank.resolutionY = 96;
  blank.resolutionUnit = img::kUnitInch;
  forgetFile();
  s_.pages.takePicture(blank);
  DocumentView* v = view();
  // The layout first: a strip that the layout hides makes no pictures.
  showNewDocument(true);
  v->showPages();
  v->showPage(0, std::move(blank), QByteArray());
  v->setTitle(rt::App::Title() + QStringLiteral(" - New File"));
}

void DocumentSession::open(const QString& path) {
  if (path.trimmed().isEmpty()) return;
  rt::BusyPointer busy;
  img::OpenedFile file;
  try {
    file = read_(path);
  } catch (const rt::RuntimeError&) {
    // A file that cannot be read leaves no half-opened document behind.
    close(true);
    throw;
  }
  s_.path = path;
  s_.format = file.first.format;
  // A one-page format shows its first page only, whatever else the file holds.
  const int32_t pages = isMultiPage() ? std::max(1, file.pages) : 1;
  // A layer the engine takes in is kept as the engine writes it; one it cannot take in is kept as
  // it was read, so that the next save writes it back.
  std::vector<QByteArray> layers;
  layers.reserve(std::min<std::size_t>(file.layers.size(), static_cast<std::size_t>(pages)));
  for (std::size_t i = 0; i < file.layers.size() && i < static_cast<std::size_t>(pages); ++i) {
    QByteArray read = bytesOf(file.layers[i]);
    QByteArray taken = read.isEmpty() ? QByteArray() : engine().takeIn(read);
    layers.push_back(taken.isEmpty() ? std::move(read) : std::move(taken));
  }
  s_.pages.takeFile(path, pages, std::move(layers));
  DocumentView* v = view();
  // The layout first: a strip that the layout hides makes no pictures (a one-page file would be
  // decoded once more for its thumbnail).
  showNewDocument(true);
  v->showPages();
  file.first.bitmap.annotation.clear();
  v->showPage(0, std::move(file.first.bitmap), s_.pages.layer(0));
  v->setTitle(caption());
  // A file cut short opens with the pages that could be read, and the user is told.
  if (!file.damageNote.isEmpty()) v->showError(file.damageNote);
}

bool DocumentSession::close(bool noPrompt) {
  DocumentView* v = view();
  if (!noPrompt) {
    if (s_.docModified) {
      const int answer = v->ask(QStringLiteral("Image has been modified! Save changes?"), rt::vbYesNoCancel);
      if (answer == rt::vbCancel) return false;
      // A save that failed or was cancelled keeps the document open: closing now would lose it.
      if (answer == rt::vbYes && !save()) return false;
    }
    if (!s_.achId.isEmpty() && s_.login.update) unlockArchived();
  }
  s_.pages.clear();
  s_.currentPage = 0;
  v->showNoDocument();
  enterState(DocState::NoDocument);
  forgetFile();
  s_.docModified = false;
  s_.pageModified = false;
  v->setTitle(rt::App::Title());
  return true;
}

void DocumentSession::forgetFile() {
  s_.achId.clear();
  s_.path.clear();
  s_.format = 0;
}

void DocumentSession::resetAtLoad() {
  forgetFile();
  s_.pages.clear();
  s_.parm1.clear();
  s_.parm2.clear();
  s_.currentPage = s_.popupPage = 0;
  s_.docModified = s_.pageModified = false;
  s_.login.view = s_.login.update = false;
  s_.commitSave = false;
  s_.layer = 0;
}

void DocumentSession::startUntitled() {
  forgetFile();
  s_.docModified = true;
  s_.pageModified = true;
  view()->setTitle(rt::App::Title() + QStringLiteral(" - New File"));
}

// ---- Save -----------------------------------------------------------------------------------------

// Steps shared by Save and Save As: a format for an untitled image, and the warning for formats
// that cannot be written. False when the save is not to go ahead.
bool DocumentSession::askSaveFormatFirst() {
  if (fnSaveFirst(s_.format) == SaveFirst::ChooseFormat) {
    openWindow(QStringLiteral("frmImgSvSettings"), {QStringLiteral("Specify File Format")});
    if (s_.format == 0) return false;
  }
  if (fnSaveFirst(s_.format) == SaveFirst::ConfirmTiff && view()->ask(fnConfirmTiffText(), rt::vbYesNo) == rt::vbNo) return false;
  return true;
}

bool DocumentSession::save() {
  if (!askSaveFormatFirst()) return false;
  if (fnSaveTarget(s_.path, s_.achId, s_.commitSave) == SaveTarget::InPlace) return writeAs(s_.path, s_.format, false);
  return saveAs();
}

bool DocumentSession::saveAs() {
  DocumentView* v = view();
  v->commitPendingEdit();
  if (!askSaveFormatFirst()) return false;
  const std::optional<QString> chosen = v->askSavePath();
  if (!chosen) return false;
  // The name's extension says the format: a document is never written in one format under the
  // extension of another.
  const SaveAsChoice choice = fnSaveAsChoice(*chosen, s_.format, pageCount());
  if (!choice.refusal.isEmpty()) {
    v->showError(choice.refusal);
    return false;
  }
  if (rt::fso::FileExists(choice.path) &&
      v->ask(QStringLiteral("A file already exists with the selected path and name!") + QLatin1Char('\r') + QStringLiteral("Overwrite?"),
             rt::vbYesNo) == rt::vbNo)
    return false;
  // Several pages into a format that holds one: only the first is written, and only once the user
  // agreed; the others leave the document only when the write has succeeded.
  const bool firstPageOnly = pageCount() >= 2 && !modVars::fnIsMultiPageFormat(choice.format);
  if (firstPageOnly && v->ask(fnDropPagesQuestion(), rt::vbYesNo) == rt::vbNo) return false;
  return writeAs(choice.path, choice.format, firstPageOnly);
}

bool DocumentSession::writeAs(const QString& path, ImageFormatCode format, bool firstPageOnly) {
  DocumentView* v = view();
  if (s_.pages.empty()) return false;
  // What the page view shows is what is written: its edits (a floating paste included) go to the
  // store first.
  storePageEdits();
  const int pages = firstPageOnly ? 1 : pageCount();
  const SavePlan plan = fnPlanSave(format, pages, modVars::fnIsMultiPageFormat(format) || pages > 1, path);
  if (!plan.refusal.isEmpty()) {
    v->showError(plan.refusal);
    return false;
  }
  QString target = path;
  if (plan.pageByPage && !plan.extensionQuestion.isEmpty()) {
    rt::Screen::setMousePointer(rt::vbDefault);
    if (v->ask(plan.extensionQuestion, rt::vbYesNo) == rt::vbYes) target = plan.pathOnYes;
  }
  rt::BusyPointer busy;
  WriteJob job{target, plan, format, s_.saveOptions, {}};
  bool burnsLayers = false;
  for (int i = 0; i < pages; ++i) {
    job.pages.push_back(i);
    burnsLayers = burnsLayers || (plan.annotations == AnnotationHandling::BurnIn && !s_.pages.layer(i).isEmpty());
  }
  try {
    writeDocumentPages(s_.pages, job, engine());
  } catch (const rt::RuntimeError& e) {
    // Nothing changed: the document keeps every page, its name, its format and its flags.
    v->showError(e.Description());
    return false;
  }
  // The document is now what was written: its pages are read from the new file, page for page,
  // whatever file they came from (that one may be replaced or deleted next), and its own pictures
  // are let go. In another format the pictures may have changed on the way (depth, compression),
  // as they have where annotations were burned in: then the page is shown again from the file.
  if (firstPageOnly) {
    s_.pages.keepOnly(0);
    s_.currentPage = 0;
  }
  // An untitled document's format was only chosen for this write: its pictures may have changed
  // on the way as well.
  const bool picturesChanged = format != s_.format || burnsLayers || s_.path.isEmpty();
  s_.pages.readAllFrom(target, burnsLayers, picturesChanged);
  s_.path = target;
  s_.format = format;
  v->showPages();
  if (picturesChanged || firstPageOnly) showPage(s_.currentPage);
  s_.docModified = false;
  s_.pageModified = false;
  enterState(DocState::DocumentOpen);
  updatePageButtons();
  if (!s_.commitSave) v->setTitle(rt::App::Title() + " - " + plat::displayPath(s_.path));
  if (!s_.achId.isEmpty() && s_.login.update && !s_.commitSave) unlockArchived();
  return true;
}

// ---- Pages ----------------------------------------------------------------------------------------

void DocumentSession::clickPage(int index, bool addToSelection) {
  if (!s_.pages.valid(index)) return;
  DocumentView* v = view();
  if (!hasPageStrip()) {
    storePageEdits();
    s_.pages.select(index, true);
    v->showPages();
    return;
  }
  if (addToSelection) {
    s_.pages.select(index, true);
    v->showPages();
    return;
  }
  storePageEdits();
  s_.pages.selectOnly(index);
  s_.currentPage = index;
  v->showPages();
  showPage(index);
}

void DocumentSession::showPage(int index) {
  if (!s_.pages.valid(index)) return;
  DocumentView* v = view();
  // Showing a page is no edit: the flags stay as they were.
  const bool pageModified = s_.pageModified, docModified = s_.docModified;
  img::Bitmap picture;
  try {
    picture = s_.pages.picture(index);
  } catch (const rt::RuntimeError& e) {
    v->showError(e.Description());
  }
  picture.annotation.clear();
  v->showPage(index, std::move(picture), s_.pages.layer(index));
  s_.pageModified = pageModified;
  s_.docModified = docModified;
  updatePageButtons();
}

void DocumentSession::applyPageEdit(const PageEdit& edit, CaptionRule captions) {
  s_.pages.apply(edit, captions);
  s_.currentPage = edit.current;
  view()->showPages();
}

bool DocumentSession::deleteSelectedPages() {
  const int pages = pageCount();
  const std::optional<PageEdit> edit = fnDeletePages(pages, s_.currentPage, s_.pages.selection());
  DocumentView* v = view();
  // A document keeps at least one page.
  if (!edit) {
    v->showError(QStringLiteral("A document must keep at least one page: the selected image(s) cannot all be deleted."));
    return false;
  }
  if (edit->count() == pages) return false;
  if (v->ask(QStringLiteral("Are you sure you want to delete the selected image(s)?"), rt::vbYesNo) != rt::vbYes) return false;
  // Edits of the shown page go to the store first, so that they survive if the page stays.
  storePageEdits();
  applyPageEdit(*edit, CaptionRule::Travel);
  showPage(s_.currentPage);
  markModified();
  return true;
}

void DocumentSession::addPickedPages(const PageEdit& edit, std::vector<img::Bitmap> pictures) {
  PageEdit added = edit;
  if (added.firstNew >= 0) added.current = added.firstNew;
  storePageEdits();
  s_.pages.apply(added, CaptionRule::Renumber);
  s_.currentPage = added.current;
  std::size_t k = 0;
  for (int i = 0; i < added.count() && k < pictures.size(); ++i)
    if (added.from[static_cast<std::size_t>(i)] == kNewPage) s_.pages.setPicture(i, std::move(pictures[k++]));
  view()->showPages();
  showPage(s_.currentPage);
  // The document gained pages: both flags, so that neither a save nor a page switch loses them.
  markModified();
}

void DocumentSession::placeScannedPage(const ScanPlacement& p, img::Bitmap picture) {
  DocumentView* v = view();
  if (p.startsDocument) {
    s_.pages.takePicture(std::move(picture));
    v->showNewDocument(false, false);
  } else {
    if (p.edit) s_.pages.apply(*p.edit, p.captions);
    // A scanned page has no annotations; a rescanned one loses those it had.
    s_.pages.setPicture(p.slot, std::move(picture));
    s_.pages.setLayer(p.slot, QByteArray());
    s_.pages.selectOnly(p.slot);
  }
  s_.currentPage = p.current;
  v->showPages();
  showPage(p.show - 1);
  if (p.startsDocument) {
    enterState(DocState::NoDocument);
    enterState(DocState::DocumentOpen);
  }
  s_.docModified = true;
  updatePageButtons();
}

void DocumentSession::updatePageButtons() {
  const int n = pageCount();
  if (s_.path.isEmpty() && n <= 1) return;
  const int p = s_.currentPage + 1;
  view()->enablePageButtons(n > 1 && p > 1, p < n);
}

void DocumentSession::markModified() {
  s_.docModified = true;
  s_.pageModified = true;
}

void DocumentSession::storePageEdits() {
  // A floating paste is written into the page first (that marks it edited), whichever command
  // asked: a save by its shortcut opens no menu that would have done it.
  view()->commitPendingEdit();
  if (!s_.pageModified) return;
  s_.pageModified = false;
  if (!s_.pages.valid(s_.currentPage)) return;
  ShownPage shown = view()->shownPage();
  // A page view without a picture (its page could not be read) has nothing to give back.
  if (shown.picture.isNull()) return;
  s_.pages.setPicture(s_.currentPage, std::move(shown.picture));
  if (shown.layer) s_.pages.setLayer(s_.currentPage, std::move(*shown.layer));
  view()->showPages();
}

// ---- Command states -------------------------------------------------------------------------------

void DocumentSession::applyCommandStates(DocState state) {
  last_ = state;
  view()->showCommands(state, fnCommandStates(state, fnDocConditions(s_.scannerPresent, s_.format, s_.path)), false);
}

void DocumentSession::enterState(DocState state) {
  last_ = state;
  view()->showCommands(state, fnCommandStates(state, fnDocConditions(s_.scannerPresent, s_.format, s_.path)), true);
}

void DocumentSession::setScannerPresent(bool present) {
  s_.scannerPresent = present;
  // The scanner rules are part of both state tables: apply them for the state the document is in.
  const DocState state = last_;
  applyCommandStates(DocState::NoDocument);
  if (state != DocState::NoDocument) {
    applyCommandStates(state);
    // The tables turn the page buttons on; the page shown says which of them lead anywhere.
    updatePageButtons();
  }
}

// ---- Archive --------------------------------------------------------------------------------------

bool DocumentSession::runNetwork(const QString& command) {
  s_.network = NetworkResult::Failed;
  modTCP::gstrTCPCommand = command;
  openWindow(QStringLiteral("frmTCPIP"), {command});
  return networkSucceeded();
}

void DocumentSession::unlockArchived() {
  if (!runNetwork(QStringLiteral("UNLOCK")))
    view()->showError(QStringLiteral("Error encountered trying to unlock this AchID.") + QLatin1Char('\r') +
                      QStringLiteral("Please inform the administrator."));
}

void DocumentSession::setLogin(const ArchiveLogin& login) {
  s_.login = login;
  view()->showLogin(login.user);
}

}  // namespace ws
