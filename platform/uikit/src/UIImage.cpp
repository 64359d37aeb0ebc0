#include "uikit/UIImage.h"

#include <cerrno>
#include <sys/stat.h>

#include "Internal.h"
#include "graphics/ImageFile.h"

namespace ui {

namespace {

std::vector<std::string>& searchPaths() {
    static auto* p = new std::vector<std::string>;
    return *p;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// 2 for "name@2x.png", 3 for "@3x", else 1.
double scaleFromName(const std::string& path) {
    auto slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.find("@3x.") != std::string::npos) return 3;
    if (name.find("@2x.") != std::string::npos) return 2;
    return 1;
}

// The image in the file, or nothing. A missing file is quiet, as on the device;
// a file that is there but does not decode is logged.
id load(const std::string& path) {
    if (!exists(path)) return {};
    ns::Result<CGImageRef> decoded = cg::loadImageFile(path);
    if (!decoded) {
        NSLog("UIImage: cannot decode %s", decoded.reason().c_str());
        return {};
    }
    return makeImage(*decoded, scaleFromName(path));
}

id imageWithContentsOfFileImp(id, SEL, id path) { return isString(path) ? load(str(path)) : id{}; }

id imageNamedImp(id, SEL, id nameObject) {
    if (!isString(nameObject)) return {};
    std::string name = str(nameObject);
    if (name.empty()) return {};
    if (name.front() == '/') return load(name);
    bool hasExtension = name.find('.') != std::string::npos;
    for (const auto& folder : searchPaths()) {
        std::string base = folder + "/" + name;
        std::vector<std::string> candidates;
        if (hasExtension) candidates = {base};
        else candidates = {base + "@2x.png", base + ".png", base + ".jpg", base + ".jpeg", base + ".JPG"};
        for (const auto& c : candidates)
            if (id img = load(c)) return img;
    }
    return {};
}

id imageWithCGImageImp(id, SEL, CGImageRef image) { return image ? makeImage(image) : id{}; }

id initWithContentsOfFileImp(id self, SEL cmd, id path) {
    id loaded = imageWithContentsOfFileImp(id{}, nullptr, path);
    if (!loaded) return {};
    auto& s = rt::state<UIImage>(self, cmd);
    auto& l = rt::state<UIImage>(loaded, cmd);
    s.cgImage = l.cgImage;
    s.scale = l.scale;
    return self;
}

CGImageRef cgImageImp(id self, SEL cmd) { return rt::state<UIImage>(self, cmd).cgImage; }
CGSize sizeImp(id self, SEL cmd) {
    auto& i = rt::state<UIImage>(self, cmd);
    if (!i.cgImage || i.scale <= 0) return CGSizeZero;
    return {static_cast<double>(i.cgImage->width) / i.scale, static_cast<double>(i.cgImage->height) / i.scale};
}
double scaleImp(id self, SEL cmd) { return rt::state<UIImage>(self, cmd).scale; }

}  // namespace

id makeImage(const CGImageRef& pixels, double scale) {
    auto image = rt::make<UIImage>("UIImage");
    image->cgImage = pixels;
    image->scale = scale > 0 ? scale : 1;
    return image;
}

void setImageSearchPaths(std::vector<std::string> folders) { searchPaths() = std::move(folders); }

namespace detail {
void registerImageClass() {
    rt::Class* cls = registerClass<UIImage>("UIImage", rt::NSObjectClass());
    rt::defineClassMethod(cls, imageNamed, &imageNamedImp);
    rt::defineClassMethod(cls, imageWithContentsOfFile, &imageWithContentsOfFileImp);
    rt::defineClassMethod(cls, imageWithCGImage, &imageWithCGImageImp);
    rt::defineMethod(cls, initWithContentsOfFile, &initWithContentsOfFileImp);
    rt::defineMethod(cls, CGImage, &cgImageImp);
    rt::defineMethod(cls, size, &sizeImp);
    rt::defineMethod(cls, scale, &scaleImp);
}
}  // namespace detail

}  // namespace ui
