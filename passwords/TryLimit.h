#pragma once

namespace tarvex {

// Wrong passwords in a row that a front end lets the user try before it locks its Decrypt for
// the life of the process. A completed decrypt run starts the count again; a cancelled one, or a
// command that ends before its run, does not.
class WrongTries {
public:
    static constexpr int allowed = 10;

    // Counts a wrong password; true when it locks Decrypt.
    bool failed() {
        ++count_;
        return locked();
    }
    void succeeded() { count_ = 0; }
    bool locked() const { return count_ >= allowed; }
    int count() const { return count_; }

private:
    int count_ = 0;
};

} // namespace tarvex
