#include "archive/frm_arch_ret_opt.h"

#include "archive/form_parts.h"
#include "workspace/document/document_session.h"
#include "workspace/mod_vars.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

rt::DefaultInstance<frmArchRetOptForm> frmArchRetOpt;

frmArchRetOptForm::frmArchRetOptForm() {
  setCaption(QStringLiteral("   Select Image To Retrieve"));
  auto* fraItems = new QGroupBox(this);
  lsvItem = new QTreeWidget(fraItems);
  lsvItem->setColumnCount(3);
  lsvItem->setRootIsDecorated(false);
  lsvItem->setSelectionMode(QAbstractItemView::SingleSelection);
  lsvItem->setHeaderLabels({QStringLiteral("Archive ID"), QString(), QString()});
  (new QVBoxLayout(fraItems))->addWidget(lsvItem);
  QHBoxLayout* buttons = arch::buttonRow(this, QStringLiteral("&OK"), cmdOK, cmdCancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(fraItems);
  layout->addLayout(buttons);
  resize(480, 300);
  connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
  connect(lsvItem, &QTreeWidget::itemDoubleClicked, this, [this] { cmdOK_Click(); });
}

void frmArchRetOptForm::Form_Load() {
  lsvItem->headerItem()->setText(1, modVars::gstrParm1Caption);
  lsvItem->headerItem()->setText(2, modVars::gstrParm2Caption);
}

void frmArchRetOptForm::addItem(const arch::Keys& keys) {
  new QTreeWidgetItem(lsvItem, {keys.achId, keys.parm1, keys.parm2});
}

void frmArchRetOptForm::cmdOK_Click() {
  const QList<QTreeWidgetItem*> picked = lsvItem->selectedItems();
  if (picked.isEmpty()) {
    arch::showError(QStringLiteral("Please select a record to retrieve first!"));
    return;
  }
  ws::document().state().achId = picked.front()->text(0);
  ws::document().state().parm1 = picked.front()->text(1);
  ws::document().state().parm2 = picked.front()->text(2);
  Unload();
}

void frmArchRetOptForm::cmdCancel_Click() { Unload(); }
