#pragma once
// Registers the settings dialogs that the main window opens by name ("frmImgSvSettings" with its
// role, "frmExtAssoc"). The program calls it at start-up; tests that need the real dialogs do too.
void registerSettingsWindows();
