#include "renderer/LivePNG.h"

#include <libdeflate.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace render {

namespace {

struct CompressorFree {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};

// A compressor holds large tables: one per level and thread, kept.
libdeflate_compressor* compressor(int level) {
    thread_local std::unique_ptr<libdeflate_compressor, CompressorFree> made[13];
    level = std::clamp(level, 0, 12);
    if (!made[level]) made[level].reset(libdeflate_alloc_compressor(level));
    return made[level].get();
}

void put32(std::string& out, std::uint32_t v) {
    const char bytes[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                           static_cast<char>(v)};
    out.append(bytes, 4);
}

// A chunk: length, type, data, CRC of type and data.
void chunk(std::string& out, const char type[4], const unsigned char* data, std::size_t size) {
    put32(out, static_cast<std::uint32_t>(size));
    std::size_t typeAt = out.size();
    out.append(type, 4);
    out.append(reinterpret_cast<const char*>(data), size);
    std::uint32_t crc = libdeflate_crc32(0, out.data() + typeAt, size + 4);
    put32(out, crc);
}

}  // namespace

std::string encodeLivePNG(const Frame& frame, PixelRect r, int level) {
    if (frame.empty()) return {};
    int x0 = std::max(r.x, 0), y0 = std::max(r.y, 0);
    int x1 = std::min(r.x + r.width, frame.width()), y1 = std::min(r.y + r.height, frame.height());
    if (x1 <= x0 || y1 <= y0) return {};
    const int w = x1 - x0, h = y1 - y0;
    cairo_surface_flush(frame.surface());
    const unsigned char* data = cairo_image_surface_get_data(frame.surface());
    const int stride = cairo_image_surface_get_stride(frame.surface());

    // Rows filtered with "up" (the difference from the row above): flat and
    // vertically smooth areas, most of a screen, become zeros that deflate in
    // no time. Premultiplied colour is the colour over black.
    // Buffers kept between pictures: a fresh one costs its pages' faults.
    thread_local std::vector<unsigned char> raw, packed;
    const std::size_t rowBytes = static_cast<std::size_t>(w) * 3 + 1;
    if (raw.size() < rowBytes * h) raw.resize(rowBytes * h);
    for (int y = 0; y < h; ++y) {
        const auto* src = reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y0 + y) * stride) + x0;
        unsigned char* out = &raw[rowBytes * y];
        if (level == 0 || y == 0) {
            out[0] = 0;  // none
            for (int x = 0; x < w; ++x) {
                const std::uint32_t p = src[x];
                out[1 + 3 * x] = static_cast<unsigned char>(p >> 16);
                out[2 + 3 * x] = static_cast<unsigned char>(p >> 8);
                out[3 + 3 * x] = static_cast<unsigned char>(p);
            }
            continue;
        }
        const std::uint32_t* above = src - stride / 4;
        out[0] = 2;  // up
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = src[x], q = above[x];
            out[1 + 3 * x] = static_cast<unsigned char>((p >> 16) - (q >> 16));
            out[2 + 3 * x] = static_cast<unsigned char>((p >> 8) - (q >> 8));
            out[3 + 3 * x] = static_cast<unsigned char>(p - q);
        }
    }
    const std::size_t rawSize = rowBytes * h;

    libdeflate_compressor* c = compressor(level);
    if (!c) return {};
    const std::size_t bound = libdeflate_zlib_compress_bound(c, rawSize);
    if (packed.size() < bound) packed.resize(bound);
    std::size_t packedSize = libdeflate_zlib_compress(c, raw.data(), rawSize, packed.data(), bound);
    if (packedSize == 0) return {};

    std::string png("\x89PNG\r\n\x1a\n", 8);
    png.reserve(8 + 25 + packedSize + 12 + 12);
    unsigned char header[13] = {};
    for (int i = 0; i < 4; ++i) {
        header[i] = static_cast<unsigned char>(static_cast<std::uint32_t>(w) >> (24 - 8 * i));
        header[4 + i] = static_cast<unsigned char>(static_cast<std::uint32_t>(h) >> (24 - 8 * i));
    }
    header[8] = 8;  // bits a channel
    header[9] = 2;  // RGB
    chunk(png, "IHDR", header, sizeof header);
    chunk(png, "IDAT", packed.data(), packedSize);
    chunk(png, "IEND", nullptr, 0);
    return png;
}

}  // namespace render
