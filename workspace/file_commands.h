#pragma once
// The File menu's commands and the thumbnails' right-click menu. The document's own rules (close
// with its prompt, open, save and its questions) are the session's; these pick the file or the
// printer, open the windows that do the work, and hand the result on.
#include <QString>

class frmImgClntForm;

namespace ws {

// The folder the File > Open dialog starts in: the open document's folder, else the folder of the
// last file opened there (while it exists), else the home folder.
QString openDialogFolder(const QString& documentPath);
QString& lastOpenFolder();

// New and Open keep the open document until the user has chosen in their dialog; then it closes
// (with its save prompt), and nothing more happens when that close is cancelled.
void mnuFileNew_Click(frmImgClntForm& w);
void mnuFileOpen_Click(frmImgClntForm& w);
// Returns false when nothing was saved.
bool mnuFileSaveAs_Click(frmImgClntForm& w);
void mnuFileExit_Click(frmImgClntForm& w);
// The album and browsing windows, reached through the window openers.
void mnuFileAlbums_Click(frmImgClntForm& w);
void mnuFileBrowseDir_Click(frmImgClntForm& w);
void mnuFileSearch_Click(frmImgClntForm& w);
// Printing, converting and the properties dialog.
void mnuFilePrint_Click(frmImgClntForm& w);
void mnuFileConvert_Click(frmImgClntForm& w);
void mnuFileProperties_Click(frmImgClntForm& w);
// The thumbnails' menu: the page right-clicked is the document's popup page.
void mnuPopTmbCopy_Click(frmImgClntForm& w);
void mnuPopTmbProperties_Click(frmImgClntForm& w);

}  // namespace ws
