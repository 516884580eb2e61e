// The main window's frame: its controls, menus and toolbars, the load step, the pane layout on
// resize, the Shift key, and shut-down.
#include "workspace/frm_img_clnt.h"
#include "workspace/document/document_session.h"
#include "workspace/edit_commands.h"
#include "workspace/main_window.h"
#include "workspace/page_view_input.h"
#include "workspace/settings/mod_registry.h"
#include "workspace/first_activation.h"
#include "workspace/scan_commands.h"
#include "workspace/thumb_strip.h"
#include "workspace/command_table.h"
#include "workspace/toolbar_icons.h"

#include "controls/annotation/annotation_control.h"
#include "controls/imaging/format_table.h"
#include "controls/imaging/imaging_control.h"
#include "controls/scanning/scanning_control.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "runtime/screen.h"
#include "workspace/mod_vars.h"
#include "runtime/twips.h"

#include <QActionGroup>
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

using namespace modVars;

rt::DefaultInstance<frmImgClntForm> frmImgClnt;

namespace {

// The program's document is shown by the main window, made when the document first needs it.
const bool mainWindowShowsTheDocument = [] {
  ws::document().setView([]() -> ws::DocumentView* { return frmImgClnt.get(); });
  return true;
}();

}  // namespace

rt::Form* ws::mainWindow() { return frmImgClnt.get(); }
rt::Form* ws::loadedMainWindow() { return frmImgClnt.IsLoaded() ? frmImgClnt.get() : nullptr; }

frmImgClntForm::frmImgClntForm() {
  setObjectName("frmImgClnt");
  setCaption(rt::App::Title());
  cdgMain.Filter = img::openDialogFilter();
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

// ---- Construction ------------------------------------------------------------------------------

// The menu bar and the thumbnails' popup, row by row from the command table.
void frmImgClntForm::buildMenus() {
  menuBar = new QMenuBar(this);
  for (const ws::MenuRow& row : ws::menuRows()) {
    const QString name = QString::fromLatin1(row.name);
    const QString caption = QString::fromLatin1(row.caption);
    const bool topLevel = !*row.parent;
    QMenu* parent = menus_.value(QString::fromLatin1(row.parent));
    const ws::CommandHandler handler = row.handler;
    if (row.flags & ws::kMenu) {
      QMenu* m = (row.flags & ws::kPopup) ? new QMenu(caption, this)
                 : topLevel              ? menuBar->addMenu(caption)
                 : parent                ? parent->addMenu(caption)
                                         : nullptr;
      if (!m) continue;
      m->setObjectName(name);
      menus_.insert(name, m);
      // Opening a menu of the menu bar first writes a floating pasted area into the page.
      if (topLevel && !(row.flags & ws::kPopup))
        connect(m, &QMenu::aboutToShow, this, [this, handler] {
          rt::RunGuarded([&] {
            commitPendingEdit();
            if (handler) handler(*this);
          });
        });
      continue;
    }
    if (!parent) continue;
    if (name == QLatin1String("-")) {
      parent->addSeparator();
      continue;
    }
    QAction* a = parent->addAction(caption);
    a->setObjectName(name);
    if (*row.shortcut) a->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut)));
    const bool checkable = row.flags & ws::kCheckable;
    a->setCheckable(checkable);
    items_.insert(name, a);
    connect(a, &QAction::triggered, this, [this, a, handler, checkable] {
      // The check mark changes only through the command itself.
      if (checkable) a->setChecked(!a->isChecked());
      if (handler) rt::RunGuarded([&] { handler(*this); });
    });
  }
  mnuFile = menus_.value("mnuFile");
  mnuScanner = menus_.value("mnuScanner");
  mnuEdit = menus_.value("mnuEdit");
  mnuView = menus_.value("mnuView");
  mnuZoom = menus_.value("mnuZoom");
  mnuAnn = menus_.value("mnuAnn");
  mnuTools = menus_.value("mnuTools");
  mnuArchive = menus_.value("mnuArchive");
  mnuHelp = menus_.value("mnuHelp");
  mnuPopTmb = menus_.value("mnuPopTmb");
}

// The cool bar's five toolbars and their buttons, from the command table.
void frmImgClntForm::buildToolbars() {
  cbrMain = new QWidget(client_);
  cbrMain->setObjectName("cbrMain");
  auto* row = new QHBoxLayout(cbrMain);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(2);
  for (const ws::BarRow& r : ws::barRows()) {
    auto* b = new QToolBar(cbrMain);
    b->setObjectName(QString::fromLatin1(r.name));
    b->setIconSize(QSize(16, 16));
    b->setMovable(false);
    b->setMinimumWidth(rt::Screen::ToPixelsX(r.minWidthTwips));
    row->addWidget(b);
    bars_.insert(b->objectName(), b);
  }
  row->addStretch(1);
  for (const ws::ButtonRow& r : ws::buttonRows()) {
    QToolBar* b = bars_.value(QString::fromLatin1(r.bar));
    if (!b) continue;
    const QString key = QString::fromLatin1(r.key), tip = QString::fromLatin1(r.tip), bar = b->objectName();
    QAction* a = b->addAction(ws::toolbarIcon(key), tip);
    a->setData(key);
    a->setToolTip(tip);
    connect(a, &QAction::triggered, this, [this, bar, key] { rt::RunGuarded([&] { ws::toolbarButtonClick(*this, bar, key); }); });
  }
  tbrScan = bars_.value("tbrScan");
  tbrFile = bars_.value("tbrFile");
  tbrImage = bars_.value("tbrImage");
  tbrMode = bars_.value("tbrMode");
  tbrAnno = bars_.value("tbrAnno");
  // The four modes form one group of which at most one is pressed.
  auto* modes = new QActionGroup(tbrMode);
  modes->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  for (QAction* a : tbrMode->actions()) {
    a->setCheckable(true);
    modes->addAction(a);
  }
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
  picChild = new ws::StripCanvas(picMain);
  picChild->setObjectName("picChild");
  vsTmb = new QScrollBar(Qt::Vertical, fraTmb);
  vsTmb->setObjectName("vsTmb");
  vsTmb->hide();
  // The platform's scroll-bar width; the layout gives it its height and place.
  vsTmb->resize(vsTmb->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, vsTmb), vsTmb->height());
  vsTmb->setMinimum(0);
  vsTmb->setSingleStep(1);
  vsTmb->setPageStep(5);
  connect(vsTmb, &QScrollBar::valueChanged, this, [this] { strip_->scrolled(); });

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
  input_ = std::make_unique<ws::PageViewInput>(
      ixMain, ixTemp, [this] { return ws::pressedMode(tbrMode); }, [this] { ws::mnuEditDelete_Click(*this); });
  ws::PageViewInput* input = input_.get();
  connect(ixMain, &img::ImagingControl::MouseDown, this,
          [input](int16_t b, int16_t s, float x, float y) { rt::RunGuarded([&] { input->mouseDown(b, s, x, y); }); });
  connect(ixMain, &img::ImagingControl::MouseMove, this,
          [input](int16_t b, int16_t s, float x, float y) { rt::RunGuarded([&] { input->mouseMove(b, s, x, y); }); });
  connect(ixMain, &img::ImagingControl::MouseUp, this,
          [input](int16_t b, int16_t s, float x, float y) { rt::RunGuarded([&] { input->mouseUp(b, s, x, y); }); });
  connect(ixMain, &img::ImagingControl::KeyDown, this, [this, input](int16_t k, int16_t s) {
    rt::RunGuarded([&] {
      if (!pagingKey(k)) input->keyDown(k, s);
    });
  });
  connect(ixMain, &img::ImagingControl::Scroll, this, [input] { input->commitPendingEdit(); });
  connect(ixMain, &img::ImagingControl::DragDrop, this, &frmImgClntForm::ixMain_DragDrop);
  picChild->setAcceptDrops(true);

  strip_ = std::make_unique<ws::ThumbStrip>(
      ws::ThumbStrip::Widgets{fraTmb, picMain, picChild, vsTmb,
                              [this](const QString& text) { setStatusPanel(QStringLiteral("BODY"), text); }},
      ws::document(),
      ws::ThumbStrip::Commands{
          [this](int i) { rt::RunGuarded([&] { ixTmb_Click(i); }); },
          [this](int i) { rt::RunGuarded([&] { ixTmb_DblClick(i); }); },
          [this](int i) { rt::RunGuarded([&] { ixTmb_MouseDown(i, ws::kRightButton); }); },
          [this](QKeyEvent* e) {
            bool used = false;
            rt::RunGuarded([&] { used = stripKey(e); });
            return used;
          }});

  twnMain = new ScanningControl(this);
  connect(twnMain, &ScanningControl::ImageAcquired, this, [this] { ws::scannedPageArrived(*this); });
  connect(twnMain, &ScanningControl::SourcesChecked, this, [this] { ws::scannersChecked(*this); });
  nxMain = new ann::AnnotationControl(this, [this](const QString& name) { return ImagingByName(name); });
  connect(nxMain, &ann::AnnotationControl::AnnotationEvent, this, [](int32_t code, int32_t) {
    if (code == EVT_ELEMENT_ADDED || code == EVT_ELEMENT_CHANGED || code == EVT_ELEMENT_DELETED) ws::document().markModified();
  });
  connect(nxMain, &ann::AnnotationControl::CurrentLayerChanged, this, [](intptr_t layer) { ws::document().state().layer = layer; });
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

// ---- Load step ----------------------------------------------------------------------------------

void frmImgClntForm::Form_Load() {
  // What stays in force when the load step ends early: no document, no scanner.
  ws::document().state().scannerPresent = false;
  ws::document().enterState(ws::DocState::NoDocument);
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
    strip_->setViewportHeight(tw::Height(fraTmb) - 180);
    strip_->setViewportWidth(tw::Width(fraTmb) - 80);
    tw::place(ixMain, 30, 120, std::max(0.0, tw::Width(fraEdt) - 80), std::max(0.0, tw::Height(fraEdt) - 180));
    setWidth(11000);
    setHeight(11200);

    fnResetAtLoad();
    ws::document().resetAtLoad();
    twnMain->setShowDriverUI(false);
    Menu("mnuScanUI")->setChecked(false);
    Menu("mnuViewPageThumbs")->setChecked(true);
    mblnShiftDown = false;
    input_->reset();
    nxMain->setAnnotationOption281(true);

    modRegistry::fnRegisterDocType();
    // Asking every scanner backend can take seconds: the window shows without waiting, with the
    // scan commands off until the check answers.
    twnMain->BeginSourceCheck();
  } catch (const rt::RuntimeError& e) {
    ws::scanFailed(*this, e);
  }
  layoutFrame();
  Form_Resize();
}

// ---- First activation -----------------------------------------------------------------------------

void frmImgClntForm::Form_Activate() { ws::firstActivation(); }

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
  if (tw::Height(fraTmb) - 180 > 0) strip_->setViewportHeight(tw::Height(fraTmb) - 180);
  if (tw::Height(fraEdt) - 180 > 0) tw::setHeight(ixMain, tw::Height(fraEdt) - 180);
  if (Menu("mnuViewThumbsOnly")->isChecked()) {
    if (W - tw::Left(fraTmb) - 130 > 0) tw::setWidth(fraTmb, W - tw::Left(fraTmb) - 130);
    if (tw::Width(fraTmb) - 80 > 0) strip_->setViewportWidth(tw::Width(fraTmb) - 80);
  } else {
    if (W - tw::Left(fraEdt) - 130 > 0) tw::setWidth(fraEdt, W - tw::Left(fraEdt) - 130);
    if (tw::Width(fraEdt) - 80 > 0) tw::setWidth(ixMain, tw::Width(fraEdt) - 80);
  }
  imgDivider->resize(imgDivider->width(), fraTmb->height());
  layOutStrip();
}

// ---- Keys -----------------------------------------------------------------------------------------

bool frmImgClntForm::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ShortcutOverride:
      // Delete and Escape on the page view or a thumbnail go to its own key handling (which runs
      // Edit > Delete itself when nothing floats), not to the menu's shortcut.
      if (watched == ixMain || watched == picChild) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Delete || key == Qt::Key_Escape) {
          event->accept();
          return true;
        }
      }
      break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      // Shift held down in this window adds thumbnails to the selection. Let go anywhere (a dialog
      // opened by Ctrl+Shift+S takes the release), or with the window left, it is up again.
      auto* w = qobject_cast<QWidget*>(watched);
      if (w && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Shift &&
          (w->window() == this || event->type() == QEvent::KeyRelease))
        mblnShiftDown = event->type() == QEvent::KeyPress;
      break;
    }
    case QEvent::WindowDeactivate:
      if (watched == this) mblnShiftDown = false;
      break;
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
                          static_cast<float>(rt::Screen::ToTwipsX(drop->position().x())),
                          static_cast<float>(rt::Screen::ToTwipsY(drop->position().y())));
        return true;
      }
      break;
    default:
      break;
  }
  return rt::Form::eventFilter(watched, event);
}

// ---- Shut-down ------------------------------------------------------------------------------------

void frmImgClntForm::Form_QueryUnload(int& cancel, int) {
  ws::DocumentSession& document = ws::document();
  if (!document.close(false)) {
    cancel = 1;
    return;
  }
  nxMain->setAttachControlName(QString());
  // Logging out belongs to a close that goes ahead; a cancelled close keeps the login.
  if (document.state().login.loggedIn() && !document.runNetwork(QStringLiteral("LOGOUT")))
    rt::ShowError(QStringLiteral("Logout was unsuccessful!, Please inform your administrator"));
}
