#pragma once
// The page picker: every page of another image file as a thumbnail; the picked pages are appended
// to the open document behind its last page or inserted behind its current page.
#include "albums/thumb_grid.h"
#include "runtime/form.h"

#include <vector>

class QPushButton;

class frmSelImageForm : public rt::Form {
  Q_OBJECT
 public:
  frmSelImageForm();

  QPushButton* cmdDeselectAll = nullptr;
  QPushButton* cmdSelectAll = nullptr;
  QPushButton* cmdInsert = nullptr;
  QPushButton* cmdAppend = nullptr;
  QPushButton* cmdCancel = nullptr;
  albums::ThumbGrid* fraSelImage = nullptr;

  void ixTmb_Click(int index);
  void cmdSelectAll_Click();
  void cmdDeselectAll_Click();
  void cmdAppend_Click();
  void cmdInsert_Click();
  void cmdCancel_Click();

 protected:
  void Form_Load() override;

 private:
  void fnListSourcePages();
  // The picked pages in the source file's order.
  std::vector<int> pickedCells() const;
  void fnEnablePick();
  // Hands the picked pages to the main window, laid out by the edit, and closes the picker.
  void addPages(bool insert);
};

extern rt::DefaultInstance<frmSelImageForm> frmSelImage;

// Caption of picker thumbnail i: "Page 1" for the first, "Page  " (two blanks) and the number after.
QString fnPickerCaption(int index);
