#include "archive/frm_arch_verify.h"

#include "archive/batch_folder.h"
#include "controls/imaging/imaging_control.h"
#include "runtime/errors.h"
#include "runtime/screen.h"
#include "workspace/mod_vars.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

rt::DefaultInstance<frmArchVerifyForm> frmArchVerify;

frmArchVerifyForm::frmArchVerifyForm() {
  setCaption(QStringLiteral("   Verify Batches"));
  fraVerify = new QGroupBox(this);
  lsvItem = new QTreeWidget(fraVerify);
  lsvItem->setColumnCount(2);
  lsvItem->setHeaderLabels({QStringLiteral("Batch"), QStringLiteral("Status")});
  lsvItem->setRootIsDecorated(false);
  lsvItem->setColumnWidth(0, 160);
  lsvItem->header()->setStretchLastSection(true);
  ixVerify = new img::ImagingControl(this);
  ixVerify->hide();
  cmdClose = new QPushButton(QStringLiteral("Close"), this);
  rt::setCancel(cmdClose);
  auto* frame = new QVBoxLayout(fraVerify);
  frame->addWidget(lsvItem);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(cmdClose);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(fraVerify);
  layout->addLayout(row);
  resize(560, 380);
  tmrVerify.setSingleShot(true);
  tmrVerify.setInterval(500);
  connect(&tmrVerify, &QTimer::timeout, this, [this] { tmrVerify_Timer(); });
  connect(cmdClose, &QPushButton::clicked, this, [this] { cmdClose_Click(); });
}

void frmArchVerifyForm::Form_Load() {
  setLeft((rt::Screen::Width() - Width()) / 2);
  setTop((rt::Screen::Height() - Height()) / 2);
  tmrVerify.start();
}

void frmArchVerifyForm::addRow(const QString& batch, const QString& status) {
  auto* item = new QTreeWidgetItem(lsvItem);
  item->setText(0, batch);
  item->setText(1, status);
}

QString frmArchVerifyForm::fnTestLoad(const QString& path) {
  QString error;
  try {
    ixVerify->setSourceFile(path);
    if (ixVerify->ImageFileType() <= 0) error = QStringLiteral("Invalid picture");
  } catch (const rt::RuntimeError& e) {
    error = e.Description();
  }
  // The picture is not kept: only whether it loads matters.
  try {
    ixVerify->setSourceFile(QString());
  } catch (const rt::RuntimeError&) {
  }
  return error;
}

void frmArchVerifyForm::tmrVerify_Timer() {
  tmrVerify.stop();  // one pass per opening
  rt::BusyPointer busy;
  const QString root = modVars::gstrBatchDir;
  const QDir dir(root);
  if (root.isEmpty() || !QFileInfo(root).isDir()) {
    addRow(root, QStringLiteral("Batch Root directory not found!"));
    return;
  }
  for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Unsorted)) {
    const QStringList rows = arch::batch::verifyFolder(dir.filePath(name), modVars::gstrParm1Caption,
                                                       modVars::gstrParm2Caption,
                                                       [this](const QString& p) { return fnTestLoad(p); });
    for (const QString& status : rows) addRow(name, status);
  }
}

void frmArchVerifyForm::cmdClose_Click() { Unload(); }
