#include "workspace/document/document_session.h"

#include "controls/imaging/codec.h"
#include "platform/text/native_path.h"
#include "runtime/dialogs.h"
#include "runtime/errors.h"
#include "runtime/fso.h"
#include "runtime/screen.h"
#include "workspace/mod_vars.h"
#include "workspace/page_strip.h"
#include "workspace/save_plan.h"
#include "workspace/window_openers.h"

#include <QByteArray>
#include <algorithm>

namespace ws {

namespace {

// Shows nothing and answers every question with Cancel, for a session that has no window.
class NoView final : public DocumentView {
 public:
  int ask(const QString&, int) override { return rt::vbCancel; }
  void showError(const QString&) override {}
  void setTitle(const QString&) override {}
  void showZoom() override {}
  void showLogin(const QString&) override {}
  void enableCommands(const std::vector<CommandState>&) override {}
  void enablePageButtons(bool, bool) override {}
  void resetModes(DocState) override {}
  void showDefaultLayout(bool) override {}
  void clearAnnotations() override {}
  int16_t showFirstPage(const QString&) override { return 0; }
  void showBlankPage(int32_t, int32_t, int16_t, uint32_t) override {}
  void showPage(int) override {}
  void setToolDefaults() override {}
  void emptyPageView() override {}
  rt::Variant takeInLayer(const rt::Variant&) override { return rt::Variant(); }
  void storeCurrentPage() override {}
  void commitPendingEdit() override {}
  int pageCount() const override { return 1; }
  void fillStrip(int, const QString&) override {}
  void loadThumbs(const QString&, int) override {}
  void stopThumbs() override {}
  void rearrangeStrip(const PageEdit&, CaptionRule) override {}
  void setPagePicture(int, plat::HGLOBAL picture) override { plat::GlobalFree(picture); }
  void emptyStrip() override {}
  void layOutStrip() override {}
  void scrollStripToCurrent() override {}
  std::optional<QString> askSavePath() override { return std::nullopt; }
  void writePages(const SavePlan&) override {}
};

}  // namespace

DocumentState& documentState() {
  static DocumentState state;
  return state;
}

DocumentSession& document() {
  static DocumentSession session(documentState());
  return session;
}

DocumentFile queryDocumentFile(const QString& path) {
  DocumentFile f;
  // Counting the pages first also clears what killed saves left beside the file.
  try {
    f.pages = img::filePageCount(path);
  } catch (const rt::RuntimeError&) {
  }
  try {
    f.layers = img::fileAnnotations(path);
  } catch (const rt::RuntimeError&) {
  }
  try {
    f.damageNote = img::fileDamageNote(path);
  } catch (const rt::RuntimeError&) {
  }
  return f;
}

DocumentSession::DocumentSession(DocumentState& state, FileQuery query) : s_(state), query_(std::move(query)) {}

void DocumentSession::setView(std::function<DocumentView*()> view) { view_ = std::move(view); }

DocumentView* DocumentSession::view() const {
  static NoView none;
  DocumentView* v = view_ ? view_() : nullptr;
  return v ? v : &none;
}

// ---- What the document is -------------------------------------------------------------------------

bool DocumentSession::isMultiPage() const { return modVars::fnIsMultiPageFormat(s_.format); }

int DocumentSession::pageCount() const { return view()->pageCount(); }

bool DocumentSession::hasPageStrip() const { return isMultiPage() || pageCount() > 1; }

bool DocumentSession::showsSinglePage() const { return !hasPageStrip() && (!s_.path.isEmpty() || s_.format != 0); }

QString DocumentSession::caption() const {
  if (!s_.achId.isEmpty()) return rt::App::Title() + " - Archived Document [" + s_.achId + ", " + s_.parm1 + ", " + s_.parm2 + "]";
  return rt::App::Title() + " - " + plat::displayPath(s_.path);
}

// ---- Life cycle -----------------------------------------------------------------------------------

void DocumentSession::showNewDocument() {
  DocumentView* v = view();
  s_.currentPage = 0;
  v->layOutStrip();
  v->showZoom();
  enterState(DocState::NoDocument);
  enterState(DocState::DocumentOpen);
  v->showDefaultLayout(isMultiPage());
  updatePageButtons();
  v->setToolDefaults();
  s_.docModified = false;
  s_.pageModified = false;
}

void DocumentSession::emptyStore() { s_.pageAnno.assign(2, rt::Variant()); }

void DocumentSession::fillStore(const std::vector<std::vector<uint8_t>>& layers) {
  // A layer the engine takes in is stored as the engine writes it; one it cannot take in is kept as
  // it was read, so that the next save writes it back.
  s_.pageAnno.assign(layers.size() + 1, rt::Variant());
  for (std::size_t i = 0; i < layers.size(); ++i) {
    if (layers[i].empty()) continue;
    const rt::Variant read(QByteArray(reinterpret_cast<const char*>(layers[i].data()), static_cast<qsizetype>(layers[i].size())));
    rt::Variant& entry = s_.pageAnno[i];
    entry = view()->takeInLayer(read);
    if (entry.IsEmpty()) entry = read;
  }
}

void DocumentSession::newDocument(int32_t width, int32_t height, int16_t bitsPerPixel, uint32_t colour) {
  rt::BusyPointer busy;
  DocumentView* v = view();
  forgetFile();
  v->clearAnnotations();
  emptyStore();
  v->showBlankPage(width, height, bitsPerPixel, colour);
  showNewDocument();
  v->setTitle(rt::App::Title() + QStringLiteral(" - New File"));
}

void DocumentSession::open(const QString& path) {
  if (path.trimmed().isEmpty()) return;
  rt::BusyPointer busy;
  DocumentView* v = view();
  v->stopThumbs();
  try {
    s_.path = path;
    v->clearAnnotations();
    const DocumentFile file = query_(path);
    fillStore(file.layers);
    v->clearAnnotations();
    s_.format = v->showFirstPage(path);
    const bool multiPage = isMultiPage();
    const int pages = multiPage ? std::max(1, file.pages) : 0;
    // Every page of a multi-page file gets its slot and caption now; the pictures follow.
    v->fillStrip(pages, path);
    showNewDocument();
    if (multiPage) v->loadThumbs(path, pages);
    // A file cut short opens with the pages that could be read, and the user is told.
    if (!file.damageNote.isEmpty()) v->showError(file.damageNote);
    v->setTitle(caption());
  } catch (const rt::RuntimeError&) {
    // A file that cannot be read leaves no half-opened document behind.
    close(true);
    throw;
  }
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
  v->emptyStrip();
  enterState(DocState::NoDocument);
  forgetFile();
  v->emptyPageView();
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
  if (fnSaveTarget(s_.path, s_.achId, s_.commitSave) == SaveTarget::InPlace) return writeDocument();
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
  if (choice.format != s_.format && pageCount() >= 2 && !modVars::fnIsMultiPageFormat(choice.format)) {
    if (v->ask(fnDropPagesQuestion(), rt::vbYesNo) == rt::vbNo) return false;
    keepFirstPageOnly();
  }
  const QString previous = s_.path;
  const int16_t previousFormat = s_.format;
  s_.path = choice.path;
  s_.format = choice.format;
  if (writeDocument()) return true;
  // The document was not written there: it keeps the name and format it had.
  s_.path = previous;
  s_.format = previousFormat;
  return false;
}

bool DocumentSession::writeDocument() {
  DocumentView* v = view();
  const SavePlan plan = fnPlanSave(s_.format, pageCount(), hasPageStrip(), s_.path);
  if (!plan.refusal.isEmpty()) {
    v->showError(plan.refusal);
    return false;
  }
  rt::BusyPointer busy;
  if (plan.pageByPage && !plan.extensionQuestion.isEmpty()) {
    rt::Screen::setMousePointer(rt::vbDefault);
    if (v->ask(plan.extensionQuestion, rt::vbYesNo) == rt::vbYes) s_.path = plan.pathOnYes;
    rt::Screen::setMousePointer(rt::vbHourglass);
  }
  try {
    v->writePages(plan);
  } catch (const rt::RuntimeError& e) {
    v->showError(e.Description());
    return false;
  }
  s_.docModified = false;
  s_.pageModified = false;
  enterState(DocState::DocumentOpen);
  updatePageButtons();
  if (!s_.commitSave) v->setTitle(rt::App::Title() + " - " + plat::displayPath(s_.path));
  if (!s_.achId.isEmpty() && s_.login.update && !s_.commitSave) unlockArchived();
  return true;
}

// ---- Pages ----------------------------------------------------------------------------------------

void DocumentSession::applyPageEdit(const PageEdit& edit, CaptionRule captions) {
  view()->rearrangeStrip(edit, captions);
  s_.pageAnno = fnAlignStore(s_.pageAnno, edit);
  s_.currentPage = edit.current;
}

void DocumentSession::addPickedPages(const PageEdit& edit, const std::vector<plat::HGLOBAL>& pictures) {
  DocumentView* v = view();
  PageEdit added = edit;
  if (added.firstNew >= 0) added.current = added.firstNew;
  applyPageEdit(added, CaptionRule::Renumber);
  std::size_t k = 0;
  for (int i = 0; i < added.count() && k < pictures.size(); ++i)
    if (added.from[static_cast<std::size_t>(i)] == kNewPage) v->setPagePicture(i, pictures[k++]);
  for (; k < pictures.size(); ++k) plat::GlobalFree(pictures[k]);
  v->layOutStrip();
  v->scrollStripToCurrent();
  v->showPage(s_.currentPage + 1);
  // The document gained pages: both flags, so that neither a save nor a page switch loses them.
  markModified();
}

void DocumentSession::keepFirstPageOnly() {
  const int n = pageCount();
  if (n < 2) return;
  storePageEdits();
  std::vector<bool> others(static_cast<std::size_t>(n), true);
  others[0] = false;
  const std::optional<PageEdit> edit = fnDeletePages(n, 0, others);
  if (!edit) return;
  DocumentView* v = view();
  applyPageEdit(*edit, CaptionRule::Travel);
  v->layOutStrip();
  v->scrollStripToCurrent();
  v->showPage(1);
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
  if (!s_.pageModified) return;
  view()->storeCurrentPage();
  s_.pageModified = false;
}

// ---- Command states -------------------------------------------------------------------------------

void DocumentSession::applyCommandStates(DocState state) {
  last_ = state;
  view()->enableCommands(fnCommandStates(state, fnDocConditions(s_.scannerPresent, s_.format, s_.path)));
}

void DocumentSession::enterState(DocState state) {
  applyCommandStates(state);
  view()->resetModes(state);
}

void DocumentSession::setScannerPresent(bool present) {
  s_.scannerPresent = present;
  // The scanner rules are part of both state tables: apply them for the state the document is in.
  const DocState state = last_;
  applyCommandStates(DocState::NoDocument);
  if (state != DocState::NoDocument) applyCommandStates(state);
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
