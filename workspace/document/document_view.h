#pragma once
// The window side of the open document: what the document session asks its window to show. The
// pages are the session's (page_store.h); the window shows them and hands back what the user did
// to the page it shows. The main window implements it with its widgets; tests implement it with a
// fake that records.
#include "controls/imaging/bitmap.h"
#include "workspace/command_states.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace ws {

// What the page view holds of the page it shows.
struct ShownPage {
  img::Bitmap picture;
  // The annotation layer as the engine writes it, empty for none; nothing when the layer stored
  // before is to be kept: the engine could not write the page's, or could not read the stored one
  // and the user drew none.
  std::optional<QByteArray> layer;
};

class DocumentView {
 public:
  virtual ~DocumentView() = default;

  // ---- Questions and messages ---------------------------------------------------------------------
  // A question with the question icon; buttons as rt::Confirm takes them, the answer rt::vbYes...
  virtual int ask(const QString& question, int buttons) = 0;
  virtual void showError(const QString& text) = 0;
  // The path the user chooses to save under; none when cancelled (a failure is shown).
  virtual std::optional<QString> askSavePath() = 0;

  // ---- What the window shows ----------------------------------------------------------------------
  virtual void setTitle(const QString& caption) = 0;
  // The login panel shows the archive user ("" when nobody is logged in).
  virtual void showLogin(const QString& user) = 0;
  // Menu items and toolbar buttons take the enabling of the rows, others keep theirs; the mouse
  // modes are those of the state (none pressed without a document; with one, the hand unless a
  // mode is pressed already) when modes is set.
  virtual void showCommands(DocState state, const std::vector<CommandState>& commands, bool modes) = 0;
  virtual void enablePageButtons(bool previous, bool next) = 0;
  // A document was opened, made or scanned: the zoom panel, and the annotation tools get the
  // attributes a document starts with; with chooseLayout, the page alone for a one-page format, the
  // page and its strip for a multi-page one.
  virtual void showNewDocument(bool chooseLayout, bool multiPage) = 0;
  // The page (0-based) in the page view with its annotation layer (empty for none).
  virtual void showPage(int index, img::Bitmap picture, const QByteArray& layer) = 0;
  // The pages changed (their number, order, captions, selection or pictures): the strip shows them
  // as they are now and scrolls to the current page.
  virtual void showPages() = 0;
  // No document: the page view and the strip are empty; the tool palette closes.
  virtual void showNoDocument() = 0;

  // ---- What the window holds of the shown page ----------------------------------------------------
  // The page view's picture and layer as they are now; a floating pasted area is written into the
  // page first (commitPendingEdit).
  virtual ShownPage shownPage() = 0;
  virtual void commitPendingEdit() = 0;
};

}  // namespace ws
