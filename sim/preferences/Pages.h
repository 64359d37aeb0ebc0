// The pages of the Settings app as a person sees them: rows with a group,
// label, kind and current value, and the pages their links lead to.
#pragma once

#include <string>
#include <vector>

#include "Panes.h"
#include "foundation/Result.h"

namespace prefs {

struct Page {
    std::string title;  // the pane's label, or the label of the link that leads here
    id controller;
};

struct Row {
    std::string group;  // the label of the group the row is in
    std::string label;
    std::string kind;   // group, switch, list, text, slider, button, link, static
    std::string value;  // what the row shows now (a group shows its footer)
    id specifier;
};

std::vector<Row> rowsOf(const id& controller);
// "group<TAB>label<TAB>kind<TAB>value", tabs and line breaks in texts shown as \t and \n.
std::string rowLine(const Row& row);

// The pane roots, then every page their links lead to, breadth first.
std::vector<Page> allPages(const std::vector<Pane>& panes);
// The page named `name` (its title, controller class or bundle name, any case); nothing when none.
const Page* findPage(const std::vector<Page>& pages, const std::string& name);

struct Found {
    const Page* page = nullptr;
    id specifier;
};
// The first row, page by page, that stores `key`.
Found findKey(const std::vector<Page>& pages, const std::string& key);
// The first button whose action or label is `action`.
Found findButton(const std::vector<Page>& pages, const std::string& action);

// Changes the row as a person would: a switch takes true/false, yes/no, on/off
// or 1/0; a list takes one of its titles or values; a text field any text; a
// slider a number. A failure says why not.
ns::Result<> setRow(const Page& page, const id& specifier, const std::string& value);

}  // namespace prefs
