#pragma once
// The open document without widgets: it owns what the document is (document_state.h), its pages
// included, and carries out its rules: new, open (one reading of the file), close with its save
// prompt, save in place or under a new name (a write that fails changes nothing), page edits, the
// page shown, the page buttons and which command state applies. What needs widgets it asks of its
// window through DocumentView, so that its tests run with a fake view.
#include "workspace/command_states.h"
#include "workspace/document/document_state.h"
#include "workspace/document/document_view.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace ws {

class LayerEngine;
struct PageEdit;
struct ScanPlacement;
enum class CaptionRule;

class DocumentSession {
 public:
  using FileReader = std::function<img::OpenedFile(const QString&)>;
  explicit DocumentSession(DocumentState& state, FileReader read = img::openDocumentFile);

  // The window that shows the document. A function, so that the program's main window is made
  // when the document first needs it; null or a null view shows nothing.
  void setView(std::function<DocumentView*()> view);
  // The engine that takes in the layers of opened files and burns pages in for saves; the
  // program's annotation engine unless set.
  void setLayerEngine(LayerEngine* engine);

  DocumentState& state() const { return s_; }
  const PageStore& pages() const { return s_.pages; }

  // ---- What the document is -----------------------------------------------------------------------
  bool isMultiPage() const;
  int pageCount() const { return s_.pages.count(); }
  // The document keeps its pages in the thumbnail strip: a multi-page format, or any document with
  // more than one page (an untitled scan, pages added after New).
  bool hasPageStrip() const;
  // The strip shows one page of a one-page file (opened or chosen), not a strip of pages.
  bool showsSinglePage() const;
  // The window title for the document as it is now.
  QString caption() const;

  // ---- Life cycle ---------------------------------------------------------------------------------
  // A blank untitled page; the document before it must have been closed.
  void newDocument(int32_t width, int32_t height, int16_t bitsPerPixel, uint32_t colour);
  // Raises rt::RuntimeError when the file cannot be read; no document is then left open.
  void open(const QString& path);
  // Closes the document; without noPrompt a modified document asks whether to save first, and a
  // document checked out of the archive is unlocked. False when the document stays open.
  bool close(bool noPrompt);
  // File > Save and File > Save As; false when nothing was saved (cancelled, refused or failed).
  bool save();
  bool saveAs();
  // Writes the document under path in format, only its first page with firstPageOnly; only a
  // write that succeeded changes the document (its pages, name and format). False when nothing was
  // written (refused or failed; the user was told).
  bool writeAs(const QString& path, ImageFormatCode format, bool firstPageOnly);
  // An untitled document that scanned pages start: no path, format or keys, modified.
  void startUntitled();
  // What the main window's load step starts from: no document, no archive keys (but the AchID as
  // retrieved), no login rights, no layer; the scanner's presence is left to the scanner check.
  void resetAtLoad();

  // ---- Pages --------------------------------------------------------------------------------------
  // A click on a page of the strip: it becomes the current page, alone selected, and shows; with
  // addToSelection it is only added to the selection.
  void clickPage(int index, bool addToSelection);
  // The page (0-based) in the page view with its layer; the page buttons follow.
  void showPage(int index);
  // The pages rearranged as the edit says; the current page is the edit's. The window shows the
  // strip again; the caller shows the current page.
  void applyPageEdit(const PageEdit& edit, CaptionRule captions);
  // Edit > Delete on pages: the selected pages go after the user agreed (false when none went).
  bool deleteSelectedPages();
  // Pages picked from another file enter the document: the edit makes their places, the pictures
  // fill them in order; the first new page becomes current and both modified flags are set.
  void addPickedPages(const PageEdit& edit, std::vector<img::Bitmap> pictures);
  // A scanned page placed as its scan mode says (scan_placement.h).
  void placeScannedPage(const ScanPlacement& placement, img::Bitmap picture);
  // Previous and Next for the current page; nothing changes for a single untitled page.
  void updatePageButtons();
  // The document and the shown page were edited.
  void markModified();
  // Edits of the shown page go to the store before pages move or are read.
  void storePageEdits();

  // ---- Command states -----------------------------------------------------------------------------
  // The commands and mouse modes of a state.
  void enterState(DocState state);
  // Only the commands of a state; the state the commands were last set for is remembered.
  void applyCommandStates(DocState state);
  DocState commandState() const { return last_; }
  // The scanner check answered: the scanner rules of the current state take its presence.
  void setScannerPresent(bool present);

  // ---- Archive ------------------------------------------------------------------------------------
  // Runs a command of the network window; true when it reported success.
  bool runNetwork(const QString& command);
  bool networkSucceeded() const { return s_.network == NetworkResult::Succeeded; }
  // Logs in (the user and rights the server granted) or out (an empty login); the login panel
  // shows who is logged in.
  void setLogin(const ArchiveLogin& login);

 private:
  DocumentView* view() const;
  LayerEngine& engine() const;
  bool askSaveFormatFirst();
  void showNewDocument(bool chooseLayout);
  // No file, format or archive keys: an untitled document, or none.
  void forgetFile();
  void unlockArchived();

  DocumentState& s_;
  FileReader read_;
  std::function<DocumentView*()> view_;
  LayerEngine* engine_ = nullptr;
  DocState last_ = DocState::NoDocument;
};

// The program's open document; its view is the main window.
DocumentSession& document();

}  // namespace ws
