// Preferences: the device's Settings app. Loads the panes of the
// PreferenceLoader folder and, as a person would, shows a page, changes a row
// or presses a button; then exits. The json verbs answer the same as one JSON
// document; serve keeps it running for the web simulator's session.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "PageJson.h"
#include "Requests.h"
#include "Serve.h"
#include "Pages.h"
#include "Panes.h"
#include "wire/InsidePaths.h"
#include "wire/Profile.h"
#include "inside/ToolkitProfile.h"
#include "preferences/PSListController.h"
#include "preferences/PreferenceStore.h"
#include "foundation/Log.h"
#include "uikit/UIKit.h"

namespace {

const char* const kUsage =
    "usage: Preferences show [PAGE] | set KEY VALUE | press ACTION\n"
    "       Preferences json [PAGE] | json-set PAGE KEY VALUE | json-press PAGE ACTION\n"
    "  show          lists the panes; with PAGE (a pane's label or bundle, a page's title or class) its rows:\n"
    "                group, label, kind and current value, separated by tabs\n"
    "  set KEY VALUE changes the row that stores KEY as a person would\n"
    "  press ACTION  presses the button with that action (or label)\n"
    "  json          prints the page (default: the list of panes) as one line of JSON; a link names its\n"
    "                page as json takes it\n"
    "  json-set      changes the row of PAGE that stores KEY, then prints the page as json does\n"
    "  json-press    presses the button of PAGE, then prints the page with the alerts it showed;\n"
    "                what the button's programs print goes to standard error\n"
    "       Preferences serve\n"
    "  serve         stays running for the web simulator: requests of the device's wire on standard input,\n"
    "                answers on standard output, until standard input closes\n";

int fail(const std::string& why) {
    std::fprintf(stderr, "Preferences: %s\n", why.c_str());
    return 1;
}

// Log lines go to standard error: whoever runs the Settings app (a person,
// or the web simulator's session, which hands them to the device log) reads them there.
void routeLog() {
    ns::setLogSink([](const std::string& line) {
        std::string text = !line.empty() && line.back() == '\n' ? line.substr(0, line.size() - 1) : line;
        std::fprintf(stderr, "%s\n", text.c_str());
    });
}

// The screen and system of the device, when running inside one.
void configureFromProfile() {
    std::error_code ec;
    if (!std::filesystem::exists(sim::inside::kProfile, ec)) return;
    try {
        sim::configureToolkit(sim::readProfile(sim::inside::kProfile));
    } catch (const std::exception& e) {
        NSLog("Preferences: %s; using the default screen", e.what());
    }
}

// The pane of that name whose bundle failed to load: it opens on its error.
const prefs::Pane* failedPane(const std::vector<prefs::Pane>& panes, const std::string& name) {
    for (const prefs::Pane& pane : panes)
        if (!pane.controller && prefs::paneLinkName(pane) == name) return &pane;
    return nullptr;
}

int show(const std::vector<prefs::Pane>& panes, const std::vector<prefs::Page>& pages, const std::string& name) {
    if (name.empty()) {
        for (const prefs::Pane& pane : panes)
            std::printf("Tweaks\t%s\tlink\t%s\n", pane.label.c_str(),
                        pane.error.empty() ? pane.bundleName.c_str() : pane.error.c_str());
        return 0;
    }
    if (const prefs::Pane* failed = failedPane(panes, name)) return fail(failed->error);
    const prefs::Page* page = prefs::findPage(pages, name);
    if (!page) return fail("no page \"" + name + "\" (Preferences show lists the panes)");
    for (const prefs::Row& row : prefs::rowsOf(page->controller)) std::printf("%s\n", prefs::rowLine(row).c_str());
    return 0;
}

void printRow(const prefs::Page& page, const id& spec) {
    for (const prefs::Row& row : prefs::rowsOf(page.controller))
        if (row.specifier == spec) std::printf("%s\n", prefs::rowLine(row).c_str());
}

void printJson(const nlohmann::json& document) {
    std::printf("%s\n", document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
}

int json(const prefs::Settings& settings, const std::vector<std::string>& words) {
    const std::string& verb = words[0];
    const std::string name = words.size() > 1 ? words[1] : std::string();
    ns::Result<nlohmann::json> answer = verb == "json-set"     ? prefs::setJson(settings, name, words[2], words[3])
                                        : verb == "json-press" ? prefs::pressJson(settings, name, words[2])
                                                               : prefs::showJson(settings, name);
    if (!answer) return fail(answer.reason());
    printJson(*answer);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty() || words[0] == "--help" || words[0] == "-h") {
        std::fputs(kUsage, words.empty() ? stderr : stdout);
        return words.empty() ? 2 : 0;
    }
    routeLog();
    configureFromProfile();
    ps::removeInterruptedWrites();
    const std::string& verb = words[0];
    if (!((verb == "show" && words.size() <= 2) || (verb == "set" && words.size() == 3) ||
          (verb == "press" && words.size() == 2) || (verb == "json" && words.size() <= 2) ||
          (verb == "json-set" && words.size() == 4) || (verb == "json-press" && words.size() == 3) ||
          (verb == "serve" && words.size() == 1))) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    prefs::Settings settings;
    settings.panes = prefs::loadPanes();
    settings.pages = prefs::allPages(settings.panes);
    const auto& panes = settings.panes;
    const auto& pages = settings.pages;
    if (verb == "serve") return prefs::serve(settings);
    if (verb == "show") return show(panes, pages, words.size() == 2 ? words[1] : std::string());
    if (verb.rfind("json", 0) == 0) return json(settings, words);

    if (verb == "set") {
        prefs::Found found = prefs::findKey(pages, words[1]);
        if (!found.page) return fail("no row stores the key \"" + words[1] + "\"");
        ns::Result<> changed = prefs::setRow(*found.page, found.specifier, words[2]);
        if (!changed) return fail(changed.reason());
        printRow(*found.page, found.specifier);
        return 0;
    }

    prefs::Found found = prefs::findButton(pages, words[1]);
    if (!found.page) return fail("no button with the action \"" + words[1] + "\"");
    std::fflush(stdout);  // the button's programs write to the same output
    ns::Result<> pressed = ps::pressButton(found.page->controller, found.specifier);
    if (!pressed) return fail(pressed.reason());
    return 0;
}
