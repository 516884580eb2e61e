#include "annotation/palette_window.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QToolTip>

#include "annotation/ann_codes.h"

namespace {

// The buttons in their order, two a row; the image tool alone in the last row.
constexpr int32_t kOrder[] = {TOOL_POINTER, TOOL_TEXT,     TOOL_RECTANGLE, TOOL_ELLIPSE, TOOL_POLYGON, TOOL_POLYLINE,
                              TOOL_LINE,    TOOL_FREEHAND, TOOL_STAMP,     TOOL_BUTTON,  TOOL_IMAGE};
constexpr int kButtonSize = 32;

}  // namespace

QImage AnnToolPalette::ToolImage(int32_t tool) {
  QImage image(kButtonSize, kButtonSize, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(20, 20, 20), 2));
  switch (tool) {
    case TOOL_POINTER: {
      QPainterPath arrow;
      arrow.moveTo(9, 4);
      arrow.lineTo(9, 26);
      arrow.lineTo(14, 21);
      arrow.lineTo(18, 29);
      arrow.lineTo(21, 27);
      arrow.lineTo(17, 20);
      arrow.lineTo(24, 20);
      arrow.closeSubpath();
      p.fillPath(arrow, Qt::white);
      p.drawPath(arrow);
      break;
    }
    case TOOL_TEXT: {
      QFont f(QStringLiteral("DejaVu Serif"));
      f.setPixelSize(24);
      f.setBold(true);
      p.setFont(f);
      p.drawText(QRect(0, 0, kButtonSize, kButtonSize), Qt::AlignCenter, QStringLiteral("A"));
      break;
    }
    case TOOL_RECTANGLE:
      p.setBrush(QColor(120, 200, 120));
      p.drawRect(5, 8, 22, 16);
      break;
    case TOOL_ELLIPSE:
      p.setBrush(QColor(120, 200, 230));
      p.drawEllipse(4, 7, 24, 18);
      break;
    case TOOL_POLYGON:
      p.setBrush(QColor(230, 180, 110));
      p.drawPolygon(QPolygon({QPoint(16, 4), QPoint(28, 13), QPoint(23, 27), QPoint(8, 27), QPoint(4, 13)}));
      break;
    case TOOL_POLYLINE:
      p.drawPolyline(QPolygon({QPoint(4, 26), QPoint(11, 8), QPoint(19, 22), QPoint(28, 5)}));
      break;
    case TOOL_LINE:
      p.drawLine(5, 27, 27, 5);
      break;
    case TOOL_FREEHAND: {
      QPainterPath squiggle;
      squiggle.moveTo(4, 20);
      squiggle.cubicTo(9, 2, 14, 30, 19, 14);
      squiggle.cubicTo(22, 6, 26, 10, 28, 18);
      p.drawPath(squiggle);
      break;
    }
    case TOOL_STAMP:
      p.setPen(QPen(QColor(190, 30, 30), 2));
      p.drawRoundedRect(3, 9, 26, 14, 3, 3);
      p.setFont(QFont(QStringLiteral("DejaVu Sans"), 6, QFont::Bold));
      p.drawText(QRect(3, 9, 26, 14), Qt::AlignCenter, QStringLiteral("OK"));
      break;
    case TOOL_BUTTON:
      p.setBrush(QColor(200, 200, 200));
      p.drawRoundedRect(4, 9, 24, 14, 2, 2);
      p.drawLine(9, 16, 23, 16);
      break;
    case TOOL_IMAGE:
      p.setBrush(QColor(160, 200, 240));
      p.drawRect(4, 6, 24, 20);
      p.setBrush(QColor(70, 150, 70));
      p.drawPolygon(QPolygon({QPoint(6, 24), QPoint(14, 14), QPoint(20, 20), QPoint(26, 24)}));
      break;
    default:
      break;
  }
  return image;
}

AnnToolPalette::AnnToolPalette(Handlers handlers)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint), handlers_(std::move(handlers)) {
  setObjectName(QStringLiteral("annolyx_toolframe"));
  setWindowTitle(QString());
  setBackgroundRole(QPalette::Dark);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(2, 2, 2, 2);
  grid->setSpacing(0);
  for (int i = 0; i < 11; ++i) {
    const int32_t tool = kOrder[i];
    auto* b = new QToolButton(this);
    b->setObjectName(QStringLiteral("tool%1").arg(tool));
    b->setCheckable(true);
    b->setAutoExclusive(false);
    b->setIcon(QPixmap::fromImage(ToolImage(tool)));
    b->setIconSize(QSize(kButtonSize, kButtonSize));
    b->setFixedSize(kButtonSize + 6, kButtonSize + 6);
    b->setContextMenuPolicy(Qt::CustomContextMenu);
    b->installEventFilter(this);
    connect(b, &QToolButton::clicked, this, [this, tool, b] {
      // The check mark follows the layer's tool, set through SetPressed.
      b->setChecked(!b->isChecked());
      if (handlers_.clicked) handlers_.clicked(tool);
    });
    connect(b, &QWidget::customContextMenuRequested, this, [this, tool] {
      if (handlers_.rightClicked) handlers_.rightClicked(tool);
    });
    grid->addWidget(b, i / 2, i % 2);
    buttons_[size_t(tool - TOOL_FIRST)] = b;
  }
  adjustSize();
}

QToolButton* AnnToolPalette::Button(int32_t tool) const {
  return annIsTool(tool) ? buttons_[size_t(tool - TOOL_FIRST)] : nullptr;
}

void AnnToolPalette::SetPressed(int32_t tool) {
  for (int32_t t = TOOL_FIRST; t <= TOOL_LAST; ++t) Button(t)->setChecked(t == tool);
}

void AnnToolPalette::SetToolEnabled(int32_t tool, bool enabled) {
  if (QToolButton* b = Button(tool)) b->setEnabled(enabled);
}

void AnnToolPalette::closeEvent(QCloseEvent* event) {
  // Closing only hides the palette; the current layer remembers it as hidden.
  event->ignore();
  if (handlers_.closed) handlers_.closed();
}

bool AnnToolPalette::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() != QEvent::ToolTip) return QWidget::eventFilter(watched, e);
  // The tooltip text is asked for each time it is shown: the host may change it at any time.
  for (int32_t t = TOOL_FIRST; t <= TOOL_LAST; ++t) {
    if (Button(t) != watched) continue;
    QString text = handlers_.toolTip ? handlers_.toolTip(t) : QString();
    if (text.isEmpty()) QToolTip::hideText();
    else QToolTip::showText(static_cast<QHelpEvent*>(e)->globalPos(), text, Button(t));
    return true;
  }
  return QWidget::eventFilter(watched, e);
}
