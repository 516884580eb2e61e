// The main window's frame: its controls, menus and toolbars, the load step, the first activation,
// the pane layout on resize, the Shift key, Help, and shut-down.
#include "workspace/frm_img_clnt.h"
#include "workspace/window_openers.h"

#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "controls/scanning/scanning_control.h"
#include "platform/registry/registry.h"
#include "runtime/conversions.h"
#include "runtime/errors.h"
#include "runtime/screen.h"
#include "workspace/mod_vars.h"
#include "workspace/settings/mod_registry.h"
#include "workspace/twips.h"

#include <QActionGroup>
#include <QApplication>
#include <QDesktopServices>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QUrl>

using namespace modVars;

rt::DefaultInstance<frmImgClntForm> frmImgClnt;

namespace {

QString& commandLineText() {
  static QString text;
  return text;
}

// The settings key of the program under HKEY_LOCAL_MACHINE.
constexpr const char* kSettingsKey = "SOFTWARE\\Quorvane\\Lumivex";

QPixmap handPixmap(bool closed) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 1.2));
  p.setBrush(Qt::white);
  if (closed) {
    p.drawRoundedRect(QRectF(3, 5, 10, 9), 3, 3);
  } else {
    for (int i = 0; i < 4; ++i) p.drawRoundedRect(QRectF(3 + i * 2.6, 1 + (i == 0 || i == 3 ? 2 : 0), 2.4, 8), 1, 1);
    p.drawRoundedRect(QRectF(3, 7, 10, 7), 3, 3);
  }
  return pm;
}

// Every command and control event runs through here: a run-time error that no handler of the
// command caught is shown, and the window carries on.
void guarded(const std::function<void()>& handler) {
  try {
    handler();
  } catch (const rt::RuntimeError& e) {
    rt::MsgBox(e.Description(), rt::vbExclamation, QStringLiteral("Error"));
  }
}

}  // namespace

void frmImgClntForm::setCommandLine(const QString& commandLine) { commandLineText() = commandLine; }
QString frmImgClntForm::CommandLine() { return commandLineText(); }

frmImgClntForm::frmImgClntForm()
    : ixTmb([this](img::ImagingControl* t) { return makeThumb(t); }),
      lblTmb([this](QLabel* t) { return makeThumbLabel(t); }) {
  setObjectName("frmImgClnt");
  setCaption(QStringLiteral("   Image Lumivex"));
  cdgMain.Filter = QStringLiteral(
      "Image Files|*.BMP;*.DIB;*.DCX;*.ICO;*.JIF;*.JPG;*.PCX;*.PBM;*.PGM;*.PIC;*.PPM;*.PNG;*.RLE;*.TGA;*.TIF;*.WMF;*.WPG|"
      "All Files (*.*)|*.*");
  handOpen_ = handPixmap(false);
  handClosed_ = handPixmap(true);
  buildPanes();
  buildMenus();
  buildToolbars();
  qApp->installEventFilter(this);
}

frmImgClntForm::~frmImgClntForm() {
  // The annotation control lets go of the views before they go.
  delete nxMain;
  nxMain = nullptr;
}

bool frmImgClntForm::NetworkSucceeded() const {
  bool ok = false;
  const bool value = rt::TextToBool(NetworkResult, &ok);
  return ok && value;
}

// ---- Construction ------------------------------------------------------------------------------

QAction* frmImgClntForm::addItem(QMenu* menu, const QString& name, const QString& caption,
                                 std::function<void()> handler, const QString& shortcut) {
  QAction* a = menu->addAction(caption);
  a->setObjectName(name);
  if (!shortcut.isEmpty()) a->setShortcut(QKeySequence(shortcut));
  if (handler) connect(a, &QAction::triggered, this, [handler = std::move(handler)] { guarded(handler); });
  items_.insert(name, a);
  return a;
}

QAction* frmImgClntForm::Menu(const QString& name) const {
  if (QAction* a = items_.value(name)) return a;
  for (QMenu* m : {mnuFile, mnuScanner, mnuEdit, mnuView, mnuZoom, mnuAnn, mnuTools, mnuArchive, mnuHelp, mnuPopTmb})
    if (m && m->objectName() == name) return m->menuAction();
  return nullptr;
}

void frmImgClntForm::buildMenus() {
  menuBar = new QMenuBar(this);
  auto top = [&](const QString& name, const QString& caption, std::function<void()> onOpen = {}) {
    QMenu* m = menuBar->addMenu(caption);
    m->setObjectName(name);
    // Opening any menu first writes a floating pasted area into the page.
    connect(m, &QMenu::aboutToShow, this, [this, onOpen] {
      if (onOpen) onOpen();
      else fnCommitPendingEdit();
    });
    return m;
  };
  auto none = std::function<void()>();

  mnuFile = top("mnuFile", "&File");
  addItem(mnuFile, "mnuFileNew", "New", [this] { mnuFileNew_Click(); });
  addItem(mnuFile, "mnuFileOpen", "Open", [this] { mnuFileOpen_Click(); });
  addItem(mnuFile, "mnuFileSearch", "Search", none);  // the keyword search window
  mnuFile->addSeparator();
  addItem(mnuFile, "mnuFileBrowseDir", "Browse", none);  // the directory browser
  addItem(mnuFile, "mnuFileAlbums", "Albums", none);     // the album window
  mnuFile->addSeparator();
  addItem(mnuFile, "mnuFilePrint", "Print", none);
  addItem(mnuFile, "mnuFileSave", "Save", [this] { mnuFileSave_Click(); });
  addItem(mnuFile, "mnuFileSaveAs", "Save As", [this] { mnuFileSaveAs_Click(); });
  mnuFile->addSeparator();
  addItem(mnuFile, "mnuFileConvert", "Convert", none);        // the convert dialog
  addItem(mnuFile, "mnuFileProperties", "Properties", none);  // the properties dialog
  mnuFile->addSeparator();
  addItem(mnuFile, "mnuFileClose", "Close File", [this] { mnuFileClose_Click(); });
  addItem(mnuFile, "mnuFileExit", "Exit", [this] { mnuFileExit_Click(); });

  mnuScanner = top("mnuScanner", "&Scanner");
  addItem(mnuScanner, "mnuScanSelect", "Select Scanner", none);
  mnuScanner->addSeparator();
  addItem(mnuScanner, "mnuScanNew", "Scan New", none);
  addItem(mnuScanner, "mnuScanAppend", "Scan Append", none);
  addItem(mnuScanner, "mnuScanInsert", "Scan Insert", none);
  addItem(mnuScanner, "mnuScanPage", "Rescan Page", none);
  mnuScanner->addSeparator();
  addItem(mnuScanner, "mnuScanOpt", "Options", none);
  QAction* ui = addItem(mnuScanner, "mnuScanUI", "TWAIN Interface", none);
  ui->setCheckable(true);
  connect(ui, &QAction::triggered, this, [this](bool on) { twnMain->setShowDriverUI(on); });

  mnuEdit = top("mnuEdit", "&Edit");
  addItem(mnuEdit, "mnuEditUndo", "Undo", none, "Ctrl+Z");
  mnuEdit->addSeparator();
  addItem(mnuEdit, "mnuEditCopy", "Copy", none, "Ctrl+C");
  addItem(mnuEdit, "mnuEditCut", "Cut", none, "Ctrl+X");
  addItem(mnuEdit, "mnuEditPaste", "Paste", none, "Ctrl+V");
  addItem(mnuEdit, "mnuEditDelete", "Delete", none, "Del");
  mnuEdit->addSeparator();
  addItem(mnuEdit, "mnuEditAppend", "Append", none);
  addItem(mnuEdit, "mnuEditInsert", "Insert", none);

  mnuView = top("mnuView", "&View");
  addItem(mnuView, "mnuViewNext", "Next Page", [this] { mnuViewNext_Click(); });
  addItem(mnuView, "mnuViewPrev", "Previous Page", [this] { mnuViewPrev_Click(); });
  mnuView->addSeparator();
  layoutGroup_ = new QActionGroup(this);
  for (auto [name, caption, fn] : {std::tuple{"mnuViewPageThumbs", "Page And Thumbs", &frmImgClntForm::mnuViewPageThumbs_Click},
                                   std::tuple{"mnuViewThumbsOnly", "Thumbs Only", &frmImgClntForm::mnuViewThumbsOnly_Click},
                                   std::tuple{"mnuViewPageOnly", "Page Only", &frmImgClntForm::mnuViewPageOnly_Click}}) {
    QAction* a = addItem(mnuView, name, caption, [this, fn = fn] { (this->*fn)(); });
    a->setCheckable(true);
    layoutGroup_->addAction(a);
  }
  mnuView->addSeparator();
  addItem(mnuView, "mnuViewFullScreen", "Full Screen", none);  // the full-screen viewer

  mnuZoom = top("mnuZoom", "&Zoom");
  for (auto [name, caption, factor] :
       {std::tuple{"mnuZoom025", "25%", 0.25f}, std::tuple{"mnuZoom050", "50%", 0.5f}, std::tuple{"mnuZoom075", "75%", 0.75f},
        std::tuple{"mnuZoom100", "100%", 1.0f}, std::tuple{"mnuZoom200", "200%", 2.0f}, std::tuple{"mnuZoom400", "400%", 4.0f}})
    addItem(mnuZoom, name, caption, [this, f = factor] { mnuZoomFixed(f); });
  mnuZoom->addSeparator();
  addItem(mnuZoom, "mnuZoomIn", "Zoom In", [this] { mnuZoomIn_Click(); }, "Ctrl+I");
  addItem(mnuZoom, "mnuZoomOut", "Zoom Out", [this] { mnuZoomOut_Click(); }, "Ctrl+O");
  mnuZoom->addSeparator();
  addItem(mnuZoom, "mnuZoomPage", "Zoom To Page", [this] { mnuZoomFit(2); }, "Ctrl+P");
  addItem(mnuZoom, "mnuZoomWidth", "Zoom To Width", [this] { mnuZoomFit(0); }, "Ctrl+W");
  addItem(mnuZoom, "mnuZoomHeight", "Zoom To Height", [this] { mnuZoomFit(1); }, "Ctrl+H");

  mnuAnn = top("mnuAnn", "&Annotation", [this] { mnuAnn_Click(); });
  QAction* palette = addItem(mnuAnn, "mnuAnnPalette", "Show Palette", [this] { mnuAnnPalette_Click(); });
  palette->setCheckable(true);
  // The check mark changes only through the command itself.
  connect(palette, &QAction::triggered, this, [palette] { palette->setChecked(!palette->isChecked()); });
  addItem(mnuAnn, "mnuAnnBurnIn", "Burn In", [this] { mnuAnnBurnIn_Click(); });
  mnuAnn->addSeparator();
  addItem(mnuAnn, "mnuAnnSelectAll", "Select All", [this] { mnuAnnSelectAll_Click(); }, "Ctrl+A");

  mnuTools = top("mnuTools", "&Tools");
  addItem(mnuTools, "mnuToolsFlip", "Flip", none, "Ctrl+F");
  addItem(mnuTools, "mnuToolsMirror", "Mirror", none, "Ctrl+M");
  addItem(mnuTools, "mnuToolsLeft", "Rotate Left", none, "Ctrl+L");
  addItem(mnuTools, "mnuToolsRight", "Rotate Right", none, "Ctrl+R");

  mnuArchive = top("mnuArchive", "Archi&ve");
  addItem(mnuArchive, "mnuArchLogin", "Log In", none);
  addItem(mnuArchive, "mnuArchLogout", "Log Out", none);
  mnuArchive->addSeparator();
  addItem(mnuArchive, "mnuArchRetrieve", "Retrieve", none);
  addItem(mnuArchive, "mnuArchSend", "Send", none);
  mnuArchive->addSeparator();
  addItem(mnuArchive, "mnuArchIndexDir", "Index Directory", none);
  addItem(mnuArchive, "mnuArchBatchDir", "Batch Directory", none);
  mnuArchive->addSeparator();
  addItem(mnuArchive, "mnuArchIndex", "Index", none);
  addItem(mnuArchive, "mnuArchVerify", "Verify Batch", none);
  addItem(mnuArchive, "mnuArchBatch", "Send Batch", none);

  mnuHelp = top("mnuHelp", "&Help");
  addItem(mnuHelp, "mnuHelpContents", "Contents", [this] { mnuHelpContents_Click(); });
  mnuHelp->addSeparator();
  addItem(mnuHelp, "mnuHelpAbout", "Abo&ut", [this] { fnCommitPendingEdit(); });  // the about box

  // The thumbnails' right-click menu; not in the menu bar.
  mnuPopTmb = new QMenu(QStringLiteral("PopTmb"), this);
  mnuPopTmb->setObjectName("mnuPopTmb");
  addItem(mnuPopTmb, "mnuPopTmbCopy", "Copy", [this] {
    if (img::ImagingControl* t = ixTmb(gintPopupTmb)) t->CopyToClipboard();
  });
  addItem(mnuPopTmb, "mnuPopTmbDelete", "Delete", none);  // Edit > Delete
  mnuPopTmb->addSeparator();
  addItem(mnuPopTmb, "mnuPopTmbProperties", "Properties", none);  // the properties dialog
}

void frmImgClntForm::buildToolbars() {
  cbrMain = new QWidget(client_);
  cbrMain->setObjectName("cbrMain");
  auto* row = new QHBoxLayout(cbrMain);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(2);
  QStyle* st = style();
  struct Key {
    const char* key;
    const char* tip;
    QStyle::StandardPixmap icon;
  };
  auto bar = [&](const char* name, std::initializer_list<Key> keys, double minWidth,
                 void (frmImgClntForm::*click)(const QString&)) {
    auto* b = new QToolBar(cbrMain);
    b->setObjectName(name);
    b->setIconSize(QSize(16, 16));
    b->setMovable(false);
    for (const Key& k : keys) {
      QAction* a = b->addAction(st->standardIcon(k.icon), QString::fromLatin1(k.tip));
      a->setData(QString::fromLatin1(k.key));
      a->setToolTip(QString::fromLatin1(k.tip));
      const QString key = QString::fromLatin1(k.key);
      connect(a, &QAction::triggered, this, [this, click, key] { guarded([&] { (this->*click)(key); }); });
    }
    b->setMinimumWidth(rt::Screen::ToPixelsX(minWidth));
    row->addWidget(b);
    return b;
  };
  using SP = QStyle;
  tbrScan = bar("tbrScan",
                {{"scannew", "Scan New", SP::SP_FileIcon}, {"scanappend", "Scan and Append", SP::SP_FileDialogNewFolder},
                 {"scaninsert", "Scan And Insert", SP::SP_FileDialogStart}, {"scanoverwrite", "Rescan Page", SP::SP_BrowserReload}},
                1395, &frmImgClntForm::tbrScan_ButtonClick);
  tbrFile = bar("tbrFile",
                {{"open", "Open File", SP::SP_DialogOpenButton}, {"save", "Save File", SP::SP_DialogSaveButton},
                 {"close", "Close File", SP::SP_DialogCloseButton}, {"album", "Open Album", SP::SP_DirIcon},
                 {"browse", "Browse", SP::SP_FileDialogContentsView}},
                1725, &frmImgClntForm::tbrFile_ButtonClick);
  tbrImage = bar("tbrImage",
                 {{"previous", "Previous Page", SP::SP_ArrowBack}, {"next", "Next Page", SP::SP_ArrowForward},
                  {"zoompage", "Zoom To Page", SP::SP_TitleBarMaxButton}, {"zoomwidth", "Zoom To Width", SP::SP_ToolBarHorizontalExtensionButton},
                  {"zoomheight", "Zoom To Height", SP::SP_ToolBarVerticalExtensionButton}, {"flip", "Flip Image", SP::SP_ArrowDown},
                  {"rotateleft", "Rotate Left", SP::SP_MediaSeekBackward}, {"rotateright", "Rotate Right", SP::SP_MediaSeekForward}},
                 3015, &frmImgClntForm::tbrImage_ButtonClick);
  tbrMode = bar("tbrMode",
                {{"selhand", "Scroll Image", SP::SP_TitleBarNormalButton}, {"selarrow", "Select Annotation", SP::SP_ArrowUp},
                 {"selrect", "Select Image Data", SP::SP_TitleBarShadeButton}, {"selmagnify", "Magnify", SP::SP_FileDialogDetailedView}},
                1605, &frmImgClntForm::tbrMode_ButtonClick);
  // The four modes form one group of which at most one is pressed.
  auto* modes = new QActionGroup(tbrMode);
  modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  for (QAction* a : tbrMode->actions()) {
    a->setCheckable(true);
    modes->addAction(a);
  }
  tbrAnno = bar("tbrAnno", {{"annotation", "Show Annotation Palette", SP::SP_FileDialogInfoView}}, 1605,
                &frmImgClntForm::tbrAnno_ButtonClick);
  row->addStretch(1);
}

QAction* frmImgClntForm::Button(QToolBar* bar, const QString& key) const {
  for (QAction* a : bar->actions())
    if (a->data().toString() == key) return a;
  return nullptr;
}

void frmImgClntForm::buildPanes() {
  client_ = new QWidget(this);
  client_->setObjectName("client");

  fraTmb = new QFrame(client_);
  fraTmb->setObjectName("fraTmb");
  fraTmb->setFrameShape(QFrame::StyledPanel);
  picMain = new QFrame(fraTmb);
  picMain->setObjectName("picMain");
  picMain->setFrameShape(QFrame::NoFrame);
  picMain->setAutoFillBackground(true);
  picChild = new QWidget(picMain);
  picChild->setObjectName("picChild");
  vsTmb = new QScrollBar(Qt::Vertical, fraTmb);
  vsTmb->setObjectName("vsTmb");
  vsTmb->hide();
  vsTmb->setMinimum(0);
  vsTmb->setSingleStep(1);
  vsTmb->setPageStep(5);
  connect(vsTmb, &QScrollBar::valueChanged, this, [this] { vsTmb_Change(); });

  imgDivider = new QFrame(client_);
  imgDivider->setObjectName("imgDivider");
  imgDivider->setFrameShape(QFrame::VLine);
  imgDivider->setCursor(Qt::SizeHorCursor);
  imgDivider->resize(4, 10);

  fraEdt = new QFrame(client_);
  fraEdt->setObjectName("fraEdt");
  fraEdt->setFrameShape(QFrame::StyledPanel);
  ixMain = new img::ImagingControl(fraEdt);
  ixMain->setName("ixMain");
  ixMain->setObjectName("ixMain");
  ixTemp = new img::ImagingControl(fraEdt);
  ixTemp->setName("ixTemp");
  ixTemp->setObjectName("ixTemp");
  ixTemp->setVisible(false);
  connect(ixMain, &img::ImagingControl::MouseDown, this,
          [this](int16_t b, int16_t s, float x, float y) { guarded([&] { ixMain_MouseDown(b, s, x, y); }); });
  connect(ixMain, &img::ImagingControl::MouseMove, this,
          [this](int16_t b, int16_t s, float x, float y) { guarded([&] { ixMain_MouseMove(b, s, x, y); }); });
  connect(ixMain, &img::ImagingControl::MouseUp, this,
          [this](int16_t b, int16_t s, float x, float y) { guarded([&] { ixMain_MouseUp(b, s, x, y); }); });
  connect(ixMain, &img::ImagingControl::KeyDown, this, &frmImgClntForm::ixMain_KeyDown);
  connect(ixMain, &img::ImagingControl::Scroll, this, [this] { fnCommitPendingEdit(); });
  connect(ixMain, &img::ImagingControl::DragDrop, this, &frmImgClntForm::ixMain_DragDrop);
  picChild->setAcceptDrops(true);

  // Element 0 of the thumbnails and of their labels: the templates of the arrays.
  auto* t0 = new img::ImagingControl(picChild);
  t0->setThumbDisplayMode(1);
  t0->Move(280, 280, 1460, 1825);
  ixTmb.setTemplate(t0);
  auto* l0 = new QLabel(picChild);
  lblTmb.setTemplate(l0);
  makeThumb(nullptr);  // wires element 0

  twnMain = new ScanningControl(this);
  nxMain = new ann::AnnotationControl(this, [this](const QString& name) { return ImagingByName(name); });
  connect(nxMain, &ann::AnnotationControl::AnnotationEvent, this, &frmImgClntForm::nxMain_AnnotationEvent);
  connect(nxMain, &ann::AnnotationControl::CurrentLayerChanged, this, &frmImgClntForm::nxMain_CurrentLayerChanged);
  nxMain->setAttachControlName(QStringLiteral("ixMain"));

  stsMain = new QStatusBar(this);
  stsMain->setSizeGripEnabled(false);
  for (const char* key : {"BODY", "LOGIN", "ZOOM"}) {
    auto* panel = new QLabel(stsMain);
    panel->setObjectName(QString::fromLatin1(key));
    panel->setMinimumWidth(key == QStringLiteral("BODY") ? 0 : 90);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    stsMain->addPermanentWidget(panel, key == QStringLiteral("BODY") ? 1 : 0);
    panels_.insert(QString::fromLatin1(key), panel);
  }
}

// A new thumbnail element (tmpl is element 0), or, with no template, the wiring of element 0.
img::ImagingControl* frmImgClntForm::makeThumb(img::ImagingControl* tmpl) {
  const int index = tmpl ? ixTmb.UBound() + 1 : 0;
  img::ImagingControl* t = tmpl ? tmpl->cloneSettings(picChild) : ixTmb(0);
  const QString name = QStringLiteral("ixTmb(%1)").arg(index);
  t->setName(name);
  t->setObjectName(name);
  const auto i = static_cast<int16_t>(index);
  connect(t, &img::ImagingControl::Click, this, [this, i] { guarded([&] { ixTmb_Click(i); }); });
  connect(t, &img::ImagingControl::DblClick, this, [this, i] { guarded([&] { ixTmb_DblClick(i); }); });
  connect(t, &img::ImagingControl::MouseDown, this,
          [this, i](int16_t button, int16_t, float, float) { guarded([&] { ixTmb_MouseDown(i, button); }); });
  connect(t, &img::ImagingControl::KeyDown, this, &frmImgClntForm::ixMain_KeyDown);
  return t;
}

QLabel* frmImgClntForm::makeThumbLabel(QLabel* tmpl) {
  auto* l = new QLabel(picChild);
  l->setFont(tmpl->font());
  l->setGeometry(tmpl->geometry());
  return l;
}

img::ImagingControl* frmImgClntForm::ImagingByName(const QString& name) const {
  if (name == QStringLiteral("ixMain")) return ixMain;
  if (name == QStringLiteral("ixTemp")) return ixTemp;
  if (name.startsWith(QStringLiteral("ixTmb(")) && name.endsWith(QLatin1Char(')'))) {
    bool ok = false;
    const int i = name.mid(6, name.size() - 7).toInt(&ok);
    return ok ? ixTmb(i) : nullptr;
  }
  return nullptr;
}

QString frmImgClntForm::StatusPanel(const QString& key) const {
  QLabel* p = panels_.value(key);
  return p ? p->text() : QString();
}

void frmImgClntForm::setStatusPanel(const QString& key, const QString& text) {
  if (QLabel* p = panels_.value(key)) p->setText(text);
}

// ---- Load step ----------------------------------------------------------------------------------

void frmImgClntForm::Form_Load() {
  // What stays in force when the load step ends early: no document, no scanner.
  gblnScannerPresent = false;
  fnSetNoDocState();
  try {
    // The help file is looked up when Help > Contents asks for it.
    gblnActivated = false;
    ixMain->setBackColor(0xC0C0C0);
    tw::setWidth(fraTmb, 2100);
    tw::setTop(fraTmb, tw::Top(cbrMain) + tw::Height(cbrMain) + 30);
    tw::setLeft(fraTmb, 30);
    tw::setLeft(imgDivider, tw::Left(fraTmb) + tw::Width(fraTmb));
    tw::setTop(imgDivider, tw::Top(fraTmb));
    tw::setTop(fraEdt, tw::Top(cbrMain) + tw::Height(cbrMain) + 30);
    tw::setLeft(fraEdt, tw::Left(imgDivider) + tw::Width(imgDivider));
    tw::setLeft(picMain, 30);
    tw::setTop(picMain, 120);
    tw::setHeight(picMain, tw::Height(fraTmb) - 180);
    tw::setWidth(picMain, tw::Width(fraTmb) - 80);
    ixMain->Move(30, 120, std::max(0.0, tw::Width(fraEdt) - 80), std::max(0.0, tw::Height(fraEdt) - 180));
    ixTmb(0)->Move(280, 280, 1460, 1825);
    setWidth(11000);
    setHeight(11200);

    fnResetAtLoad();
    twnMain->setShowDriverUI(false);
    Menu("mnuScanUI")->setChecked(false);
    Menu("mnuViewPageThumbs")->setChecked(true);
    mblnShiftDown = false;
    mlngDownX = mlngDownY = 0;
    mblnAreaPending = mblnAreaDragging = false;
    mlngAreaX = mlngAreaY = mlngGrabX = mlngGrabY = mlngAreaWidth = mlngAreaHeight = 0;
    gblnAchView = false;
    gblnAchUpd = false;
    glngAnnoHandle = 0;
    nxMain->setAnnotationOption281(true);

    twnMain->OpenSourceManager();
    gblnScannerPresent = twnMain->SourceCount() != 0;
    fnSetNoDocState();
    modRegistry::fnRegisterDocType();
  } catch (const rt::RuntimeError& e) {
    if (e.Source() == QLatin1String(ScanningControl::kSourceId) && e.Number() == ScanningControl::kErrNoSource) {
      // No scanner to talk to: nothing to report.
    } else if (e.Source() == QLatin1String(ScanningControl::kSourceId) && e.Number() == ScanningControl::kErrDriver) {
      rt::MsgBox("Error " + rt::CStr(twnMain->ErrorCode()) + ": " + twnMain->ErrorText(), rt::vbExclamation,
                 QStringLiteral("Error"));
    } else {
      rt::MsgBox(e.Description(), rt::vbExclamation, QStringLiteral("Error"));
    }
  }
  layoutFrame();
  Form_Resize();
}

// ---- First activation -----------------------------------------------------------------------------

void frmImgClntForm::Form_Activate() { fnFirstActivation(); }

namespace {

// "FileAssoc" as the program last recorded it; "" when it cannot be read.
QString readFileAssoc() {
  using namespace plat::reg;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
    uint32_t disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, "1", REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                        &disposition) != ERROR_SUCCESS)
      return QString();
    RegSetValueExA(key, "FileAssoc", 0, REG_SZ, reinterpret_cast<const uint8_t*>("0"), 2);
    RegCloseKey(key);
    return QStringLiteral("0");
  }
  uint8_t buffer[256] = {};
  uint32_t size = sizeof(buffer);
  uint32_t type = 0;
  QString value;
  if (RegQueryValueExA(key, "FileAssoc", nullptr, &type, buffer, &size) == ERROR_SUCCESS) {
    const auto* text = reinterpret_cast<const char*>(buffer);
    value = QString::fromLatin1(text, static_cast<qsizetype>(strnlen(text, std::min<uint32_t>(size, sizeof(buffer))))).trimmed();
  }
  RegCloseKey(key);
  return value;
}

void writeFileAssocDone() {
  using namespace plat::reg;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  RegSetValueExA(key, "FileAssoc", 0, REG_SZ, reinterpret_cast<const uint8_t*>("1"), 2);
  RegCloseKey(key);
}

}  // namespace

void frmImgClntForm::fnFirstActivation() {
  if (gblnActivated) return;
  gblnActivated = true;
  const QString command = CommandLine().trimmed();
  if (command.isEmpty()) {
    if (readFileAssoc() != QStringLiteral("1")) {
      ws::openWindow(QStringLiteral("frmExtAssoc"));
      writeFileAssocDone();
    }
  } else if (command.right(4).toUpper() == QStringLiteral(".KVT")) {
    ws::openWindow(QStringLiteral("frmAlbum"), {command});
  } else {
    // A file that cannot be read is reported like any other failed open.
    try {
      fnOpenImgFile(command);
    } catch (const rt::RuntimeError& e) {
      rt::MsgBox(e.Description(), rt::vbExclamation, QStringLiteral("Error"));
    }
  }
}

// ---- Layout -------------------------------------------------------------------------------------

// Menu bar on top, status bar at the bottom, the panes in between.
void frmImgClntForm::layoutFrame() {
  const int mb = menuBar->sizeHint().height();
  const int sb = stsMain->sizeHint().height();
  menuBar->setGeometry(0, 0, width(), mb);
  stsMain->setGeometry(0, height() - sb, width(), sb);
  client_->setGeometry(0, mb, width(), std::max(0, height() - mb - sb));
  cbrMain->setGeometry(0, 0, width(), std::max(cbrMain->sizeHint().height(), rt::Screen::ToPixelsY(330)));
}

void frmImgClntForm::Form_Resize() {
  if (!menuBar) return;
  layoutFrame();
  if (isMinimized()) return;
  const double W = Width();
  const double H = Height();
  const double top = tw::Top(cbrMain) + tw::Height(cbrMain) + 30;
  tw::setTop(fraTmb, top);
  tw::setTop(fraEdt, top);
  if (H - tw::Top(fraTmb) - 1180 > 0) tw::setHeight(fraTmb, H - tw::Top(fraTmb) - 1180);
  if (H - tw::Top(fraEdt) - 1180 > 0) tw::setHeight(fraEdt, H - tw::Top(fraEdt) - 1180);
  if (tw::Height(fraTmb) - 180 > 0) tw::setHeight(picMain, tw::Height(fraTmb) - 180);
  if (tw::Height(fraEdt) - 180 > 0) ixMain->setHeight(tw::Height(fraEdt) - 180);
  if (Menu("mnuViewThumbsOnly")->isChecked()) {
    if (W - tw::Left(fraTmb) - 130 > 0) tw::setWidth(fraTmb, W - tw::Left(fraTmb) - 130);
    if (tw::Width(fraTmb) - 80 > 0) tw::setWidth(picMain, tw::Width(fraTmb) - 80);
  } else {
    if (W - tw::Left(fraEdt) - 130 > 0) tw::setWidth(fraEdt, W - tw::Left(fraEdt) - 130);
    if (tw::Width(fraEdt) - 80 > 0) ixMain->setWidth(tw::Width(fraEdt) - 80);
  }
  imgDivider->resize(imgDivider->width(), fraTmb->height());
  fnOrganizeThumbs();
}

// ---- Keys -----------------------------------------------------------------------------------------

bool frmImgClntForm::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* w = qobject_cast<QWidget*>(watched);
      if (w && w->window() == this && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Shift)
        mblnShiftDown = event->type() == QEvent::KeyPress;
      break;
    }
    case QEvent::MouseButtonPress:
      // The divider is dragged and takes effect where it is dropped.
      if (watched == imgDivider && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        auto* drag = new QDrag(imgDivider);
        drag->setMimeData(new QMimeData);
        drag->exec(Qt::MoveAction);
        return true;
      }
      break;
    case QEvent::DragEnter:
      if (watched == picChild && static_cast<QDragEnterEvent*>(event)->source() == imgDivider) {
        static_cast<QDragEnterEvent*>(event)->acceptProposedAction();
        return true;
      }
      break;
    case QEvent::Drop:
      if (watched == picChild) {
        auto* drop = static_cast<QDropEvent*>(event);
        drop->acceptProposedAction();
        picChild_DragDrop(qobject_cast<QWidget*>(drop->source()),
                          static_cast<float>(drop->position().x() * rt::Screen::TwipsPerPixelX()),
                          static_cast<float>(drop->position().y() * rt::Screen::TwipsPerPixelY()));
        return true;
      }
      break;
    default:
      break;
  }
  return rt::Form::eventFilter(watched, event);
}

// ---- Help -----------------------------------------------------------------------------------------

void frmImgClntForm::mnuHelpContents_Click() {
  fnCommitPendingEdit();
  const QString help = rt::App::Resource(QStringLiteral("Quorvane_Imaging.chm"));
  // The shell's answer is not checked: a missing help file or viewer shows nothing.
  if (!help.isEmpty()) QDesktopServices::openUrl(QUrl::fromLocalFile(help));
}

// ---- Shut-down ------------------------------------------------------------------------------------

void frmImgClntForm::mnuFileExit_Click() { Unload(); }

void frmImgClntForm::Form_QueryUnload(int& cancel, int) {
  bool ok = false;
  fnCloseFile(false, ok);
  if (!ok) {
    cancel = 1;
    return;
  }
  nxMain->setAttachControlName(QString());
  // Logging out belongs to a close that goes ahead; a cancelled close keeps the session.
  if (!StatusPanel(QStringLiteral("LOGIN")).isEmpty()) {
    NetworkResult = rt::CStr(false);
    modTCP::gstrTCPCommand = QStringLiteral("LOGOUT");
    ws::openWindow(QStringLiteral("frmTCPIP"), {modTCP::gstrTCPCommand});
    if (!NetworkSucceeded())
      rt::MsgBox(QStringLiteral("Logout was unsuccessful!, Please inform your administrator"), rt::vbExclamation,
                 QStringLiteral("Error"));
  }
}
