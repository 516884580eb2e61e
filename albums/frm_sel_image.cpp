#include "albums/frm_sel_image.h"

#include "albums/form_util.h"
#include "controls/imaging/codec.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"
#include "workspace/mod_vars.h"
#include "workspace/page_strip.h"
#include "workspace/page_view_state.h"

#include <QPushButton>

using namespace modVars;
using albums::place;

rt::DefaultInstance<frmSelImageForm> frmSelImage;

QString fnPickerCaption(int index) {
  return index == 0 ? QStringLiteral("Page 1") : QStringLiteral("Page  ") + QString::number(index + 1);
}

frmSelImageForm::frmSelImageForm() {
  setObjectName(QStringLiteral("frmSelImage"));
  setCaption(QStringLiteral("   Select Image(s)"));
  resize(rt::Screen::ToPixelsX(9600), rt::Screen::ToPixelsY(8100));
  fraSelImage = new albums::ThumbGrid(albums::kBrowseColumns, 0, false, this);
  fraSelImage->setObjectName(QStringLiteral("fraSelImage"));
  place(fraSelImage, 60, 60, 9400, 7260);
  connect(fraSelImage, &albums::ThumbGrid::cellPressed, this, [this](int k, Qt::MouseButton b) {
    if (b == Qt::LeftButton) rt::RunGuarded([&] { ixTmb_Click(k); });
  });
  connect(fraSelImage, &albums::ThumbGrid::loadingFinished, this, [] { rt::Screen::setMousePointer(rt::vbDefault); });

  auto button = [this](const char* text, double left, void (frmSelImageForm::*handler)()) {
    auto* b = new QPushButton(QString::fromLatin1(text), this);
    place(b, left, 7420, 1500, 420);
    connect(b, &QPushButton::clicked, this, [this, handler] { rt::RunGuarded([&] { (this->*handler)(); }); });
    return b;
  };
  cmdDeselectAll = button("&Deselect All", 60, &frmSelImageForm::cmdDeselectAll_Click);
  cmdSelectAll = button("&Select All", 1660, &frmSelImageForm::cmdSelectAll_Click);
  cmdInsert = button("&Insert", 4760, &frmSelImageForm::cmdInsert_Click);
  cmdAppend = button("&Append", 6360, &frmSelImageForm::cmdAppend_Click);
  cmdCancel = button("&Cancel", 7960, &frmSelImageForm::cmdCancel_Click);
  rt::setCancel(cmdCancel);
  cmdInsert->setEnabled(false);
  cmdAppend->setEnabled(false);
}

void frmSelImageForm::Form_Load() { rt::RunGuarded([this] { fnListSourcePages(); }); }

// A file that cannot be read is reported and leaves the grid empty: there is nothing to pick.
void frmSelImageForm::fnListSourcePages() {
  int pages = 0;
  try {
    pages = img::filePageCount(gstrAppendFile);
  } catch (const rt::RuntimeError&) {
    pages = 0;
  }
  if (pages <= 0) {
    fraSelImage->clear();
    rt::ShowError(QStringLiteral("The file \"%1\" cannot be read as an image.").arg(gstrAppendFile));
    return;
  }
  rt::Screen::setMousePointer(rt::vbHourglass);
  std::vector<albums::ThumbItem> items;
  for (int i = 0; i < pages; ++i) items.push_back({gstrAppendFile, i + 1, fnPickerCaption(i), QString(), false});
  fraSelImage->showItems(std::move(items));
}

std::vector<int> frmSelImageForm::pickedCells() const {
  std::vector<int> picked;
  for (int k = 0; k < fraSelImage->cellCount(); ++k)
    if (fraSelImage->ixTmb(k)->HighlightBorder() == ws::kThumbSelected) picked.push_back(k);
  return picked;
}

void frmSelImageForm::fnEnablePick() {
  const bool any = !pickedCells().empty();
  cmdAppend->setEnabled(any);
  cmdInsert->setEnabled(any);
}

void frmSelImageForm::ixTmb_Click(int index) {
  albums::ThumbCell* cell = fraSelImage->ixTmb(index);
  if (!cell) return;
  if (cell->HighlightBorder() == ws::kThumbSelected) cell->setHighlightBorder(ws::kThumbUnselected);
  else if (cell->HighlightBorder() == ws::kThumbUnselected) cell->setHighlightBorder(ws::kThumbSelected);
  fnEnablePick();
}

void frmSelImageForm::cmdSelectAll_Click() {
  for (int k = 0; k < fraSelImage->cellCount(); ++k) fraSelImage->ixTmb(k)->setHighlightBorder(ws::kThumbSelected);
  fnEnablePick();
}

void frmSelImageForm::cmdDeselectAll_Click() {
  for (int k = 0; k < fraSelImage->cellCount(); ++k) fraSelImage->ixTmb(k)->setHighlightBorder(ws::kThumbUnselected);
  fnEnablePick();
}

void frmSelImageForm::addPages(bool insert) {
  const std::vector<int> picked = pickedCells();
  if (picked.empty()) return;
  // The pages are read now: they are the document's from here on, whatever becomes of their file.
  std::vector<img::Bitmap> pictures;
  for (int k : picked) {
    try {
      pictures.push_back(img::readFilePage(gstrAppendFile, k + 1).bitmap);
    } catch (const rt::RuntimeError&) {
      rt::ShowError(QStringLiteral("Page %1 of \"%2\" cannot be read.").arg(k + 1).arg(gstrAppendFile));
      return;
    }
  }
  ws::DocumentSession& document = ws::document();
  const int count = document.pageCount(), current = document.state().currentPage, added = static_cast<int>(pictures.size());
  const ws::PageEdit edit =
      insert ? ws::fnInsertPages(count, current, current, added) : ws::fnAppendPages(count, current, added);
  document.addPickedPages(edit, std::move(pictures));
  Unload();
}

void frmSelImageForm::cmdAppend_Click() { addPages(false); }
void frmSelImageForm::cmdInsert_Click() { addPages(true); }
void frmSelImageForm::cmdCancel_Click() { Unload(); }
