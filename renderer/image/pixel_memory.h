// Storage for decoded pixels.
//
// A decoded picture is written in full by the decoder, so zero-filling its
// buffer first would only cost a pass over memory (36 MB for a 4000 x 3000
// picture).  PixelBytes is a std::vector whose new elements are
// default-initialised instead: after resize() or construction from a count
// the added bytes hold unspecified values until written.  Everything else
// (copy, move, assign, comparison with another PixelBytes) is std::vector's;
// to compare with a plain std::vector, build a PixelBytes from its range.
//
// Blocks of a few MB and more are laid out for huge pages, which spares the
// first writer a page fault every 4 KiB (posix_pixel_memory.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace tumbleview {

// Raw storage for PixelAllocator: `bytes` bytes of unspecified content,
// aligned at least as operator new aligns.  Throws std::bad_alloc when the
// memory cannot be had.  Large blocks may be backed by huge pages.
void* allocatePixelMemory(std::size_t bytes);
// Releases a block from allocatePixelMemory; `bytes` as asked for.
void freePixelMemory(void* block, std::size_t bytes) noexcept;

template <typename T>
class PixelAllocator {
 public:
  using value_type = T;

  PixelAllocator() = default;
  template <typename U>
  PixelAllocator(const PixelAllocator<U>&) noexcept {}

  T* allocate(std::size_t count) {
    if (count > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(allocatePixelMemory(count * sizeof(T)));
  }
  void deallocate(T* block, std::size_t count) noexcept { freePixelMemory(block, count * sizeof(T)); }

  // Value-less construction leaves the element default-initialised: for
  // bytes, no write at all.
  template <typename U>
  void construct(U* place) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(place)) U;
  }
  template <typename U, typename... Args>
  void construct(U* place, Args&&... args) {
    ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
  }

  friend bool operator==(const PixelAllocator&, const PixelAllocator&) noexcept { return true; }
};

using PixelBytes = std::vector<std::uint8_t, PixelAllocator<std::uint8_t>>;

}  // namespace tumbleview
