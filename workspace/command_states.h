#pragma once
// Which commands the main window offers with no document and with a document open: one table,
// free of widgets. A row names a command (a menu item, or the key of a toolbar-only command) and
// serves the menu item and the toolbar button that runs it alike, unless it is limited to one of
// them (the "close" button closes an untitled image that the Close File item does not offer).
#include "workspace/mod_vars.h"

#include <QString>
#include <vector>

namespace ws {

enum class DocState { NoDocument, DocumentOpen };

// What the tables depend on besides the state.
struct DocConditions {
  bool scannerPresent = false;
  bool multiPage = false;    // the document's format can hold several pages
  bool untitledNew = false;  // no path and format 0: a new or scanned image
  bool hasPath = false;
};
DocConditions fnDocConditions(bool scannerPresent, ImageFormatCode format, const QString& path);

enum class Scope { Both, Menu, Button };

struct CommandState {
  QString command;
  Scope scope = Scope::Both;
  bool enabled = false;
};

// The enabling that the state's table applies; a command the table does not name keeps its value.
std::vector<CommandState> fnCommandStates(DocState state, const DocConditions& conditions);

}  // namespace ws
