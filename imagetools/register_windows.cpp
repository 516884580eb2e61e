#include "imagetools/register_windows.h"

#include "imagetools/frm_img_proc.h"
#include "runtime/form.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/window_openers.h"

void registerImageToolsWindows() {
  ws::registerWindow(QStringLiteral("frmImgProc"), [](const QStringList&) { frmImgProc->Show(rt::vbModal, frmImgClnt.get()); });
}
