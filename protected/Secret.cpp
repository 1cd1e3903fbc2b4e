#include "protected/Secret.h"

#include "protected/Sodium.h"

#include <algorithm>
#include <new>
#include <sodium.h>
#include <utility>

namespace tarvex {

Secret Secret::withCapacity(std::size_t capacity) {
    initSodium();
    // A room of no bytes still gets an allocation of its own, so that view() always points into
    // memory of this secret's.
    void* const bytes = sodium_malloc(std::max<std::size_t>(capacity, 1));
    if (bytes == nullptr) {
        throw std::bad_alloc();
    }
    return {static_cast<char*>(bytes), capacity};
}

Secret Secret::copyOf(std::string_view bytes) {
    Secret secret = withCapacity(bytes.size());
    std::copy(bytes.begin(), bytes.end(), secret.bytes_);
    secret.size_ = bytes.size();
    return secret;
}

Secret::Secret(Secret&& other) noexcept
    : bytes_(std::exchange(other.bytes_, nullptr)), size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

Secret& Secret::operator=(Secret&& other) noexcept {
    if (this != &other) {
        sodium_free(bytes_);
        bytes_ = std::exchange(other.bytes_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
    }
    return *this;
}

Secret::~Secret() {
    // sodium_free wipes the bytes before it gives the memory back.
    sodium_free(bytes_);
}

bool Secret::push_back(char byte) {
    if (size_ == capacity_) {
        return false;
    }
    bytes_[size_++] = byte;
    return true;
}

bool Secret::operator==(const Secret& other) const {
    return size_ == other.size_ && sodium_memcmp(bytes_, other.bytes_, size_) == 0;
}

} // namespace tarvex
