#include "workspace/command_table.h"

#include "workspace/annotation_commands.h"
#include "workspace/archive_commands.h"
#include "workspace/edit_commands.h"
#include "workspace/file_commands.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/help_commands.h"
#include "workspace/scan_commands.h"
#include "workspace/tools_commands.h"
#include "workspace/view_commands.h"

namespace ws {

namespace {

using F = frmImgClntForm;
constexpr unsigned M = kMenu;
constexpr unsigned C = kCheckable;
constexpr CommandHandler none = nullptr;
namespace T = tools_menu;

// A mode button presses itself and gives the page view its mode.
template <MouseMode Mode>
void modeButton(frmImgClntForm& form) {
  form.selectMode(Mode);
}

}  // namespace

const std::vector<MenuRow>& menuRows() {
  static const std::vector<MenuRow> rows = {
      // parent, name, caption, shortcut, handler, flags
      {"", "mnuFile", "&File", "", none, M},
      {"mnuFile", "mnuFileNew", "&New", "Ctrl+N", mnuFileNew_Click, 0},
      {"mnuFile", "mnuFileOpen", "&Open", "", mnuFileOpen_Click, 0},
      {"mnuFile", "mnuFileSearch", "Searc&h", "", mnuFileSearch_Click, 0},
      {"mnuFile", "-", "", "", none, 0},
      {"mnuFile", "mnuFileBrowseDir", "&Browse", "", mnuFileBrowseDir_Click, 0},
      {"mnuFile", "mnuFileAlbums", "A&lbums", "", mnuFileAlbums_Click, 0},
      {"mnuFile", "-", "", "", none, 0},
      {"mnuFile", "mnuFilePrint", "&Print", "", mnuFilePrint_Click, 0},
      {"mnuFile", "mnuFileSave", "&Save", "Ctrl+S", run<&F::mnuFileSave_Click>, 0},
      {"mnuFile", "mnuFileSaveAs", "Save &As", "Ctrl+Shift+S", [](F& f) { mnuFileSaveAs_Click(f); }, 0},
      {"mnuFile", "-", "", "", none, 0},
      {"mnuFile", "mnuFileConvert", "Con&vert", "", mnuFileConvert_Click, 0},
      {"mnuFile", "mnuFileProperties", "P&roperties", "", mnuFileProperties_Click, 0},
      {"mnuFile", "-", "", "", none, 0},
      {"mnuFile", "mnuFileClose", "&Close File", "", run<&F::mnuFileClose_Click>, 0},
      {"mnuFile", "mnuFileExit", "E&xit", "Ctrl+Q", mnuFileExit_Click, 0},

      {"", "mnuScanner", "&Scanner", "", none, M},
      {"mnuScanner", "mnuScanSelect", "&Select Scanner", "", mnuScanSelect_Click, 0},
      {"mnuScanner", "-", "", "", none, 0},
      {"mnuScanner", "mnuScanNew", "Scan &New", "", mnuScanNew_Click, 0},
      {"mnuScanner", "mnuScanAppend", "Scan &Append", "", mnuScanAppend_Click, 0},
      {"mnuScanner", "mnuScanInsert", "Scan &Insert", "", mnuScanInsert_Click, 0},
      {"mnuScanner", "mnuScanPage", "&Rescan Page", "", mnuScanPage_Click, 0},
      {"mnuScanner", "-", "", "", none, 0},
      {"mnuScanner", "mnuScanOpt", "&Options", "", mnuScanOpt_Click, 0},
      {"mnuScanner", "mnuScanUI", "&TWAIN Interface", "", mnuScanUI_Click, C},

      {"", "mnuEdit", "&Edit", "", mnuEdit_Click, M},
      {"mnuEdit", "mnuEditUndo", "&Undo", "Ctrl+Z", mnuEditUndo_Click, 0},
      {"mnuEdit", "-", "", "", none, 0},
      {"mnuEdit", "mnuEditCopy", "&Copy", "Ctrl+C", mnuEditCopy_Click, 0},
      {"mnuEdit", "mnuEditCut", "Cu&t", "Ctrl+X", mnuEditCut_Click, 0},
      {"mnuEdit", "mnuEditPaste", "&Paste", "Ctrl+V", mnuEditPaste_Click, 0},
      {"mnuEdit", "mnuEditDelete", "&Delete", "Del", mnuEditDelete_Click, 0},
      {"mnuEdit", "-", "", "", none, 0},
      {"mnuEdit", "mnuEditAppend", "&Append", "", mnuEditAppend_Click, 0},
      {"mnuEdit", "mnuEditInsert", "&Insert", "", mnuEditInsert_Click, 0},

      {"", "mnuView", "&View", "", none, M},
      {"mnuView", "mnuViewNext", "&Next Page", "", mnuViewNext_Click, 0},
      {"mnuView", "mnuViewPrev", "&Previous Page", "", mnuViewPrev_Click, 0},
      {"mnuView", "-", "", "", none, 0},
      {"mnuView", "mnuViewPageThumbs", "Page &And Thumbs", "", mnuViewPageThumbs_Click, C},
      {"mnuView", "mnuViewThumbsOnly", "&Thumbs Only", "", mnuViewThumbsOnly_Click, C},
      {"mnuView", "mnuViewPageOnly", "Page &Only", "", mnuViewPageOnly_Click, C},
      {"mnuView", "-", "", "", none, 0},
      {"mnuView", "mnuViewFullScreen", "&Full Screen", "", mnuViewFullScreen_Click, 0},

      {"", "mnuZoom", "&Zoom", "", none, M},
      {"mnuZoom", "mnuZoom025", "&25%", "", mnuZoomTo<25>, 0},
      {"mnuZoom", "mnuZoom050", "&50%", "", mnuZoomTo<50>, 0},
      {"mnuZoom", "mnuZoom075", "&75%", "", mnuZoomTo<75>, 0},
      {"mnuZoom", "mnuZoom100", "&100%", "", mnuZoomTo<100>, 0},
      {"mnuZoom", "mnuZoom200", "2&00%", "", mnuZoomTo<200>, 0},
      {"mnuZoom", "mnuZoom400", "&400%", "", mnuZoomTo<400>, 0},
      {"mnuZoom", "-", "", "", none, 0},
      {"mnuZoom", "mnuZoomIn", "Zoom &In", "Ctrl+I", mnuZoomIn_Click, 0},
      {"mnuZoom", "mnuZoomOut", "Zoom &Out", "Ctrl+O", mnuZoomOut_Click, 0},
      {"mnuZoom", "-", "", "", none, 0},
      {"mnuZoom", "mnuZoomPage", "Zoom To &Page", "Ctrl+P", mnuZoomPage_Click, 0},
      {"mnuZoom", "mnuZoomWidth", "Zoom To &Width", "Ctrl+W", mnuZoomWidth_Click, 0},
      {"mnuZoom", "mnuZoomHeight", "Zoom To &Height", "Ctrl+H", mnuZoomHeight_Click, 0},

      {"", "mnuAnn", "&Annotation", "", mnuAnn_Click, M},
      {"mnuAnn", "mnuAnnPalette", "&Show Palette", "", mnuAnnPalette_Click, C},
      {"mnuAnn", "mnuAnnBurnIn", "&Burn In", "", mnuAnnBurnIn_Click, 0},
      {"mnuAnn", "-", "", "", none, 0},
      {"mnuAnn", "mnuAnnSelectAll", "Select &All", "Ctrl+A", mnuAnnSelectAll_Click, 0},

      {"", "mnuTools", "&Tools", "", none, M},
      {"mnuTools", "mnuToolsFlip", "&Flip", "Ctrl+F", T::mnuToolsFlip_Click, 0},
      {"mnuTools", "mnuToolsMirror", "&Mirror", "Ctrl+M", T::mnuToolsMirror_Click, 0},
      {"mnuTools", "mnuToolsLeft", "Rotate &Left", "Ctrl+L", T::mnuToolsLeft_Click, 0},
      {"mnuTools", "mnuToolsRight", "&Rotate Right", "Ctrl+R", T::mnuToolsRight_Click, 0},
      {"mnuTools", "-", "", "", none, 0},
      {"mnuTools", "mnuToolsCrop", "&Crop", "", T::mnuToolsCrop_Click, 0},
      {"mnuTools", "mnuToolsResize", "Re&size", "", T::mnuToolsResize_Click, 0},
      {"mnuTools", "-", "", "", none, 0},
      {"mnuTools", "mnuToolsEffects", "&Effects", "", none, M},
      {"mnuToolsEffects", "mnuToolsAutoContrast", "&Auto Contrast", "", T::mnuToolsAutoContrast_Click, 0},
      {"mnuToolsEffects", "mnuToolsBrightness", "&Brightness", "", T::effect<T::kBrightness>, 0},
      {"mnuToolsEffects", "mnuToolsContrast", "&Contrast", "", T::effect<T::kContrast>, 0},
      {"mnuToolsEffects", "-", "", "", none, 0},
      {"mnuToolsEffects", "mnuToolsDeskew", "&Deskew", "", T::mnuToolsDeskew_Click, 0},
      {"mnuToolsEffects", "mnuToolsDespeckle", "D&especkle", "", T::mnuToolsDespeckle_Click, 0},
      {"mnuToolsEffects", "-", "", "", none, 0},
      {"mnuToolsEffects", "mnuToolsGrayScale", "&Gray Scale", "", T::effect<T::kGrayScale>, 0},
      {"mnuToolsEffects", "-", "", "", none, 0},
      {"mnuToolsEffects", "mnuToolsButtonize", "B&uttonize", "", T::effect<T::kButtonize>, 0},
      {"mnuToolsEffects", "mnuToolsPerspective", "&Perspective", "", T::effect<T::kPerspective>, 0},
      {"mnuToolsEffects", "mnuToolsPinch", "P&inch", "", T::effect<T::kPinch>, 0},
      {"mnuToolsEffects", "mnuToolsRipple", "&Ripple", "", T::effect<T::kRipple>, 0},
      {"mnuToolsEffects", "mnuToolsSwirl", "&Swirl", "", T::effect<T::kSwirl>, 0},
      {"mnuToolsEffects", "mnuToolsTwist", "&Twist", "", T::effect<T::kTwist>, 0},
      {"mnuTools", "mnuToolsFilters", "F&ilters", "", none, M},
      {"mnuToolsFilters", "mnuToolsBlend", "&Blend", "", T::effect<T::kBlend>, 0},
      {"mnuToolsFilters", "mnuToolsBlur", "B&lur", "", T::effect<T::kBlur>, 0},
      {"mnuToolsFilters", "mnuToolsDiffuse", "&Diffuse", "", T::effect<T::kDiffuse>, 0},
      {"mnuToolsFilters", "mnuToolsDilate", "D&ilate", "", T::effect<T::kDilate>, 0},
      {"mnuToolsFilters", "mnuToolsEmboss", "&Emboss", "", T::effect<T::kEmboss>, 0},
      {"mnuToolsFilters", "mnuToolsEqualize", "E&qualize", "", T::effect<T::kEqualize>, 0},
      {"mnuToolsFilters", "mnuToolsErode", "E&rode", "", T::effect<T::kErode>, 0},
      {"mnuToolsFilters", "mnuToolsGamma", "&Gamma", "", T::effect<T::kGamma>, 0},
      {"mnuToolsFilters", "mnuToolsMedian", "&Median", "", T::effect<T::kMedian>, 0},
      {"mnuToolsFilters", "mnuToolsMosiac", "M&osaic", "", T::effect<T::kMosiac>, 0},
      {"mnuToolsFilters", "mnuToolsMBlur", "Mo&tion Blur", "", T::effect<T::kMBlur>, 0},
      {"mnuToolsFilters", "mnuToolsNegate", "&Negate", "", T::effect<T::kNegate>, 0},
      {"mnuToolsFilters", "mnuToolsNoise", "Noi&se", "", T::effect<T::kNoise>, 0},
      {"mnuToolsFilters", "mnuToolsOutline", "O&utline", "", T::effect<T::kOutline>, 0},
      {"mnuToolsFilters", "mnuToolsPosterize", "&Posterize", "", T::effect<T::kPosterize>, 0},
      {"mnuToolsFilters", "mnuToolsParabolic", "P&arabolic", "", T::effect<T::kParabolic>, 0},
      {"mnuToolsFilters", "mnuToolsSharpen", "S&harpen", "", T::effect<T::kSharpen>, 0},
      {"mnuToolsFilters", "mnuToolsSoften", "So&ften", "", T::effect<T::kSoften>, 0},
      {"mnuToolsFilters", "mnuToolsSolarize", "Solari&ze", "", T::effect<T::kSolarize>, 0},
      {"mnuTools", "mnuToolsColours", "C&olours", "", none, M},
      {"mnuToolsColours", "mnuToolsAdjRGB", "Adjust &RGB", "", T::effect<T::kAdjRGB>, 0},
      {"mnuToolsColours", "mnuToolsAdjHSL", "Adjust &HSL", "", T::effect<T::kAdjHSL>, 0},
      {"mnuToolsColours", "-", "", "", none, 0},
      {"mnuToolsColours", "mnuToolsDepth", "&Depth", "", T::mnuToolsDepth_Click, 0},
      {"mnuToolsColours", "mnuToolsReplaceCols", "R&eplace Colours", "", T::mnuToolsReplaceCols_Click, 0},
      {"mnuToolsColours", "mnuToolsSeparation", "&Separation", "", T::mnuToolsSeparation_Click, 0},
      {"mnuToolsColours", "-", "", "", none, 0},
      {"mnuToolsColours", "mnuToolsIntLvl", "&Intensity Levels", "", T::mnuToolsIntLvl_Click, 0},

      {"", "mnuArchive", "A&rchive", "", mnuArchive_Click, M},
      {"mnuArchive", "mnuArchLogin", "Log &In", "", mnuArchLogin_Click, 0},
      {"mnuArchive", "mnuArchLogout", "Log &Out", "", mnuArchLogout_Click, 0},
      {"mnuArchive", "-", "", "", none, 0},
      {"mnuArchive", "mnuArchRetrieve", "&Retrieve", "", mnuArchRetrieve_Click, 0},
      {"mnuArchive", "mnuArchSend", "&Send", "", mnuArchSend_Click, 0},
      {"mnuArchive", "-", "", "", none, 0},
      {"mnuArchive", "mnuArchIndexDir", "In&dex Directory", "", mnuArchIndexDir_Click, 0},
      {"mnuArchive", "mnuArchBatchDir", "&Batch Directory", "", mnuArchBatchDir_Click, 0},
      {"mnuArchive", "-", "", "", none, 0},
      {"mnuArchive", "mnuArchIndex", "Inde&x", "", mnuArchIndex_Click, 0},
      {"mnuArchive", "mnuArchVerify", "&Verify Batch", "", mnuArchVerify_Click, 0},
      {"mnuArchive", "mnuArchBatch", "Send B&atch", "", mnuArchBatch_Click, 0},

      {"", "mnuHelp", "&Help", "", none, M},
      {"mnuHelp", "mnuHelpContents", "&Contents", "F1", mnuHelpContents_Click, 0},
      {"mnuHelp", "-", "", "", none, 0},
      {"mnuHelp", "mnuHelpAbout", "Abo&ut", "", mnuHelpAbout_Click, 0},

      // The thumbnails' right-click menu; not in the menu bar.
      {"", "mnuPopTmb", "PopTmb", "", none, M | kPopup},
      {"mnuPopTmb", "mnuPopTmbCopy", "&Copy", "", mnuPopTmbCopy_Click, 0},
      {"mnuPopTmb", "mnuPopTmbDelete", "&Delete", "", mnuEditDelete_Click, 0},
      {"mnuPopTmb", "-", "", "", none, 0},
      {"mnuPopTmb", "mnuPopTmbProperties", "P&roperties", "", mnuPopTmbProperties_Click, 0},
  };
  return rows;
}

const std::vector<ButtonRow>& buttonRows() {
  static const std::vector<ButtonRow> rows = {
      // bar, key, tool tip, command, theme icon, toolbar-only handler. Scanning and opening an
      // album have no names in the naming rules (a scanner is a device, not "scan a new document"),
      // and the themes' pictures for the fitting zooms look alike and their zoom-in is not always a
      // magnifier: their own drawings show.
      {"tbrScan", "scannew", "Scan New", "mnuScanNew", "", none},
      {"tbrScan", "scanappend", "Scan and Append", "mnuScanAppend", "", none},
      {"tbrScan", "scaninsert", "Scan And Insert", "mnuScanInsert", "", none},
      {"tbrScan", "scanoverwrite", "Rescan Page", "mnuScanPage", "", none},

      {"tbrFile", "open", "Open File", "mnuFileOpen", "document-open", none},
      {"tbrFile", "save", "Save File", "mnuFileSave", "document-save", none},
      {"tbrFile", "close", "Close File", "mnuFileClose", "document-close", none},
      {"tbrFile", "album", "Open Album", "mnuFileAlbums", "", none},
      {"tbrFile", "browse", "Browse", "mnuFileBrowseDir", "folder-pictures", none},

      {"tbrImage", "previous", "Previous Page", "mnuViewPrev", "go-previous", none},
      {"tbrImage", "next", "Next Page", "mnuViewNext", "go-next", none},
      {"tbrImage", "zoompage", "Zoom To Page", "mnuZoomPage", "", none},
      {"tbrImage", "zoomwidth", "Zoom To Width", "mnuZoomWidth", "", none},
      {"tbrImage", "zoomheight", "Zoom To Height", "mnuZoomHeight", "", none},
      {"tbrImage", "flip", "Flip Image", "mnuToolsFlip", "object-flip-vertical", none},
      {"tbrImage", "rotateleft", "Rotate Left", "mnuToolsLeft", "object-rotate-left", none},
      {"tbrImage", "rotateright", "Rotate Right", "mnuToolsRight", "object-rotate-right", none},

      // The four mouse modes: a group of which at most one is pressed.
      {"tbrMode", "selhand", "Scroll Image", "selhand", "transform-move", modeButton<MouseMode::Hand>},
      {"tbrMode", "selarrow", "Select Annotation", "selarrow", "edit-select", modeButton<MouseMode::Arrow>},
      {"tbrMode", "selrect", "Select Image Data", "selrect", "select-rectangular", modeButton<MouseMode::Rect>},
      {"tbrMode", "selmagnify", "Magnify", "selmagnify", "", modeButton<MouseMode::Magnify>},

      {"tbrAnno", "annotation", "Show Annotation Palette", "mnuAnnPalette", "draw-freehand", none},
  };
  return rows;
}

const std::vector<BarRow>& barRows() {
  // The image bar has no click of its own: its buttons run without committing first.
  static const std::vector<BarRow> rows = {
      {"tbrScan", 1395, true}, {"tbrFile", 1725, true}, {"tbrImage", 3015, false},
      {"tbrMode", 1605, true}, {"tbrAnno", 1605, true},
  };
  return rows;
}

const MenuRow* findMenuRow(const QString& name) {
  for (const MenuRow& r : menuRows())
    if (name == QLatin1String(r.name)) return &r;
  return nullptr;
}

const ButtonRow* findButton(const QString& key) {
  for (const ButtonRow& r : buttonRows())
    if (key == QLatin1String(r.key)) return &r;
  return nullptr;
}

const ButtonRow* findButton(const QString& bar, const QString& key) {
  for (const ButtonRow& r : buttonRows())
    if (bar == QLatin1String(r.bar) && key == QLatin1String(r.key)) return &r;
  return nullptr;
}

const BarRow* findBar(const QString& name) {
  for (const BarRow& r : barRows())
    if (name == QLatin1String(r.name)) return &r;
  return nullptr;
}

CommandHandler commandHandler(const QString& command) {
  if (const MenuRow* m = findMenuRow(command)) return m->handler;
  for (const ButtonRow& r : buttonRows())
    if (command == QLatin1String(r.command)) return r.handler;
  return nullptr;
}

void toolbarButtonClick(frmImgClntForm& w, const QString& bar, const QString& key) {
  const BarRow* b = findBar(bar);
  if (b && b->commitsFirst) w.commitPendingEdit();
  const ButtonRow* row = findButton(bar, key);
  if (!row) return;
  const CommandHandler handler = row->handler ? row->handler : commandHandler(QString::fromLatin1(row->command));
  if (handler) handler(w);
}

}  // namespace ws
