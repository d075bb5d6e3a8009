// runtime/arrays.h - the game's zero-filled arrays, one or more dimensions, stored
// row-major. A declared index bound n is allocated with count n + 1.
// Element types are numbers or records whose members start at zero or empty; a
// record's text fields are released with the elements.
// Threads: an array variable belongs to whoever owns it; no locking here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <new>
#include <vector>

template <typename Element>
struct Array {
  std::unique_ptr<Element[]> elements;  // empty when the variable holds no array
  size_t count = 0;                     // total elements
  std::vector<size_t> counts;           // element count of each dimension
  std::vector<size_t> strides;          // stride of each dimension; 1 for the last

  explicit operator bool() const { return elements != nullptr; }
  Element& operator[](size_t index) { return elements[index]; }
  const Element& operator[](size_t index) const { return elements[index]; }

  // Flat index of element (i0, i1, ...): i0 * stride0 + i1 * stride1 + ...
  size_t IndexOf(std::initializer_list<size_t> indices) const {
    size_t index = 0, dimension = 0;
    for (size_t i : indices) index += i * strides[dimension++];
    return index;
  }
  Element& At(std::initializer_list<size_t> indices) { return elements[IndexOf(indices)]; }
};

// Releases the elements (and the text they hold) and leaves the variable empty.
template <typename Element>
void ArrayFree(Array<Element>& variable) {
  variable = Array<Element>{};
}

// Dimensions `variable` with the given element counts, zero-filled, after releasing
// what it held. Returns the elements, or nullptr (variable empty) when memory runs
// out, a count is negative, or the total does not fit in memory's address range.
template <typename Element>
Element* ArrayAllocateMulti(std::initializer_list<int64_t> dimensionCounts, Array<Element>& variable) {
  ArrayFree(variable);
  Array<Element> fresh;
  uint64_t total = 1;
  for (int64_t n : dimensionCounts) {
    if (n < 0) return nullptr;
    if (n != 0 && total > SIZE_MAX / sizeof(Element) / static_cast<uint64_t>(n)) return nullptr;
    total *= static_cast<uint64_t>(n);
    fresh.counts.push_back(static_cast<size_t>(n));
  }
  if (fresh.counts.empty()) return nullptr;
  fresh.strides.assign(fresh.counts.size(), 1);
  for (size_t d = fresh.counts.size() - 1; d > 0; --d) {
    fresh.strides[d - 1] = fresh.strides[d] * fresh.counts[d];
  }
  fresh.elements.reset(new (std::nothrow) Element[total]());
  if (!fresh.elements) return nullptr;
  fresh.count = static_cast<size_t>(total);
  variable = std::move(fresh);
  return variable.elements.get();
}

template <typename Element>
Element* ArrayAllocate(int64_t count, Array<Element>& variable) {
  return ArrayAllocateMulti({count}, variable);
}
