#pragma once
// What the open document is: its file and format, its pages (page_store.h), its current page, the
// two modified flags, the options it is saved with, its archive keys, and who is logged in to the
// archive with which rights. The program has one, held by its document session
// (document_session.h), which carries out its rules.
#include "controls/imaging/codec.h"
#include "workspace/document/page_store.h"

#include <QString>
#include <cstdint>

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
  PageStore pages;          // none without a document
  int32_t currentPage = 0;  // 0-based; -1 while a new scan waits for its first page
  int32_t popupPage = 0;    // the page whose thumbnail menu is open
  bool docModified = false;
  bool pageModified = false;  // the shown page holds edits that the store does not have yet
  // The options of the next write (JPEG qualities, TIFF compression and byte order, ...): the
  // convert dialog sets them; they stay for the documents that follow.
  img::SaveOptions saveOptions;
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
