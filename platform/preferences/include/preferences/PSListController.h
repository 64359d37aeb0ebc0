// List controllers: a settings page whose rows are specifiers, usually loaded
// from a specifier list in the controller's bundle folder.
#pragma once

#include <string>
#include <vector>

#include "foundation/Result.h"
#include "preferences/PSSpecifier.h"
#include "uikit/UIViewController.h"

class PSListController : public UIViewController {
public:
    id _specifiers;            // the page's rows (NSArray); subclasses fill it in `specifiers`
    id specifier_;             // the row that opened this page, if any
    std::string bundlePath_;   // set by whoever opens the page; else found from the class's code
    std::weak_ptr<rt::Object> parentController_;
};

namespace ps {

// Answers _specifiers; subclasses load it.
inline constinit const rt::Msg<id()> specifiers{"specifiers"};
// Reads <bundle>/<name>.plist and answers an NSArray of specifiers, each with
// the target; a missing or malformed list logs why and answers an empty array.
inline constinit const rt::Msg<id(id name, id target)> loadSpecifiersFromPlistName_target{
    "loadSpecifiersFromPlistName:target:"};
// The folder of the controller's bundle.
inline constinit const rt::Msg<id()> bundlePath{"bundlePath"};
// The stored value, else `default`. (specifier and setSpecifier: are in preferences/PSSpecifier.h.)
inline constinit const rt::Msg<id(id specifier)> readPreferenceValue{"readPreferenceValue:"};
// Stores the value and posts the row's PostNotification; failures are logged.
inline constinit const rt::Msg<void(id value, id specifier)> setPreferenceValue_specifier{
    "setPreferenceValue:specifier:"};
// The row whose identifier or key matches.
inline constinit const rt::Msg<id(id)> specifierForID{"specifierForID:"};

// Registers the framework's classes (done at library load; safe to call again).
void registerPreferencesClasses();

// The rows as a C++ list (empty for nothing).
std::vector<id> specifierList(const id& controller);
void setBundlePath(const id& controller, const std::string& folder);

// Hands a row's new value to `target`: the row's `set` selector when it names
// one, else setPreferenceValue:specifier:.
void storeRowValue(const id& target, const id& specifier, const id& value);
// The value a row shows: the target's `get` selector when the row names one,
// else readPreferenceValue:.
id valueForSpecifier(const id& controller, const id& specifier);

// The cell the table would show for a row: its `cellClass` (which must derive
// from PSTableCell), else the type's own cell; filled with the row's value.
id cellForSpecifier(const id& controller, const id& specifier);

// What a person does on a page; a failure says why the row could not take it.
ns::Result<> setSwitch(const id& controller, const id& specifier, bool on);  // taps only when it differs
ns::Result<> chooseListItem(const id& controller, const id& specifier, std::size_t index);
ns::Result<> commitText(const id& controller, const id& specifier, const std::string& text);
ns::Result<> setSlider(const id& controller, const id& specifier, double value);
ns::Result<> pressButton(const id& controller, const id& specifier);
// Opens the page a link row leads to (its `detail` class); nothing when it has none.
id openLink(const id& controller, const id& specifier);

}  // namespace ps
