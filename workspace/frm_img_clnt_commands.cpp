// Command states of the main window, its default layout and the annotation tools' defaults.
#include "controls/annotation/annotation_control.h"
#include "workspace/command_table.h"
#include "workspace/frm_img_clnt.h"

#include <QAction>
#include <QDate>
#include <QLocale>

namespace {

void enable(QAction* a, bool on) {
  if (a) a->setEnabled(on);
}

}  // namespace

// ---- Command states -------------------------------------------------------------------------------

void frmImgClntForm::enableCommands(const std::vector<ws::CommandState>& states) {
  for (const ws::CommandState& c : states) {
    if (c.scope != ws::Scope::Button) enable(Menu(c.command), c.enabled);
    if (c.scope == ws::Scope::Menu) continue;
    for (const ws::ButtonRow& b : ws::buttonRows())
      if (c.command == QLatin1String(b.command)) enable(Button(Toolbar(QString::fromLatin1(b.bar)), QString::fromLatin1(b.key)), c.enabled);
  }
}

// ---- Tool defaults --------------------------------------------------------------------------------

void frmImgClntForm::setToolDefaults() {
  nxMain->setStampDefaultText(QStringLiteral("Received: ") + QLocale().toString(QDate::currentDate(), QLocale::ShortFormat) +
                              QLatin1Char(' '));
  for (auto [tool, width] : {std::pair{TOOL_TEXT, 0}, {TOOL_RECTANGLE, 0}, {TOOL_ELLIPSE, 0}, {TOOL_POLYGON, 0},
                             {TOOL_STAMP, 0}, {TOOL_BUTTON, 2}, {TOOL_IMAGE, 0}})
    nxMain->SetToolAttribute(tool, PROP_PEN_WIDTH, width);
  nxMain->setButtonFont(nxMain->ButtonFont());
  nxMain->setTextFont(nxMain->TextFont());
  nxMain->setStampFont(nxMain->StampFont());
}
