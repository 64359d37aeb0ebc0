// List controllers: a settings page whose rows are specifiers, usually loaded
// from a specifier list in the controller's bundle folder.
#pragma once

#include <string>
#include <vector>

#include "preferences/PSSpecifier.h"
#include "uikit/UIViewController.h"

class PSListController : public UIViewController {
public:
    id _specifiers;            // the page's rows (NSArray); subclasses fill it in `specifiers`
    id specifier_;             // the row that opened this page, if any
    std::string bundlePath_;   // set by whoever opens the page; else found from the class's code
    std::weak_ptr<rt::Object> parentController_;
};

// Methods:
//   specifiers (id()): answers _specifiers (subclasses load it)
//   loadSpecifiersFromPlistName:target: (id(id name, id target)): reads
//     <bundle>/<name>.plist and answers an NSArray of specifiers, each with the
//     target; a missing or malformed list logs why and answers an empty array
//   bundlePath (id()): the folder of the controller's bundle
//   specifier, setSpecifier: (id)
//   readPreferenceValue: (id(id specifier)): the stored value, else `default`
//   setPreferenceValue:specifier: (void(id value, id specifier)): stores the value
//     and posts the row's PostNotification; failures are logged
//   specifierForID: (id(id)): the row whose identifier or key matches

namespace ps {

// Registers the framework's classes (done at library load; safe to call again).
void registerPreferencesClasses();

inline id specifiers(const id& controller) { return rt::send<id()>(controller, "specifiers"); }
// The rows as a C++ list (empty for nothing).
std::vector<id> specifierList(const id& controller);
void setBundlePath(const id& controller, const std::string& folder);
std::string bundlePath(const id& controller);

// The value a row shows: the target's `get` selector when the row names one,
// else readPreferenceValue:.
id valueForSpecifier(const id& controller, const id& specifier);

// The cell the table would show for a row: its `cellClass` (which must derive
// from PSTableCell), else the type's own cell; filled with the row's value.
id cellForSpecifier(const id& controller, const id& specifier);

// What a person does on a page. Each answers an empty text on success, or why
// the row could not take it.
std::string setSwitch(const id& controller, const id& specifier, bool on);       // taps only when it differs
std::string chooseListItem(const id& controller, const id& specifier, std::size_t index);
std::string commitText(const id& controller, const id& specifier, const std::string& text);
std::string setSlider(const id& controller, const id& specifier, double value);
std::string pressButton(const id& controller, const id& specifier);
// Opens the page a link row leads to (its `detail` class); nothing when it has none.
id openLink(const id& controller, const id& specifier);

}  // namespace ps
