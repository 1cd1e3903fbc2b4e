#pragma once

#include <memory>
#include <new>
#include <utility>

namespace tarvex {

// An allocator for a vector that grows without writing its new elements, for a buffer whose
// every new element is written right after it grows.
template <typename T> struct UnwrittenGrowth : std::allocator<T> {
    template <typename U> struct rebind { using other = UnwrittenGrowth<U>; };
    template <typename U> void construct(U* place) noexcept { ::new (static_cast<void*>(place)) U; }
    template <typename U, typename... Args> void construct(U* place, Args&&... args) {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};

} // namespace tarvex
