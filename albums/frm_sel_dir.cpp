#include "albums/frm_sel_dir.h"

#include "workspace/mod_vars.h"

#include <QDir>
#include <QGridLayout>
#include <QPushButton>

rt::DefaultInstance<frmSelDirForm> frmSelDir;

// ---- The picker -----------------------------------------------------------------------------------

frmSelDirForm::frmSelDirForm() {
  setCaption(QStringLiteral("   Select Directory"));
  cmdSelect = new QPushButton(QStringLiteral("&Select"), this);
  cmdCancel = new QPushButton(QStringLiteral("&Cancel"), this);
  rt::setCancel(cmdCancel);
  fleSel = new FileListBox(this);
  dirSel = new DirListBox(this);
  drvSel = new DriveListBox(this);
  fleSel->setEnabled(false);  // for orientation only
  auto* grid = new QGridLayout(this);
  grid->addWidget(dirSel, 0, 0);
  grid->addWidget(fleSel, 0, 1);
  grid->addWidget(drvSel, 1, 0);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(cmdSelect);
  buttons->addWidget(cmdCancel);
  grid->addLayout(buttons, 1, 1);
  resize(520, 320);
  albums::linkFolderLists(drvSel, dirSel, fleSel, drvSel->Drive());
  connect(cmdSelect, &QPushButton::clicked, this, [this] { cmdSelect_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

void frmSelDirForm::dirSel_Change() { fleSel->setPath(dirSel->Path()); }

QString fnSelDirTarget(const QString& caption) {
  const QString upper = caption.toUpper();
  for (const char* word : {"BATCH", "INDEX", "SEARCH"})
    if (upper.contains(QLatin1String(word))) return QString::fromLatin1(word);
  return QString();
}

void frmSelDirForm::cmdSelect_Click() {
  const QString target = fnSelDirTarget(Caption());
  if (target == QLatin1String("BATCH")) modVars::gstrBatchDir = dirSel->Path();
  if (target == QLatin1String("INDEX")) modVars::gstrIndexDir = dirSel->Path();
  if (target == QLatin1String("SEARCH")) modVars::gstrSearchDir = dirSel->Path();
  Unload();
}

void frmSelDirForm::cmdCancel_Click() { Unload(); }

void fnShowSelDir(const QString& caption, const QString& current, QWidget* owner) {
  frmSelDirForm* f = frmSelDir.get();
  f->setCaption(caption);
  // A folder not chosen yet is looked for from home, where the user's files are.
  const QString start = current.trimmed().isEmpty() ? QDir::homePath() : current;
  {
    const QSignalBlocker block(f->drvSel);
    f->drvSel->setDrive(start);
  }
  f->dirSel->setPath(start);
  f->fleSel->setPath(f->dirSel->Path());
  f->Show(rt::vbModal, owner);
}
