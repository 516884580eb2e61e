#include "albums/register_windows.h"

#include "albums/frm_album.h"
#include "albums/frm_browse_dir.h"
#include "albums/frm_search.h"
#include "albums/frm_full_screen.h"
#include "albums/frm_sel_dir.h"
#include "albums/frm_sel_image.h"
#include "albums/frm_mag_window.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "workspace/main_window.h"
#include "workspace/window_openers.h"

namespace {
QWidget* mainWindow() { return ws::loadedMainWindow(); }
}  // namespace

void registerAlbumWindows() {
  // With a path (the program's command line): that album, shown without an owner; without one
  // (File > Albums): an empty album manager owned by the main window.
  ws::registerWindow(QStringLiteral("frmAlbum"), [](const QStringList& args) {
    const QString path = args.value(0).trimmed();
    if (!path.isEmpty()) {
      try {
        frmAlbum->fnOpenAlbum(path);
      } catch (const rt::RuntimeError& e) {
        rt::ShowError(e.Description());
      }
      if (frmAlbum.IsLoaded()) frmAlbum->Show(rt::vbModal);
      return;
    }
    frmAlbum->Show(rt::vbModal, mainWindow());
  });
  // The caption (naming the directory it sets) and the folder chosen so far.
  ws::registerWindow(QStringLiteral("frmSelDir"), [](const QStringList& args) {
    fnShowSelDir(args.value(0), args.value(1), mainWindow());
  });
  ws::registerWindow(QStringLiteral("frmFullScreen"), [](const QStringList&) { frmFullScreen->Show(rt::vbModal, mainWindow()); });
  ws::registerWindow(QStringLiteral("frmBrowseDir"), [](const QStringList&) { frmBrowseDir->Show(rt::vbModal, mainWindow()); });
  installMagnifier();
  // The pages of the file in gstrAppendFile, to append to or insert into the open document.
  ws::registerWindow(QStringLiteral("frmSelImage"), [](const QStringList&) { frmSelImage->Show(rt::vbModal, mainWindow()); });
  ws::registerWindow(QStringLiteral("frmSearch"), [](const QStringList&) { frmSearch->Show(rt::vbModal, mainWindow()); });
}
