#pragma once
// The main window: it builds the widgets that show the open document (its pages in the strip and
// the page shown in the page view, the menus and toolbars, the status panels), shows the document
// as its session asks (ws::DocumentView) and hands the document's commands to the session
// (workspace/document/document_session.h), which owns the pages. View layouts, the mouse mode in
// force and the annotation control that edits the shown page's annotations are the window's own;
// what the page view's pointer and keys do is ws::PageViewInput's (workspace/page_view_input.h),
// the strip is ws::ThumbStrip's (workspace/thumb_strip.h).
#include "runtime/dialogs.h"
#include "runtime/form.h"
#include "workspace/document/document_view.h"
#include "workspace/page_view_state.h"

#include <QMap>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class QAction;
class QImage;
class QFrame;
class QKeyEvent;
class QLabel;
class QMenu;
class QMenuBar;
class QScrollBar;
class QStatusBar;
class QToolBar;
class ScanningControl;
namespace img {
class ImagingControl;
}
namespace ann {
class AnnotationControl;
}
namespace ws {
class PageViewInput;
struct PageEdit;
enum class CaptionRule;
class StripCanvas;
class ThumbStrip;
enum class DocState;
}

class frmImgClntForm : public rt::Form, public ws::DocumentView {
  Q_OBJECT
 public:
  frmImgClntForm();
  ~frmImgClntForm() override;

  // Thumbnails of the open document still being made in the background.
  bool ThumbsLoading() const;

  // ---- Controls ----------------------------------------------------------------------------
  img::ImagingControl* ixMain = nullptr;
  img::ImagingControl* ixTemp = nullptr;
  ann::AnnotationControl* nxMain = nullptr;
  ScanningControl* twnMain = nullptr;
  QFrame* fraTmb = nullptr;
  QFrame* picMain = nullptr;
  ws::StripCanvas* picChild = nullptr;  // the strip's pages are painted on it
  QScrollBar* vsTmb = nullptr;
  QFrame* imgDivider = nullptr;
  QFrame* fraEdt = nullptr;
  QWidget* cbrMain = nullptr;
  QToolBar* tbrScan = nullptr;
  QToolBar* tbrFile = nullptr;
  QToolBar* tbrImage = nullptr;
  QToolBar* tbrMode = nullptr;
  QToolBar* tbrAnno = nullptr;
  QStatusBar* stsMain = nullptr;
  QMenuBar* menuBar = nullptr;
  rt::CommonDialog cdgMain;

  // Menus and their items, by their names ("mnuFileOpen").
  QMenu *mnuFile = nullptr, *mnuScanner = nullptr, *mnuEdit = nullptr, *mnuView = nullptr, *mnuZoom = nullptr,
        *mnuAnn = nullptr, *mnuTools = nullptr, *mnuArchive = nullptr, *mnuHelp = nullptr, *mnuPopTmb = nullptr;
  QAction* Menu(const QString& name) const;
  // A toolbar by its name ("tbrFile"); null when there is none.
  QToolBar* Toolbar(const QString& name) const;
  // A toolbar button by its key ("open"); null when the toolbar has no such key.
  QAction* Button(QToolBar* bar, const QString& key) const;
  // Text of the status-bar panel keyed "BODY", "LOGIN" or "ZOOM".
  QString StatusPanel(const QString& key) const;
  void setStatusPanel(const QString& key, const QString& text);
  // An imaging control of this window by name: "ixMain", "ixTemp".
  img::ImagingControl* ImagingByName(const QString& name) const;
  // The strip of the document's pages.
  ws::ThumbStrip& strip() const { return *strip_; }

  // ---- Public operations (the document's forward to its session) ------------------------------
  // A click on a page of the strip (0-based): the page becomes the current one and shows, or with
  // Shift held joins the selection.
  void ixTmb_Click(int32_t index);
  void mnuFileClose_Click();
  // Returns false when the save did not happen (cancelled, refused or failed).
  bool mnuFileSave_Click();
  void fnNewImgFile(int32_t width, int32_t height, int16_t bitsPerPixel, uint32_t colour);
  // Raises rt::RuntimeError when the file cannot be read; the window is then left without a document.
  void fnOpenImgFile(const QString& path);
  void fnCloseFile(bool noPrompt, bool& ok);
  void fnClearSelection();
  // First, last, previous or next page, as the keys Home, End, Page Up and Page Down ask.
  void goToPage(int index);

  // ---- Commands --------------------------------------------------------------------------------
  // The menus' commands are free functions of their own files (file_commands.h, view_commands.h,
  // ...), which the command table names; the window keeps what needs its widgets.

  // The three layouts of the panes; the layout's View item carries the check mark.
  enum class Layout { PageAndThumbs, ThumbsOnly, PageOnly };
  void showLayout(Layout layout);
  // Presses the mode's button and gives the page view the mode's pointer and annotation tool.
  void selectMode(ws::MouseMode mode);
  // The picture floats over the page view until it is committed or dropped (Edit > Paste).
  void floatPicture(const QImage& picture);
  // The pane divider dropped on the page view or on the thumbnail carrier (x in twips of the
  // control dropped on); drops of anything else are ignored.
  void ixMain_DragDrop(QWidget* source, float x, float y);
  void picChild_DragDrop(QWidget* source, float x, float y);

  // Window-level state.
  bool mblnShiftDown = false;
  // The page shown has a layer the engine could not take in: it is kept as read unless the user
  // draws annotations of the page's own.
  bool layerKeptAsRead_ = false;

  // ---- The document's view ------------------------------------------------------------------------
  int ask(const QString& question, int buttons) override;
  void showError(const QString& text) override;
  std::optional<QString> askSavePath() override;
  void setTitle(const QString& caption) override;
  void showLogin(const QString& user) override;
  void showCommands(ws::DocState state, const std::vector<ws::CommandState>& commands, bool modes) override;
  void enablePageButtons(bool previous, bool next) override;
  void showNewDocument(bool chooseLayout, bool multiPage) override;
  void showPage(int index, img::Bitmap picture, const QByteArray& layer) override;
  void showPages() override;
  void showNoDocument() override;
  ws::ShownPage shownPage() override;
  void commitPendingEdit() override;
  // The zoom panel shows the page view's zoom.
  void showZoom();
  // The strip laid out for its width and scrolled to the current page.
  void layOutStrip();
  void scrollStripToCurrent();

 protected:
  void Form_Load() override;
  void Form_Activate() override;
  void Form_Resize() override;
  void Form_QueryUnload(int& cancel, int unloadMode) override;
  // Shift held anywhere in the window marks thumbnail clicks as additions to the selection.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Construction.
  void buildMenus();
  void buildToolbars();
  void buildPanes();
  void layoutFrame();
  void setToolDefaults();
  void resetModes(ws::DocState state);
  void enableCommands(const std::vector<ws::CommandState>& states);

  // Thumbnails: a double click shows the page alone; a right click opens the thumbnails' menu;
  // keys on the strip work as on the page view, and page through the document.
  void ixTmb_DblClick(int32_t index);
  void ixTmb_MouseDown(int32_t index, int16_t button);
  bool pagingKey(int key);  // a virtual key code
  bool stripKey(QKeyEvent* e);

  // Pane divider.
  void placeDivider(double left);

  QMap<QString, QAction*> items_;
  QMap<QString, QMenu*> menus_;
  QMap<QString, QToolBar*> bars_;
  QMap<QString, QLabel*> panels_;
  QWidget* client_ = nullptr;
  // What the page view's pointer and keys do, with the floating pasted area.
  std::unique_ptr<ws::PageViewInput> input_;
  std::unique_ptr<ws::ThumbStrip> strip_;
};

extern rt::DefaultInstance<frmImgClntForm> frmImgClnt;
