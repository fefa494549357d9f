// The end-of-image search as steps, for the walk's eager search (SeekEOI) and
// for a long scan searched a chunk at a time while a save writes it.
#pragma once

#include <cstdint>

namespace ExifData {

// No end of image: there is none, or the structure cannot be followed.
inline constexpr int64_t kNoEnd = -1;
// The search reached its limit and goes on from where it stopped.
inline constexpr int64_t kSearchOn = -2;

// A long scan goes out in chunks of this size, each searched right after it
// was written while it is still in the processor's cache. A scan of one
// chunk or less is searched at once.
inline constexpr int64_t kScanChunk = int64_t{256} << 10;

// From a marker with a length field at `marker`: the offset just past its
// segment, or kNoEnd when its length breaks the structure.
int64_t PastSegment(const uint8_t* data, int64_t marker, int64_t size);

// From `at`, in scan data: follows the structure to the 0xFF of the marker
// that ends the image, looking only for markers whose 0xFF lies before
// `limit`. Returns that offset, kNoEnd, or kSearchOn with `at` set to where
// the search goes on. A limit at or past `size` searches to the end.
int64_t FollowUpTo(const uint8_t* data, int64_t& at, int64_t size, int64_t limit);

}  // namespace ExifData
