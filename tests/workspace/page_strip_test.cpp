// The page strip's bookkeeping: appending, inserting, deleting and moving pages keeps the
// per-page annotation store, the captions and the current page with their pages.
#include "workspace/page_strip.h"

#include <gtest/gtest.h>

namespace {

using ws::kNewPage;

// A store whose entry k names page k ("A", "B", ...); Empty entries stay Empty.
std::vector<rt::Variant> store(const QString& pages) {
  std::vector<rt::Variant> s;
  for (QChar c : pages) s.push_back(c == QLatin1Char('.') ? rt::Variant() : rt::Variant(QByteArray(1, c.toLatin1())));
  s.emplace_back();  // the spare entry
  return s;
}
QString names(const std::vector<rt::Variant>& s) {
  QString out;
  for (const rt::Variant& v : s) out += v.IsEmpty() ? QLatin1Char('.') : QLatin1Char(v.Bytes().at(0));
  return out;
}

struct Case {
  const char* what;
  ws::PageEdit edit;
  std::vector<int> from;
  int current;
  int firstNew;
  const char* store;  // of "ABCDE" (page 4 without annotations: "ABC.E"), with the spare entry
};

TEST(PageStrip, AppendInsertDeleteAndMoveKeepTheStoreWithItsPages) {
  const auto del = [](int current, std::vector<bool> sel) { return *ws::fnDeletePages(5, current, sel); };
  const Case cases[] = {
      {"append two", ws::fnAppendPages(5, 2, 2), {0, 1, 2, 3, 4, kNewPage, kNewPage}, 2, 5, "ABC.E..."},
      {"append to one page", ws::fnAppendPages(1, 0, 1), {0, kNewPage}, 0, 1, "A.."},
      {"insert at the start", ws::fnInsertPages(5, 0, -1, 1), {kNewPage, 0, 1, 2, 3, 4}, 1, 0, ".ABC.E."},
      {"insert in the middle", ws::fnInsertPages(5, 1, 1, 2), {0, 1, kNewPage, kNewPage, 2, 3, 4}, 1, 2, "AB..C.E."},
      {"insert behind the last", ws::fnInsertPages(5, 4, 4, 1), {0, 1, 2, 3, 4, kNewPage}, 4, 5, "ABC.E.."},
      {"delete the first", del(0, {true}), {1, 2, 3, 4}, 0, -1, "BC.E."},
      {"delete in the middle", del(4, {false, false, true}), {0, 1, 3, 4}, 3, -1, "AB.E."},
      {"delete the last", del(4, {false, false, false, false, true}), {0, 1, 2, 3}, 3, -1, "ABC.."},
      // Pages 2 and 4 selected, page 4 current: the former page 3 becomes current.
      {"delete two", del(3, {false, true, false, true, false}), {0, 2, 4}, 1, -1, "ACE."},
      {"move forward", ws::fnMovePage(5, 1, 1, 3), {0, 2, 3, 1, 4}, 3, -1, "AC.BE."},
      {"move back", ws::fnMovePage(5, 2, 4, 0), {4, 0, 1, 2, 3}, 3, -1, "EABC.."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.edit.from, c.from) << c.what;
    EXPECT_EQ(c.edit.current, c.current) << c.what;
    EXPECT_EQ(c.edit.firstNew, c.firstNew) << c.what;
    EXPECT_EQ(names(ws::fnAlignStore(store(QStringLiteral("ABC.E")), c.edit)).toStdString(), c.store) << c.what;
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
  const std::vector<QString> five = {"Page 1", "Page 2", "Page 3", "Page 4", "Page 5"};
  EXPECT_EQ(ws::fnAlignCaptions(five, *ws::fnDeletePages(5, 3, {false, true, false, true}), ws::CaptionRule::Travel),
            (std::vector<QString>{"Page 1", "Page 3", "Page 5"}));
  EXPECT_EQ(ws::fnAlignCaptions(five, ws::fnInsertPages(5, 1, 1, 1), ws::CaptionRule::Renumber),
            (std::vector<QString>{"Page 1", "Page 2", "Page 3", "Page 4", "Page 5", "Page 6"}));
  // Appended pages are captioned by their place; the others keep theirs.
  EXPECT_EQ(ws::fnAlignCaptions({"Page 1", "Page 3"}, ws::fnAppendPages(2, 0, 1), ws::CaptionRule::Travel),
            (std::vector<QString>{"Page 1", "Page 3", "Page 3"}));
}

}  // namespace
