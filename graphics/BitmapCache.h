#pragma once
// The module-wide cache of decoded bitmaps, shared by every editor of the
// module: resource ID -> bitmap, guarded by its own lock. Bitmaps stay until
// the module is released.
#include "graphics/Bitmap.h"

namespace torvik {

// The cached bitmap for a resource ID, or none.
PIX_IBitmap* FindCachedBitmap(int id);
// Adds a bitmap under an ID; the cache owns it from now on. When another
// thread cached the same ID first, the bitmap passed in is deleted and the
// cached one returned.
PIX_IBitmap* AddCachedBitmap(int id, PIX_IBitmap* bitmap);
// Deletes every cached bitmap: the module's release, or a test's clean start.
// No editor may be alive.
void ClearBitmapCache();
// Number of cached bitmaps.
int CachedBitmapCount();

} // namespace torvik
