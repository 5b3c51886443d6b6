#include "sample/huge_page_allocator.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace fendrel {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

void* AllocateLarge(std::size_t bytes) {
  void* data = nullptr;
  if (bytes >= 2 * kHugePage) {
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    data = std::aligned_alloc(kHugePage, rounded);
#ifdef MADV_HUGEPAGE
    if (data != nullptr) ::madvise(data, rounded, MADV_HUGEPAGE);
#endif
  } else {
    data = std::malloc(std::max<std::size_t>(bytes, 1));
  }
  if (data == nullptr) throw std::bad_alloc();
  return data;
}

void FreeLarge(void* data) noexcept { std::free(data); }

std::unique_ptr<double[], FreeLargeDeleter> MakeUniqueLarge(std::size_t count) {
  if (count > static_cast<std::size_t>(-1) / sizeof(double)) throw std::bad_array_new_length();
  return std::unique_ptr<double[], FreeLargeDeleter>(
      static_cast<double*>(AllocateLarge(count * sizeof(double))));
}

std::shared_ptr<double[]> MakeSharedLarge(std::size_t count) { return MakeUniqueLarge(count); }

void AdviseHugePages(void* data, std::size_t bytes) noexcept {
#ifdef MADV_HUGEPAGE
  const auto begin = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t first = (begin + kHugePage - 1) / kHugePage * kHugePage;
  const std::uintptr_t last = (begin + bytes) / kHugePage * kHugePage;
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)bytes;
#endif
}

}  // namespace fendrel
