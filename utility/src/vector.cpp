// Growable array of slots and the Shell sort shared by the library's containers.
#include "glimmet/vector.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Stores data into a slot: a copy when size > 0, the pointer itself otherwise.
bool fill_slot(VEC_SLOT* slot, const void* data, int size) {
  if (data && size > 0) {
    void* copy = std::malloc(static_cast<size_t>(size));
    if (!copy) return false;
    std::memcpy(copy, data, static_cast<size_t>(size));
    slot->data = copy;
    slot->size = size;
  } else {
    slot->data = const_cast<void*>(data);
    slot->size = 0;
  }
  return true;
}

void release_slot(VEC_SLOT* slot) {
  if (slot->size > 0) std::free(slot->data);
  slot->data = nullptr;
  slot->size = 0;
}

bool grow(VECTOR* v) {
  if (v->count < v->capacity) return true;
  int64_t wanted = int64_t(v->capacity) + v->step;
  if (wanted > INT32_MAX / int64_t(sizeof(VEC_SLOT))) return false;
  auto* slots = static_cast<VEC_SLOT*>(std::calloc(static_cast<size_t>(wanted), sizeof(VEC_SLOT)));
  if (!slots) return false;
  if (v->count > 0) std::memcpy(slots, v->slots, sizeof(VEC_SLOT) * static_cast<size_t>(v->count));
  std::free(v->slots);
  v->slots = slots;
  v->capacity = static_cast<int>(wanted);
  return true;
}

}  // namespace

void shell_sort(void* base, int count, int elemSize, VEC_COMPARE compare) {
  if (!base || !compare || count < 1 || elemSize < 1) return;
  auto* a = static_cast<unsigned char*>(base);
  const size_t es = static_cast<size_t>(elemSize);
  std::vector<unsigned char> held(es);
  int64_t h = 1;
  while (h < count) h = 3 * h + 1;
  auto pass = [&](int64_t gap) {
    for (int64_t i = gap; i < count; ++i) {
      std::memcpy(held.data(), a + i * es, es);
      int64_t j = i;
      while (j >= gap && compare(held.data(), a + (j - gap) * es) < 0) {
        std::memcpy(a + j * es, a + (j - gap) * es, es);
        j -= gap;
      }
      if (j != i) std::memcpy(a + j * es, held.data(), es);
    }
  };
  int64_t last = 0;
  for (int64_t gap = h / 9; gap >= 1; gap /= 3) {
    pass(gap);
    last = gap;
  }
  if (last != 1) pass(1);
}

int init_vector(VECTOR* v, int capacity, int step) {
  if (!v || capacity < 0 || step < 0) return -1;
  if (capacity == 0) capacity = VECTOR_DEFAULT_SIZE;
  if (step == 0) step = VECTOR_DEFAULT_SIZE;
  *v = VECTOR{nullptr, 0, 0, step};
  v->slots = static_cast<VEC_SLOT*>(std::calloc(static_cast<size_t>(capacity), sizeof(VEC_SLOT)));
  if (!v->slots) return -1;
  v->capacity = capacity;
  return 0;
}

int init_vector_default(VECTOR* v) { return init_vector(v, VECTOR_DEFAULT_SIZE, VECTOR_DEFAULT_SIZE); }

VECTOR new_vector_with_arg(int capacity, int step) {
  VECTOR v{nullptr, 0, 0, 0};
  init_vector(&v, capacity, step);
  return v;
}

VECTOR new_vector() { return new_vector_with_arg(VECTOR_DEFAULT_SIZE, VECTOR_DEFAULT_SIZE); }

int add_data_to_vector(VECTOR* v, const void* data, int size) {
  if (!v) return -1;
  return insert_data_to_vector(v, v->count, data, size);
}

int insert_data_to_vector(VECTOR* v, int index, const void* data, int size) {
  if (!v || index < 0 || index > v->count || size < 0) return -1;
  if (v->step < 1) v->step = VECTOR_DEFAULT_SIZE;  // a cleared or freed vector grows again
  if (!grow(v)) return -1;
  VEC_SLOT slot{nullptr, 0};
  if (!fill_slot(&slot, data, size)) return -1;
  std::memmove(v->slots + index + 1, v->slots + index, sizeof(VEC_SLOT) * static_cast<size_t>(v->count - index));
  v->slots[index] = slot;
  ++v->count;
  return 0;
}

void* element_at_vec(const VECTOR* v, int index, int* sizeOut) {
  if (!v || index < 0 || index >= v->count) {
    if (sizeOut) *sizeOut = -1;
    return nullptr;
  }
  if (sizeOut) *sizeOut = v->slots[index].size;
  return v->slots[index].data;
}

int remove_data_at_vec(VECTOR* v, int index) {
  if (!v || index < 0 || index >= v->count) return -1;
  release_slot(&v->slots[index]);
  std::memmove(v->slots + index, v->slots + index + 1, sizeof(VEC_SLOT) * static_cast<size_t>(v->count - index - 1));
  --v->count;
  v->slots[v->count] = VEC_SLOT{nullptr, 0};
  return 0;
}

int remove_data_all_vec(VECTOR* v) {
  if (!v) return -1;
  for (int i = 0; i < v->count; ++i) release_slot(&v->slots[i]);
  v->count = 0;
  return 0;
}

int free_vector(VECTOR* v) {
  if (!v) return -1;
  remove_data_all_vec(v);
  std::free(v->slots);
  *v = VECTOR{nullptr, 0, 0, 0};
  return 0;
}

int get_vector_size(const VECTOR* v) { return v ? v->count : -1; }
int get_vector_length(const VECTOR* v) { return v ? v->capacity : -1; }

void* vector_lsearch(const VECTOR* v, const void* key, VEC_COMPARE compare, int* sizeOut) {
  if (v && compare) {
    for (int i = 0; i < v->count; ++i) {
      if (compare(key, v->slots[i].data) == 0) {
        if (sizeOut) *sizeOut = v->slots[i].size;
        return v->slots[i].data;
      }
    }
  }
  if (sizeOut) *sizeOut = -1;
  return nullptr;
}

VECTOR vector_lsearch_multi(const VECTOR* v, const void* key, VEC_COMPARE compare) {
  VECTOR out = new_vector_with_arg(10, 10);
  if (!v || !compare) return out;
  for (int i = 0; i < v->count; ++i) {
    if (compare(key, v->slots[i].data) == 0) add_data_to_vector(&out, &v->slots[i], sizeof(VEC_SLOT));
  }
  return out;
}

void* vector_bsearch(const VECTOR* v, const void* key, VEC_COMPARE compare, int* sizeOut) {
  if (v && compare) {
    int lo = 0, hi = v->count - 1;
    while (lo <= hi) {
      int mid = lo + (hi - lo) / 2;
      int c = compare(key, v->slots[mid].data);
      if (c == 0) {
        if (sizeOut) *sizeOut = v->slots[mid].size;
        return v->slots[mid].data;
      }
      if (c > 0)
        lo = mid + 1;
      else
        hi = mid - 1;
    }
  }
  if (sizeOut) *sizeOut = -1;
  return nullptr;
}

namespace {
thread_local VEC_COMPARE t_slot_compare = nullptr;
int compare_slots(const void* a, const void* b) {
  return t_slot_compare(static_cast<const VEC_SLOT*>(a)->data, static_cast<const VEC_SLOT*>(b)->data);
}
}  // namespace

int vector_ssort(VECTOR* v, VEC_COMPARE compare) {
  if (!v || !compare) return -1;
  VEC_COMPARE saved = t_slot_compare;
  t_slot_compare = compare;
  shell_sort(v->slots, v->count, sizeof(VEC_SLOT), compare_slots);
  t_slot_compare = saved;
  return 0;
}

int copy_vector(VECTOR* dst, const VECTOR* src) {
  if (!dst || !src || dst == src) return -1;
  VECTOR copy{nullptr, 0, 0, 0};
  if (init_vector(&copy, src->capacity > src->count ? src->capacity : src->count, src->step) != 0) return -1;
  for (int i = 0; i < src->count; ++i) {
    if (add_data_to_vector(&copy, src->slots[i].data, src->slots[i].size) != 0) {
      free_vector(&copy);
      return -1;
    }
  }
  *dst = copy;
  return 0;
}

void print_global_vec_data(const VECTOR* v, FILE* out) {
  if (!v || !out) return;
  std::fprintf(out, "************* Vector Global Data Printing *********\n");
  std::fprintf(out, "vector size   [%d]\n", v->count);
  std::fprintf(out, "vector length [%d]\n", v->capacity);
  std::fprintf(out, "vector increase_num [%d]\n", v->step);
  std::fprintf(out, "vector data pointer [%p]\n", static_cast<void*>(v->slots));
  std::fprintf(out, "******************** END Printing ******************\n");
}

void print_vec_data(const VECTOR* v, FILE* out) {
  if (!v || !out) return;
  print_global_vec_data(v, out);
  for (int i = 0; i < v->count; ++i)
    std::fprintf(out, "[%d] data [%p] size [%d]\n", i, v->slots[i].data, v->slots[i].size);
}
