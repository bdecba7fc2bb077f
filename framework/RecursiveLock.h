#pragma once
// The lock of an instance and of the module-wide caches: re-entrant by its
// holder. On Windows it is a critical section; elsewhere the standard library's
// recursive mutex. It meets the standard's Lockable requirements, so
// std::lock_guard and std::unique_lock take it.
#include <mutex>

namespace torvik {

class RecursiveLock {
public:
#if defined(_WIN32)
    RecursiveLock();
    ~RecursiveLock();
#else
    RecursiveLock() = default;
    ~RecursiveLock() = default;
#endif
    RecursiveLock(const RecursiveLock&) = delete;
    RecursiveLock& operator=(const RecursiveLock&) = delete;

    void lock();
    bool try_lock();
    void unlock();

private:
#if defined(_WIN32)
    // Room for a CRITICAL_SECTION (40 bytes on 64-bit Windows), so that this
    // header needs no Windows include; the source checks the size.
    alignas(8) unsigned char section[40];
#else
    std::recursive_mutex mutex;
#endif
};

} // namespace torvik
