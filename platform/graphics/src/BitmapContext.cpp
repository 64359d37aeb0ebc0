#include "graphics/BitmapContext.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "CairoPixels.h"

// A bitmap context keeps its pixels in the caller's layout. Each drawing call
// copies them into a Cairo surface, draws with Cairo (its compositing, filters
// and rounding), and copies them back, so the memory is always current.
class CGContext {
public:
    std::size_t width = 0, height = 0, bytesPerRow = 0;
    std::uint8_t* data = nullptr;
    std::vector<std::uint8_t> owned;
    CGBitmapInfo info = 0;
    int offset[4] = {0, 1, 2, 3};  // byte offsets of R, G, B, A within a pixel; A -1 when skipped
    CGColor fill{0, 0, 0, 1};
    CGInterpolationQuality quality = kCGInterpolationDefault;
    cairo_surface_t* surface = nullptr;

    ~CGContext() {
        if (surface) cairo_surface_destroy(surface);
    }

    void load() {
        cairo_surface_flush(surface);
        unsigned char* dst = cairo_image_surface_get_data(surface);
        int stride = cairo_image_surface_get_stride(surface);
        for (std::size_t y = 0; y < height; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(dst + y * static_cast<std::size_t>(stride));
            const std::uint8_t* p = data + y * bytesPerRow;
            for (std::size_t x = 0; x < width; ++x, p += 4) {
                std::uint8_t a = offset[3] >= 0 ? p[offset[3]] : 255;
                row[x] = cg::detail::word(p[offset[0]], p[offset[1]], p[offset[2]], a);
            }
        }
        cairo_surface_mark_dirty(surface);
    }

    void store() {
        cairo_surface_flush(surface);
        const unsigned char* src = cairo_image_surface_get_data(surface);
        int stride = cairo_image_surface_get_stride(surface);
        for (std::size_t y = 0; y < height; ++y) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(src + y * static_cast<std::size_t>(stride));
            std::uint8_t* p = data + y * bytesPerRow;
            for (std::size_t x = 0; x < width; ++x, p += 4) {
                std::uint32_t w = row[x];
                p[offset[0]] = static_cast<std::uint8_t>(w >> 16);
                p[offset[1]] = static_cast<std::uint8_t>(w >> 8);
                p[offset[2]] = static_cast<std::uint8_t>(w);
                if (offset[3] >= 0) p[offset[3]] = static_cast<std::uint8_t>(w >> 24);
            }
        }
    }

    // Runs a drawing step on a Cairo context whose y axis is flipped to the
    // device's lower-left origin.
    template <class F>
    void draw(F&& f) {
        load();
        cairo_t* cr = cairo_create(surface);
        cairo_translate(cr, 0, static_cast<double>(height));
        cairo_scale(cr, 1, -1);
        f(cr);
        cairo_destroy(cr);
        store();
    }
};

namespace {

bool fail(const char* why) {
    std::fprintf(stderr, "CGBitmapContextCreate: %s\n", why);
    return false;
}

// The byte offsets of R, G, B and A for a bitmap info; false when unsupported.
bool layoutFor(CGBitmapInfo info, int offset[4]) {
    std::uint32_t alpha = info & kCGBitmapAlphaInfoMask;
    std::uint32_t order = info & kCGBitmapByteOrderMask;
    if (info & ~(kCGBitmapAlphaInfoMask | kCGBitmapByteOrderMask)) return fail("unsupported bitmap info (float components)");
    if (order != kCGBitmapByteOrderDefault && order != kCGBitmapByteOrder32Big && order != kCGBitmapByteOrder32Little)
        return fail("unsupported byte order for 32-bit pixels");
    // Positions within the 32-bit word as written big-endian: R G B A or A R G B.
    int word[4];
    switch (alpha) {
        case kCGImageAlphaPremultipliedLast: word[0] = 0, word[1] = 1, word[2] = 2, word[3] = 3; break;
        case kCGImageAlphaNoneSkipLast: word[0] = 0, word[1] = 1, word[2] = 2, word[3] = -1; break;
        case kCGImageAlphaPremultipliedFirst: word[0] = 1, word[1] = 2, word[2] = 3, word[3] = 0; break;
        case kCGImageAlphaNoneSkipFirst: word[0] = 1, word[1] = 2, word[2] = 3, word[3] = -1; break;
        default: return fail("unsupported alpha: 8-bit RGB contexts take premultiplied or skipped alpha");
    }
    for (int i = 0; i < 4; ++i)
        offset[i] = word[i] < 0 ? -1 : order == kCGBitmapByteOrder32Little ? 3 - word[i] : word[i];
    return true;
}

}  // namespace

CGContextRef CGBitmapContextCreate(void* data, std::size_t width, std::size_t height, std::size_t bitsPerComponent,
                                   std::size_t bytesPerRow, const CGColorSpaceRef& space, CGBitmapInfo bitmapInfo) {
    if (!space) return fail("no colour space"), nullptr;
    if (bitsPerComponent != 8) return fail("only 8 bits per component are supported"), nullptr;
    if (width == 0 || height == 0) return fail("width and height must be positive"), nullptr;
    constexpr std::size_t limit = 1u << 15;  // Cairo's largest image surface
    if (width > limit || height > limit) return fail("width or height beyond 32767"), nullptr;
    if (bytesPerRow == 0) bytesPerRow = width * 4;
    if (bytesPerRow < width * 4) return fail("bytes per row smaller than 4 * width"), nullptr;
    auto ctx = std::make_shared<CGContext>();
    if (!layoutFor(bitmapInfo, ctx->offset)) return nullptr;
    ctx->width = width;
    ctx->height = height;
    ctx->bytesPerRow = bytesPerRow;
    ctx->info = bitmapInfo;
    if (data) {
        ctx->data = static_cast<std::uint8_t*>(data);
    } else {
        ctx->owned.assign(bytesPerRow * height, 0);
        ctx->data = ctx->owned.data();
    }
    ctx->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width), static_cast<int>(height));
    if (cairo_surface_status(ctx->surface) != CAIRO_STATUS_SUCCESS) return fail("out of memory"), nullptr;
    return ctx;
}

void* CGBitmapContextGetData(const CGContextRef& c) { return c ? c->data : nullptr; }
std::size_t CGBitmapContextGetWidth(const CGContextRef& c) { return c ? c->width : 0; }
std::size_t CGBitmapContextGetHeight(const CGContextRef& c) { return c ? c->height : 0; }
std::size_t CGBitmapContextGetBytesPerRow(const CGContextRef& c) { return c ? c->bytesPerRow : 0; }
CGBitmapInfo CGBitmapContextGetBitmapInfo(const CGContextRef& c) { return c ? c->info : 0; }

CGImageRef CGBitmapContextCreateImage(const CGContextRef& c) {
    if (!c) return {};
    c->load();
    return cg::detail::imageFromSurface(c->surface);
}

namespace {
CGRect normalized(CGRect r) {
    return {{CGRectGetMinX(r), CGRectGetMinY(r)}, {CGRectGetWidth(r), CGRectGetHeight(r)}};
}
bool usable(CGRect r) {
    return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
           std::isfinite(r.size.height) && r.size.width != 0 && r.size.height != 0;
}
}  // namespace

void CGContextDrawImage(const CGContextRef& c, CGRect rect, const CGImageRef& image) {
    if (!c || !image || image->width == 0 || image->height == 0 || !usable(rect)) return;
    rect = normalized(rect);
    cairo_surface_t* src = cg::detail::cachedSurface(*image);
    c->draw([&](cairo_t* cr) {
        // In the flipped space the image's first row must land at the rect's top
        // (largest y), so the image is flipped back within the rect.
        cairo_save(cr);
        cairo_translate(cr, rect.origin.x, rect.origin.y + rect.size.height);
        cairo_scale(cr, rect.size.width / static_cast<double>(image->width),
                    -rect.size.height / static_cast<double>(image->height));
        cairo_set_source_surface(cr, src, 0, 0);
        cairo_pattern_t* pattern = cairo_get_source(cr);
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
        switch (c->quality) {
            case kCGInterpolationNone: cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST); break;
            case kCGInterpolationLow: cairo_pattern_set_filter(pattern, CAIRO_FILTER_FAST); break;
            case kCGInterpolationHigh: cairo_pattern_set_filter(pattern, CAIRO_FILTER_BEST); break;
            default: break;  // the library's default filter
        }
        cairo_rectangle(cr, 0, 0, static_cast<double>(image->width), static_cast<double>(image->height));
        cairo_fill(cr);
        cairo_restore(cr);
    });
}

void CGContextSetInterpolationQuality(const CGContextRef& c, CGInterpolationQuality quality) {
    if (c) c->quality = quality;
}

void CGContextSetFillColorWithColor(const CGContextRef& c, const CGColorRef& color) {
    // No colour leaves the fill colour as it was.
    if (c && color) c->fill = *color;
}

void CGContextSetRGBFillColor(const CGContextRef& c, CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
    if (c) c->fill = {r, g, b, a};
}

void CGContextFillRect(const CGContextRef& c, CGRect rect) {
    if (!c || !usable(rect)) return;
    rect = normalized(rect);
    auto clamp = [](double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.0; };
    c->draw([&](cairo_t* cr) {
        cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
        cairo_set_source_rgba(cr, clamp(c->fill.red), clamp(c->fill.green), clamp(c->fill.blue), clamp(c->fill.alpha));
        cairo_rectangle(cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
        cairo_fill(cr);
    });
}

void CGContextClearRect(const CGContextRef& c, CGRect rect) {
    if (!c || !usable(rect)) return;
    rect = normalized(rect);
    c->draw([&](cairo_t* cr) {
        cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
        cairo_rectangle(cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
        cairo_fill(cr);
    });
}
