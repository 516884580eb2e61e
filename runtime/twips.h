#pragma once
// Geometry of a form's child widgets in twips (1440 per inch), converted to and from the screen's
// pixels; every window of the program places its controls through these. A top-level window is
// addressed by its outer frame instead (rt::Form).
#include "runtime/screen.h"

#include <QWidget>
#include <algorithm>

namespace tw {

inline double Left(const QWidget* w) { return rt::Screen::ToTwipsX(w->x()); }
inline double Top(const QWidget* w) { return rt::Screen::ToTwipsY(w->y()); }
inline double Width(const QWidget* w) { return rt::Screen::ToTwipsX(w->width()); }
inline double Height(const QWidget* w) { return rt::Screen::ToTwipsY(w->height()); }
inline void setLeft(QWidget* w, double v) { w->move(rt::Screen::ToPixelsX(v), w->y()); }
inline void setTop(QWidget* w, double v) { w->move(w->x(), rt::Screen::ToPixelsY(v)); }
// A size that layout arithmetic drove below zero leaves the widget empty.
inline void setWidth(QWidget* w, double v) { w->resize(std::max(0, rt::Screen::ToPixelsX(v)), w->height()); }
inline void setHeight(QWidget* w, double v) { w->resize(w->width(), std::max(0, rt::Screen::ToPixelsY(v))); }
// Left, top, width and height at once.
inline void place(QWidget* w, double left, double top, double width, double height) {
  w->setGeometry(rt::Screen::ToPixelsX(left), rt::Screen::ToPixelsY(top), std::max(0, rt::Screen::ToPixelsX(width)),
                 std::max(0, rt::Screen::ToPixelsY(height)));
}

}  // namespace tw
