// Internal doubly linked list.
#include "vlist.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

VLIST_NODE* make_node(const void* data, int size) {
  auto* n = static_cast<VLIST_NODE*>(std::calloc(1, sizeof(VLIST_NODE)));
  if (!n) return nullptr;
  if (data && size > 0) {
    n->data = std::malloc(static_cast<size_t>(size));
    if (!n->data) {
      std::free(n);
      return nullptr;
    }
    std::memcpy(n->data, data, static_cast<size_t>(size));
    n->size = size;
  } else {
    n->data = const_cast<void*>(data);
  }
  return n;
}

void free_node(VLIST_NODE* n) {
  if (n->size > 0) std::free(n->data);
  std::free(n);
}

void unlink(VLIST* l, VLIST_NODE* n) {
  (n->prev ? n->prev->next : l->first) = n->next;
  (n->next ? n->next->prev : l->last) = n->prev;
  n->prev = n->next = nullptr;
  --l->count;
}

// Links n before `at` (at NULL: at the end).
void link_before(VLIST* l, VLIST_NODE* n, VLIST_NODE* at) {
  n->next = at;
  n->prev = at ? at->prev : l->last;
  (n->prev ? n->prev->next : l->first) = n;
  (at ? at->prev : l->last) = n;
  ++l->count;
}

int index_of_node(const VLIST* l, const VLIST_NODE* target) {
  int i = 0;
  for (VLIST_NODE* n = l->first; n; n = n->next, ++i)
    if (n == target) return i;
  return -1;
}

thread_local VEC_COMPARE t_compare = nullptr;
int compare_nodes(const void* a, const void* b) {
  return t_compare((*static_cast<VLIST_NODE* const*>(a))->data, (*static_cast<VLIST_NODE* const*>(b))->data);
}

}  // namespace

VLIST* vlist_create(int maxCount) {
  if (maxCount < 0) return nullptr;
  auto* l = static_cast<VLIST*>(std::calloc(1, sizeof(VLIST)));
  if (l) l->max_count = maxCount;
  return l;
}

void vlist_remove_all(VLIST* l) {
  if (!l) return;
  for (VLIST_NODE* n = l->first; n;) {
    VLIST_NODE* next = n->next;
    free_node(n);
    n = next;
  }
  l->first = l->last = l->cursor = nullptr;
  l->count = 0;
}

void vlist_delete(VLIST* l) {
  vlist_remove_all(l);
  std::free(l);
}

int vlist_append(VLIST* l, const void* data, int size) {
  if (!l) return -1;
  return vlist_insert(l, l->count, data, size);
}

int vlist_insert(VLIST* l, int index, const void* data, int size) {
  if (!l || index < 0 || index > l->count || size < 0) return -1;
  if (l->max_count > 0 && l->count >= l->max_count) return -2;
  VLIST_NODE* n = make_node(data, size);
  if (!n) return -1;
  link_before(l, n, index == l->count ? nullptr : vlist_node_at(l, index));
  return 0;
}

VLIST_NODE* vlist_node_at(const VLIST* l, int index) {
  if (!l || index < 0 || index >= l->count) return nullptr;
  VLIST_NODE* n;
  if (index < l->count / 2) {
    n = l->first;
    for (int i = 0; i < index; ++i) n = n->next;
  } else {
    n = l->last;
    for (int i = l->count - 1; i > index; --i) n = n->prev;
  }
  return n;
}

int vlist_remove_at(VLIST* l, int index) {
  VLIST_NODE* n = vlist_node_at(l, index);
  if (!n) return -1;
  if (l->cursor == n) l->cursor = n->next ? n->next : n->prev;
  unlink(l, n);
  free_node(n);
  return 0;
}

int vlist_move(VLIST* l, int from, int to) {
  if (!l || to < 0 || to >= l->count) return -1;
  VLIST_NODE* n = vlist_node_at(l, from);
  if (!n) return -1;
  if (from == to) return 0;
  unlink(l, n);
  link_before(l, n, to == l->count ? nullptr : vlist_node_at(l, to));
  return 0;
}

int vlist_swap(VLIST* l, int a, int b) {
  VLIST_NODE* x = vlist_node_at(l, a);
  VLIST_NODE* y = vlist_node_at(l, b);
  if (!x || !y) return -1;
  std::swap(x->data, y->data);
  std::swap(x->size, y->size);
  return 0;
}

int vlist_replace(VLIST* l, int index, const void* data, int size) {
  VLIST_NODE* n = vlist_node_at(l, index);
  if (!n || size < 0) return -1;
  VLIST_NODE* fresh = make_node(data, size);
  if (!fresh) return -1;
  if (n->size > 0) std::free(n->data);
  n->data = fresh->data;
  n->size = fresh->size;
  std::free(fresh);
  return 0;
}

void* vlist_data_at(const VLIST* l, int index, int* sizeOut) {
  VLIST_NODE* n = vlist_node_at(l, index);
  if (sizeOut) *sizeOut = n ? n->size : -1;
  return n ? n->data : nullptr;
}

int vlist_index_of(const VLIST* l, const void* data) {
  if (!l) return -1;
  int i = 0;
  for (VLIST_NODE* n = l->first; n; n = n->next, ++i)
    if (n->data == data) return i;
  return -1;
}

void* vlist_cursor_data(const VLIST* l, int* sizeOut) {
  VLIST_NODE* n = l ? l->cursor : nullptr;
  if (sizeOut) *sizeOut = n ? n->size : -1;
  return n ? n->data : nullptr;
}

void* vlist_cursor_move(VLIST* l, int origin, int steps) {
  if (!l) return nullptr;
  VLIST_NODE* n = origin == VLIST_FIRST ? l->first : origin == VLIST_LAST ? l->last : l->cursor;
  for (; n && steps > 0; --steps) n = n->next;
  for (; n && steps < 0; ++steps) n = n->prev;
  if (!n) return nullptr;
  l->cursor = n;
  return n->data;
}

int vlist_sort(VLIST* l, VEC_COMPARE compare) {
  if (!l || !compare) return -1;
  std::vector<VLIST_NODE*> nodes;
  for (VLIST_NODE* n = l->first; n; n = n->next) nodes.push_back(n);
  VEC_COMPARE saved = t_compare;
  t_compare = compare;
  shell_sort(nodes.data(), static_cast<int>(nodes.size()), sizeof(VLIST_NODE*), compare_nodes);
  t_compare = saved;
  l->first = l->last = nullptr;
  l->count = 0;
  for (VLIST_NODE* n : nodes) link_before(l, n, nullptr);
  return 0;
}

VLIST* vlist_copy(const VLIST* l) {
  if (!l) return nullptr;
  VLIST* c = vlist_create(l->max_count);
  if (!c) return nullptr;
  for (VLIST_NODE* n = l->first; n; n = n->next) {
    if (vlist_append(c, n->data, n->size) != 0) {
      vlist_delete(c);
      return nullptr;
    }
  }
  if (l->cursor) c->cursor = vlist_node_at(c, index_of_node(l, l->cursor));
  return c;
}

void* vlist_search(const VLIST* l, int from, VLIST_TEST test, const void* arg, int* sizeOut, int* indexOut) {
  if (sizeOut) *sizeOut = -1;
  if (indexOut) *indexOut = -1;
  if (!l || !test) return nullptr;
  int i = from < 0 ? 0 : from;
  for (VLIST_NODE* n = vlist_node_at(l, i); n; n = n->next, ++i) {
    if (test(arg, n->data) == 0) {
      if (sizeOut) *sizeOut = n->size;
      if (indexOut) *indexOut = i;
      return n->data;
    }
  }
  return nullptr;
}

VLIST* vlist_search_all(const VLIST* l, int from, VLIST_TEST test, const void* arg) {
  if (!l || !test) return nullptr;
  VLIST* out = vlist_create(0);
  if (!out) return nullptr;
  for (VLIST_NODE* n = vlist_node_at(l, from < 0 ? 0 : from); n; n = n->next) {
    if (test(arg, n->data) == 0 && vlist_append(out, n->data, 0) != 0) {
      vlist_delete(out);
      return nullptr;
    }
  }
  return out;
}
