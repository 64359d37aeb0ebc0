#include "Panes.h"

#include <dlfcn.h>

#include <algorithm>
#include <filesystem>
#include <strings.h>

#include "foundation/Log.h"
#include "foundation/PropertyList.h"
#include "foundation/RegularFile.h"
#include "preferences/Preferences.h"

namespace prefs {

namespace fs = std::filesystem;

namespace {

std::string entryString(const std::shared_ptr<NSDictionary>& entry, const char* key) {
    return str(entry->objectForKey(key));
}

// bundlePath, then <bundle>.bundle in each bundle folder.
std::string findBundle(const std::shared_ptr<NSDictionary>& entry, const std::vector<std::string>& folders) {
    std::error_code ec;
    if (std::string path = entryString(entry, "bundlePath"); !path.empty() && fs::is_directory(path, ec)) return path;
    std::string name = entryString(entry, "bundle");
    if (name.empty()) return {};
    for (const std::string& folder : folders) {
        fs::path candidate = fs::path(folder) / (name + ".bundle");
        if (fs::is_directory(candidate, ec)) return candidate.string();
    }
    return {};
}

void openPane(Pane& pane, const std::shared_ptr<NSDictionary>& entry) {
    auto info = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile(pane.bundleFolder + "/Info.plist"));
    std::string executable = info ? str(info->objectForKey("CFBundleExecutable")) : std::string();
    if (executable.empty()) executable = pane.bundleName;
    std::string binary = pane.bundleFolder + "/" + executable;
    // The loader would wait on a FIFO in the binary's place: a regular file only.
    if (auto file = ns::openRegularFile(binary, ns::Links::Followed); !file) {
        pane.error = "There was an error loading the preference bundle for " + pane.label + ": " + file.reason();
        return;
    }
    if (!dlopen(binary.c_str(), RTLD_NOW | RTLD_GLOBAL)) {
        const char* why = dlerror();
        pane.error = "There was an error loading the preference bundle for " + pane.label + ": " + (why ? why : binary);
        return;
    }
    std::string className = entryString(entry, "detail");
    if (className.empty() && info) className = str(info->objectForKey("NSPrincipalClass"));
    rt::Class* cls = rt::objc_getClass(className);
    if (!cls || !cls->isSubclassOf(rt::objc_getClass("PSListController"))) {
        pane.error = "The preference bundle for " + pane.label + " has no page class \"" + className + "\"";
        return;
    }
    pane.controller = rt::allocInit(cls);
    ps::setBundlePath(pane.controller, pane.bundleFolder);
    id link = ps::makeSpecifier(pane.label, PSLinkCell);
    ps::setSpecifier(pane.controller, link);
}

}  // namespace

std::vector<Pane> loadPanes(const std::string& entriesFolder, const std::vector<std::string>& bundleFolders) {
    ps::registerPreferencesClasses();
    std::vector<Pane> panes;
    std::error_code ec;
    if (!fs::is_directory(entriesFolder, ec)) return panes;
    std::vector<fs::path> files;
    for (auto it = fs::recursive_directory_iterator(entriesFolder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->path().extension() == ".plist") files.push_back(it->path());
    std::sort(files.begin(), files.end());
    for (const fs::path& file : files) {
        auto plist = rt::cast<NSDictionary>(ns::dictionaryWithContentsOfFile(file.string()));
        auto entry = plist ? rt::cast<NSDictionary>(plist->objectForKey("entry")) : nullptr;
        if (!entry) {
            NSLog("Preferences: %s has no entry dictionary; skipped", file.c_str());
            continue;
        }
        Pane pane;
        pane.entryFile = file.string();
        pane.bundleName = entryString(entry, "bundle");
        pane.label = entryString(entry, "label");
        if (pane.label.empty()) pane.label = pane.bundleName;
        pane.bundleFolder = findBundle(entry, bundleFolders);
        if (pane.bundleFolder.empty()) {
            NSLog("Preferences: Discarding specifier for missing isBundle bundle %s (%s)", pane.bundleName.c_str(),
                  file.c_str());
            continue;
        }
        openPane(pane, entry);
        if (!pane.error.empty()) NSLog("Preferences: %s", pane.error.c_str());
        panes.push_back(std::move(pane));
    }
    std::stable_sort(panes.begin(), panes.end(),
                     [](const Pane& a, const Pane& b) { return strcasecmp(a.label.c_str(), b.label.c_str()) < 0; });
    return panes;
}

}  // namespace prefs
