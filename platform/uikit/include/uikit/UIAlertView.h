// Alerts. show logs one line to the system log and keeps the alert in the list
// of shown alerts until it is dismissed:
//   UIAlertView shown: title="T" message="M" buttons=["Cancel","Other"]
// Quotes, backslashes, line feeds, returns and tabs in texts are written as
// \" \\ \n \r \t, so an alert is always one line.
#pragma once

#include <string>
#include <vector>

#include "foundation/Objects.h"
#include "uikit/SharedMessages.h"

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

namespace ui {

// otherTitles is an NSArray of strings, a single string, or nothing.
inline constinit const rt::Msg<id(id title, id message, id delegate, id cancelTitle, id otherTitles)>
    initWithTitle_message_delegate_cancelButtonTitle_otherButtonTitles{
        "initWithTitle:message:delegate:cancelButtonTitle:otherButtonTitles:"};
inline constinit const rt::Msg<void()> show{"show"};
inline constinit const rt::Msg<void(long, bool)> dismissWithClickedButtonIndex_animated{
    "dismissWithClickedButtonIndex:animated:"};
inline constinit const rt::Msg<id()> title{"title"};
inline constinit const rt::Msg<id()> message{"message"};
inline constinit const rt::Msg<long()> numberOfButtons{"numberOfButtons"};
inline constinit const rt::Msg<id(long)> buttonTitleAtIndex{"buttonTitleAtIndex:"};
inline constinit const rt::Msg<long()> cancelButtonIndex{"cancelButtonIndex"};
inline constinit const rt::Msg<bool()> isVisible{"isVisible"};
// Also the key-value key "accessoryView". The delegate: uikit/SharedMessages.h.
inline constinit const rt::Msg<id()> accessoryView{"accessoryView"};
inline constinit const rt::Msg<void(id)> setAccessoryView{"setAccessoryView:"};

// The delegate's, sent when it answers them: a tap sends clickedButtonAtIndex:,
// then the dismissal willDismiss... and didDismiss... .
inline constinit const rt::Msg<void(id, long)> alertView_clickedButtonAtIndex{"alertView:clickedButtonAtIndex:"};
inline constinit const rt::Msg<void(id, long)> alertView_willDismissWithButtonIndex{
    "alertView:willDismissWithButtonIndex:"};
inline constinit const rt::Msg<void(id, long)> alertView_didDismissWithButtonIndex{
    "alertView:didDismissWithButtonIndex:"};

// [[UIAlertView alloc] initWithTitle:... ] with texts.
inline id makeAlert(std::string_view title, std::string_view message, const id& delegate,
                    std::string_view cancelTitle, const id& otherTitles = {}) {
    return initWithTitle_message_delegate_cancelButtonTitle_otherButtonTitles(
        rt::alloc(rt::objc_getClass("UIAlertView")), NSStr(title), NSStr(message), delegate, NSStr(cancelTitle),
        otherTitles);
}
// Alerts shown and not dismissed, oldest first.
std::vector<id> shownAlerts();
// As the user's tap on a button: the delegate's alertView:clickedButtonAtIndex:
// when it answers it, then the dismissal.
void tapAlertButton(const id& alert, long index);
// The one log line of an alert (without logging it).
std::string alertLogLine(const id& alert);
}  // namespace ui
