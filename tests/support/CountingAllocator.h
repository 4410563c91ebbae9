// Replaces the global allocator of a test program with one that counts every
// allocation and notes the largest, so a test can show that a hot path
// allocates nothing or that a reader allocates no more than its bytes justify. Include
// it in exactly one source file of a program; every test in that program
// then runs on the counting allocator.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

// Replacing the global operators pairs malloc with free by design.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

namespace tavorin::test {

inline std::atomic<long> g_allocationCount{0};
inline std::atomic<std::size_t> g_largestAllocation{0};

// Allocations made so far by the whole program.
inline long AllocationCount() {
  return g_allocationCount.load();
}

inline void* CountedAllocate(std::size_t size) {
  ++g_allocationCount;
  std::size_t seen = g_largestAllocation.load();
  while (size > seen && !g_largestAllocation.compare_exchange_weak(seen, size)) {
  }
  return std::malloc(size == 0 ? 1 : size);
}

}  // namespace tavorin::test

void* operator new(std::size_t size) {
  if (void* p = tavorin::test::CountedAllocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
  if (void* p = tavorin::test::CountedAllocate(size)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return tavorin::test::CountedAllocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return tavorin::test::CountedAllocate(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
