#include "workspace/settings/frm_scan_opts.h"

#include "controls/scanning/scanning_control.h"
#include "runtime/conversions.h"
#include "runtime/dialogs.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "workspace/frm_img_clnt.h"
#include "workspace/settings/dialog_parts.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

rt::DefaultInstance<frmScanOptsForm> frmScanOpts;

frmScanOptsForm::frmScanOptsForm() {
  setObjectName(QStringLiteral("frmScanOpts"));
  setCaption(QStringLiteral("   Scanner Options"));
  auto* root = new QVBoxLayout(this);
  auto* fraCriteria = new QGroupBox(this);
  fraCriteria->setObjectName(QStringLiteral("fraCriteria"));
  auto* grid = new QGridLayout(fraCriteria);
  lblInfo = new QLabel(QStringLiteral("Enter Scan Area In Inches :"), fraCriteria);
  grid->addWidget(lblInfo, 0, 0, 1, 4);
  struct Row {
    QLineEdit** box;
    const char* name;
    const char* caption;
    int row, column;
  } rows[] = {{&txtLeft, "txtLeft", "Left :", 1, 0},
              {&txtTop, "txtTop", "Top :", 1, 2},
              {&txtRight, "txtRight", "Right :", 2, 0},
              {&txtBottom, "txtBottom", "Bottom :", 2, 2}};
  for (const Row& r : rows) {
    auto* label = new QLabel(QString::fromLatin1(r.caption), fraCriteria);
    *r.box = new QLineEdit(fraCriteria);
    (*r.box)->setObjectName(QString::fromLatin1(r.name));
    (*r.box)->setMaximumWidth(90);
    (*r.box)->installEventFilter(this);
    grid->addWidget(label, r.row, r.column);
    grid->addWidget(*r.box, r.row, r.column + 1);
    connect(*r.box, &QLineEdit::textChanged, this, [this] { fnEnableOK(); });
  }
  root->addWidget(fraCriteria);
  cmdOK = settingsDialog::button(this, "cmdOK", QStringLiteral("&OK"));
  cmdOK->setDefault(true);
  cmdCancel = settingsDialog::button(this, "cmdCancel", QStringLiteral("&Cancel"));
  rt::setCancel(cmdCancel);
  settingsDialog::addButtonRow(root, {cmdOK, cmdCancel});
  setTabOrder(txtLeft, txtTop);
  setTabOrder(txtTop, txtRight);
  setTabOrder(txtRight, txtBottom);
  connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
  connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
}

QLineEdit* frmScanOptsForm::Box(scanArea::Box box) const {
  switch (box) {
    case scanArea::Left: return txtLeft;
    case scanArea::Top: return txtTop;
    case scanArea::Right: return txtRight;
    case scanArea::Bottom: return txtBottom;
  }
  return nullptr;
}

std::array<QString, 4> frmScanOptsForm::texts() const {
  return {txtLeft->text(), txtTop->text(), txtRight->text(), txtBottom->text()};
}

// A failure of the scanner: its own text when it gave one.
void frmScanOptsForm::showControlError(const QString& description) {
  ScanningControl* twn = frmImgClnt->twnMain;
  rt::ShowError(twn->ErrorCode() != 0 ? twn->ErrorText() : description);
}

void frmScanOptsForm::Form_Load() {
  try {
    float v[4] = {0, 0, 0, 0};
    frmImgClnt->twnMain->GetScanArea(v[0], v[1], v[2], v[3]);
    for (int i = 0; i < 4; ++i) Box(static_cast<scanArea::Box>(i))->setText(scanArea::fnTwoDecimals(v[i]));
  } catch (const rt::RuntimeError& e) {
    showControlError(e.Description());
  }
  fnEnableOK();
  settingsDialog::fnCentreOnScreen(*this);
}

void frmScanOptsForm::fnEnableOK() { cmdOK->setEnabled(scanArea::fnEnableOK(texts())); }

bool frmScanOptsForm::txt_Validate(scanArea::Box box) {
  QLineEdit* edit = Box(box);
  if (!edit->text().trimmed().isEmpty()) edit->setText(edit->text().trimmed());
  const std::optional<QString> message = scanArea::fnValidate(box, texts());
  if (!message) return true;
  validating_ = true;
  rt::ShowError(*message);
  validating_ = false;
  edit->setFocus();
  edit->selectAll();
  return false;
}

bool frmScanOptsForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::FocusOut && !validating_) {
    for (int i = 0; i < 4; ++i) {
      const auto box = static_cast<scanArea::Box>(i);
      // Cancel leaves without a word; the focus comes back to a box that is not valid.
      if (watched == Box(box) && !cmdCancel->underMouse() && !IsUnloaded())
        QTimer::singleShot(0, this, [this, box] {
          // A check that already sent the focus back (OK's) is not repeated.
          if (!IsUnloaded() && QApplication::focusWidget() != Box(box)) txt_Validate(box);
        });
    }
  }
  return rt::Form::eventFilter(watched, event);
}

void frmScanOptsForm::cmdOK_Click() {
  for (int i = 0; i < 4; ++i)
    if (!txt_Validate(static_cast<scanArea::Box>(i))) return;
  try {
    frmImgClnt->twnMain->SetScanArea(rt::Val(txtLeft->text()), rt::Val(txtTop->text()), rt::Val(txtRight->text()),
                                     rt::Val(txtBottom->text()));
  } catch (const rt::RuntimeError& e) {
    showControlError(e.Description());
    return;
  }
  Unload();
}

void frmScanOptsForm::cmdCancel_Click() { Unload(); }
