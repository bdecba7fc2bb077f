#include "graphics/BitmapCache.h"
#include "framework/RecursiveLock.h"

#include <mutex>
#include <utility>
#include <vector>

namespace torvik {

namespace {

struct BitmapCache {
    RecursiveLock lock;                                // module-wide
    std::vector<std::pair<int, PIX_IBitmap*>> entries; // owned bitmaps

    ~BitmapCache() {
        for (auto& entry : entries)
            delete entry.second;
    }
};

BitmapCache& Cache() {
    static BitmapCache cache; // emptied when the module is unloaded
    return cache;
}

PIX_IBitmap* FindLocked(BitmapCache& cache, int id) {
    for (auto& entry : cache.entries) {
        if (entry.first == id && entry.second)
            return entry.second;
    }
    return nullptr;
}

} // namespace

PIX_IBitmap* FindCachedBitmap(int id) {
    BitmapCache& cache = Cache();
    std::lock_guard guard(cache.lock);
    return FindLocked(cache, id);
}

PIX_IBitmap* AddCachedBitmap(int id, PIX_IBitmap* bitmap) {
    if (!bitmap)
        return nullptr;
    BitmapCache& cache = Cache();
    std::lock_guard guard(cache.lock);
    if (PIX_IBitmap* existing = FindLocked(cache, id)) {
        delete bitmap;
        return existing;
    }
    cache.entries.emplace_back(id, bitmap);
    return bitmap;
}

void ClearBitmapCache() {
    BitmapCache& cache = Cache();
    std::lock_guard guard(cache.lock);
    for (auto& entry : cache.entries)
        delete entry.second;
    cache.entries.clear();
}

int CachedBitmapCount() {
    BitmapCache& cache = Cache();
    std::lock_guard guard(cache.lock);
    return static_cast<int>(cache.entries.size());
}

} // namespace torvik
