#pragma once
// Small helpers shared by the windows of the albums: geometry in twips, toolbars whose buttons are
// found by key, and the error guard around event handlers.
#include "runtime/message_boxes.h"
#include "runtime/twips.h"

#include <QAction>
#include <QString>
#include <QToolBar>
#include <utility>

class QTreeWidgetItem;
class QWidget;

namespace albums {

using tw::place;
// A new widget made with the constructor's arguments and placed in twips: the windows' controls are
// made and placed in one step.
template <class W, class... Args>
W* placed(double left, double top, double width, double height, Args&&... args) {
  W* w = new W(std::forward<Args>(args)...);
  place(w, left, top, width, height);
  return w;
}
// A toolbar button with a key (its object name), a tool tip and a standard icon.
QAction* addButton(QToolBar* bar, const QString& key, const QString& toolTip, int standardIcon, const QString& text = QString());
QAction* button(const QToolBar* bar, const QString& key);
void enableButton(const QToolBar* bar, const QString& key, bool on);
// Replaces the main window's document with the picture at path: the open document is closed
// first, with its save question and archive unlock. False when the user kept it (nothing opened).
// A failure is shown as every event handler shows it.
bool openInMainWindow(const QString& path);
// A row of a results list that names a file: shown by its name for people (a byte of a name that
// is not UTF-8 as a replacement character), and carrying the name as it is, to open the file by.
QTreeWidgetItem* fileItem(const QString& path);
QString itemFile(const QTreeWidgetItem* item);

}  // namespace albums
