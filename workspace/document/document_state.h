#pragma once
// What the open document is: its file and format, its current page (the pages themselves, pictures
// that may be large, are the thumbnails of the window's strip), the two modified flags, the per-page annotation store, its archive keys, and who is logged in to the
// archive with which rights. The program has one (documentState()); the shared names of modVars
// refer into it, and the document session (document_session.h) carries out its rules.
#include "runtime/variant.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace ws {

// The archive user and the rights the server granted at log-in; no user means logged out.
struct ArchiveLogin {
  QString user;
  bool view = false;    // may retrieve documents
  bool update = false;  // may send, index and batch documents
  bool loggedIn() const { return !user.isEmpty(); }
};

// The answer of the last archive network operation: Failed until the network window reports that
// the operation completed.
enum class NetworkResult { Failed, Succeeded };

struct DocumentState {
  QString path;             // "" for an untitled document (new, scanned) and for none
  int16_t format = 0;       // the image format code read or chosen; 0 when untitled or none
  int32_t currentPage = 0;  // 0-based; -1 while a new scan waits for its first page
  int32_t popupPage = 0;    // the page whose thumbnail menu is open
  bool docModified = false;
  bool pageModified = false;  // the shown page holds edits that its thumbnail does not have yet
  // Per-page annotation store: entry k belongs to page k + 1; Empty or one layer as bytes. One
  // spare entry stays above the last page.
  std::vector<rt::Variant> pageAnno;
  intptr_t layer = 0;  // address of the page view's annotation layer; 0 when there is none
  // Archive keys of a retrieved document (the AchID as retrieved, kept for re-indexing) and the
  // Archive > Send flag under which Save writes in place.
  QString achId, origAchId, parm1, parm2;
  bool commitSave = false;
  ArchiveLogin login;
  NetworkResult network = NetworkResult::Failed;
  bool scannerPresent = false;
};

// The program's open document.
DocumentState& documentState();

}  // namespace ws
