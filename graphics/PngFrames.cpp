#include "graphics/PngFrames.h"

#include "graphics/PngDecode.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <limits>

namespace torvik {

namespace {

constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
constexpr std::size_t kChunkOverhead = 12; // length, type, CRC
constexpr int kBytesPerPixel = 4;          // 8-bit RGBA
constexpr std::size_t kZlibHeaderBytes = 2;

std::uint32_t BigEndian32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | static_cast<std::uint32_t>(p[3]);
}

bool ChunkCrcMatches(const unsigned char* type, std::uint32_t length) {
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), type, static_cast<uInt>(length + 4));
    return crc == BigEndian32(type + 4 + length);
}

int PaethPredictor(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a);
    const int pb = std::abs(p - b);
    const int pc = std::abs(p - c);
    if (pa <= pb && pa <= pc)
        return a;
    return pb <= pc ? b : c;
}

// Undoes one row's filter in place; prior is none for a frame's first row,
// which may only use None or Sub.
bool Unfilter(int type, unsigned char* row, const unsigned char* prior, std::size_t n) {
    constexpr std::size_t bpp = kBytesPerPixel;
    switch (type) {
    case 0:
        return true;
    case 1:
        for (std::size_t i = bpp; i < n; ++i)
            row[i] = static_cast<unsigned char>(row[i] + row[i - bpp]);
        return true;
    case 2:
        if (!prior)
            return false;
        for (std::size_t i = 0; i < n; ++i)
            row[i] = static_cast<unsigned char>(row[i] + prior[i]);
        return true;
    case 3:
        if (!prior)
            return false;
        for (std::size_t i = 0; i < n; ++i) {
            const int left = i >= bpp ? row[i - bpp] : 0;
            row[i] = static_cast<unsigned char>(row[i] + ((left + prior[i]) >> 1));
        }
        return true;
    case 4:
        if (!prior)
            return false;
        for (std::size_t i = 0; i < n; ++i) {
            const int left = i >= bpp ? row[i - bpp] : 0;
            const int upLeft = i >= bpp ? prior[i - bpp] : 0;
            row[i] = static_cast<unsigned char>(row[i] + PaethPredictor(left, prior[i], upLeft));
        }
        return true;
    default:
        return false;
    }
}

// Inflates the stored rows of frame f (a difference where frames are
// differences) into target.
bool InflateStoredFrame(const PngFrameIndex& index, int f, PIX_IBitmap& target);

// Byte-wise sum, modulo 256 in each of the four channels.
std::uint32_t AddBytes(std::uint32_t a, std::uint32_t b) {
    constexpr std::uint32_t kLow = 0x7F7F7F7Fu;
    constexpr std::uint32_t kHigh = 0x80808080u;
    return ((a & kLow) + (b & kLow)) ^ ((a ^ b) & kHigh);
}

// Adds rows [0, rows) of first to rows [top, top + rows) of target.
void AddRows(PIX_IBitmap& target, int top, PIX_IBitmap& first, int rows, int width) {
    for (int r = 0; r < rows; ++r) {
        std::uint32_t* out = BitmapRow(target, top + r);
        const std::uint32_t* base = BitmapRow(first, r);
        for (int x = 0; x < width; ++x)
            out[x] = AddBytes(out[x], base[x]);
    }
}

// Where a chunk's type starts, with its length; none when absent.
const unsigned char* FindChunk(const unsigned char* bytes, std::size_t length, const char* kind,
                               std::uint32_t& chunkLength) {
    std::size_t pos = sizeof kSignature;
    while (length - pos >= kChunkOverhead) {
        const std::uint32_t n = BigEndian32(bytes + pos);
        if (n > length - pos - kChunkOverhead)
            return nullptr;
        const unsigned char* type = bytes + pos + 4;
        if (std::memcmp(type, kind, 4) == 0) {
            chunkLength = n;
            return type;
        }
        if (std::memcmp(type, "IEND", 4) == 0)
            return nullptr;
        pos += kChunkOverhead + n;
    }
    return nullptr;
}

} // namespace

int PngDeltaFrameCount(const unsigned char* bytes, std::size_t length) {
    if (!bytes || length < sizeof kSignature || std::memcmp(bytes, kSignature, 8) != 0)
        return 0;
    std::uint32_t n = 0;
    const unsigned char* type = FindChunk(bytes, length, "frDF", n);
    if (!type)
        return 0;
    if (n != 4 || !ChunkCrcMatches(type, n))
        return -1;
    const std::uint32_t frames = BigEndian32(type + 4);
    return frames >= 2 && frames <= static_cast<std::uint32_t>(kMaxPngHeight)
               ? static_cast<int>(frames)
               : -1;
}

bool UndoFrameDeltas(PIX_IBitmap& strip, int frames) {
    if (frames < 1 || strip.Height() % frames != 0 || !strip.PixelData())
        return false;
    const int rows = strip.Height() / frames;
    for (int f = 1; f < frames; ++f)
        AddRows(strip, f * rows, strip, rows, strip.Width());
    return true;
}

bool ReadPngFrameIndex(const unsigned char* bytes, std::size_t length, PngFrameIndex& index) {
    index = PngFrameIndex{};
    if (!bytes || length < sizeof kSignature || std::memcmp(bytes, kSignature, 8) != 0)
        return false;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    const unsigned char* frameChunk = nullptr;
    std::uint32_t frameChunkLength = 0;
    int idatCount = 0;
    std::size_t pos = sizeof kSignature;
    while (length - pos >= kChunkOverhead) {
        const std::uint32_t n = BigEndian32(bytes + pos);
        const unsigned char* type = bytes + pos + 4;
        if (n > length - pos - kChunkOverhead)
            return false;
        const unsigned char* data = type + 4;
        if (std::memcmp(type, "IHDR", 4) == 0) {
            // 8-bit RGBA, deflate, standard filters, not interlaced.
            if (pos != sizeof kSignature || n != 13 || data[8] != 8 || data[9] != 6 ||
                data[10] != 0 || data[11] != 0 || data[12] != 0)
                return false;
            width = BigEndian32(data);
            height = BigEndian32(data + 4);
        } else if (std::memcmp(type, "frIX", 4) == 0) {
            frameChunk = type;
            frameChunkLength = n;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            ++idatCount;
            index.data = data;
            index.dataLength = n;
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            break;
        }
        pos += kChunkOverhead + n;
    }
    if (width < 1 || width > kMaxPngWidth || height < 1 || height > kMaxPngHeight ||
        static_cast<std::uint64_t>(width) * height > kMaxBitmapPixels || idatCount != 1 ||
        !frameChunk || frameChunkLength < 8 || !ChunkCrcMatches(frameChunk, frameChunkLength))
        return false;
    const unsigned char* f = frameChunk + 4;
    const std::uint32_t frames = BigEndian32(f);
    const std::uint32_t rows = BigEndian32(f + 4);
    if (frames < 1 || rows < 1 || frames > height || rows > height ||
        static_cast<std::uint64_t>(frames) * rows != height ||
        frameChunkLength != 8 + 4 * static_cast<std::uint64_t>(frames))
        return false;
    index.offsets.resize(frames);
    std::uint32_t previous = 0;
    for (std::uint32_t i = 0; i < frames; ++i) {
        const std::uint32_t offset = BigEndian32(f + 8 + 4 * i);
        if (offset >= index.dataLength || (i == 0 && offset != kZlibHeaderBytes) ||
            (i > 0 && offset <= previous)) {
            index = PngFrameIndex{};
            return false;
        }
        index.offsets[i] = previous = offset;
    }
    // Differences the index does not describe make no frame readable.
    const int deltaFrames = PngDeltaFrameCount(bytes, length);
    if (deltaFrames < 0 || (deltaFrames > 0 && deltaFrames != static_cast<int>(frames))) {
        index = PngFrameIndex{};
        return false;
    }
    index.width = static_cast<int>(width);
    index.frames = static_cast<int>(frames);
    index.rowsPerFrame = static_cast<int>(rows);
    index.framesAreDeltas = deltaFrames > 0;
    return true;
}

bool InflatePngFrame(const PngFrameIndex& index, int f, PIX_IBitmap& target, PIX_IBitmap* first) {
    if (f < 0 || f >= index.frames || !index.data)
        return false;
    if (!InflateStoredFrame(index, f, target))
        return false;
    if (!index.framesAreDeltas || f == 0)
        return true;
    PIX_MemBitmap inflatedFirst;
    if (!first || first->Width() != index.width || first->Height() != index.rowsPerFrame ||
        !first->PixelData()) {
        if (!InflateStoredFrame(index, 0, inflatedFirst))
            return false;
        first = &inflatedFirst;
    }
    AddRows(target, 0, *first, index.rowsPerFrame, index.width);
    return true;
}

namespace {

bool InflateStoredFrame(const PngFrameIndex& index, int f, PIX_IBitmap& target) {
    const std::size_t rowBytes = static_cast<std::size_t>(index.width) * kBytesPerPixel;
    const std::size_t filteredBytes = (rowBytes + 1) * static_cast<std::size_t>(index.rowsPerFrame);
    const std::size_t begin = index.offsets[static_cast<std::size_t>(f)];
    const std::size_t end =
        f + 1 < index.frames ? index.offsets[static_cast<std::size_t>(f) + 1] : index.dataLength;
    if (filteredBytes > std::numeric_limits<uInt>::max() ||
        end - begin > std::numeric_limits<uInt>::max())
        return false;
    if (!target.Resize(index.width, index.rowsPerFrame) &&
        (target.Width() != index.width || target.Height() != index.rowsPerFrame))
        return false;
    if (!target.PixelData())
        return false;

    // Inflate the filtered rows into a buffer of their own: one frame only.
    std::vector<unsigned char> filtered(filteredBytes);
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        return false;
    stream.next_in = const_cast<Bytef*>(index.data + begin);
    stream.avail_in = static_cast<uInt>(end - begin);
    stream.next_out = filtered.data();
    stream.avail_out = static_cast<uInt>(filteredBytes);
    const int result = inflate(&stream, Z_SYNC_FLUSH);
    inflateEnd(&stream);
    if ((result != Z_OK && result != Z_STREAM_END) || stream.avail_out != 0)
        return false;

    for (int r = 0; r < index.rowsPerFrame; ++r) {
        unsigned char* line = filtered.data() + static_cast<std::size_t>(r) * (rowBytes + 1);
        const unsigned char* prior = r > 0 ? line - rowBytes : nullptr;
        if (!Unfilter(line[0], line + 1, prior, rowBytes))
            return false;
        // Bytes R, G, B, A become the pixel value 0xAARRGGBB.
        std::uint32_t* out = BitmapRow(target, r);
        const unsigned char* in = line + 1;
        for (int x = 0; x < index.width; ++x, in += kBytesPerPixel) {
            out[x] = static_cast<std::uint32_t>(in[3]) << 24 |
                     static_cast<std::uint32_t>(in[0]) << 16 |
                     static_cast<std::uint32_t>(in[1]) << 8 | static_cast<std::uint32_t>(in[2]);
        }
    }
    return true;
}

} // namespace

} // namespace torvik
