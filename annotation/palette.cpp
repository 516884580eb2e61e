// The engine's tool palette window, its buttons' state at the layers' request, and the cursors
// of the tools.
#include <QPainter>
#include <QToolButton>

#include "annotation/engine.h"
#include "annotation/engine_guard.h"
#include "annotation/layer.h"
#include "annotation/palette_window.h"
#include "platform/ole/ole.h"
#include "platform/windows/window.h"

using namespace ann_detail;

namespace {

constexpr size_t kMoveCursor = 33;

// The cursor pictures the library holds, by resource number 10000 + 1000 k + code.
bool libraryHasCursor(int32_t resource) {
  switch (resource) {
    case 11001: case 12001: case 13001: case 14001: case 15001: case 16001: case 17000: case 17001:
    case 18000: case 18001: case 19001: case 20000: case 20001:
      return true;
    default:
      return false;
  }
}

// Code 0 (drawing): a cross with the tool's picture; code 1 (over an element): an arrow with it;
// code 2 (a handle that only moves): four arrows with it.
QImage cursorImage(int32_t tool, int32_t code) {
  QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing, false);
  auto outlined = [&](const QPolygon& shape) {
    p.setPen(QPen(Qt::white, 3));
    p.drawPolyline(shape);
    p.setPen(QPen(Qt::black, 1));
    p.drawPolyline(shape);
  };
  if (code == 0) {
    outlined(QPolygon({QPoint(0, 8), QPoint(16, 8)}));
    outlined(QPolygon({QPoint(8, 0), QPoint(8, 16)}));
  } else if (code == 1) {
    QPolygon arrow({QPoint(0, 0), QPoint(0, 15), QPoint(4, 11), QPoint(7, 17), QPoint(9, 16), QPoint(6, 10),
                    QPoint(11, 10), QPoint(0, 0)});
    p.setBrush(Qt::white);
    p.setPen(Qt::black);
    p.drawPolygon(arrow);
  } else {
    outlined(QPolygon({QPoint(8, 0), QPoint(8, 16)}));
    outlined(QPolygon({QPoint(0, 8), QPoint(16, 8)}));
    p.setBrush(Qt::black);
    p.drawPolygon(QPolygon({QPoint(8, 0), QPoint(5, 3), QPoint(11, 3)}));
    p.drawPolygon(QPolygon({QPoint(8, 16), QPoint(5, 13), QPoint(11, 13)}));
    p.drawPolygon(QPolygon({QPoint(0, 8), QPoint(3, 5), QPoint(3, 11)}));
    p.drawPolygon(QPolygon({QPoint(16, 8), QPoint(13, 5), QPoint(13, 11)}));
  }
  p.drawImage(QRect(14, 14, 18, 18), AnnToolPalette::ToolImage(tool));
  return image;
}

}  // namespace

void AnnEngine::LoadCursors() {
  for (int32_t k = 0; k < TOOL_COUNT; ++k) {
    const int32_t tool = TOOL_FIRST + k;
    for (int32_t code = 0; code < 3; ++code) {
      plat::HCURSOR& cell = cursors_[size_t(3 * k + code)];
      int32_t resource = 10000 + 1000 * k + code;
      if (tool == TOOL_TEXT) {
        if (code == 0) {
          cell = plat::CopyCursor(plat::LoadCursor(plat::IDC_IBEAM));
          continue;
        }
        resource = code == 1 ? 11001 : 11000;
      }
      if (libraryHasCursor(resource)) cell = plat::CreateCursorFromImage(cursorImage(tool, code), code == 1 ? 0 : 8, code == 1 ? 0 : 8);
    }
  }
  QImage move = cursorImage(TOOL_POINTER, 2);
  cursors_[kMoveCursor] = plat::CreateCursorFromImage(move, 8, 8);
}

void AnnEngine::DestroyCursors() {
  for (plat::HCURSOR& c : cursors_) {
    if (c) plat::DestroyCursor(c);
    c = nullptr;
  }
}

bool AnnEngine::ChooseCursor(int32_t tool, int32_t code) {
  // Made on first use, when the host's application (which pictures need) surely runs.
  if (!cursors_[kMoveCursor]) LoadCursors();
  if (code >= plat::IDC_SIZENWSE && code <= plat::IDC_NO) {
    if (code == plat::IDC_SIZEALL) plat::SetCursor(cursors_[kMoveCursor]);
    else plat::SetCursor(plat::LoadCursor(code));
    return true;
  }
  if (!annIsTool(tool) || code < 0 || code > 2) return false;
  const bool allowed = code == 1 ? cursorOptions_[1] : cursorOptions_[0];
  plat::HCURSOR c = cursors_[size_t(3 * annToolIndex(tool) + code)];
  if (!allowed || !c) return false;
  plat::SetCursor(c);
  return true;
}

// ---------------------------------------------------------------------------------------------
// The palette window

bool AnnEngine::ShowPalette(int32_t show) {
  return guarded<bool>(false, [&] {
    if (lowByte(show)) {
      if (palette_) return false;
      AnnToolPalette::Handlers h;
      h.clicked = [this](int32_t tool) { PaletteClicked(tool); };
      h.rightClicked = [this](int32_t tool) { PaletteRightClicked(tool); };
      h.closed = [this] { PaletteClosed(); };
      h.toolTip = [this](int32_t tool) { return QString::fromStdU16String(ToolTipText(tool)); };
      palette_ = new AnnToolPalette(std::move(h));
      paletteWindow_ = plat::WindowFromWidget(palette_);
      palette_->move(0, 0);
      for (int32_t t = TOOL_FIRST; t <= TOOL_LAST; ++t) {
        bool enabled = true;
        if (current_) current_->GetToolEnabled(t, &enabled);
        palette_->SetToolEnabled(t, enabled);
      }
      if (current_) palette_->SetPressed(current_->GetCurrentTool());
      return palette_->Button(TOOL_POINTER) != nullptr;
    }
    if (!palette_) return false;
    plat::DestroyWindow(paletteWindow_);
    palette_ = nullptr;
    paletteWindow_ = nullptr;
    return true;
  });
}

void AnnEngine::PaletteClicked(int32_t tool) {
  guardedVoid([&] {
    if (current_) current_->SetCurrentTool(tool);
  });
}

void AnnEngine::PaletteRightClicked(int32_t tool) {
  guardedVoid([&] {
    if (toolMenusEnabled_) ShowToolMenu(tool);
    else NotifyHost(EVT_TOOL_BUTTON_RCLICK, tool);
  });
}

void AnnEngine::PaletteClosed() {
  guardedVoid([&] {
    if (current_) current_->SetPaletteVisible(false);
    ShowPaletteWindow(false);
  });
}

std::u16string AnnEngine::ToolTipText(int32_t tool) const {
  return annIsTool(tool) ? plat::SysToU16(tooltips_[annToolIndex(tool)]) : std::u16string();
}

void AnnEngine::PaletteToolPress(AnnLayerHandle layer, int32_t tool) {
  if (palette_ && current_ && layer == HandleOf(current_)) palette_->SetPressed(tool);
}

void AnnEngine::PaletteToolEnable(int32_t tool, bool enabled) {
  if (palette_) palette_->SetToolEnabled(tool, enabled);
}
