#pragma once
// The annotation tool palette: a small modeless window owned by the main window, one button per
// annotation tool, and for each drawing tool a popup menu of its attributes, opened by a right
// click on the tool's pressed button. The tool and its attributes live in the main window's
// annotation control; the palette only reads and writes them.
#include "runtime/dialogs.h"
#include "runtime/form.h"
#include "workspace/palette_menus.h"

#include <QMap>
#include <QPoint>
#include <vector>

class QAction;
class QMenu;
class QToolButton;
namespace img {
class ImagingControl;
}

class frmAnnoPaletteForm : public rt::Form {
  Q_OBJECT
 public:
  frmAnnoPaletteForm();

  QWidget* tlbTools = nullptr;
  img::ImagingControl* ixImage = nullptr;
  rt::CommonDialog cdgAnno;

  // A tool button by its key ("rectangle"); null for a key the palette has not.
  QToolButton* Button(const QString& key) const;
  // A popup menu by its name ("mnuR"), and one of its items or list items ("mnuRPenColor",
  // "mnuRHS(4)").
  QMenu* PopupMenu(const QString& name) const;
  QAction* MenuItem(const QString& name) const;

  void fnShowCurrTool();
  void tlbTools_ButtonClick(const QString& key);
  // x, y in twips within the tool bar; only the right button (2) opens a menu.
  void tlbTools_MouseUp(int16_t button, int16_t shift, float x, float y);
  // Sets the check marks of a tool's lists from the annotation control.
  void fnSyncToolMenu(const QString& key);
  // Sets one attribute of a tool; colour attributes ask for the colour first.
  void fnSetToolAttr(int32_t tool, int32_t attribute, int32_t value);

 protected:
  void Form_Load() override;
  void Form_Activate() override;
  void Form_Unload(int& cancel) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void fnSetCurrTool(const QString& key);
  void buildMenus();
  void itemClicked(const ws::PaletteMenu& menu, const ws::PaletteItem& item);
  void listClicked(const ws::PaletteMenu& menu, const ws::PaletteItem& item, int index);
  void fontClicked(const QString& key);
  void defaultTextClicked(const QString& key);
  void pictureClicked();

  QPoint place_;
  QMap<QString, QToolButton*> buttons_;
  QMap<QString, QMenu*> menus_;
  QMap<QString, QAction*> items_;
};

extern rt::DefaultInstance<frmAnnoPaletteForm> frmAnnoPalette;
