#include "archive/register_windows.h"

#include "archive/frm_tcpip.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/mod_vars.h"
#include "workspace/window_openers.h"

void registerArchiveWindows() {
  ws::registerWindow(QStringLiteral("frmTCPIP"), [](const QStringList& args) {
    if (!args.isEmpty()) modTCP::gstrTCPCommand = args.front();
    frmTCPIP->Show(rt::vbModal, frmImgClnt.get());
  });
}
