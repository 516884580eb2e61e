#include "albums/form_util.h"

#include "platform/text/native_path.h"
#include "runtime/dialogs.h"
#include "runtime/errors.h"
#include "runtime/message_boxes.h"
#include "runtime/screen.h"
#include "workspace/document/document_session.h"

#include <QApplication>
#include <QStyle>
#include <QTreeWidgetItem>
#include <QWidget>

namespace albums {

QAction* addButton(QToolBar* bar, const QString& key, const QString& toolTip, int standardIcon, const QString& text) {
  QAction* a = bar->addAction(QApplication::style()->standardIcon(static_cast<QStyle::StandardPixmap>(standardIcon)),
                              text.isEmpty() ? toolTip : text);
  a->setObjectName(key);
  a->setToolTip(toolTip);
  return a;
}

QAction* button(const QToolBar* bar, const QString& key) {
  for (QAction* a : bar->actions())
    if (a->objectName() == key) return a;
  return nullptr;
}

void enableButton(const QToolBar* bar, const QString& key, bool on) {
  if (QAction* a = button(bar, key)) a->setEnabled(on);
}

bool openInMainWindow(const QString& path) {
  bool closed = false;
  rt::RunGuarded([&] { closed = ws::document().close(false); });
  if (closed) rt::RunGuarded([&] { ws::document().open(path); });
  return closed;
}

QTreeWidgetItem* fileItem(const QString& path) {
  auto* item = new QTreeWidgetItem(QStringList{plat::displayPath(path)});
  item->setData(0, Qt::UserRole, path);
  return item;
}

QString itemFile(const QTreeWidgetItem* item) { return item->data(0, Qt::UserRole).toString(); }

}  // namespace albums
