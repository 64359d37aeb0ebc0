// A Settings page as the web simulator reads it: its title, header, groups of
// typed cells with their current values, and the alerts shown meanwhile.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "Pages.h"

namespace prefs {

// The name under which `json` finds the page again: its controller's class.
std::string pageName(const Page& page);

// { page, title, header, groups: [ { header, footer, cells: [...] } ] }.
// Values are read as the framework reads them (stored, else the row's default).
nlohmann::json pageJson(const Page& page);

// The Settings app's first page: one group with a link to every pane, in the
// order listed. A link names the pane's first page as json takes it; a pane
// whose bundle failed to load names its error page (paneErrorJson).
nlohmann::json paneListJson(const std::vector<Pane>& panes);
// The name under which the list links to `pane`.
std::string paneLinkName(const Pane& pane);
// The page a pane that failed to load shows: its error, as the Settings app says it.
nlohmann::json paneErrorJson(const Pane& pane);

// { title, message, buttons, image? }: image is a PNG data: URL of the first
// picture the alert's accessory view holds.
nlohmann::json alertJson(const id& alert);

// A stored value with its own type: Booleans, numbers and texts as such,
// anything else as its description; nothing is null.
nlohmann::json valueJson(const id& value);

}  // namespace prefs
