#pragma once

#include <cstddef>
#include <string_view>

namespace tarvex {

// The bytes of a passphrase, from the moment they are read to the end of a run, in memory of
// libsodium's own: locked out of swap where the system allows it, and wiped when the secret ends.
// Its room is fixed when it is made, so that the bytes are never copied elsewhere as it fills.
// Move-only; a moved-from secret is empty and has no room.
class Secret {
public:
    // An empty secret with room for `capacity` bytes, filled a byte at a time with push_back.
    static Secret withCapacity(std::size_t capacity);
    // A secret holding a copy of `bytes`, with no room to spare.
    static Secret copyOf(std::string_view bytes);

    Secret(Secret&& other) noexcept;
    Secret& operator=(Secret&& other) noexcept;
    Secret(const Secret&) = delete;
    Secret& operator=(const Secret&) = delete;
    ~Secret();

    // Adds `byte` at the end; false, and nothing added, when the secret is full.
    [[nodiscard]] bool push_back(char byte);

    std::string_view view() const { return {bytes_, size_}; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::size_t capacity() const { return capacity_; }

    // Whether both hold the same bytes, in a time that depends on their lengths only.
    bool operator==(const Secret& other) const;

private:
    Secret(char* bytes, std::size_t capacity) : bytes_(bytes), capacity_(capacity) {}

    char* bytes_;
    std::size_t size_ = 0;
    std::size_t capacity_;
};

} // namespace tarvex
