// The library's internal doubly linked list. Like the vector, an element stored with size 0 is
// a borrowed pointer and one stored with a size above 0 is an owned copy of that many bytes.
#pragma once

#include "glimmet/vector.h"

struct VLIST_NODE {
  VLIST_NODE* prev;
  VLIST_NODE* next;
  void* data;
  int size;
};

struct VLIST {
  int max_count;  // 0: unlimited
  int count;
  VLIST_NODE* first;
  VLIST_NODE* last;
  VLIST_NODE* cursor;
};

// Cursor origins of vlist_cursor_move.
enum VListOrigin { VLIST_FIRST = 0, VLIST_CURRENT = 1, VLIST_LAST = 2 };

// test(arg, data) == 0 selects an element.
typedef int (*VLIST_TEST)(const void* arg, const void* data);

VLIST* vlist_create(int maxCount);
void vlist_delete(VLIST* list);
void vlist_remove_all(VLIST* list);

// 0, -1 bad arguments or no memory, -2 when the maximum count is reached.
int vlist_append(VLIST* list, const void* data, int size);
int vlist_insert(VLIST* list, int index, const void* data, int size);  // before index; count appends
// Node at index, walking from the nearer end; NULL out of range.
VLIST_NODE* vlist_node_at(const VLIST* list, int index);
// Removes the node; the cursor, when on it, moves to the next node (the previous one at the end).
int vlist_remove_at(VLIST* list, int index);
// Moves the node at `from` so that it ends up at index `to`.
int vlist_move(VLIST* list, int from, int to);
int vlist_swap(VLIST* list, int a, int b);
int vlist_replace(VLIST* list, int index, const void* data, int size);
void* vlist_data_at(const VLIST* list, int index, int* sizeOut);
int vlist_index_of(const VLIST* list, const void* data);  // -1 when absent

void* vlist_cursor_data(const VLIST* list, int* sizeOut);
// Puts the cursor on the first, current or last node and moves it `steps` forward (positive)
// or back (negative); returns the data there, or NULL (cursor unchanged) when that leaves the list.
void* vlist_cursor_move(VLIST* list, int origin, int steps);

int vlist_sort(VLIST* list, VEC_COMPARE compare);  // by compare(data, data), Shell sort
VLIST* vlist_copy(const VLIST* list);              // owned data copied again, cursor at the same index

// First element from index `from` with test(arg, data) == 0: its data, size and index.
void* vlist_search(const VLIST* list, int from, VLIST_TEST test, const void* arg, int* sizeOut, int* indexOut);
// New list borrowing every such element.
VLIST* vlist_search_all(const VLIST* list, int from, VLIST_TEST test, const void* arg);
