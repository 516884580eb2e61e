// The main window's widgets by name: menu items, toolbars and their buttons, the status-bar panels
// and the imaging controls. Every other part of the window reaches its widgets through these.
#include "controls/imaging/imaging_control.h"
#include "workspace/frm_img_clnt.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QToolBar>

QAction* frmImgClntForm::Menu(const QString& name) const {
  if (QAction* a = items_.value(name)) return a;
  if (QMenu* m = menus_.value(name)) return m->menuAction();
  return nullptr;
}

QToolBar* frmImgClntForm::Toolbar(const QString& name) const { return bars_.value(name); }

QAction* frmImgClntForm::Button(QToolBar* bar, const QString& key) const {
  for (QAction* a : bar->actions())
    if (a->data().toString() == key) return a;
  return nullptr;
}

img::ImagingControl* frmImgClntForm::ImagingByName(const QString& name) const {
  if (name == QStringLiteral("ixMain")) return ixMain;
  if (name == QStringLiteral("ixTemp")) return ixTemp;
  return nullptr;
}

QString frmImgClntForm::StatusPanel(const QString& key) const {
  QLabel* p = panels_.value(key);
  return p ? p->text() : QString();
}

void frmImgClntForm::setStatusPanel(const QString& key, const QString& text) {
  if (QLabel* p = panels_.value(key)) p->setText(text);
}
