#pragma once
// A value one thread may write while others read it, each access whole and
// unordered (relaxed). Copyable, unlike std::atomic, so that the records that
// hold one can live in growable lists; a copy reads the source once.
#include <atomic>

namespace torvik {

template <typename T> class RelaxedAtomic {
public:
    RelaxedAtomic() = default;
    RelaxedAtomic(T initial) : stored(initial) {}
    RelaxedAtomic(const RelaxedAtomic& other) : stored(other.Load()) {}
    RelaxedAtomic& operator=(const RelaxedAtomic& other) {
        Store(other.Load());
        return *this;
    }
    RelaxedAtomic& operator=(T v) {
        Store(v);
        return *this;
    }
    ~RelaxedAtomic() = default;

    T Load() const { return stored.load(std::memory_order_relaxed); }
    void Store(T v) { stored.store(v, std::memory_order_relaxed); }
    operator T() const { return Load(); }

private:
    std::atomic<T> stored{};
};

} // namespace torvik
