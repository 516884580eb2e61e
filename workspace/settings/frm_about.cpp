#include "workspace/settings/frm_about.h"
#include "workspace/settings/dialog_parts.h"


#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

rt::DefaultInstance<frmAboutForm> frmAbout;

namespace {

// The product's mark: the program's own icon.
QPixmap productMark(int size) { return QIcon(QStringLiteral(":/desktop/kvtLumivex.svg")).pixmap(size, size); }

}  // namespace

frmAboutForm::frmAboutForm() {
  setObjectName(QStringLiteral("frmAbout"));
  setCaption(QStringLiteral("   About"));
  // shpBG fills the window; shpDescription lies behind the description.
  setAutoFillBackground(true);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, QColor(0xF4, 0xF4, 0xF0));
  setPalette(pal);
  auto* root = new QVBoxLayout(this);
  auto* head = new QHBoxLayout;
  Picture1 = new QLabel(this);
  Picture1->setObjectName(QStringLiteral("Picture1"));
  Picture1->setPixmap(productMark(64));
  auto* title = new QLabel(QStringLiteral("<b style='font-size:16pt'>Image Lumivex</b>"), this);
  picAbout = new QLabel(this);
  picAbout->setObjectName(QStringLiteral("picAbout"));
  picAbout->setPixmap(productMark(32));
  head->addWidget(Picture1);
  head->addWidget(title, 1);
  head->addWidget(picAbout, 0, Qt::AlignTop);
  root->addLayout(head);

  auto* shpDescription = new QFrame(this);
  shpDescription->setObjectName(QStringLiteral("shpDescription"));
  shpDescription->setFrameShape(QFrame::Box);
  shpDescription->setAutoFillBackground(true);
  QPalette white = shpDescription->palette();
  white.setColor(QPalette::Window, Qt::white);
  shpDescription->setPalette(white);
  auto* desc = new QVBoxLayout(shpDescription);
  lblMsg = new QLabel(QStringLiteral(
      "The Image Lumivex is an easy to use desktop productivity tool used to create, scan, view, edit and manage "
      "images. The Image Lumivex supports over 20 standard image formats and provides value-added features like "
      "slide shows and annotations."),
                      shpDescription);
  lblMsg->setObjectName(QStringLiteral("lblMsg"));
  lblMsg->setWordWrap(true);
  lblMsg->setMinimumWidth(380);
  desc->addWidget(lblMsg);
  root->addWidget(shpDescription);

  lblVersion = new QLabel(QStringLiteral("Version ") + QLatin1String(kProgramVersion), this);
  lblVersion->setObjectName(QStringLiteral("lblVersion"));
  lblAbout2 = new QLabel(QStringLiteral("A member of the Quorvane Imaging solution"), this);
  lblAbout2->setObjectName(QStringLiteral("lblAbout2"));
  cmdOK = settingsDialog::button(this, "cmdOK", QStringLiteral("&OK"));
  cmdOK->setDefault(true);
  rt::setCancel(cmdOK);
  auto* foot = new QHBoxLayout;
  auto* texts = new QVBoxLayout;
  texts->addWidget(lblVersion);
  texts->addWidget(lblAbout2);
  foot->addLayout(texts, 1);
  foot->addWidget(cmdOK, 0, Qt::AlignBottom);
  root->addLayout(foot);
  connect(cmdOK, &QPushButton::clicked, this, [this] { Unload(); });
}

void frmAboutForm::Form_Load() { settingsDialog::fnCentreOnScreen(*this); }
