#pragma once
// Small helpers shared by the windows of the albums: geometry in twips, toolbars whose buttons are
// found by key, and the error guard around event handlers.
#include <QAction>
#include <QString>
#include <QToolBar>
#include <functional>

class QWidget;

namespace albums {

// Left, top, width and height in twips.
void place(QWidget* w, double left, double top, double width, double height);
// A toolbar button with a key (its object name), a tool tip and a standard icon.
QAction* addButton(QToolBar* bar, const QString& key, const QString& toolTip, int standardIcon, const QString& text = QString());
QAction* button(const QToolBar* bar, const QString& key);
void enableButton(const QToolBar* bar, const QString& key, bool on);
// Runs an event handler; a run-time error that it did not handle is shown in an error box.
void guarded(const std::function<void()>& handler);

}  // namespace albums
