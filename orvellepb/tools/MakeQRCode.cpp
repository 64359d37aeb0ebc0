// Build tool: writes the donation address as a QR-code picture (greyscale
// JPEG): black modules of kModulePixels pixels, a quiet zone of four modules.
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>
#include <qrencode.h>

#include "foundation/FileReplace.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr int kModulePixels = 8;
constexpr int kQuietModules = 4;

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s TEXT OUTPUT.JPG\n", argv[0]);
        return 2;
    }
    QRcode* code = QRcode_encodeString(argv[1], 0, QR_ECLEVEL_M, QR_MODE_8, 1);
    if (!code) {
        std::fprintf(stderr, "%s: cannot encode \"%s\" as a QR code: %s\n", argv[0], argv[1], std::strerror(errno));
        return 1;
    }
    const int modules = code->width + 2 * kQuietModules;
    const int side = modules * kModulePixels;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(side) * side, 255);
    for (int y = 0; y < code->width; ++y)
        for (int x = 0; x < code->width; ++x) {
            if (!(code->data[y * code->width + x] & 1)) continue;
            for (int dy = 0; dy < kModulePixels; ++dy)
                std::memset(&pixels[static_cast<std::size_t>((y + kQuietModules) * kModulePixels + dy) * side +
                                    (x + kQuietModules) * kModulePixels],
                            0, kModulePixels);
        }
    QRcode_free(code);

    unsigned char* encoded = nullptr;
    unsigned long length = 0;
    jpeg_compress_struct jpeg{};
    jpeg_error_mgr errors{};
    jpeg.err = jpeg_std_error(&errors);
    jpeg_create_compress(&jpeg);
    jpeg_mem_dest(&jpeg, &encoded, &length);
    jpeg.image_width = static_cast<JDIMENSION>(side);
    jpeg.image_height = static_cast<JDIMENSION>(side);
    jpeg.input_components = 1;
    jpeg.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&jpeg);
    jpeg_set_quality(&jpeg, 95, TRUE);
    jpeg_start_compress(&jpeg, TRUE);
    while (jpeg.next_scanline < jpeg.image_height) {
        JSAMPROW row = &pixels[static_cast<std::size_t>(jpeg.next_scanline) * side];
        jpeg_write_scanlines(&jpeg, &row, 1);
    }
    jpeg_finish_compress(&jpeg);
    jpeg_destroy_compress(&jpeg);
    std::string bytes(reinterpret_cast<const char*>(encoded), length);
    std::free(encoded);
    if (auto written = ns::replaceFile(argv[2], bytes); !written) {
        std::fprintf(stderr, "%s: %s\n", argv[0], written.reason().c_str());
        return 1;
    }
    return 0;
}
