// The page strip's bookkeeping: appending, inserting, deleting and moving pages keeps the
// layers, the captions and the current page with their pages.
#include "workspace/page_strip.h"

#include "workspace/document/page_store.h"

#include <gtest/gtest.h>

namespace {

using ws::kNewPage;

// The first pages of a file whose layers name them "A", "B", "C", none, "E".
ws::PageStore pagesOf(int count = 5) {
  std::vector<QByteArray> layers = {"A", "B", "C", "", "E"};
  layers.resize(static_cast<std::size_t>(count));
  ws::PageStore store;
  store.takeFile(QStringLiteral("five.tif"), count, layers);
  return store;
}
// The pages' layers in order, "." for a page without one.
std::string names(const ws::PageStore& s) {
  std::string out;
  for (int i = 0; i < s.count(); ++i) out += s.layer(i).isEmpty() ? '.' : s.layer(i).at(0);
  return out;
}
std::vector<QString> captions(const ws::PageStore& s) {
  std::vector<QString> out;
  for (int i = 0; i < s.count(); ++i) out.push_back(s.caption(i));
  return out;
}

struct Case {
  const char* what;
  ws::PageEdit edit;
  std::vector<int> from;
  int current;
  int firstNew;
  const char* layers;  // of "ABC.E" (page 4 without annotations)
  int pages = 5;       // before the edit
};

TEST(PageStrip, AppendInsertDeleteAndMoveKeepLayersWithTheirPages) {
  const auto del = [](int current, std::vector<bool> sel) { return *ws::fnDeletePages(5, current, sel); };
  const Case cases[] = {
      {"append two", ws::fnAppendPages(5, 2, 2), {0, 1, 2, 3, 4, kNewPage, kNewPage}, 2, 5, "ABC.E.."},
      {"append to one page", ws::fnAppendPages(1, 0, 1), {0, kNewPage}, 0, 1, "A.", 1},
      {"insert at the start", ws::fnInsertPages(5, 0, -1, 1), {kNewPage, 0, 1, 2, 3, 4}, 1, 0, ".ABC.E"},
      {"insert in the middle", ws::fnInsertPages(5, 1, 1, 2), {0, 1, kNewPage, kNewPage, 2, 3, 4}, 1, 2, "AB..C.E"},
      {"insert behind the last", ws::fnInsertPages(5, 4, 4, 1), {0, 1, 2, 3, 4, kNewPage}, 4, 5, "ABC.E."},
      {"delete the first", del(0, {true}), {1, 2, 3, 4}, 0, -1, "BC.E"},
      {"delete in the middle", del(4, {false, false, true}), {0, 1, 3, 4}, 3, -1, "AB.E"},
      {"delete the last", del(4, {false, false, false, false, true}), {0, 1, 2, 3}, 3, -1, "ABC."},
      // Pages 2 and 4 selected, page 4 current: the former page 3 becomes current.
      {"delete two", del(3, {false, true, false, true, false}), {0, 2, 4}, 1, -1, "ACE"},
      {"move forward", ws::fnMovePage(5, 1, 1, 3), {0, 2, 3, 1, 4}, 3, -1, "AC.BE"},
      {"move back", ws::fnMovePage(5, 2, 4, 0), {4, 0, 1, 2, 3}, 3, -1, "EABC."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.edit.from, c.from) << c.what;
    EXPECT_EQ(c.edit.current, c.current) << c.what;
    EXPECT_EQ(c.edit.firstNew, c.firstNew) << c.what;
    ws::PageStore store = pagesOf(c.pages);
    store.apply(c.edit, ws::CaptionRule::Travel);
    EXPECT_EQ(names(store), c.layers) << c.what;
    EXPECT_EQ(store.selection(), [&] {
      std::vector<bool> only(static_cast<std::size_t>(c.edit.count()));
      only[static_cast<std::size_t>(c.current)] = true;
      return only;
    }()) << c.what << ": the current page alone is selected";
  }
}

TEST(PageStrip, CurrentPageAfterDeleteFollowsTheWalkFromTheLastPage) {
  struct DeleteCase {
    int current;
    std::vector<bool> selected;
    int want;
  } cases[] = {
      {0, {true, false, false}, 0},   // page 1 deleted while current: stays at the first page
      {2, {true, true, false}, 0},    // two before it
      {1, {false, false, true}, 1},   // behind it: unchanged
      {2, {false, false, true}, 1},   // itself, last page
  };
  for (const DeleteCase& c : cases) {
    const auto e = ws::fnDeletePages(3, c.current, c.selected);
    ASSERT_TRUE(e.has_value());
    EXPECT_EQ(e->current, c.want) << c.current;
  }
  // The strip keeps at least one page: deleting every page is refused.
  EXPECT_FALSE(ws::fnDeletePages(2, 0, {true, true}).has_value());
}

TEST(PageStrip, CaptionsTravelOnDeleteAndAreRenumberedOtherwise) {
  ws::PageStore store = pagesOf();
  store.apply(*ws::fnDeletePages(5, 3, {false, true, false, true}), ws::CaptionRule::Travel);
  EXPECT_EQ(captions(store), (std::vector<QString>{"Page 1", "Page 3", "Page 5"}));
  // Appended pages are captioned by their place; the others keep theirs.
  store.apply(ws::fnAppendPages(3, 0, 1), ws::CaptionRule::Travel);
  EXPECT_EQ(captions(store), (std::vector<QString>{"Page 1", "Page 3", "Page 5", "Page 4"}));
  store.apply(ws::fnInsertPages(4, 1, 1, 1), ws::CaptionRule::Renumber);
  EXPECT_EQ(captions(store), (std::vector<QString>{"Page 1", "Page 2", "Page 3", "Page 4", "Page 5"}));
}

}  // namespace
