#include "workspace/page_strip.h"

#include <algorithm>

namespace ws {

namespace {

PageEdit identity(int count, int current) {
  PageEdit e;
  e.from.resize(static_cast<std::size_t>(std::max(0, count)));
  for (int i = 0; i < e.count(); ++i) e.from[static_cast<std::size_t>(i)] = i;
  e.current = current;
  return e;
}

}  // namespace

PageEdit fnAppendPages(int count, int current, int added) {
  return fnInsertPages(count, current, count - 1, added);
}

PageEdit fnInsertPages(int count, int current, int after, int added) {
  PageEdit e = identity(count, current);
  if (added <= 0) return e;
  const int at = std::clamp(after + 1, 0, std::max(0, count));
  e.from.insert(e.from.begin() + at, static_cast<std::size_t>(added), kNewPage);
  e.firstNew = at;
  if (current >= at) e.current = current + added;
  return e;
}

std::optional<PageEdit> fnDeletePages(int count, int current, const std::vector<bool>& selected) {
  auto isSelected = [&](int i) { return i < static_cast<int>(selected.size()) && selected[static_cast<std::size_t>(i)]; };
  int deleted = 0;
  for (int i = count - 1; i >= 0; --i) {
    if (!isSelected(i)) continue;
    ++deleted;
    if (i <= current) current = std::max(0, current - 1);
  }
  if (count > 0 && deleted >= count) return std::nullopt;
  PageEdit e;
  for (int i = 0; i < count; ++i)
    if (!isSelected(i)) e.from.push_back(i);
  e.current = std::clamp(current, 0, std::max(0, e.count() - 1));
  return e;
}

PageEdit fnMovePage(int count, int current, int from, int to) {
  PageEdit e = identity(count, current);
  if (from < 0 || from >= count || to < 0 || to >= count || from == to) return e;
  e.from.erase(e.from.begin() + from);
  e.from.insert(e.from.begin() + to, from);
  e.current = static_cast<int>(std::find(e.from.begin(), e.from.end(), current) - e.from.begin());
  return e;
}

QString fnPageCaption(int index) { return QStringLiteral("Page %1").arg(index + 1); }

}  // namespace ws
