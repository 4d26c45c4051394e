// Pixel storage on Linux: large blocks are aligned to the transparent huge
// page size and marked for huge pages.  A fresh picture buffer is touched
// for the first time by the decoder; with 4 KiB pages that is one page fault
// (and one kernel page clear) per 4 KiB, which costs more than the decoding
// itself.  With 2 MiB pages the faults almost vanish.
#include <sys/mman.h>

#include "pixel_memory.h"

namespace tumbleview {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

// Below this the alignment would cost more address space than it saves.
bool wantsHugePages(std::size_t bytes) { return bytes >= 2 * kHugePage; }

}  // namespace

void* allocatePixelMemory(std::size_t bytes) {
  if (!wantsHugePages(bytes)) return ::operator new(bytes);
  void* block = ::operator new(bytes, std::align_val_t{kHugePage});
  // Only a hint: where the kernel offers no huge pages the block is simply
  // backed by small ones, so a refusal changes nothing.
  static_cast<void>(madvise(block, bytes, MADV_HUGEPAGE));
  return block;
}

void freePixelMemory(void* block, std::size_t bytes) noexcept {
  if (!wantsHugePages(bytes)) return ::operator delete(block);
  ::operator delete(block, std::align_val_t{kHugePage});
}

}  // namespace tumbleview
