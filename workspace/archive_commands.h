#pragma once
// The Archive menu: login and logout, retrieve and send of a document, the index and batch
// directories and the batch windows. The main window does no network work itself: each command
// checks the shared state, closes or saves the document where needed and opens the archive window
// that does the work.
class frmImgClntForm;

namespace ws {

// Opening the menu: items follow the login and the user's two rights.
void mnuArchive_Click(frmImgClntForm& w);
void mnuArchLogin_Click(frmImgClntForm& w);
void mnuArchLogout_Click(frmImgClntForm& w);
void mnuArchRetrieve_Click(frmImgClntForm& w);
void mnuArchSend_Click(frmImgClntForm& w);
void mnuArchIndexDir_Click(frmImgClntForm& w);
void mnuArchBatchDir_Click(frmImgClntForm& w);
void mnuArchIndex_Click(frmImgClntForm& w);
void mnuArchVerify_Click(frmImgClntForm& w);
void mnuArchBatch_Click(frmImgClntForm& w);

}  // namespace ws
