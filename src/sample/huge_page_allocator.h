#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

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
  // Value-initialises, as std::allocator does: new numbers are 0 unless made
  // for overwrite (see ResizeForOverwrite).
  template <typename U, typename... Args>
  void construct(U* data, Args&&... args) {
    if constexpr (sizeof...(Args) == 0 && std::is_trivially_default_constructible_v<U>) {
      if (forOverwrite) {
        ::new (static_cast<void*>(data)) U;
        return;
      }
    }
    ::new (static_cast<void*>(data)) U(std::forward<Args>(args)...);
  }

  // Set on this thread while ResizeForOverwrite runs.
  static inline thread_local bool forOverwrite = false;

  friend bool operator==(const HugePageAllocator&, const HugePageAllocator&) { return true; }
};

// Resizes for a reader that then writes every new value itself: the new
// values are left unwritten rather than cleared first, which for millions of
// them saves touching every page twice. Reading one before it is written is
// undefined.
template <typename T>
void ResizeForOverwrite(std::vector<T, HugePageAllocator<T>>& values, std::size_t count) {
  static_assert(std::is_trivially_default_constructible_v<T>);
  struct Scope {
    Scope() { HugePageAllocator<T>::forOverwrite = true; }
    ~Scope() { HugePageAllocator<T>::forOverwrite = false; }
  } scope;
  values.resize(count);
}

}  // namespace fendrel
