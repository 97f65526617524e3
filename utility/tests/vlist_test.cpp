#include "vlist.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

int compare_int(const void* a, const void* b) {
  int x = *static_cast<const int*>(a), y = *static_cast<const int*>(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

struct ListTest : ::testing::Test {
  VLIST* list = nullptr;
  void SetUp() override { list = vlist_create(0); }
  void TearDown() override { vlist_delete(list); }
  void Fill(std::initializer_list<int> values) {
    for (int v : values) ASSERT_EQ(vlist_append(list, &v, sizeof v), 0);
  }
  std::vector<int> Values(const VLIST* l) {
    std::vector<int> out;
    for (VLIST_NODE* n = l->first; n; n = n->next) out.push_back(*static_cast<int*>(n->data));
    // The backward links agree with the forward ones.
    std::vector<int> back;
    for (VLIST_NODE* n = l->last; n; n = n->prev) back.insert(back.begin(), *static_cast<int*>(n->data));
    EXPECT_EQ(out, back);
    EXPECT_EQ(static_cast<int>(out.size()), l->count);
    return out;
  }
};

}  // namespace

TEST_F(ListTest, MaximumCountRefusesWithMinusTwo) {
  VLIST* small = vlist_create(2);
  int v = 1;
  EXPECT_EQ(vlist_append(small, &v, sizeof v), 0);
  EXPECT_EQ(vlist_append(small, &v, 0), 0);
  EXPECT_EQ(vlist_append(small, &v, sizeof v), -2);
  EXPECT_EQ(vlist_insert(small, 0, &v, sizeof v), -2);
  EXPECT_EQ(small->count, 2);
  vlist_delete(small);
}

TEST_F(ListTest, InsertMoveSwapReplaceKeepLinksWhole) {
  Fill({1, 2, 4});
  int three = 3, nine = 9;
  ASSERT_EQ(vlist_insert(list, 2, &three, sizeof three), 0);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(vlist_insert(list, 5, &three, sizeof three), -1);
  ASSERT_EQ(vlist_move(list, 0, 3), 0);
  EXPECT_EQ(Values(list), (std::vector<int>{2, 3, 4, 1}));
  ASSERT_EQ(vlist_move(list, 3, 1), 0);
  EXPECT_EQ(Values(list), (std::vector<int>{2, 1, 3, 4}));
  ASSERT_EQ(vlist_swap(list, 0, 3), 0);
  EXPECT_EQ(Values(list), (std::vector<int>{4, 1, 3, 2}));
  ASSERT_EQ(vlist_replace(list, 2, &nine, sizeof nine), 0);
  EXPECT_EQ(Values(list), (std::vector<int>{4, 1, 9, 2}));
  EXPECT_EQ(vlist_move(list, 0, 4), -1);
  int size = 0;
  EXPECT_EQ(*static_cast<int*>(vlist_data_at(list, 3, &size)), 2);
  EXPECT_EQ(vlist_data_at(list, 4, &size), nullptr);
  EXPECT_EQ(size, -1);
  EXPECT_EQ(vlist_index_of(list, vlist_data_at(list, 2, nullptr)), 2);
}

TEST_F(ListTest, CursorFollowsRemovalAndMoves) {
  Fill({10, 20, 30});
  EXPECT_EQ(*static_cast<int*>(vlist_cursor_move(list, VLIST_FIRST, 1)), 20);
  EXPECT_EQ(*static_cast<int*>(vlist_cursor_move(list, VLIST_CURRENT, -1)), 10);
  EXPECT_EQ(vlist_cursor_move(list, VLIST_CURRENT, -1), nullptr);  // before the first: unchanged
  EXPECT_EQ(*static_cast<int*>(vlist_cursor_data(list, nullptr)), 10);
  ASSERT_EQ(vlist_remove_at(list, 0), 0);  // the cursor moves to the next node
  EXPECT_EQ(*static_cast<int*>(vlist_cursor_data(list, nullptr)), 20);
  vlist_cursor_move(list, VLIST_LAST, 0);
  ASSERT_EQ(vlist_remove_at(list, 1), 0);  // at the end: to the previous one
  EXPECT_EQ(*static_cast<int*>(vlist_cursor_data(list, nullptr)), 20);
  ASSERT_EQ(vlist_remove_at(list, 0), 0);
  EXPECT_EQ(vlist_cursor_data(list, nullptr), nullptr);
  EXPECT_EQ(list->first, nullptr);
  EXPECT_EQ(list->last, nullptr);
}

TEST_F(ListTest, SortCopyAndSearch) {
  Fill({5, 1, 4, 1, 3});
  ASSERT_EQ(vlist_sort(list, compare_int), 0);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 1, 3, 4, 5}));

  vlist_cursor_move(list, VLIST_FIRST, 2);
  VLIST* copy = vlist_copy(list);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(Values(copy), Values(list));
  EXPECT_NE(copy->first->data, list->first->data);  // owned data is copied again
  EXPECT_EQ(*static_cast<int*>(vlist_cursor_data(copy, nullptr)), 3);
  vlist_delete(copy);

  int one = 1, index = -1, size = 0;
  EXPECT_NE(vlist_search(list, 1, compare_int, &one, &size, &index), nullptr);
  EXPECT_EQ(index, 1);
  EXPECT_EQ(vlist_search(list, 2, compare_int, &one, &size, &index), nullptr);
  EXPECT_EQ(index, -1);
  VLIST* ones = vlist_search_all(list, 0, compare_int, &one);
  ASSERT_NE(ones, nullptr);
  EXPECT_EQ(ones->count, 2);
  EXPECT_EQ(ones->first->data, list->first->data);  // the result borrows the elements
  vlist_delete(ones);
  vlist_remove_all(list);
  EXPECT_EQ(list->count, 0);
}
