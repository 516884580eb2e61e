#include "platform/windows/window.h"

#include <QApplication>
#include <QCursor>
#include <QImage>
#include <QPixmap>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>

namespace plat {

struct WindowHandle {
  QPointer<QWidget> widget;
  bool detached = false;
  int32_t width = 0;
  int32_t height = 0;
  bool visible = false;
  bool pending = false;
  RECT update{};
  bool erase = false;
  int32_t invalidations = 0;
  int32_t paints = 0;
  WindowProc proc = nullptr;
  void* context = nullptr;
  std::map<uintptr_t, std::unique_ptr<QTimer>> timers;
};

struct CursorHandle {
  QCursor cursor;
  bool system = false;
};

namespace {

std::unordered_set<WindowHandle*>& liveWindows() {
  static std::unordered_set<WindowHandle*> s;
  return s;
}
std::unordered_map<QWidget*, WindowHandle*>& byWidget() {
  static std::unordered_map<QWidget*, WindowHandle*> m;
  return m;
}

HWND gFocus = nullptr;
HWND gCapture = nullptr;
HCURSOR gCursor = nullptr;
struct Caret {
  HWND window = nullptr;
  int32_t width = 0, height = 0, x = 0, y = 0;
} gCaret;

bool live(HWND w) { return w && liveWindows().count(w); }

void forget(HWND w) {
  if (gFocus == w) gFocus = nullptr;
  if (gCapture == w) gCapture = nullptr;
  if (gCaret.window == w) gCaret = Caret{};
  liveWindows().erase(w);
  delete w;
}

RECT clientOf(HWND w) {
  if (w->widget) return {0, 0, w->widget->width(), w->widget->height()};
  return {0, 0, w->width, w->height};
}

RECT unite(const RECT& a, const RECT& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

}  // namespace

HWND WindowFromWidget(QWidget* widget) {
  if (!widget) return nullptr;
  auto it = byWidget().find(widget);
  if (it != byWidget().end()) return it->second;
  auto* w = new WindowHandle;
  w->widget = widget;
  liveWindows().insert(w);
  byWidget()[widget] = w;
  QObject::connect(widget, &QObject::destroyed, [widget] {
    auto found = byWidget().find(widget);
    if (found == byWidget().end()) return;
    HWND h = found->second;
    byWidget().erase(found);
    forget(h);
  });
  return w;
}

HWND CreateDetachedWindow(int32_t width, int32_t height) {
  auto* w = new WindowHandle;
  w->detached = true;
  w->width = std::max(width, 0);
  w->height = std::max(height, 0);
  liveWindows().insert(w);
  return w;
}

bool DestroyWindow(HWND window) {
  if (!live(window)) return false;
  if (window->widget) {
    byWidget().erase(window->widget.data());
    QWidget* widget = window->widget.data();
    forget(window);
    delete widget;
    return true;
  }
  forget(window);
  return true;
}

bool IsWindow(HWND window) { return live(window); }

QWidget* WidgetOf(HWND window) { return live(window) ? window->widget.data() : nullptr; }

bool GetClientRect(HWND window, RECT* rect) {
  if (!live(window) || !rect) return false;
  *rect = clientOf(window);
  return true;
}

bool ShowWindow(HWND window, int command) {
  if (!live(window)) return false;
  bool was = IsWindowVisible(window);
  bool show = command != SW_HIDE;
  if (window->widget) window->widget->setVisible(show);
  window->visible = show;
  return was;
}

bool IsWindowVisible(HWND window) {
  if (!live(window)) return false;
  return window->widget ? window->widget->isVisible() : window->visible;
}

bool InvalidateRect(HWND window, const RECT* rect, bool erase) {
  if (!live(window)) return false;
  RECT client = clientOf(window);
  RECT r = rect ? *rect : client;
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  ++window->invalidations;
  // The update region never reaches outside the client area.
  r = {std::max(r.left, client.left), std::max(r.top, client.top), std::min(r.right, client.right),
       std::min(r.bottom, client.bottom)};
  if (r.left >= r.right || r.top >= r.bottom) return true;
  window->update = window->pending ? unite(window->update, r) : r;
  window->pending = true;
  window->erase = window->erase || erase;
  if (window->widget) window->widget->update(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
  return true;
}

bool UpdateWindow(HWND window) {
  if (!live(window)) return false;
  if (!window->pending) return true;
  RECT r = window->update;
  window->pending = false;
  window->erase = false;
  ++window->paints;
  if (window->widget && window->widget->isVisible())
    window->widget->repaint(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top));
  return true;
}

bool GetUpdateRect(HWND window, RECT* rect, bool* eraseOut) {
  if (!live(window)) return false;
  if (rect) *rect = window->pending ? window->update : RECT{};
  if (eraseOut) *eraseOut = window->pending && window->erase;
  return window->pending;
}

int32_t InvalidateCount(HWND window) { return live(window) ? window->invalidations : 0; }
int32_t PaintCount(HWND window) { return live(window) ? window->paints : 0; }

HWND SetFocus(HWND window) {
  HWND previous = gFocus;
  if (window && !live(window)) return nullptr;
  gFocus = window;
  if (window && window->widget) {
    window->widget->setFocus(Qt::OtherFocusReason);
  } else if (!window && QApplication::instance()) {
    // Only the keys of these windows are taken away (an editor inside one ends its edit); a
    // widget of the program's own keeps them, or its keys would go nowhere from now on.
    QWidget* f = QApplication::focusWidget();
    for (QWidget* w = f; w; w = w->isWindow() ? nullptr : w->parentWidget())
      if (byWidget().count(w)) {
        f->clearFocus();
        break;
      }
  }
  return previous;
}

HWND GetFocus() { return gFocus; }

HWND SetCapture(HWND window) {
  HWND previous = gCapture;
  gCapture = live(window) ? window : nullptr;
  return previous;
}

bool ReleaseCapture() {
  gCapture = nullptr;
  return true;
}

HWND GetCapture() { return gCapture; }

void SetWindowProc(HWND window, WindowProc proc, void* context) {
  if (!live(window)) return;
  window->proc = proc;
  window->context = context;
}

LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!live(window) || !window->proc) return 0;
  return window->proc(window, message, wParam, lParam, window->context);
}

uintptr_t SetTimer(HWND window, uintptr_t id, uint32_t milliseconds) {
  if (!live(window) || !QCoreApplication::instance()) return 0;
  auto& slot = window->timers[id];
  if (!slot) {
    slot = std::make_unique<QTimer>();
    QTimer* t = slot.get();
    QObject::connect(t, &QTimer::timeout, [window, id] {
      if (live(window)) SendMessage(window, WM_TIMER, id, 0);
    });
  }
  slot->start(int(std::min<uint32_t>(milliseconds, 0x7FFFFFFF)));
  return id;
}

bool KillTimer(HWND window, uintptr_t id) {
  if (!live(window)) return false;
  return window->timers.erase(id) != 0;
}

bool GetCursorPos(POINT* point) {
  if (!point) return false;
  QPoint p = QCursor::pos();
  *point = {p.x(), p.y()};
  return true;
}

bool ScreenToClient(HWND window, POINT* point) {
  if (!live(window) || !point) return false;
  if (window->widget) {
    QPoint p = window->widget->mapFromGlobal(QPoint(point->x, point->y));
    *point = {p.x(), p.y()};
  }
  return true;
}

bool ClientToScreen(HWND window, POINT* point) {
  if (!live(window) || !point) return false;
  if (window->widget) {
    QPoint p = window->widget->mapToGlobal(QPoint(point->x, point->y));
    *point = {p.x(), p.y()};
  }
  return true;
}

HCURSOR LoadCursor(intptr_t systemId) {
  static std::map<intptr_t, std::unique_ptr<CursorHandle>> cache;
  Qt::CursorShape shape;
  switch (systemId) {
    case IDC_ARROW: shape = Qt::ArrowCursor; break;
    case IDC_IBEAM: shape = Qt::IBeamCursor; break;
    case IDC_WAIT: shape = Qt::WaitCursor; break;
    case IDC_CROSS: shape = Qt::CrossCursor; break;
    case IDC_SIZENWSE: shape = Qt::SizeFDiagCursor; break;
    case IDC_SIZENESW: shape = Qt::SizeBDiagCursor; break;
    case IDC_SIZEWE: shape = Qt::SizeHorCursor; break;
    case IDC_SIZENS: shape = Qt::SizeVerCursor; break;
    case IDC_SIZEALL: shape = Qt::SizeAllCursor; break;
    case IDC_NO: shape = Qt::ForbiddenCursor; break;
    case IDC_HAND: shape = Qt::PointingHandCursor; break;
    default: return nullptr;
  }
  auto& c = cache[systemId];
  if (!c) {
    c = std::make_unique<CursorHandle>();
    c->cursor = QCursor(shape);
    c->system = true;
  }
  return c.get();
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR previous = gCursor;
  gCursor = cursor;
  if (cursor && QApplication::instance()) {
    QWidget* target = gCapture && gCapture->widget ? gCapture->widget.data() : QApplication::widgetAt(QCursor::pos());
    if (target) target->setCursor(cursor->cursor);
  }
  return previous;
}

HCURSOR GetCursor() { return gCursor; }

HCURSOR CreateCursorFromImage(const QImage& image, int32_t hotX, int32_t hotY) {
  if (image.isNull()) return nullptr;
  auto* c = new CursorHandle;
  c->cursor = QCursor(QPixmap::fromImage(image), hotX, hotY);
  return c;
}

HCURSOR CopyCursor(HCURSOR cursor) {
  if (!cursor) return nullptr;
  auto* c = new CursorHandle;
  c->cursor = cursor->cursor;
  return c;
}

const QCursor* CursorOf(HCURSOR cursor) { return cursor ? &cursor->cursor : nullptr; }

bool DestroyCursor(HCURSOR cursor) {
  if (!cursor || cursor->system) return false;
  if (gCursor == cursor) gCursor = nullptr;
  delete cursor;
  return true;
}

bool CreateCaret(HWND window, int32_t width, int32_t height) {
  if (!live(window)) return false;
  gCaret = {window, width, height, 0, 0};
  return true;
}

bool DestroyCaret() {
  bool had = gCaret.window != nullptr;
  gCaret = Caret{};
  return had;
}

bool SetCaretPos(int32_t x, int32_t y) {
  if (!gCaret.window) return false;
  gCaret.x = x;
  gCaret.y = y;
  return true;
}

bool HasCaret() { return gCaret.window != nullptr; }

namespace {
std::map<std::string, uint32_t>& formatIds() {
  static std::map<std::string, uint32_t> m;
  return m;
}
}  // namespace

uint32_t RegisterClipboardFormatA(const char* name) {
  if (!name || !*name) return 0;
  auto& ids = formatIds();
  auto it = ids.find(name);
  if (it != ids.end()) return it->second;
  uint32_t id = 0xC000 + uint32_t(ids.size());
  ids.emplace(name, id);
  return id;
}

std::string ClipboardFormatMime(uint32_t format) {
  for (const auto& [name, id] : formatIds())
    if (id == format) return "application/x-clipboard-" + name;
  return {};
}

int32_t GetSystemMetrics(int index) {
  QScreen* screen = QGuiApplication::instance() ? QGuiApplication::primaryScreen() : nullptr;
  switch (index) {
    case SM_CXSCREEN: return screen ? screen->geometry().width() : 1024;
    case SM_CYSCREEN: return screen ? screen->geometry().height() : 768;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    default: return 0;
  }
}

COLORREF GetSysColor(int index) {
  // The classic three-dimensional scheme, so that stored defaults do not depend on the theme.
  switch (index) {
    case COLOR_WINDOW: return 0xFFFFFF;
    case COLOR_WINDOWTEXT: return 0x000000;
    case COLOR_BTNFACE: return 0xF0F0F0;
    case COLOR_BTNSHADOW: return 0xA0A0A0;
    case COLOR_BTNTEXT: return 0x000000;
    case COLOR_BTNHIGHLIGHT: return 0xFFFFFF;
    case COLOR_3DDKSHADOW: return 0x696969;
    case COLOR_3DLIGHT: return 0xE3E3E3;
    default: return 0;
  }
}

}  // namespace plat
