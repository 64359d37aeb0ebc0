#include "uikit/UIAlertView.h"

#include <algorithm>

#include "Internal.h"
#include "foundation/Process.h"

namespace ui {

namespace {

// The alerts on screen, oldest first: one list per process, owned by the process.
struct ShownAlerts {
    std::vector<id> alerts;
};
std::vector<id>& shown() { return ns::Process::current().part<ShownAlerts>().alerts; }

UIAlertView& A(const id& self, SEL cmd) { return rt::state<UIAlertView>(self, cmd); }

std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        switch (c) {
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            default: out += c;
        }
    }
    return out + "\"";
}

id initImp(id self, SEL cmd, id title, id message, id delegate, id cancelTitle, id otherTitles) {
    auto& a = A(self, cmd);
    a.title = str(title);
    a.message = str(message);
    a.delegate = delegate;
    a.buttons.clear();
    a.cancelButtonIndex = -1;
    if (isString(cancelTitle)) {
        a.cancelButtonIndex = 0;
        a.buttons.push_back(str(cancelTitle));
    }
    if (isString(otherTitles))
        a.buttons.push_back(str(otherTitles));
    else if (auto list = rt::cast<NSArray>(otherTitles))
        for (const id& t : list->items)
            if (isString(t)) a.buttons.push_back(str(t));
    return self;
}

void showImp(id self, SEL cmd) {
    auto& a = A(self, cmd);
    if (a.visible) return;
    a.visible = true;
    shown().push_back(self);
    NSLog("%s", alertLogLine(self).c_str());
}

void dismissImp(id self, SEL cmd, long index, bool) {
    auto& a = A(self, cmd);
    if (!a.visible) return;
    id delegate = a.delegate.lock();
    if (rt::respondsToSelector(delegate, alertView_willDismissWithButtonIndex.sel()))
        alertView_willDismissWithButtonIndex(delegate, self, index);
    a.visible = false;
    id keep = self;
    auto& list = shown();
    list.erase(std::remove(list.begin(), list.end(), self), list.end());
    if (rt::respondsToSelector(delegate, alertView_didDismissWithButtonIndex.sel()))
        alertView_didDismissWithButtonIndex(delegate, self, index);
}

id titleImp(id self, SEL cmd) { return NSStr(A(self, cmd).title); }
id messageImp(id self, SEL cmd) { return NSStr(A(self, cmd).message); }
long numberOfButtonsImp(id self, SEL cmd) { return static_cast<long>(A(self, cmd).buttons.size()); }
id buttonTitleImp(id self, SEL cmd, long index) {
    auto& a = A(self, cmd);
    if (index < 0 || index >= static_cast<long>(a.buttons.size())) return {};
    return NSStr(a.buttons[static_cast<std::size_t>(index)]);
}
long cancelIndexImp(id self, SEL cmd) { return A(self, cmd).cancelButtonIndex; }
bool isVisibleImp(id self, SEL cmd) { return A(self, cmd).visible; }
id accessoryViewImp(id self, SEL cmd) { return A(self, cmd).accessoryView; }
void setAccessoryViewImp(id self, SEL cmd, id v) { A(self, cmd).accessoryView = v; }
id delegateImp(id self, SEL cmd) { return A(self, cmd).delegate.lock(); }

}  // namespace

std::vector<id> shownAlerts() { return shown(); }

void tapAlertButton(const id& alert, long index) {
    id delegate = rt::state<UIAlertView>(alert, "tapAlertButton").delegate.lock();
    if (rt::respondsToSelector(delegate, alertView_clickedButtonAtIndex.sel()))
        alertView_clickedButtonAtIndex(delegate, alert, index);
    dismissWithClickedButtonIndex_animated(alert, index, true);
}

std::string alertLogLine(const id& alert) {
    auto& a = rt::state<UIAlertView>(alert, "alertLogLine");
    std::string line = "UIAlertView shown: title=" + quoted(a.title) + " message=" + quoted(a.message) + " buttons=[";
    for (std::size_t i = 0; i < a.buttons.size(); ++i) line += (i ? "," : "") + quoted(a.buttons[i]);
    return line + "]";
}

namespace detail {
void registerAlertViewClass() {
    rt::Class* cls = registerClass<UIAlertView>("UIAlertView", rt::NSObjectClass());
    rt::defineMethod(cls, initWithTitle_message_delegate_cancelButtonTitle_otherButtonTitles, &initImp);
    rt::defineMethod(cls, show, &showImp);
    rt::defineMethod(cls, dismissWithClickedButtonIndex_animated, &dismissImp);
    rt::defineMethod(cls, title, &titleImp);
    rt::defineMethod(cls, message, &messageImp);
    rt::defineMethod(cls, numberOfButtons, &numberOfButtonsImp);
    rt::defineMethod(cls, buttonTitleAtIndex, &buttonTitleImp);
    rt::defineMethod(cls, cancelButtonIndex, &cancelIndexImp);
    rt::defineMethod(cls, isVisible, &isVisibleImp);
    rt::defineMethod(cls, accessoryView, &accessoryViewImp);
    rt::defineMethod(cls, setAccessoryView, &setAccessoryViewImp);
    rt::defineMethod(cls, delegate, &delegateImp);
}
}  // namespace detail

}  // namespace ui
