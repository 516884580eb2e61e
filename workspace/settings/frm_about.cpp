#include "workspace/settings/frm_about.h"
#include "workspace/settings/dialog_parts.h"


#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

rt::DefaultInstance<frmAboutForm> frmAbout;

namespace {

// The product's mark: a page with a folded corner over a lens.
QPixmap productMark(int size) {
  QPixmap pm(size, size);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  QPolygonF page({{s * 0.2, s * 0.08}, {s * 0.62, s * 0.08}, {s * 0.8, s * 0.26}, {s * 0.8, s * 0.92}, {s * 0.2, s * 0.92}});
  p.setPen(QPen(QColor(40, 60, 110), s / 32));
  p.setBrush(Qt::white);
  p.drawPolygon(page);
  p.drawLine(QPointF(s * 0.62, s * 0.08), QPointF(s * 0.62, s * 0.26));
  p.drawLine(QPointF(s * 0.62, s * 0.26), QPointF(s * 0.8, s * 0.26));
  QLinearGradient g(0, s * 0.4, 0, s * 0.8);
  g.setColorAt(0, QColor(90, 150, 220));
  g.setColorAt(1, QColor(30, 80, 160));
  p.setBrush(g);
  p.drawEllipse(QPointF(s * 0.5, s * 0.6), s * 0.18, s * 0.18);
  return pm;
}

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

  lblVersion = new QLabel(QStringLiteral("Version 1.0"), this);
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
