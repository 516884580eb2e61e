#include "workspace/window_openers.h"

#include <QHash>

namespace ws {
namespace {

QHash<QString, WindowOpener>& openers() {
  static QHash<QString, WindowOpener> table;
  return table;
}

}  // namespace

void registerWindow(const QString& name, WindowOpener opener) {
  if (opener)
    openers().insert(name, std::move(opener));
  else
    openers().remove(name);
}

bool isWindowRegistered(const QString& name) { return openers().contains(name); }

bool openWindow(const QString& name, const QStringList& args) {
  const auto it = openers().constFind(name);
  if (it == openers().constEnd()) return false;
  // A copy: the opener may register or clear windows while it runs.
  const WindowOpener opener = it.value();
  opener(args);
  return true;
}

void clearWindowOpeners() { openers().clear(); }

}  // namespace ws
