#pragma once
// The main window: it builds the widgets that show the open document (its pages as thumbnails and
// in the page view, the menus and toolbars, the status panels), shows the document as its session
// asks (ws::DocumentView) and hands the document's commands to the session
// (workspace/document/document_session.h). View layouts, the mouse mode in force and the
// annotation control that edits the shown page's annotations are the window's own; what the page
// view's pointer and keys do is ws::PageViewInput's (workspace/page_view_input.h).
#include "platform/memory/global_memory.h"
#include "runtime/control_array.h"
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
struct SavePlan;
struct PageEdit;
enum class CaptionRule;
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
  rt::ControlArray<img::ImagingControl> ixTmb;
  rt::ControlArray<QLabel> lblTmb;
  ann::AnnotationControl* nxMain = nullptr;
  ScanningControl* twnMain = nullptr;
  QFrame* fraTmb = nullptr;
  QFrame* picMain = nullptr;
  QWidget* picChild = nullptr;
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
  // An imaging control of this window by name: "ixMain", "ixTemp", "ixTmb(3)".
  img::ImagingControl* ImagingByName(const QString& name) const;

  // ---- Public operations (the document's forward to its session) ------------------------------
  void ixTmb_Click(int32_t index);
  void mnuFileClose_Click();
  // Returns false when the save did not happen (cancelled, refused or failed).
  bool mnuFileSave_Click();
  void fnNewImgFile(int32_t width, int32_t height, int16_t bitsPerPixel, uint32_t colour);
  // Raises rt::RuntimeError when the file cannot be read; the window is then left without a document.
  void fnOpenImgFile(const QString& path);
  void fnCloseFile(bool noPrompt, bool& ok);
  void fnClearSelection();
  // Rearranges the thumbnails, their captions and the per-page annotation store as the edit says
  // and makes its current page current and the only one selected. Added pages get empty
  // thumbnails: the caller gives them their pictures, then lays the strip out (layOutStrip,
  // scrollStripToCurrent) and shows the current page (showPage).
  void fnApplyPageEdit(const ws::PageEdit& edit, ws::CaptionRule captions);

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
  // Pages picked from another file enter the strip: the edit makes their slots, the pictures (taken
  // over) fill them in order; the first new page becomes current and both modified flags are set.
  void fnAddPickedPages(const ws::PageEdit& edit, const std::vector<plat::HGLOBAL>& pictures);
  // The pane divider dropped on the page view or on the thumbnail carrier (x in twips of the
  // control dropped on); drops of anything else are ignored.
  void ixMain_DragDrop(QWidget* source, float x, float y);
  void picChild_DragDrop(QWidget* source, float x, float y);

  // Window-level state.
  bool mblnShiftDown = false;

  // ---- The document's view ------------------------------------------------------------------------
  int ask(const QString& question, int buttons) override;
  void showError(const QString& text) override;
  void setTitle(const QString& caption) override;
  void showZoom() override;
  void showLogin(const QString& user) override;
  void enableCommands(const std::vector<ws::CommandState>& states) override;
  void enablePageButtons(bool previous, bool next) override;
  void resetModes(ws::DocState state) override;
  void showDefaultLayout(bool multiPage) override;
  void clearAnnotations() override;
  int16_t showFirstPage(const QString& path) override;
  void showBlankPage(int32_t width, int32_t height, int16_t bitsPerPixel, uint32_t colour) override;
  void showPage(int page) override;
  void setToolDefaults() override;
  void emptyPageView() override;
  rt::Variant takeInLayer(const rt::Variant& read) override;
  void storeCurrentPage() override;
  void commitPendingEdit() override;
  int pageCount() const override { return ixTmb.Count(); }
  void fillStrip(int pages, const QString& path) override;
  void loadThumbs(const QString& path, int pages) override;
  void stopThumbs() override;
  void rearrangeStrip(const ws::PageEdit& edit, ws::CaptionRule captions) override;
  void setPagePicture(int index, plat::HGLOBAL picture) override;
  void emptyStrip() override;
  void layOutStrip() override;
  void scrollStripToCurrent() override;
  std::optional<QString> askSavePath() override;
  void writePages(const ws::SavePlan& plan) override;

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
  img::ImagingControl* makeThumb(img::ImagingControl* tmpl);
  QLabel* makeThumbLabel(QLabel* tmpl);
  void layoutFrame();

  // Thumbnails: a double click shows the page alone; a right click opens the thumbnails' menu.
  void ixTmb_DblClick(int32_t index);
  void ixTmb_MouseDown(int32_t index, int16_t button);

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
