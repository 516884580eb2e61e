#include "workspace/command_states.h"

namespace ws {

namespace {

// How a command's enabling follows the conditions.
enum class Rule {
  Keep,             // not touched
  On,
  Off,
  Scanner,          // enabled exactly when a scanner is present
  ScannerOn,        // with a scanner: enabled; without one: not touched
  ScannerCanAdd,    // with a scanner: enabled for an untitled new image or a multi-page format
  HasPath,
  MultiPage,
};

struct Row {
  const char* command;
  Scope scope;
  Rule noDocument;
  Rule documentOpen;
};

constexpr Row kRows[] = {
    // Scanning.
    {"mnuScanNew", Scope::Both, Rule::Scanner, Rule::Keep},
    {"mnuScanner", Scope::Menu, Rule::Scanner, Rule::Keep},
    {"mnuScanSelect", Scope::Menu, Rule::Scanner, Rule::Keep},
    {"mnuScanOpt", Scope::Menu, Rule::Scanner, Rule::Keep},
    {"mnuScanUI", Scope::Menu, Rule::Scanner, Rule::Keep},
    {"mnuScanAppend", Scope::Both, Rule::Off, Rule::ScannerCanAdd},
    {"mnuScanInsert", Scope::Both, Rule::Off, Rule::ScannerCanAdd},
    {"mnuScanPage", Scope::Both, Rule::Off, Rule::ScannerOn},
    // Files.
    {"mnuFile", Scope::Menu, Rule::On, Rule::Keep},
    {"mnuFileNew", Scope::Menu, Rule::On, Rule::Keep},
    {"mnuFileOpen", Scope::Both, Rule::On, Rule::Keep},
    {"mnuFileBrowseDir", Scope::Both, Rule::On, Rule::Keep},
    {"mnuFileAlbums", Scope::Button, Rule::On, Rule::Keep},
    {"mnuFileExit", Scope::Menu, Rule::On, Rule::Keep},
    {"mnuFilePrint", Scope::Menu, Rule::Off, Rule::On},
    {"mnuFileSave", Scope::Both, Rule::Off, Rule::On},
    {"mnuFileSaveAs", Scope::Menu, Rule::Off, Rule::On},
    {"mnuFileConvert", Scope::Menu, Rule::Off, Rule::On},
    {"mnuFileProperties", Scope::Menu, Rule::Off, Rule::On},
    {"mnuFileClose", Scope::Menu, Rule::Off, Rule::HasPath},
    {"mnuFileClose", Scope::Button, Rule::Off, Rule::On},
    // The image bar.
    {"mnuViewPrev", Scope::Button, Rule::Off, Rule::On},
    {"mnuViewNext", Scope::Button, Rule::Off, Rule::On},
    {"mnuZoomPage", Scope::Button, Rule::Off, Rule::On},
    {"mnuZoomWidth", Scope::Button, Rule::Off, Rule::On},
    {"mnuZoomHeight", Scope::Button, Rule::Off, Rule::On},
    {"mnuToolsFlip", Scope::Button, Rule::Off, Rule::On},
    {"mnuToolsLeft", Scope::Button, Rule::Off, Rule::On},
    {"mnuToolsRight", Scope::Button, Rule::Off, Rule::On},
    // The mouse modes and the palette button.
    {"selhand", Scope::Button, Rule::Off, Rule::On},
    {"selarrow", Scope::Button, Rule::Off, Rule::On},
    {"selrect", Scope::Button, Rule::Off, Rule::On},
    {"selmagnify", Scope::Button, Rule::Off, Rule::On},
    {"mnuAnnPalette", Scope::Button, Rule::Off, Rule::On},
    // Menus.
    {"mnuArchive", Scope::Menu, Rule::On, Rule::Keep},
    {"mnuEdit", Scope::Menu, Rule::Off, Rule::On},
    {"mnuView", Scope::Menu, Rule::Off, Rule::On},
    {"mnuZoom", Scope::Menu, Rule::Off, Rule::On},
    {"mnuTools", Scope::Menu, Rule::Off, Rule::On},
    {"mnuAnn", Scope::Menu, Rule::Off, Rule::On},
    {"mnuEditAppend", Scope::Menu, Rule::Keep, Rule::MultiPage},
    {"mnuEditInsert", Scope::Menu, Rule::Keep, Rule::MultiPage},
};

// The value a rule gives; false in *touched when the command keeps its value.
bool evaluate(Rule rule, const DocConditions& c, bool* touched) {
  *touched = true;
  switch (rule) {
    case Rule::Keep: *touched = false; return false;
    case Rule::On: return true;
    case Rule::Off: return false;
    case Rule::Scanner: return c.scannerPresent;
    case Rule::ScannerOn: *touched = c.scannerPresent; return true;
    case Rule::ScannerCanAdd: *touched = c.scannerPresent; return c.untitledNew || c.multiPage;
    case Rule::HasPath: return c.hasPath;
    case Rule::MultiPage: return c.multiPage;
  }
  *touched = false;
  return false;
}

}  // namespace

DocConditions fnDocConditions(bool scannerPresent, ImageFormatCode format, const QString& path) {
  DocConditions c;
  c.scannerPresent = scannerPresent;
  c.multiPage = modVars::fnIsMultiPageFormat(format);
  c.untitledNew = path.isEmpty() && format == 0;
  c.hasPath = !path.isEmpty();
  return c;
}

std::vector<CommandState> fnCommandStates(DocState state, const DocConditions& conditions) {
  std::vector<CommandState> out;
  for (const Row& row : kRows) {
    bool touched = false;
    const bool on = evaluate(state == DocState::NoDocument ? row.noDocument : row.documentOpen, conditions, &touched);
    if (touched) out.push_back({QString::fromLatin1(row.command), row.scope, on});
  }
  return out;
}

}  // namespace ws
