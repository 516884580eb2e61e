#pragma once
// Small helpers shared by the windows of the albums: geometry in twips, toolbars whose buttons are
// found by key, and the error guard around event handlers.
#include "runtime/message_boxes.h"
#include "runtime/twips.h"

#include <QAction>
#include <QString>
#include <QToolBar>

class QWidget;

namespace albums {

using tw::place;
// A toolbar button with a key (its object name), a tool tip and a standard icon.
QAction* addButton(QToolBar* bar, const QString& key, const QString& toolTip, int standardIcon, const QString& text = QString());
QAction* button(const QToolBar* bar, const QString& key);
void enableButton(const QToolBar* bar, const QString& key, bool on);

}  // namespace albums
