#include "Requests.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "PageJson.h"
#include "preferences/PSListController.h"
#include "uikit/UIKit.h"

namespace prefs {

namespace {

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

// The pane of that name whose bundle failed to load: it opens on its error.
const Pane* failedPane(const std::vector<Pane>& panes, const std::string& name) {
    for (const Pane& pane : panes)
        if (!pane.controller && paneLinkName(pane) == name) return &pane;
    return nullptr;
}

// The page of `name` that has rows to change or press.
ns::Result<const Page*> rowsPage(const Settings& s, const std::string& name) {
    const Pane* failed = name.empty() ? nullptr : failedPane(s.panes, name);
    if (name.empty() || failed)
        return ns::fail("the page \"" + (failed ? failed->label : std::string("Settings")) +
                        "\" has no rows to change or press");
    const Page* page = findPage(s.pages, name);
    if (!page) return ns::fail("no page \"" + name + "\" (Preferences show lists the panes)");
    return page;
}

}  // namespace

ns::Result<nlohmann::json> showJson(const Settings& s, const std::string& name) {
    if (name.empty()) return paneListJson(s.panes);
    if (const Pane* failed = failedPane(s.panes, name)) return paneErrorJson(*failed);
    const Page* page = findPage(s.pages, name);
    if (!page) return ns::fail("no page \"" + name + "\" (Preferences show lists the panes)");
    return pageJson(*page);
}

ns::Result<nlohmann::json> setJson(const Settings& s, const std::string& name, const std::string& key,
                                   const std::string& value) {
    auto rows = rowsPage(s, name);
    if (!rows) return ns::fail(rows.reason());
    const Page* page = *rows;
    const std::vector<Page> only{*page};
    Found found = findKey(only, key);
    if (!found.page) return ns::fail("no row of the page \"" + name + "\" stores the key \"" + key + "\"");
    ns::Result<> changed = setRow(*found.page, found.specifier, value);
    if (!changed) return ns::fail(changed.reason());
    return pageJson(*page);
}

ns::Result<nlohmann::json> pressJson(const Settings& s, const std::string& name, const std::string& action) {
    auto rows = rowsPage(s, name);
    if (!rows) return ns::fail(rows.reason());
    const Page* page = *rows;
    const std::vector<Page> only{*page};
    Found found = findButton(only, action);
    if (!found.page) return ns::fail("the page \"" + name + "\" has no button with the action \"" + action + "\"");
    std::vector<id> before = ui::shownAlerts();
    const std::size_t openedBefore = ui::openedURLs().size();
    ns::Result<> pressed;
    {
        StdoutToStderr quiet;
        if (!quiet.holds()) return ns::fail(std::string("cannot keep standard output apart: ") + std::strerror(errno));
        pressed = ps::pressButton(found.page->controller, found.specifier);
    }
    if (!pressed) return ns::fail(pressed.reason());
    nlohmann::json alerts = nlohmann::json::array();
    for (const id& alert : ui::shownAlerts())
        if (std::find(before.begin(), before.end(), alert) == before.end()) alerts.push_back(alertJson(alert));
    nlohmann::json answer = pageJson(*page);
    answer["alerts"] = std::move(alerts);
    // What the button opened, for the page to show (a phone would leave for it).
    nlohmann::json opened = nlohmann::json::array();
    for (std::size_t i = openedBefore; i < ui::openedURLs().size(); ++i) opened.push_back(ui::openedURLs()[i]);
    answer["opened"] = std::move(opened);
    return answer;
}

}  // namespace prefs
