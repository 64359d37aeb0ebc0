// What the Settings app answers the web simulator: a page as a JSON document
// (PageJson.h), after a row is changed or a button pressed as a person would.
// A request that names no such page, key or button, or a value the row
// refuses, fails with the reason: it is the request's fault.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Pages.h"
#include "Panes.h"
#include "foundation/Result.h"

namespace prefs {

// The panes the Settings app loaded, and their pages.
struct Settings {
    std::vector<Pane> panes;
    std::vector<Page> pages;
};

// "" is the list of panes; a pane whose bundle failed opens on its error.
ns::Result<nlohmann::json> showJson(const Settings& settings, const std::string& page);
ns::Result<nlohmann::json> setJson(const Settings& settings, const std::string& page, const std::string& key,
                                   const std::string& value);
// The page with the alerts the button showed and the addresses it opened;
// what the button's programs print goes to standard error.
ns::Result<nlohmann::json> pressJson(const Settings& settings, const std::string& page, const std::string& action);

}  // namespace prefs
