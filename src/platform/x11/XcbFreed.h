#pragma once
// A reply or event of xcb, freed when it goes.
#include <cstdlib>

namespace quorrel {

template <typename T> struct Freed {
    T* p;
    explicit Freed(T* v) : p(v) {}
    ~Freed() { std::free(p); }
    Freed(const Freed&) = delete;
    Freed& operator=(const Freed&) = delete;
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

} // namespace quorrel
