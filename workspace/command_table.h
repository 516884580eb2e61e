#pragma once
// The main window's commands as data: one row per menu item (and per menu), one row per toolbar
// button, one row per toolbar. The window builds its menu bar, its popup and its toolbars from
// these rows and wires each item to its handler; a toolbar button runs the handler of the command
// it names.
//
// Adding a command is one row plus one function: a row in menuRows() (in menu order) naming its
// handler: a free function void(frmImgClntForm&) of the file that holds the menu's commands
// (file_commands.h, view_commands.h, ...), or, for the few public procedures that other windows
// call on the main window, the member itself through run<&frmImgClntForm::mnuXxx_Click>. Which
// commands are enabled in which document state is command_states.h.
#include <QString>
#include <vector>

class frmImgClntForm;

namespace ws {

using CommandHandler = void (*)(frmImgClntForm&);

// A member function of the main window as a handler (its result, if any, is dropped).
template <auto Member>
void run(frmImgClntForm& form) {
  (form.*Member)();
}

enum MenuRowFlags : unsigned {
  kItem = 0,
  kMenu = 1,       // a menu (top level when its parent is "", else a sub-menu)
  kPopup = 2,      // a menu not in the menu bar, shown by the program (the thumbnails' menu)
  kCheckable = 4,  // carries a check mark that only its handler changes
};

struct MenuRow {
  const char* parent;    // name of the containing menu; "" for the menu bar
  const char* name;      // "mnuFileOpen"; "-" for a separator
  const char* caption;   // "&File", "Open"
  const char* shortcut;  // "Ctrl+Z", "Del" or ""
  // An item's Click; a menu's handler runs when it opens, after the pending edit is committed.
  CommandHandler handler;
  unsigned flags;
};

struct ButtonRow {
  const char* bar;      // "tbrFile"
  const char* key;      // "open": compared exactly, case included; unique over all bars
  const char* tip;      // "Open File"
  const char* command;  // the menu item whose handler the button runs, or the key of a toolbar-only command
  // The freedesktop icon name the desktop's theme is asked for; "" where the naming rules have none
  // (the program's own drawing shows then, toolbar_icons.h).
  const char* themeIcon;
  CommandHandler handler;  // toolbar-only commands (the mouse modes); null when command is a menu item
};

struct BarRow {
  const char* name;     // "tbrScan"
  double minWidthTwips;
  bool commitsFirst;    // a click on the bar commits the pending edit before its button runs
};

// Every row in order; separators are rows named "-".
const std::vector<MenuRow>& menuRows();
const std::vector<ButtonRow>& buttonRows();
const std::vector<BarRow>& barRows();

const MenuRow* findMenuRow(const QString& name);
const ButtonRow* findButton(const QString& bar, const QString& key);
// The button of a key, whichever bar holds it.
const ButtonRow* findButton(const QString& key);
const BarRow* findBar(const QString& name);
// The handler that a command name runs: a menu item's, or a toolbar-only command's; null when none.
CommandHandler commandHandler(const QString& command);
// A toolbar button runs the command its row names; a key the bar does not know runs nothing (keys
// compare exactly, case included). The bars whose own click commits the pending edit do so first.
void toolbarButtonClick(frmImgClntForm& w, const QString& bar, const QString& key);

}  // namespace ws
