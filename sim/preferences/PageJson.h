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

// { title, message, buttons, image? }: image is a PNG data: URL of the first
// picture the alert's accessory view holds.
nlohmann::json alertJson(const id& alert);

// A stored value with its own type: Booleans, numbers and texts as such,
// anything else as its description; nothing is null.
nlohmann::json valueJson(const id& value);

}  // namespace prefs
