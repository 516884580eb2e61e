#include "workspace/first_activation.h"

#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "workspace/document/document_session.h"
#include "workspace/mod_vars.h"
#include "workspace/settings/mod_registry.h"
#include "workspace/window_openers.h"

using namespace modVars;

namespace ws {

namespace {

QString& commandLineText() {
  static QString text;
  return text;
}

}  // namespace

void setCommandLine(const QString& commandLine) { commandLineText() = commandLine; }
QString commandLine() { return commandLineText(); }

void firstActivation() {
  if (gblnActivated) return;
  gblnActivated = true;
  const QString command = commandLine().trimmed();
  if (command.isEmpty()) {
    // Recorded as offered only when the dialog was there to be shown.
    if (!modRegistry::fnFileAssocOffered() && openWindow(QStringLiteral("frmExtAssoc"))) modRegistry::fnSetFileAssocOffered();
  } else if (command.right(4).toUpper() == QStringLiteral(".KVT")) {
    openWindow(QStringLiteral("frmAlbum"), {command});
  } else {
    try {
      document().open(command);
    } catch (const rt::RuntimeError& e) {
      rt::ShowError(e.Description());
    }
  }
}

}  // namespace ws
