#include "glimmet/vector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

int compare_int(const void* a, const void* b) {
  int x = *static_cast<const int*>(a), y = *static_cast<const int*>(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

int g_compares = 0;
int counting_compare(const void* a, const void* b) {
  ++g_compares;
  return compare_int(a, b);
}

// Element with a sort key and its original position, to see order among equal keys.
struct Keyed {
  int key;
  int pos;
};
int compare_keyed(const void* a, const void* b) {
  return compare_int(&static_cast<const Keyed*>(a)->key, &static_cast<const Keyed*>(b)->key);
}

struct VectorTest : ::testing::Test {
  VECTOR v{};
  void SetUp() override { ASSERT_EQ(init_vector_default(&v), 0); }
  void TearDown() override { free_vector(&v); }
  std::vector<int> ints() {
    std::vector<int> out;
    for (int i = 0; i < get_vector_size(&v); ++i) out.push_back(*static_cast<int*>(element_at_vec(&v, i, nullptr)));
    return out;
  }
};

}  // namespace

TEST(ShellSort, SortsAnyCountAndKeepsAscendingOrder) {
  for (int count : {1, 2, 3, 4, 5, 13, 14, 40, 41, 100, 1000}) {
    std::vector<int> a(count);
    unsigned seed = 7u * count + 1;
    for (int& x : a) x = static_cast<int>((seed = seed * 1103515245u + 12345u) >> 16) % 50;
    std::vector<int> expected = a;
    std::sort(expected.begin(), expected.end());
    shell_sort(a.data(), count, sizeof(int), compare_int);
    EXPECT_EQ(a, expected) << "count " << count;
  }
}

// On sorted input each pass with gap g compares every element once with the one g before it,
// count - g comparisons, so the total shows the gap sequence used.
TEST(ShellSort, GapSequenceStartsAtANinthOfTheFirstStepNotBelowTheCount) {
  struct Case {
    int count;
    int compares;  // sum of count - gap over the passes
  };
  const Case table[] = {
      {2, 1},                       // h 4: gap 1 only
      {4, 3},                       // h 4: gap 1 only
      {5, 4},                       // h 13: gap 1 (13/9), and no second gap-1 pass
      {13, 12},                     // h 13: gap 1
      {14, 10 + 13},                // h 40: gaps 4, 1
      {100, 87 + 96 + 99},          // h 121: gaps 13, 4, 1
      {121, 108 + 117 + 120},       // h 121: gaps 13, 4, 1
      {122, 82 + 109 + 118 + 121},  // h 364: gaps 40, 13, 4, 1
  };
  for (const auto& c : table) {
    std::vector<int> a(c.count);
    for (int i = 0; i < c.count; ++i) a[i] = i;
    g_compares = 0;
    shell_sort(a.data(), c.count, sizeof(int), counting_compare);
    EXPECT_EQ(g_compares, c.compares) << "count " << c.count;
  }
}

TEST(ShellSort, EqualKeysKeepTheirOrderInASingleGapOnePass) {
  Keyed a[] = {{2, 0}, {1, 1}, {2, 2}, {1, 3}};
  shell_sort(a, 4, sizeof(Keyed), compare_keyed);
  const int positions[] = {1, 3, 0, 2};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(a[i].pos, positions[i]);
}

TEST(ShellSort, IgnoresBadArguments) {
  int a[] = {3, 1};
  shell_sort(nullptr, 2, sizeof(int), compare_int);
  shell_sort(a, 0, sizeof(int), compare_int);
  shell_sort(a, 2, 0, compare_int);
  shell_sort(a, 2, sizeof(int), nullptr);
  EXPECT_EQ(a[0], 3);
}

TEST_F(VectorTest, OwnedCopiesOutliveTheCallersBufferBorrowedPointersDoNot) {
  int* owned = new int(41);
  int borrowed = 7;
  ASSERT_EQ(add_data_to_vector(&v, owned, sizeof(int)), 0);
  ASSERT_EQ(add_data_to_vector(&v, &borrowed, 0), 0);
  int size = 0;
  EXPECT_NE(element_at_vec(&v, 0, &size), owned);
  EXPECT_EQ(size, static_cast<int>(sizeof(int)));
  EXPECT_EQ(element_at_vec(&v, 1, &size), &borrowed);
  EXPECT_EQ(size, 0);
  delete owned;  // the copy remains readable (ASan would report the use otherwise)
  EXPECT_EQ(*static_cast<int*>(element_at_vec(&v, 0, nullptr)), 41);
  borrowed = 8;  // the borrowed slot sees the caller's change
  EXPECT_EQ(*static_cast<int*>(element_at_vec(&v, 1, nullptr)), 8);
  ASSERT_EQ(add_data_to_vector(&v, nullptr, 16), 0);  // NULL data stores an empty slot
  EXPECT_EQ(element_at_vec(&v, 2, &size), nullptr);
  EXPECT_EQ(size, 0);
}

TEST_F(VectorTest, IndexBoundsAreChecked) {
  int x = 1;
  EXPECT_EQ(insert_data_to_vector(&v, 1, &x, sizeof x), -1);  // above count
  EXPECT_EQ(insert_data_to_vector(&v, -1, &x, sizeof x), -1);
  ASSERT_EQ(insert_data_to_vector(&v, 0, &x, sizeof x), 0);
  int size = 0;
  EXPECT_EQ(element_at_vec(&v, 1, &size), nullptr);  // index == count
  EXPECT_EQ(size, -1);
  EXPECT_EQ(element_at_vec(&v, -1, &size), nullptr);
  EXPECT_EQ(remove_data_at_vec(&v, 1), -1);
  EXPECT_EQ(add_data_to_vector(&v, &x, -4), -1);
}

TEST(Vector, GrowsByItsStepWhenFull) {
  VECTOR v = new_vector_with_arg(50, 100);
  for (int i = 0; i < 50; ++i) ASSERT_EQ(add_data_to_vector(&v, &i, sizeof i), 0);
  EXPECT_EQ(get_vector_length(&v), 50);
  int x = 50;
  ASSERT_EQ(insert_data_to_vector(&v, 0, &x, sizeof x), 0);
  EXPECT_EQ(get_vector_length(&v), 150);
  EXPECT_EQ(get_vector_size(&v), 51);
  EXPECT_EQ(*static_cast<int*>(element_at_vec(&v, 0, nullptr)), 50);
  EXPECT_EQ(*static_cast<int*>(element_at_vec(&v, 50, nullptr)), 49);
  remove_data_all_vec(&v);
  EXPECT_EQ(get_vector_size(&v), 0);
  EXPECT_EQ(get_vector_length(&v), 150);
  free_vector(&v);
  EXPECT_EQ(v.slots, nullptr);
  EXPECT_EQ(v.capacity, 0);
  EXPECT_EQ(v.step, 0);
  // A freed vector can be used again.
  ASSERT_EQ(add_data_to_vector(&v, &x, sizeof x), 0);
  free_vector(&v);

  VECTOR d = new_vector_with_arg(0, 0);
  EXPECT_EQ(get_vector_length(&d), 50);
  EXPECT_EQ(d.step, 50);
  free_vector(&d);
}

TEST_F(VectorTest, InsertAndRemoveKeepOrder) {
  for (int i : {1, 2, 4}) add_data_to_vector(&v, &i, sizeof i);
  int three = 3;
  insert_data_to_vector(&v, 2, &three, sizeof three);
  EXPECT_EQ(ints(), (std::vector<int>{1, 2, 3, 4}));
  remove_data_at_vec(&v, 0);
  remove_data_at_vec(&v, 2);
  EXPECT_EQ(ints(), (std::vector<int>{2, 3}));
}

TEST_F(VectorTest, SearchesAndSort) {
  for (int i : {5, 3, 9, 3, 1}) add_data_to_vector(&v, &i, sizeof i);
  int key = 3, size = 0;
  EXPECT_EQ(vector_lsearch(&v, &key, compare_int, &size), element_at_vec(&v, 1, nullptr));
  key = 4;
  EXPECT_EQ(vector_lsearch(&v, &key, compare_int, &size), nullptr);

  key = 3;
  VECTOR found = vector_lsearch_multi(&v, &key, compare_int);
  ASSERT_EQ(get_vector_size(&found), 2);
  EXPECT_EQ(get_vector_length(&found), 10);
  auto* slot = static_cast<VEC_SLOT*>(element_at_vec(&found, 1, nullptr));
  EXPECT_EQ(slot->data, element_at_vec(&v, 3, nullptr));
  EXPECT_EQ(slot->size, static_cast<int>(sizeof(int)));
  free_vector(&found);  // frees only the slot copies; v's data stays valid
  EXPECT_EQ(*static_cast<int*>(element_at_vec(&v, 3, nullptr)), 3);

  ASSERT_EQ(vector_ssort(&v, compare_int), 0);
  EXPECT_EQ(ints(), (std::vector<int>{1, 3, 3, 5, 9}));
  for (int k : {1, 3, 5, 9}) {
    void* hit = vector_bsearch(&v, &k, compare_int, &size);
    ASSERT_NE(hit, nullptr) << k;
    EXPECT_EQ(*static_cast<int*>(hit), k);
  }
  for (int k : {0, 4, 10}) EXPECT_EQ(vector_bsearch(&v, &k, compare_int, &size), nullptr) << k;
}

TEST_F(VectorTest, CopyDuplicatesOwnedAndSharesBorrowed) {
  int owned = 1, borrowed = 2;
  add_data_to_vector(&v, &owned, sizeof owned);
  add_data_to_vector(&v, &borrowed, 0);
  VECTOR c{};
  ASSERT_EQ(copy_vector(&c, &v), 0);
  EXPECT_EQ(get_vector_length(&c), get_vector_length(&v));
  EXPECT_NE(element_at_vec(&c, 0, nullptr), element_at_vec(&v, 0, nullptr));
  EXPECT_EQ(*static_cast<int*>(element_at_vec(&c, 0, nullptr)), 1);
  EXPECT_EQ(element_at_vec(&c, 1, nullptr), &borrowed);
  free_vector(&v);  // the copy keeps its own data
  EXPECT_EQ(*static_cast<int*>(element_at_vec(&c, 0, nullptr)), 1);
  free_vector(&c);
  ASSERT_EQ(init_vector_default(&v), 0);
}

TEST_F(VectorTest, TraceNamesTheFields) {
  int x = 1;
  add_data_to_vector(&v, &x, sizeof x);
  char buf[1024] = {};
  FILE* f = fmemopen(buf, sizeof buf - 1, "w");
  ASSERT_NE(f, nullptr);
  print_global_vec_data(&v, f);
  fclose(f);
  std::string text(buf);
  EXPECT_EQ(text.rfind("************* Vector Global Data Printing *********\n", 0), 0u);
  EXPECT_NE(text.find("vector size   [1]\n"), std::string::npos);
  EXPECT_NE(text.find("vector length [50]\n"), std::string::npos);
  EXPECT_NE(text.find("vector increase_num [50]\n"), std::string::npos);
  EXPECT_NE(text.find("******************** END Printing ******************\n"), std::string::npos);
}
