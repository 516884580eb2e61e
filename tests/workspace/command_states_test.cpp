// The main window's commands as data: the enabling table against the two state tables and their
// combined result for every combination of scanner, format and path, and the command table's rows.
#include "workspace/command_states.h"
#include "workspace/command_table.h"

#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

using ws::DocState;

// Targets: menu items by name, toolbar buttons as "bar:key".
using Targets = std::map<QString, bool>;

QStringList buttonsOf(const QString& command) {
  QStringList out;
  for (const ws::ButtonRow& b : ws::buttonRows())
    if (command == QLatin1String(b.command)) out << QString::fromLatin1(b.bar) + ':' + QString::fromLatin1(b.key);
  return out;
}

void apply(Targets& t, DocState state, const ws::DocConditions& c) {
  for (const ws::CommandState& s : ws::fnCommandStates(state, c)) {
    if (s.scope != ws::Scope::Button) t[s.command] = s.enabled;
    if (s.scope != ws::Scope::Menu)
      for (const QString& b : buttonsOf(s.command)) t[b] = s.enabled;
  }
}

// Every target either table touches, with a value neither table gives.
Targets designState(bool value) {
  Targets t;
  ws::DocConditions all;
  for (DocState s : {DocState::NoDocument, DocState::DocumentOpen})
    for (bool scanner : {false, true}) {
      all.scannerPresent = scanner;
      apply(t, s, all);
    }
  for (auto& [k, v] : t) v = value;
  return t;
}

const QStringList kImageBar = {"tbrImage:previous", "tbrImage:next", "tbrImage:zoompage", "tbrImage:zoomwidth",
                               "tbrImage:zoomheight", "tbrImage:flip", "tbrImage:rotateleft", "tbrImage:rotateright"};
const QStringList kModeBar = {"tbrMode:selhand", "tbrMode:selarrow", "tbrMode:selrect", "tbrMode:selmagnify"};

// The states after New or Open (both tables in sequence), written out from the rules.
Targets expectedOpen(bool scanner, bool multi, bool untitledNew, bool hasPath) {
  Targets t;
  for (const char* k : {"tbrScan:scannew", "mnuScanner", "mnuScanSelect", "mnuScanNew", "mnuScanOpt", "mnuScanUI",
                        "tbrScan:scanoverwrite", "mnuScanPage"})
    t[k] = scanner;
  for (const char* k : {"tbrScan:scanappend", "tbrScan:scaninsert", "mnuScanAppend", "mnuScanInsert"})
    t[k] = scanner && (untitledNew || multi);
  for (const char* k : {"tbrFile:album", "tbrFile:browse", "tbrFile:open", "mnuFile", "mnuFileNew", "mnuFileOpen",
                        "mnuFileBrowseDir", "mnuFileExit", "mnuArchive", "tbrFile:save", "tbrFile:close", "mnuFilePrint",
                        "mnuFileSave", "mnuFileSaveAs", "mnuFileConvert", "mnuFileProperties", "tbrAnno:annotation",
                        "mnuEdit", "mnuView", "mnuZoom", "mnuTools", "mnuAnn"})
    t[k] = true;
  for (const QString& k : kImageBar + kModeBar) t[k] = true;
  t["mnuFileClose"] = hasPath;
  t["mnuEditAppend"] = multi;
  t["mnuEditInsert"] = multi;
  return t;
}

struct FormatCase {
  ImageFormatCode format;
  QString path;
};

TEST(CommandStates, NewOrOpenGivesThePartTablesResultForEveryCombination) {
  const FormatCase cases[] = {{0, ""}, {0, "/d/a.tif"}, {5, "/d/a.bmp"}, {5, ""}, {4, "/d/a.tif"},
                              {16, "/d/a.tif"}, {24, "/d/a.dcx"}, {2, "/d/a.pcx"}, {8, ""}};
  for (bool scanner : {false, true})
    for (const FormatCase& fc : cases)
      for (bool design : {false, true}) {
        const ws::DocConditions c = ws::fnDocConditions(scanner, fc.format, fc.path);
        Targets t = designState(design);
        apply(t, DocState::NoDocument, c);
        apply(t, DocState::DocumentOpen, c);
        const bool multi = fc.format == 2 || fc.format == 4 || fc.format == 16 || fc.format == 24;
        const Targets want = expectedOpen(scanner, multi, fc.path.isEmpty() && fc.format == 0, !fc.path.isEmpty());
        EXPECT_EQ(t, want) << "scanner " << scanner << " format " << fc.format << " path " << fc.path.toStdString()
                           << " design " << design;
      }
}

TEST(CommandStates, NoDocumentTableOffersOnlyFilesArchiveAndScanningWithAScanner) {
  for (bool scanner : {false, true}) {
    Targets t = designState(true);
    apply(t, DocState::NoDocument, ws::fnDocConditions(scanner, 4, "/d/a.tif"));
    Targets want = t;  // Append and Insert of the Edit menu keep their value
    for (auto& [k, v] : want) v = false;
    want["mnuEditAppend"] = want["mnuEditInsert"] = true;
    for (const char* k : {"tbrScan:scannew", "mnuScanner", "mnuScanSelect", "mnuScanNew", "mnuScanOpt", "mnuScanUI"})
      want[k] = scanner;
    for (const char* k : {"tbrFile:album", "tbrFile:browse", "tbrFile:open", "mnuFile", "mnuFileNew", "mnuFileOpen",
                          "mnuFileBrowseDir", "mnuFileExit", "mnuArchive"})
      want[k] = true;
    EXPECT_EQ(t, want) << "scanner " << scanner;
  }
}

// A save applies the document-open table alone: without a scanner the scan commands keep what they
// had; with one, a single-page format withdraws Scan Append and Scan Insert.
TEST(CommandStates, DocumentOpenTableAloneKeepsWhatItDoesNotName) {
  Targets t = designState(true);
  apply(t, DocState::DocumentOpen, ws::fnDocConditions(false, 5, "/d/a.bmp"));
  for (const char* k : {"tbrScan:scanappend", "tbrScan:scaninsert", "mnuScanAppend", "mnuScanPage", "tbrScan:scannew"})
    EXPECT_TRUE(t[k]) << k;
  EXPECT_FALSE(t["mnuEditAppend"]);

  apply(t, DocState::DocumentOpen, ws::fnDocConditions(true, 5, "/d/a.bmp"));
  for (const char* k : {"tbrScan:scanappend", "tbrScan:scaninsert", "mnuScanAppend", "mnuScanInsert"}) EXPECT_FALSE(t[k]) << k;
  EXPECT_TRUE(t["mnuScanPage"]);
  // The close button closes an untitled image that Close File does not offer.
  apply(t, DocState::DocumentOpen, ws::fnDocConditions(true, 0, ""));
  EXPECT_TRUE(t["tbrFile:close"]);
  EXPECT_FALSE(t["mnuFileClose"]);
  EXPECT_TRUE(t["mnuScanAppend"]);
}

TEST(CommandTable, RowsNameEveryCommandOnceAndButtonsRunKnownCommands) {
  std::set<QString> names;
  std::set<QString> menus = {""};
  for (const ws::MenuRow& r : ws::menuRows()) {
    EXPECT_TRUE(menus.count(QString::fromLatin1(r.parent))) << r.name << " comes before its menu " << r.parent;
    const QString name = QString::fromLatin1(r.name);
    if (name == QLatin1String("-")) continue;
    EXPECT_TRUE(names.insert(name).second) << r.name << " twice";
    if (r.flags & ws::kMenu) menus.insert(name);
    // An item without a handler would do nothing when it is chosen.
    else EXPECT_TRUE(r.handler) << r.name << " runs nothing";
  }
  std::set<QString> keys;
  for (const ws::ButtonRow& b : ws::buttonRows()) {
    EXPECT_TRUE(ws::findBar(QString::fromLatin1(b.bar))) << b.bar;
    EXPECT_TRUE(keys.insert(QString::fromLatin1(b.bar) + ':' + QString::fromLatin1(b.key)).second) << b.key;
    // A button runs a menu item's handler, or carries its own.
    EXPECT_TRUE(b.handler || ws::findMenuRow(QString::fromLatin1(b.command))) << b.key;
  }
  // Every command the enabling table names exists.
  ws::DocConditions c;
  c.scannerPresent = true;
  for (DocState s : {DocState::NoDocument, DocState::DocumentOpen})
    for (const ws::CommandState& st : ws::fnCommandStates(s, c)) {
      if (st.scope != ws::Scope::Button) {
        EXPECT_TRUE(names.count(st.command)) << st.command.toStdString();
      }
      if (st.scope != ws::Scope::Menu) {
        EXPECT_FALSE(buttonsOf(st.command).isEmpty()) << st.command.toStdString();
      }
    }
  // Keys compare exactly, case included.
  EXPECT_TRUE(ws::findButton("tbrFile", "save"));
  EXPECT_FALSE(ws::findButton("tbrFile", "Save"));
  EXPECT_FALSE(ws::findButton("tbrImage", "save"));
}

}  // namespace
