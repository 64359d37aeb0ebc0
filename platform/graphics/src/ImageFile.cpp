#include "graphics/ImageFile.h"

#include <cairo.h>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>

#include "CairoPixels.h"
#include "foundation/RegularFile.h"

namespace cg {

namespace {

// Cairo reads a PNG through a callback: here, from the bytes already read.
struct Bytes {
    const std::string* data;
    std::size_t at = 0;
};

cairo_status_t readPNGBytes(void* closure, unsigned char* into, unsigned int length) {
    auto* b = static_cast<Bytes*>(closure);
    if (b->data->size() - b->at < length) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(into, b->data->data() + b->at, length);
    b->at += length;
    return CAIRO_STATUS_SUCCESS;
}

// Within the bounds: the size a header declares, before anything is decoded.
ns::Result<> withinBounds(std::size_t width, std::size_t height) {
    if (width == 0 || height == 0) return ns::fail("it has no pixels");
    if (width > kLongestImageSide || height > kLongestImageSide || width * height > kMostImagePixels)
        return ns::fail(std::to_string(width) + " x " + std::to_string(height) + " pixels is more than the " +
                        std::to_string(kMostImagePixels / 1'000'000) + " million (at most " +
                        std::to_string(kLongestImageSide) + " a side) a picture may have");
    return {};
}

std::uint32_t bigEndian32(const std::string& b, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3]));
}

ns::Result<CGImageRef> loadPNG(const std::string& bytes) {
    // The header chunk comes first, at a fixed place: its size is checked before the library decodes.
    if (bytes.size() < 24 || bytes.compare(12, 4, "IHDR") != 0) return ns::fail("not a readable PNG (no header chunk)");
    if (auto ok = withinBounds(bigEndian32(bytes, 16), bigEndian32(bytes, 20)); !ok)
        return ns::fail("not a picture to decode: " + ok.reason());
    Bytes source{&bytes};
    cairo_surface_t* loaded = cairo_image_surface_create_from_png_stream(readPNGBytes, &source);
    if (cairo_surface_status(loaded) != CAIRO_STATUS_SUCCESS) {
        std::string why = cairo_status_to_string(cairo_surface_status(loaded));
        cairo_surface_destroy(loaded);
        return ns::fail("not a readable PNG (" + why + ")");
    }
    // Painted onto a premultiplied ARGB surface, whatever format the file decoded to.
    int w = cairo_image_surface_get_width(loaded), h = cairo_image_surface_get_height(loaded);
    cairo_surface_t* argb = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(argb);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, loaded, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    CGImageRef image = detail::imageFromSurface(argb);
    cairo_surface_destroy(argb);
    cairo_surface_destroy(loaded);
    if (!image) return ns::fail("PNG has no pixels");
    return image;
}

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void onJpegError(j_common_ptr info) {
    auto* err = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, err->message);
    std::longjmp(err->jump, 1);
}

ns::Result<CGImageRef> loadJPEG(const std::string& bytes) {
    jpeg_decompress_struct info{};
    JpegError err{};
    info.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = onJpegError;
    std::vector<std::uint8_t> rgba;
    std::vector<JSAMPLE> row;
    std::size_t width = 0, height = 0;
    // Everything that must survive the error jump lives above it.
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&info);
        return ns::fail(std::string("not a readable JPEG (") + err.message + ")");
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    if (auto ok = withinBounds(info.image_width, info.image_height); !ok) {
        jpeg_destroy_decompress(&info);
        return ns::fail("not a picture to decode: " + ok.reason());
    }
    bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&info);
    width = info.output_width;
    height = info.output_height;
    auto channels = static_cast<std::size_t>(info.output_components);
    rgba.assign(width * height * 4, 255);
    row.resize(width * channels);
    while (info.output_scanline < info.output_height) {
        std::size_t y = info.output_scanline;
        JSAMPROW rows[1] = {row.data()};
        jpeg_read_scanlines(&info, rows, 1);
        std::uint8_t* dst = rgba.data() + y * width * 4;
        for (std::size_t x = 0; x < width; ++x, dst += 4) {
            const JSAMPLE* s = row.data() + x * channels;
            if (cmyk) {
                // Adobe writes CMYK inverted: each byte is already 255 - ink.
                unsigned k = s[3];
                dst[0] = static_cast<std::uint8_t>(s[0] * k / 255);
                dst[1] = static_cast<std::uint8_t>(s[1] * k / 255);
                dst[2] = static_cast<std::uint8_t>(s[2] * k / 255);
            } else {
                dst[0] = s[0];
                dst[1] = s[1];
                dst[2] = s[2];
            }
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return makeImage(width, height, std::move(rgba));
}

}  // namespace

ns::Result<CGImageRef> decodeImage(const std::string& b) {
    if (b.size() >= 8 && std::memcmp(b.data(), "\x89PNG\r\n\x1a\n", 8) == 0) return loadPNG(b);
    if (b.size() >= 3 && static_cast<unsigned char>(b[0]) == 0xFF && static_cast<unsigned char>(b[1]) == 0xD8 &&
        static_cast<unsigned char>(b[2]) == 0xFF)
        return loadJPEG(b);
    return ns::fail("neither PNG nor JPEG");
}

ns::Result<CGImageRef> loadImageFile(const std::string& path) {
    // A regular file only: a FIFO in an image's place never holds the program.
    auto bytes = ns::readRegularFile(path, kLargestImageFile, ns::Links::Followed);
    if (!bytes) return ns::fail(bytes.reason());
    ns::Result<CGImageRef> image = decodeImage(*bytes);
    if (!image) return ns::fail(path + ": " + image.reason());
    return image;
}

ns::Result<> writePNG(const CGImageRef& image, const std::string& path) {
    if (!image) return ns::fail("writing " + path + ": no image");
    cairo_surface_t* s = detail::surfaceFromImage(*image);
    cairo_status_t status = cairo_surface_write_to_png(s, path.c_str());
    cairo_surface_destroy(s);
    if (status != CAIRO_STATUS_SUCCESS) return ns::fail("writing " + path + ": " + cairo_status_to_string(status));
    return {};
}

}  // namespace cg
