#include "workspace/frm_anno_palette.h"

#include "controls/annotation/annotation_control.h"
#include "controls/imaging/imaging_control.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "runtime/screen.h"
#include "workspace/frm_img_clnt.h"

#include <QAction>
#include <QActionGroup>
#include <QButtonGroup>
#include <QCursor>
#include <QGridLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <cmath>

rt::DefaultInstance<frmAnnoPaletteForm> frmAnnoPalette;

namespace {

const char* const kTips[] = {"Pointer Tool",  "Text Tool",     "Rectangle Tool", "Ellipse Tool", "Polygon Tool", "PolyLine Tool",
                             "Line Tool",     "FreeHand Tool", "Stamp Tool",     "Button Tool",  "Image Tool"};

// The button size: 329.95 by 345.25 twips.
constexpr double kButtonWidth = 329.95;
constexpr double kButtonHeight = 345.25;

ann::AnnotationControl* control() { return frmImgClnt->nxMain; }

// A small picture for each tool, drawn rather than loaded.
QIcon toolIcon(const QString& key) {
  QPixmap pm(16, 16);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 1.2));
  if (key == QLatin1String("arrow")) {
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygonF({{4, 2}, {4, 13}, {7, 10}, {9, 14}, {11, 13}, {9, 9}, {13, 9}}));
  } else if (key == QLatin1String("text")) {
    QFont f = p.font();
    f.setPixelSize(13);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("A"));
  } else if (key == QLatin1String("rectangle")) {
    p.drawRect(2, 4, 12, 8);
  } else if (key == QLatin1String("ellipse")) {
    p.drawEllipse(2, 4, 12, 8);
  } else if (key == QLatin1String("polygon")) {
    p.drawPolygon(QPolygonF({{2, 12}, {6, 3}, {14, 6}, {11, 14}}));
  } else if (key == QLatin1String("polyline")) {
    p.drawPolyline(QPolygonF({{2, 13}, {6, 4}, {10, 11}, {14, 3}}));
  } else if (key == QLatin1String("line")) {
    p.drawLine(2, 14, 14, 2);
  } else if (key == QLatin1String("freehand")) {
    QPainterPath path({2, 10});
    path.cubicTo(5, 0, 9, 16, 14, 5);
    p.drawPath(path);
  } else if (key == QLatin1String("stamp")) {
    p.setPen(QPen(Qt::darkRed, 1.2));
    p.drawRoundedRect(1, 4, 14, 8, 2, 2);
    p.drawLine(4, 8, 12, 8);
  } else if (key == QLatin1String("button")) {
    p.setBrush(QColor(0xd4, 0xd0, 0xc8));
    p.drawRect(1, 4, 14, 8);
    p.setPen(Qt::white);
    p.drawLine(2, 5, 14, 5);
  } else if (key == QLatin1String("image")) {
    p.drawRect(2, 3, 12, 10);
    p.setBrush(Qt::darkGreen);
    p.drawPolygon(QPolygonF({{3, 12}, {7, 7}, {10, 10}, {13, 8}, {13, 12}}));
  }
  return QIcon(pm);
}

}  // namespace

frmAnnoPaletteForm::frmAnnoPaletteForm() {
  setObjectName(QStringLiteral("frmAnnoPalette"));
  setCaption(QStringLiteral("   Tools"));
  setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  tlbTools = new QWidget(this);
  tlbTools->setObjectName(QStringLiteral("tlbTools"));
  auto* grid = new QGridLayout(tlbTools);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(0);
  const int w = rt::Screen::ToPixelsX(kButtonWidth);
  const int h = rt::Screen::ToPixelsY(kButtonHeight);
  auto* group = new QButtonGroup(this);
  group->setExclusive(true);
  const std::vector<QString>& keys = ws::fnPaletteKeys();
  for (std::size_t i = 0; i < keys.size(); ++i) {
    auto* b = new QToolButton(tlbTools);
    b->setObjectName(keys[i]);
    b->setCheckable(true);
    b->setAutoRaise(true);
    b->setFixedSize(w, h);
    b->setIcon(toolIcon(keys[i]));
    b->setToolTip(QString::fromLatin1(kTips[i]));
    b->installEventFilter(this);
    group->addButton(b);
    grid->addWidget(b, static_cast<int>(i / 2), static_cast<int>(i % 2));
    const QString key = keys[i];
    connect(b, &QToolButton::clicked, this, [this, key] { tlbTools_ButtonClick(key); });
    buttons_.insert(key, b);
  }
  tlbTools->setFixedSize(2 * w, 6 * h);
  setFixedSize(tlbTools->size());
  ixImage = new img::ImagingControl(this);
  ixImage->setVisible(false);
  buildMenus();
}

QToolButton* frmAnnoPaletteForm::Button(const QString& key) const { return buttons_.value(key); }
QMenu* frmAnnoPaletteForm::PopupMenu(const QString& name) const { return menus_.value(name); }
QAction* frmAnnoPaletteForm::MenuItem(const QString& name) const { return items_.value(name); }

void frmAnnoPaletteForm::buildMenus() {
  for (const ws::PaletteMenu& m : ws::fnPaletteMenus()) {
    auto* menu = new QMenu(QString::fromLatin1(m.caption), this);
    menu->setObjectName(QString::fromLatin1(m.name));
    menus_.insert(menu->objectName(), menu);
    for (const ws::PaletteItem& item : m.items) {
      const QString name = QString::fromLatin1(item.name);
      if (item.kind != ws::ItemKind::List) {
        QAction* a = menu->addAction(QString::fromLatin1(item.caption));
        a->setObjectName(name);
        items_.insert(name, a);
        connect(a, &QAction::triggered, this, [this, &m, &item] { itemClicked(m, item); });
        continue;
      }
      QMenu* sub = menu->addMenu(QString::fromLatin1(item.caption));
      sub->setObjectName(name);
      menus_.insert(name, sub);
      const std::vector<QString> captions = ws::fnListCaptions(item.list, m.tool == TOOL_STAMP);
      for (std::size_t i = 0; i < captions.size(); ++i) {
        QAction* a = sub->addAction(captions[i]);
        a->setCheckable(true);
        const QString itemName = QStringLiteral("%1(%2)").arg(QString::fromLatin1(item.listName)).arg(i);
        a->setObjectName(itemName);
        items_.insert(itemName, a);
        const int index = static_cast<int>(i);
        connect(a, &QAction::triggered, this, [this, &m, &item, index] { listClicked(m, item, index); });
      }
    }
  }
}

// Sits 150 twips inside the page view's top-left corner and shows the current tool.
void frmAnnoPaletteForm::Form_Load() {
  const QPoint origin = frmImgClnt->ixMain->mapToGlobal(QPoint(0, 0));
  place_ = origin + QPoint(rt::Screen::ToPixelsX(150), rt::Screen::ToPixelsY(150));
  move(place_);
  fnShowCurrTool();
}

// Taking its owner may shift the window by its frame: it goes back to its place once shown.
void frmAnnoPaletteForm::Form_Activate() { move(place_); }

// Whatever unloads the palette, the pointer tool is current afterwards and the menu item unchecked.
void frmAnnoPaletteForm::Form_Unload(int&) {
  if (!frmImgClnt.IsLoaded()) return;
  control()->setCurrentTool(TOOL_POINTER);
  if (QAction* a = frmImgClnt->Menu(QStringLiteral("mnuAnnPalette"))) a->setChecked(false);
}

void frmAnnoPaletteForm::fnShowCurrTool() {
  for (QToolButton* b : buttons_) b->setChecked(false);
  if (QToolButton* b = Button(ws::fnPaletteKeyForTool(control()->CurrentTool()))) b->setChecked(true);
}

void frmAnnoPaletteForm::tlbTools_ButtonClick(const QString& key) { fnSetCurrTool(key); }

void frmAnnoPaletteForm::fnSetCurrTool(const QString& key) {
  const int32_t tool = ws::fnPaletteTool(key);
  if (tool < 0) return;
  control()->setCurrentTool(tool);
}

void frmAnnoPaletteForm::tlbTools_MouseUp(int16_t button, int16_t, float x, float y) {
  if (button != 2) return;
  const QString key = ws::fnPaletteHit(static_cast<int32_t>(std::nearbyint(x * 100.0)), static_cast<int32_t>(std::nearbyint(y * 100.0)));
  const ws::PaletteMenu* menu = ws::fnPaletteMenu(key);
  QToolButton* b = Button(key);
  if (!menu || !b || !b->isChecked()) return;
  fnSyncToolMenu(key);
  PopupMenu(QString::fromLatin1(menu->name))->popup(QCursor::pos());
}

bool frmAnnoPaletteForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    auto* e = static_cast<QMouseEvent*>(event);
    auto* b = qobject_cast<QToolButton*>(watched);
    if (b && e->button() == Qt::RightButton) {
      const QPointF p = b->mapTo(tlbTools, e->position());
      tlbTools_MouseUp(2, 0, static_cast<float>(rt::Screen::ToTwipsX(p.x())), static_cast<float>(rt::Screen::ToTwipsY(p.y())));
      return true;
    }
  }
  return rt::Form::eventFilter(watched, event);
}

void frmAnnoPaletteForm::fnSyncToolMenu(const QString& key) {
  const ws::PaletteMenu* menu = ws::fnPaletteMenu(key);
  if (!menu) return;
  for (const ws::PaletteItem& item : menu->items) {
    if (item.kind != ws::ItemKind::List) continue;
    int32_t value = 0;
    control()->GetToolAttribute(menu->tool, item.attribute, value);
    const int checked = ws::fnListCheckedIndex(item.list, value);
    const std::size_t n = ws::fnListCaptions(item.list).size();
    for (std::size_t i = 0; i < n; ++i)
      if (QAction* a = MenuItem(QStringLiteral("%1(%2)").arg(QString::fromLatin1(item.listName)).arg(i)))
        a->setChecked(static_cast<int>(i) == checked);
  }
}

namespace {
// The dialog's cancel ends a command silently; any other failure is shown.
void attributeCommand(const std::function<void()>& command) {
  try {
    command();
  } catch (const rt::RuntimeError& e) {
    if (e.Number() != rt::kErrCancel) rt::ShowError(e.Description());
  }
}
// A value the annotation control refused.
void check(int32_t rc, const QString& what) {
  if (rc != 0) rt::Raise(rc, QString(), QStringLiteral("The annotation tool does not accept this %1.").arg(what));
}
}  // namespace

void frmAnnoPaletteForm::fnSetToolAttr(int32_t tool, int32_t attribute, int32_t value) {
  const QString title = ws::fnColourTitle(attribute);
  if (!title.isEmpty()) {
    int32_t current = 0;
    control()->GetToolAttribute(tool, attribute, current);
    cdgAnno.DialogTitle = title;
    cdgAnno.Color = static_cast<uint32_t>(current);
    cdgAnno.Flags = 1;
    cdgAnno.CancelError = true;
    cdgAnno.Owner = this;
    cdgAnno.ShowColor();
    check(control()->SetToolAttribute(tool, attribute, static_cast<int32_t>(cdgAnno.Color)), QStringLiteral("colour"));
    return;
  }
  for (const ws::PaletteMenu& m : ws::fnPaletteMenus())
    for (const ws::PaletteItem& item : m.items)
      if (item.kind == ws::ItemKind::List && item.attribute == attribute && m.tool == tool) {
        check(control()->SetToolAttribute(tool, attribute, ws::fnListValue(item.list, value)), QStringLiteral("value"));
        return;
      }
}

void frmAnnoPaletteForm::itemClicked(const ws::PaletteMenu& menu, const ws::PaletteItem& item) {
  switch (item.kind) {
    case ws::ItemKind::Colour: attributeCommand([&] { fnSetToolAttr(menu.tool, item.attribute, 0); }); break;
    case ws::ItemKind::Font: attributeCommand([&] { fontClicked(QString::fromLatin1(menu.key)); }); break;
    case ws::ItemKind::DefaultText: defaultTextClicked(QString::fromLatin1(menu.key)); break;
    case ws::ItemKind::Picture: attributeCommand([&] { pictureClicked(); }); break;
    case ws::ItemKind::List: break;
  }
}

void frmAnnoPaletteForm::listClicked(const ws::PaletteMenu& menu, const ws::PaletteItem& item, int index) {
  const std::size_t n = ws::fnListCaptions(item.list).size();
  for (std::size_t i = 0; i < n; ++i)
    if (QAction* a = MenuItem(QStringLiteral("%1(%2)").arg(QString::fromLatin1(item.listName)).arg(i)))
      a->setChecked(static_cast<int>(i) == index);
  attributeCommand([&] { fnSetToolAttr(menu.tool, item.attribute, index); });
}

void frmAnnoPaletteForm::fontClicked(const QString& key) {
  ann::AnnotationControl* nx = control();
  const QFont f = key == QLatin1String("text") ? nx->TextFont() : key == QLatin1String("stamp") ? nx->StampFont() : nx->ButtonFont();
  cdgAnno.DialogTitle = QStringLiteral("Select Font");
  cdgAnno.Flags = 3;
  cdgAnno.CancelError = true;
  cdgAnno.Owner = this;
  cdgAnno.FontBold = f.bold();
  cdgAnno.FontItalic = f.italic();
  cdgAnno.FontName = f.family();
  cdgAnno.FontSize = f.pointSizeF();
  cdgAnno.FontStrikethru = f.strikeOut();
  cdgAnno.FontUnderline = f.underline();
  cdgAnno.ShowFont();
  QFont chosen;
  chosen.setBold(cdgAnno.FontBold);
  chosen.setItalic(cdgAnno.FontItalic);
  chosen.setFamily(cdgAnno.FontName);
  if (cdgAnno.FontSize > 0) chosen.setPointSizeF(cdgAnno.FontSize);
  chosen.setStrikeOut(cdgAnno.FontStrikethru);
  chosen.setUnderline(cdgAnno.FontUnderline);
  const int32_t rc = key == QLatin1String("text") ? nx->setTextFont(chosen)
                     : key == QLatin1String("stamp") ? nx->setStampFont(chosen)
                                                     : nx->setButtonFont(chosen);
  check(rc, QStringLiteral("font"));
}

void frmAnnoPaletteForm::defaultTextClicked(const QString& key) {
  ann::AnnotationControl* nx = control();
  const bool stamp = key == QLatin1String("stamp");
  const QString answer = ws::fnDefaultTextAnswer(
      rt::InputBox(QStringLiteral("Please enter default text"), stamp ? QStringLiteral("Stamp Annotation") : QStringLiteral("Button Annotation"),
                   stamp ? nx->StampDefaultText() : nx->ButtonDefaultText()));
  if (answer.isEmpty()) return;
  if (stamp) nx->setStampDefaultText(answer);
  else nx->setButtonDefaultText(answer);
}

void frmAnnoPaletteForm::pictureClicked() {
  cdgAnno.DialogTitle = QStringLiteral("Select Image");
  cdgAnno.FileName = QString();
  cdgAnno.CancelError = true;
  cdgAnno.Owner = this;
  cdgAnno.ShowOpen();
  ixImage->setSourceFile(cdgAnno.FileName);
  if (!ixImage->hasImage()) rt::Raise(rt::kErrFileNotFound, QString(), QStringLiteral("The picture \"%1\" cannot be read.").arg(cdgAnno.FileName));
  check(control()->setImageToolPicture(ixImage->Picture()), QStringLiteral("picture"));
}
