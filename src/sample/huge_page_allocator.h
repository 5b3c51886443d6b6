#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <utility>

namespace fendrel {

// Raw memory for large arrays of numbers. A block of some megabytes is
// aligned to huge pages and asks the system for them, so that touching it
// first faults in one page per 2 MiB instead of one per 4 KiB: for a series
// of millions of samples the faults cost more than the numbers otherwise.
void* AllocateLarge(std::size_t bytes);
void FreeLarge(void* data) noexcept;
// Asks for huge pages in the whole 2 MiB pages inside a block not yet
// touched, for memory that comes from elsewhere (such as a string's).
void AdviseHugePages(void* data, std::size_t bytes) noexcept;

struct FreeLargeDeleter {
  void operator()(void* data) const noexcept { FreeLarge(data); }
};

// count doubles from AllocateLarge, not cleared: for buffers of millions of
// values, owned alone or shared (such as by chart series and a grid).
std::unique_ptr<double[], FreeLargeDeleter> MakeUniqueLarge(std::size_t count);
std::shared_ptr<double[]> MakeSharedLarge(std::size_t count);

template <typename T>
struct HugePageAllocator {
  using value_type = T;

  HugePageAllocator() = default;
  template <typename U>
  explicit HugePageAllocator(const HugePageAllocator<U>&) noexcept {}

  T* allocate(std::size_t n) {
    if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(AllocateLarge(n * sizeof(T)));
  }
  void deallocate(T* data, std::size_t) noexcept { FreeLarge(data); }
  // Default-initialises: a resize without a value leaves new numbers
  // unwritten, for readers that write every one themselves.
  template <typename U>
  void construct(U* data) noexcept {
    ::new (static_cast<void*>(data)) U;
  }
  template <typename U, typename... Args>
  void construct(U* data, Args&&... args) {
    ::new (static_cast<void*>(data)) U(std::forward<Args>(args)...);
  }

  friend bool operator==(const HugePageAllocator&, const HugePageAllocator&) { return true; }
};

}  // namespace fendrel
