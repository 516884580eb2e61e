#include "archive/frm_arch_batch.h"

#include "archive/form_parts.h"
#include "runtime/dialogs.h"
#include "runtime/screen.h"
#include "workspace/mod_vars.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

rt::DefaultInstance<frmArchBatchForm> frmArchBatch;

namespace {

void defaultPointer() { rt::Screen::setMousePointer(rt::vbDefault); }

}  // namespace

frmArchBatchForm::frmArchBatchForm() {
  setCaption(QStringLiteral("   Archive Verified Batches"));
  cmdStart = new QPushButton(QStringLiteral("&Start"), this);
  fraProgress = new QGroupBox(QStringLiteral("Progress"), this);
  pbrBatch = new QProgressBar(fraProgress);
  pbrBatch->setRange(0, 100);
  pbrBatch->setValue(0);
  auto* frame = new QVBoxLayout(fraProgress);
  frame->addWidget(pbrBatch);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(cmdStart);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(fraProgress);
  layout->addLayout(row);
  setFixedSize(420, 130);
  upload = new arch::ArchiveUpload(this);
  tmrBatch.setSingleShot(true);
  connect(&tmrBatch, &QTimer::timeout, this, [this] { cmdStart_Click(); });
  connect(upload, &arch::ArchiveUpload::finished, this, [this](bool stored) { uploadFinished(stored); });
  connect(cmdStart, &QPushButton::clicked, this, [this] { cmdStart_Click(); });
}

void frmArchBatchForm::stop() {
  running_ = false;
  cmdStart->setEnabled(true);
}

void frmArchBatchForm::cmdStart_Click() {
  // One run at a time: the button is back when the run has stopped.
  if (upload->busy()) return;
  running_ = true;
  cmdStart->setEnabled(false);
  rt::Screen::setMousePointer(rt::vbHourglass);
  const QString root = modVars::gstrBatchDir;
  if (!QFileInfo(root).isDir()) {
    defaultPointer();
    stop();
    arch::showError(QStringLiteral("Batch Root directory not found!"));
    return;
  }
  const QDir dir(root);
  const QStringList folders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Unsorted);
  if (folders.isEmpty()) {
    defaultPointer();
    stop();
    rt::MsgBox(QStringLiteral("No more items to archive!"), rt::vbInformation, QStringLiteral("Information"));
    Unload();
    return;
  }
  if (pbrBatch->minimum() < folders.size() && pbrBatchTag != QLatin1String("ASSIGNED")) {
    pbrBatch->setValue(pbrBatch->minimum());
    pbrBatch->setMaximum(static_cast<int>(folders.size()) + 1);
    pbrBatchTag = QStringLiteral("ASSIGNED");
  }
  chosen_.reset();
  for (const QString& name : folders)
    if ((chosen_ = arch::batch::readyItem(dir.filePath(name)))) break;
  if (pbrBatch->value() < pbrBatch->maximum()) pbrBatch->setValue(pbrBatch->value() + 1);
  if (chosen_) {
    const arch::batch::IndexKeys& k = chosen_->keys;
    upload->start({QStringLiteral("REINDEX"), k.achId, k.achId, k.parm1, k.parm2, chosen_->image});
    return;
  }
  defaultPointer();
  stop();
  rt::MsgBox(QStringLiteral("Batch archival completed.") + QLatin1Char('\r') +
                 QStringLiteral("Remaining items are unverified or contain errors!"),
             rt::vbInformation, QStringLiteral("Information"));
  Unload();
}

void frmArchBatchForm::uploadFinished(bool stored) {
  if (!stored || !chosen_) {
    // The message has been shown; the folder stays and can be sent by pressing Start again.
    stop();
    return;
  }
  QString error;
  if (!arch::batch::removeSentFolder(*chosen_, &error)) {
    // Its marker is gone, so it is not sent again; the run stops here rather than loop over it.
    defaultPointer();
    stop();
    arch::showError(error);
    return;
  }
  chosen_.reset();
  rt::Screen::setMousePointer(rt::vbHourglass);
  tmrBatch.start(arch::timing().stepMs);
}

// Closing the window mid-run drops the connection; the folder in transfer stays on disk.
void frmArchBatchForm::Form_QueryUnload(int&, int) {
  tmrBatch.stop();
  if (upload->busy()) upload->abort();
  running_ = false;
}
