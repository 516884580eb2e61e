#include "archive/frm_arch_index.h"

#include "archive/batch_folder.h"
#include "archive/form_parts.h"
#include "archive/leave_rule.h"
#include "controls/imaging/format_table.h"
#include "runtime/dialogs.h"
#include "runtime/errors.h"
#include "runtime/leave_check.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"
#include "workspace/main_window.h"
#include "workspace/mod_vars.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

rt::DefaultInstance<frmArchIndexForm> frmArchIndex;

namespace {

using namespace modVars;

using arch::showError;

bool samePath(const QString& a, const QString& b) {
  return !a.isEmpty() && !b.isEmpty() && QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath();
}

}  // namespace

// ---- The file list ---------------------------------------------------------------------------------

PatternFileList::PatternFileList(QWidget* parent) : QListWidget(parent) {}

void PatternFileList::setPath(const QString& path) {
  path_ = path;
  Refresh();
}

void PatternFileList::setPattern(const QString& pattern) {
  pattern_ = pattern;
  Refresh();
}

QString PatternFileList::FileName() const { return currentItem() && currentItem()->isSelected() ? currentItem()->text() : QString(); }

void PatternFileList::setFileName(const QString& name) {
  const auto found = findItems(name, Qt::MatchExactly);
  if (found.isEmpty()) {
    clearSelection();
    setCurrentItem(nullptr);
  } else {
    setCurrentItem(found.front());
  }
}

void PatternFileList::Refresh() {
  const QString selected = FileName();
  clear();
  if (path_.isEmpty()) return;
  QDir dir(path_);
  dir.setNameFilters(pattern_.isEmpty() ? QStringList{} : pattern_.split(QLatin1Char(';'), Qt::SkipEmptyParts));
  dir.setFilter(QDir::Files | QDir::Hidden);
  dir.setSorting(QDir::Name);
  addItems(dir.entryList());
  if (!selected.isEmpty()) setFileName(selected);
}

// ---- The window ------------------------------------------------------------------------------------

frmArchIndexForm::frmArchIndexForm() {
  setCaption(QStringLiteral("   Index Data"));
  lblInputFiles = new QLabel(QStringLiteral("Files To Index :"), this);
  flbInput = new PatternFileList(this);
  flbInput->setPattern(img::browsePatterns());
  fraIndex = new QGroupBox(this);
  lblAchID = new QLabel(QStringLiteral("Archive ID :"), fraIndex);
  txtAchID = new QLineEdit(fraIndex);
  txtAchID->setMaxLength(20);
  QPalette p = txtAchID->palette();
  p.setColor(QPalette::Base, QColor(0xC0, 0xFF, 0xFF));  // &HFFFFC0
  txtAchID->setPalette(p);
  lblParm1 = new QLabel(QStringLiteral("Parm 1 :"), fraIndex);
  txtParm1 = new QLineEdit(fraIndex);
  lblParm2 = new QLabel(QStringLiteral("Parm 2 :"), fraIndex);
  txtParm2 = new QLineEdit(fraIndex);
  chkReindex = new QCheckBox(QStringLiteral("ReIndex"), fraIndex);
  cmdArchNow = new QPushButton(QStringLiteral("&Archive Now"), this);
  cmdArchToBatch = new QPushButton(QStringLiteral("&Save Batch"), this);
  auto* grid = new QGridLayout(fraIndex);
  grid->addWidget(lblAchID, 0, 0);
  grid->addWidget(txtAchID, 0, 1);
  grid->addWidget(lblParm1, 1, 0);
  grid->addWidget(txtParm1, 1, 1);
  grid->addWidget(lblParm2, 2, 0);
  grid->addWidget(txtParm2, 2, 1);
  grid->addWidget(chkReindex, 3, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdArchNow);
  buttons->addWidget(cmdArchToBatch);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(lblInputFiles);
  layout->addWidget(flbInput, 1);
  layout->addWidget(fraIndex);
  layout->addLayout(buttons);
  resize(340, 480);
  for (QLineEdit* b : {txtAchID, txtParm1, txtParm2}) {
    if (b != txtAchID) b->setMaxLength(arch::kDesignParmLength);
    b->setEnabled(false);
    connect(b, &QLineEdit::textChanged, this, [this] { fnButtonRule(); });
    // The keys are kept trimmed and in upper case; the focus is never held.
    rt::onLeave(b, [b] {
      b->setText(b->text().trimmed().toUpper());
      return true;
    });
  }
  cmdArchNow->setEnabled(false);
  cmdArchToBatch->setEnabled(false);
  upload = new arch::ArchiveUpload(this);
  upload->confirmOverwrite = [this](const arch::Keys& k) { return confirmOverwrite(k); };
  connect(upload, &arch::ArchiveUpload::finished, this, [this](bool stored) { uploadFinished(stored); });
  connect(flbInput, &QListWidget::itemClicked, this, [this] { flbInput_Click(); });
  connect(chkReindex, &QCheckBox::clicked, this, [this] { fnButtonRule(); });
  connect(cmdArchNow, &QPushButton::clicked, this, [this] { cmdArchNow_Click(); });
  connect(cmdArchToBatch, &QPushButton::clicked, this, [this] { cmdArchToBatch_Click(); });
}

void frmArchIndexForm::Form_Load() {
  arch::applyParmDetails(lblParm1, txtParm1, lblParm2, txtParm2);
  if (rt::Form* main = ws::loadedMainWindow()) {
    setLeft(main->Left());
    setTop((main->Height() - Height()) / 2);
  }
  flbInput->setPath(gstrIndexDir);
}

// Closing the window mid-exchange drops the connection; the input file stays where it is.
void frmArchIndexForm::Form_QueryUnload(int&, int) { upload->abort(); }

QString frmArchIndexForm::fnUploadFile() const {
  const QString name = flbInput->FileName();
  return name.isEmpty() ? QString() : QDir(flbInput->Path()).filePath(name);
}

void frmArchIndexForm::fnButtonRule() {
  const bool id = !busy() && !txtAchID->text().trimmed().isEmpty();
  cmdArchNow->setEnabled(id);
  cmdArchToBatch->setEnabled(id && chkReindex->isChecked());
}

void frmArchIndexForm::lock(bool locked) {
  for (QWidget* w : std::initializer_list<QWidget*>{flbInput, txtAchID, txtParm1, txtParm2, chkReindex})
    w->setEnabled(!locked);
  fnButtonRule();
}

void frmArchIndexForm::flbInput_Click() {
  if (busy()) return;
  const QString path = fnUploadFile();
  if (path.isEmpty()) return;
  if (!ws::document().close(false)) {
    // The document stays: so does the list's choice of it.
    flbInput->setFileName(QFileInfo(opened_).fileName());
    return;
  }
  opened_.clear();
  try {
    ws::document().open(path);
  } catch (const rt::RuntimeError& e) {
    showError(e.Description());
    flbInput->setFileName(QString());
    return;
  }
  opened_ = path;
  for (QLineEdit* b : {txtAchID, txtParm1, txtParm2}) b->setEnabled(true);
  txtAchID->setFocus();
}

bool frmArchIndexForm::showsCapturedFile() const { return samePath(ws::document().state().path, file_); }

bool frmArchIndexForm::capture() {
  for (QLineEdit* b : {txtAchID, txtParm1, txtParm2}) b->setText(b->text().trimmed().toUpper());
  file_ = fnUploadFile();
  achId_ = txtAchID->text();
  parm1_ = txtParm1->text();
  parm2_ = txtParm2->text();
  if (!arch::batch::isSafeFolderName(achId_)) {
    showError(arch::batch::unsafeIdMessage());
    txtAchID->setFocus();
    return false;
  }
  for (QLineEdit* b : {txtParm1, txtParm2})
    if (!arch::checkFieldChars(b, b == txtParm1 ? QStringLiteral("Parm 1") : QStringLiteral("Parm 2"))) return false;
  // What is saved and sent must be the file the list names and the main window shows.
  if (file_.isEmpty() || !samePath(file_, opened_) || !showsCapturedFile()) {
    notShownMessage();
    return false;
  }
  return true;
}

void frmArchIndexForm::notShownMessage() {
  showError(QStringLiteral("The file chosen is not the document shown in the main window!") + QLatin1Char('\r') +
            QStringLiteral("Please choose the file to index again."));
}

bool frmArchIndexForm::saveCaptured() {
  if (!ws::document().save()) return false;
  // A save under another name leaves the chosen file as it was: it is not what the user sees.
  if (showsCapturedFile()) return true;
  notShownMessage();
  return false;
}

void frmArchIndexForm::cmdArchNow_Click() {
  if (busy() || !cmdArchNow->isEnabled() || !capture()) return;
  rt::Screen::setMousePointer(rt::vbHourglass);
  if (!saveCaptured()) {
    // Nothing goes out that is not the document as saved.
    rt::Screen::setMousePointer(rt::vbDefault);
    return;
  }
  const QString operation = chkReindex->isChecked() ? QStringLiteral("REINDEX") : QStringLiteral("ARCHIVE");
  upload->start({operation, achId_, achId_, parm1_, parm2_, file_});
  lock(true);
}

bool frmArchIndexForm::confirmOverwrite(const arch::Keys& existing) {
  const QChar cr = QLatin1Char('\r');
  const QString text = QStringLiteral("An existing record was found with the following details:") + cr +
                       QStringLiteral("AchID: ") + existing.achId + cr + QStringLiteral("Parm 1: ") + existing.parm1 +
                       cr + QStringLiteral("Parm 2: ") + existing.parm2 + cr + QStringLiteral("Do you want to overwrite?");
  return rt::MsgBox(text, rt::vbQuestion | rt::vbYesNo, QStringLiteral("Confirmation")) == rt::vbYes;
}

void frmArchIndexForm::uploadFinished(bool stored) {
  lock(false);
  if (!stored) return;  // the input file and the document stay as they are
  // The input file goes only while the main window still shows it: a document opened meanwhile is
  // not closed, and its file is not touched.
  const bool shown = showsCapturedFile();
  if (shown && !QFile::remove(file_)) {
    showError(QStringLiteral("Document archived successfully") + QLatin1Char('\r') +
              QStringLiteral("The input file could not be deleted:") + QLatin1Char('\r') + file_);
  } else {
    rt::MsgBox(QStringLiteral("Document archived successfully"), rt::vbInformation, QStringLiteral("Information"));
  }
  fnDone(shown);
}

void frmArchIndexForm::fnDone(bool closeDocument) {
  flbInput->Refresh();
  flbInput->setFileName(QString());
  for (QLineEdit* b : {txtAchID, txtParm1, txtParm2}) {
    b->clear();
    b->setEnabled(false);
  }
  fnButtonRule();
  if (!closeDocument) return;
  opened_.clear();
  ws::document().close(true);
}

void frmArchIndexForm::cmdArchToBatch_Click() {
  if (busy() || !cmdArchToBatch->isEnabled() || !capture()) return;
  const QString folder = QDir(gstrBatchDir).filePath(arch::batch::folderName(achId_));
  // Refused before anything is saved: nothing may be overwritten.
  if (QFileInfo::exists(folder) || QFileInfo(folder).isSymLink()) {
    showError(QStringLiteral("A batch folder of this Archive ID already exists:") + QLatin1Char('\r') + folder);
    return;
  }
  if (!saveCaptured()) return;
  QString error;
  if (!arch::batch::writeBatchFolder(gstrBatchDir, achId_, parm1_, parm2_, file_, &error)) {
    showError(error);
    return;
  }
  fnDone(true);
}
