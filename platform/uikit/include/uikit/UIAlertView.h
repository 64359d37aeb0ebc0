// Alerts. show logs one line to the system log and keeps the alert in the list
// of shown alerts until it is dismissed:
//   UIAlertView shown: title="T" message="M" buttons=["Cancel","Other"]
// Quotes, backslashes, line feeds, returns and tabs in texts are written as
// \" \\ \n \r \t, so an alert is always one line.
#pragma once

#include <string>
#include <vector>

#include "foundation/Objects.h"

class UIAlertView : public rt::Object {
public:
    std::string title;
    std::string message;
    std::weak_ptr<rt::Object> delegate;  // held weakly, as on the device
    std::vector<std::string> buttons;     // the cancel button first when there is one
    long cancelButtonIndex = -1;
    id accessoryView;
    bool visible = false;
};

// Methods: initWithTitle:message:delegate:cancelButtonTitle:otherButtonTitles:
// (id(id title, id message, id delegate, id cancelTitle, id otherTitles)) where
// otherTitles is an NSArray of strings, a single string, or nothing;
// show; dismissWithClickedButtonIndex:animated: (void(long, bool)); title, message
// (id()); numberOfButtons (long()); buttonTitleAtIndex: (id(long)); cancelButtonIndex
// (long()); isVisible (bool()); accessoryView, setAccessoryView: (id): the
// key-value key "accessoryView". Dismissal sends the delegate
// alertView:willDismissWithButtonIndex: and alertView:didDismissWithButtonIndex:
// (void(id, long)) when it answers them.

namespace ui {
inline id makeAlert(std::string_view title, std::string_view message, const id& delegate,
                    std::string_view cancelTitle, const id& otherTitles = {}) {
    return rt::send<id(id, id, id, id, id)>(rt::alloc(rt::objc_getClass("UIAlertView")),
                                            "initWithTitle:message:delegate:cancelButtonTitle:otherButtonTitles:",
                                            NSStr(title), NSStr(message), delegate, NSStr(cancelTitle), otherTitles);
}
inline void showAlert(const id& alert) { rt::send<void()>(alert, "show"); }
// Alerts shown and not dismissed, oldest first.
std::vector<id> shownAlerts();
// As the user's tap on a button: the delegate's alertView:clickedButtonAtIndex:
// when it answers it, then the dismissal.
void tapAlertButton(const id& alert, long index);
// The one log line of an alert (without logging it).
std::string alertLogLine(const id& alert);
}  // namespace ui
