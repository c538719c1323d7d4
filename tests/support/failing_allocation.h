#pragma once
// Memory that runs out on request: this header replaces the global operator
// new and delete of the test program that includes it (include it from one
// source file of a program only). failFrom(n) lets n more allocations
// through and makes every one after them throw std::bad_alloc until stop();
// failOnce(n) makes only the one after them throw (memory that ran out for
// one request, such as a large buffer, while small ones still succeed).
#include <atomic>
#include <cstdlib>
#include <new>

namespace failing_allocation {

// Allocations left before they fail; negative: none fails.
inline std::atomic<long> left{-1};
inline std::atomic<bool> failed{false};
inline std::atomic<bool> once{false};

inline void failFrom(long allowed) {
    failed = false;
    once = false;
    left = allowed;
}

inline void failOnce(long allowed) {
    failed = false;
    once = true;
    left = allowed;
}

// Ends the failing; true when an allocation failed since failFrom or failOnce.
inline bool stop() {
    left = -1;
    return failed.load();
}

inline bool nextFails() {
    long now = left.load();
    while (now >= 0) {
        if (now == 0) {
            if (once) left = -1;
            failed = true;
            return true;
        }
        if (left.compare_exchange_weak(now, now - 1)) return false;
    }
    return false;
}

}  // namespace failing_allocation

// free() matches the malloc() of these operator new.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

void* operator new(std::size_t size) {
    if (failing_allocation::nextFails()) throw std::bad_alloc();
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return ::operator new(size, std::nothrow);
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
void operator delete[](void* memory, const std::nothrow_t&) noexcept { std::free(memory); }
#pragma GCC diagnostic pop
