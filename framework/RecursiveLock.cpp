#include "framework/RecursiveLock.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace torvik {

#if defined(_WIN32)

namespace {
CRITICAL_SECTION* Section(unsigned char* storage) {
    return reinterpret_cast<CRITICAL_SECTION*>(storage);
}
} // namespace

static_assert(sizeof(CRITICAL_SECTION) <= 40 && alignof(CRITICAL_SECTION) <= 8,
              "the storage holds a critical section");

RecursiveLock::RecursiveLock() {
    InitializeCriticalSection(Section(section));
}

RecursiveLock::~RecursiveLock() {
    DeleteCriticalSection(Section(section));
}

void RecursiveLock::lock() {
    EnterCriticalSection(Section(section));
}

bool RecursiveLock::try_lock() {
    return TryEnterCriticalSection(Section(section)) != 0;
}

void RecursiveLock::unlock() {
    LeaveCriticalSection(Section(section));
}

#else

void RecursiveLock::lock() {
    mutex.lock();
}

bool RecursiveLock::try_lock() {
    return mutex.try_lock();
}

void RecursiveLock::unlock() {
    mutex.unlock();
}

#endif

} // namespace torvik
