// The library's growable array of slots and its Shell sort.
//
// A slot holds either a borrowed pointer (stored with size 0, kept as given) or an owned copy of
// `size` bytes made when the element is stored and freed when it is removed or the vector freed.
#pragma once

#include <cstdio>

struct VEC_SLOT {
  void* data;
  int size;  // 0: borrowed pointer; above 0: owned copy of that many bytes
};

struct VECTOR {
  VEC_SLOT* slots;
  int count;     // elements stored
  int capacity;  // slots allocated
  int step;      // slots added when full
};

// compare(key or element, element) for the searches and sorts: < 0, 0 or > 0.
typedef int (*VEC_COMPARE)(const void* a, const void* b);

constexpr int VECTOR_DEFAULT_SIZE = 50;

// All int results: 0 success, -1 bad arguments or no memory.
int init_vector(VECTOR* v, int capacity, int step);  // 0 for capacity or step means 50
int init_vector_default(VECTOR* v);
VECTOR new_vector_with_arg(int capacity, int step);  // capacity 0 on allocation failure
VECTOR new_vector();

int add_data_to_vector(VECTOR* v, const void* data, int size);
// Inserts before index (index == count appends; above count is refused).
int insert_data_to_vector(VECTOR* v, int index, const void* data, int size);
// Data of the slot at index and its size (sizeOut may be NULL); NULL and size -1 out of range.
void* element_at_vec(const VECTOR* v, int index, int* sizeOut);
int remove_data_at_vec(VECTOR* v, int index);
int remove_data_all_vec(VECTOR* v);      // keeps the capacity
int free_vector(VECTOR* v);              // frees everything and clears the four fields
int get_vector_size(const VECTOR* v);    // count (-1 for NULL)
int get_vector_length(const VECTOR* v);  // capacity (-1 for NULL)

// First element from index 0 with compare(key, data) == 0, or NULL.
void* vector_lsearch(const VECTOR* v, const void* key, VEC_COMPARE compare, int* sizeOut);
// New vector (capacity 10, step 10) whose elements are owned copies of the VEC_SLOT {data, size}
// of every match: element_at_vec on it returns a VEC_SLOT*. Freeing the result frees only those
// slot copies, never the matched data. Empty when nothing matches.
VECTOR vector_lsearch_multi(const VECTOR* v, const void* key, VEC_COMPARE compare);
// Binary search over a vector sorted by compare: compare(key, data) > 0 goes right, < 0 left.
void* vector_bsearch(const VECTOR* v, const void* key, VEC_COMPARE compare, int* sizeOut);
// Sorts the slots by compare(data, data) with shell_sort.
int vector_ssort(VECTOR* v, VEC_COMPARE compare);
// dst becomes a vector of src's capacity and step; owned elements copied again, borrowed shared.
int copy_vector(VECTOR* dst, const VECTOR* src);

// Trace of the vector's fields (print_global_vec_data) and of its slots too (print_vec_data).
void print_global_vec_data(const VECTOR* v, FILE* out = stdout);
void print_vec_data(const VECTOR* v, FILE* out = stdout);

// Sorts count elements of elemSize bytes in place, ascending by compare(a, b) (< 0: a first).
// Gaps: h is the first of 1, 4, 13, 40, ... (h = 3h + 1) not below count; the passes use h/9,
// h/27, ... while at least 1, and the last pass always uses gap 1. Equal elements keep their
// order within a pass. Nothing for NULL arguments, count < 1 or elemSize < 1.
void shell_sort(void* base, int count, int elemSize, VEC_COMPARE compare);
