#pragma once
// The open document without widgets: it owns what the document is (document_state.h) and carries
// out its rules: new, open (one query of the file), close with its save prompt, save in place or
// under a new name, page edits, the page buttons and which command state applies. What needs
// widgets it asks of its window through DocumentView, so that its tests run with a fake view.
#include "workspace/command_states.h"
#include "workspace/document/document_state.h"
#include "workspace/document/document_view.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace ws {

struct PageEdit;
enum class CaptionRule;

// What opening a file needs to know of it besides its first page, from one query.
struct DocumentFile {
  int32_t pages = 0;                         // 0 when the pages cannot be counted
  std::vector<std::vector<uint8_t>> layers;  // the annotation layer of each page; empty when none
  QString damageNote;                        // what the user is told of a file that opens in part
};
// Never raises: what cannot be read is left at its default.
DocumentFile queryDocumentFile(const QString& path);

class DocumentSession {
 public:
  using FileQuery = std::function<DocumentFile(const QString&)>;
  explicit DocumentSession(DocumentState& state, FileQuery query = queryDocumentFile);

  // The window that shows the document. A function, so that the program's main window is made
  // when the document first needs it; null or a null view shows nothing.
  void setView(std::function<DocumentView*()> view);

  DocumentState& state() const { return s_; }

  // ---- What the document is -----------------------------------------------------------------------
  bool isMultiPage() const;
  int pageCount() const;
  // The document keeps its pages in the thumbnail strip: a multi-page format, or any document with
  // more than one page (an untitled scan, pages added after New).
  bool hasPageStrip() const;
  // The strip shows one page of a one-page file (opened or chosen), not a strip of pages.
  bool showsSinglePage() const;
  // The window title for the document as it is now.
  QString caption() const;

  // ---- Life cycle ---------------------------------------------------------------------------------
  // A blank untitled page.
  void newDocument(int32_t width, int32_t height, int16_t bitsPerPixel, uint32_t colour);
  // Raises rt::RuntimeError when the file cannot be read; no document is then left open.
  void open(const QString& path);
  // Closes the document; without noPrompt a modified document asks whether to save first, and a
  // document checked out of the archive is unlocked. False when the document stays open.
  bool close(bool noPrompt);
  // File > Save and File > Save As; false when nothing was saved (cancelled, refused or failed).
  bool save();
  bool saveAs();
  // An untitled document that scanned pages start: no path, format or keys, modified.
  void startUntitled();
  // The annotation store of an untitled document, and of a file with these layers (one per page).
  void emptyStore();
  void fillStore(const std::vector<std::vector<uint8_t>>& layers);

  // ---- Pages --------------------------------------------------------------------------------------
  // The strip, the annotation store and the current page rearranged as the edit says; the view
  // rearranges its thumbnails and the caller lays them out and shows the current page.
  void applyPageEdit(const PageEdit& edit, CaptionRule captions);
  // Pages picked from another file enter the strip: the edit makes their slots, the pictures (taken
  // over) fill them in order; the first new page becomes current and both modified flags are set.
  void addPickedPages(const PageEdit& edit, const std::vector<plat::HGLOBAL>& pictures);
  // A one-page format keeps the first page only: the other pages leave the strip and page 1 shows.
  void keepFirstPageOnly();
  // Previous and Next for the current page; nothing changes for a single untitled page.
  void updatePageButtons();
  // The document and the shown page were edited.
  void markModified();
  // Edits of the shown page go to its thumbnail before pages move or are read.
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
  bool askSaveFormatFirst();
  bool writeDocument();
  void showNewDocument();
  // No file, format or archive keys: an untitled document, or none.
  void forgetFile();
  void unlockArchived();

  DocumentState& s_;
  FileQuery query_;
  std::function<DocumentView*()> view_;
  DocState last_ = DocState::NoDocument;
};

// The program's open document; its view is the main window.
DocumentSession& document();

}  // namespace ws
