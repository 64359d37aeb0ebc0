// Preferences: the device's Settings app. Loads the panes of the
// PreferenceLoader folder and, as a person would, shows a page, changes a row
// or presses a button; then exits. The json verbs answer the same as one JSON
// document for the web simulator.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "LogWriter.h"
#include "PageJson.h"
#include "Pages.h"
#include "Panes.h"
#include "device/InsidePaths.h"
#include "device/Profile.h"
#include "device/ToolkitProfile.h"
#include "preferences/PSListController.h"
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
    "  json          prints the page (default: the first pane's) as one line of JSON; a link names its\n"
    "                page as json takes it\n"
    "  json-set      changes the row of PAGE that stores KEY, then prints the page as json does\n"
    "  json-press    presses the button of PAGE, then prints the page with the alerts it showed;\n"
    "                what the button's programs print goes to standard error\n";

int fail(const std::string& why) {
    std::fprintf(stderr, "Preferences: %s\n", why.c_str());
    return 1;
}

// Log lines go to standard error and, inside a device, into the device log.
void routeLog() {
    static int deviceLog = open(sim::inside::kLogFile, O_WRONLY | O_APPEND | O_CLOEXEC);
    static supervisor::LogWriter writer(deviceLog);
    static std::string self = "Preferences[" + std::to_string(getpid()) + "]";
    ns::setLogSink([](const std::string& line) {
        std::string text = !line.empty() && line.back() == '\n' ? line.substr(0, line.size() - 1) : line;
        std::fprintf(stderr, "%s\n", text.c_str());
        if (deviceLog >= 0) writer.line(self, text);
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

int show(const std::vector<prefs::Pane>& panes, const std::vector<prefs::Page>& pages, const std::string& name) {
    if (name.empty()) {
        for (const prefs::Pane& pane : panes)
            std::printf("Tweaks\t%s\tlink\t%s\n", pane.label.c_str(),
                        pane.error.empty() ? pane.bundleName.c_str() : pane.error.c_str());
        return 0;
    }
    const prefs::Page* page = prefs::findPage(pages, name);
    if (!page) return fail("no page \"" + name + "\" (Preferences show lists the panes)");
    for (const prefs::Row& row : prefs::rowsOf(page->controller)) std::printf("%s\n", prefs::rowLine(row).c_str());
    return 0;
}

void printRow(const prefs::Page& page, const id& spec) {
    for (const prefs::Row& row : prefs::rowsOf(page.controller))
        if (row.specifier == spec) std::printf("%s\n", prefs::rowLine(row).c_str());
}

// The page a json verb names; the first pane's root for an empty name.
const prefs::Page* jsonPage(const std::vector<prefs::Pane>& panes, const std::vector<prefs::Page>& pages,
                            const std::string& name, std::string& why) {
    if (name.empty()) {
        if (panes.empty()) why = std::string("no panes in ") + prefs::kEntriesFolder;
        else if (!panes[0].controller) why = panes[0].error;
        for (const prefs::Page& p : pages)
            if (!panes.empty() && p.controller == panes[0].controller) return &p;
        return nullptr;
    }
    const prefs::Page* page = prefs::findPage(pages, name);
    if (!page) why = "no page \"" + name + "\" (Preferences show lists the panes)";
    return page;
}

void printJson(const nlohmann::json& document) {
    std::printf("%s\n", document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
}

// Standard output carries only the answer: while the button runs, what it and
// its programs print goes to standard error.
class StdoutToStderr {
public:
    StdoutToStderr() {
        std::fflush(stdout);
        saved_ = dup(STDOUT_FILENO);
        if (saved_ >= 0) dup2(STDERR_FILENO, STDOUT_FILENO);
    }
    ~StdoutToStderr() {
        std::fflush(stdout);
        if (saved_ < 0) return;
        dup2(saved_, STDOUT_FILENO);
        close(saved_);
    }
    StdoutToStderr(const StdoutToStderr&) = delete;
    StdoutToStderr& operator=(const StdoutToStderr&) = delete;
    bool holds() const { return saved_ >= 0; }

private:
    int saved_ = -1;
};

int json(const std::vector<prefs::Pane>& panes, const std::vector<prefs::Page>& pages,
         const std::vector<std::string>& words) {
    const std::string& verb = words[0];
    std::string why;
    const prefs::Page* page = jsonPage(panes, pages, words.size() > 1 ? words[1] : std::string(), why);
    if (!page) return fail(why);
    const std::vector<prefs::Page> only{*page};
    if (verb == "json-set") {
        prefs::Found found = prefs::findKey(only, words[2]);
        if (!found.page) return fail("no row of the page \"" + words[1] + "\" stores the key \"" + words[2] + "\"");
        ns::Result<> changed = prefs::setRow(*found.page, found.specifier, words[3]);
        if (!changed) return fail(changed.reason());
        printJson(prefs::pageJson(*page));
        return 0;
    }
    nlohmann::json answer;
    if (verb == "json-press") {
        prefs::Found found = prefs::findButton(only, words[2]);
        if (!found.page) return fail("the page \"" + words[1] + "\" has no button with the action \"" + words[2] + "\"");
        std::vector<id> before = ui::shownAlerts();
        const std::size_t openedBefore = ui::openedURLs().size();
        ns::Result<> pressed;
        {
            StdoutToStderr quiet;
            if (!quiet.holds()) return fail(std::string("cannot keep standard output apart: ") + std::strerror(errno));
            pressed = ps::pressButton(found.page->controller, found.specifier);
        }
        if (!pressed) return fail(pressed.reason());
        nlohmann::json alerts = nlohmann::json::array();
        for (const id& alert : ui::shownAlerts())
            if (std::find(before.begin(), before.end(), alert) == before.end()) alerts.push_back(prefs::alertJson(alert));
        answer = prefs::pageJson(*page);
        answer["alerts"] = std::move(alerts);
        // What the button opened, for the page to show (a phone would leave for it).
        nlohmann::json opened = nlohmann::json::array();
        for (std::size_t i = openedBefore; i < ui::openedURLs().size(); ++i) opened.push_back(ui::openedURLs()[i]);
        answer["opened"] = std::move(opened);
    } else {
        answer = prefs::pageJson(*page);
    }
    printJson(answer);
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
    const std::string& verb = words[0];
    if (!((verb == "show" && words.size() <= 2) || (verb == "set" && words.size() == 3) ||
          (verb == "press" && words.size() == 2) || (verb == "json" && words.size() <= 2) ||
          (verb == "json-set" && words.size() == 4) || (verb == "json-press" && words.size() == 3))) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    std::vector<prefs::Pane> panes = prefs::loadPanes();
    std::vector<prefs::Page> pages = prefs::allPages(panes);
    if (verb == "show") return show(panes, pages, words.size() == 2 ? words[1] : std::string());
    if (verb.rfind("json", 0) == 0) return json(panes, pages, words);

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
