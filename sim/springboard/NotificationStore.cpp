#include "NotificationStore.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>

#include "DeviceClock.h"
#include "foundation/Conversions.h"
#include "foundation/FileReplace.h"
#include "foundation/Process.h"
#include "foundation/RegularFile.h"
#include "foundation/RelativeDate.h"

namespace springboard {

namespace {

struct Sample {
    const char* app;
    const char* title;
    const char* body;
    double minutesAgo;  // before the store was made
};
constexpr Sample kSamples[] = {
    {"Messages", "Anna", "See you at eight? I booked the table by the window.", 1},
    {"Calendar", "Team lunch", "Today at 12:30 in the Harbour Room", 24},
    {"Mail", "Parcel service", "Your parcel is on its way and arrives tomorrow before noon.", 185},
};

struct Store {
    std::optional<wire::NotificationStore> kept;
    std::string path;  // empty: in memory alone
};

Store& store() { return ns::Process::current().part<Store>(); }

ns::Result<> checkField(const std::string& text, const char* name, bool lines) {
    auto characters = ns::utf8Characters(text);
    if (!characters) return ns::fail(std::string("the ") + name + " is not UTF-8 text");
    if (*characters > kMostFieldCharacters)
        return ns::fail(std::string("the ") + name + " is " + std::to_string(*characters) + " characters long; at most " +
                        std::to_string(kMostFieldCharacters) + " are kept");
    for (char c : text)
        if ((static_cast<unsigned char>(c) < 0x20 && !(lines && c == '\n')) || c == 0x7F)
            return ns::fail(std::string("the ") + name + " holds a control character" + (lines ? " other than a new line" : ""));
    return {};
}

ns::Result<> checkContent(const std::string& app, const std::string& title, const std::string& body) {
    if (app.empty()) return ns::fail("a notification needs the app it comes from");
    if (title.empty() && body.empty()) return ns::fail("a notification needs a title or a body");
    if (auto ok = checkField(app, "app's name", false); !ok) return ok;
    if (auto ok = checkField(title, "title", false); !ok) return ok;
    return checkField(body, "body", true);
}

// The samples, as having come at the turn of a minute, so their times move on
// with the lock screen's minute.
wire::NotificationStore samples() {
    wire::NotificationStore s;
    const double now = std::floor(ns::now() / 60) * 60;
    for (const Sample& sample : kSamples) {
        wire::Notification& n = *s.add_notifications();
        n.set_id(s.next_id() + 1);
        s.set_next_id(n.id());
        n.set_app(sample.app);
        n.set_title(sample.title);
        n.set_body(sample.body);
        n.set_posted_at(now - sample.minutesAgo * 60);
    }
    return s;
}

void save() {
    Store& s = store();
    if (s.path.empty() || !s.kept) return;
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(s.path).parent_path(), ec);
    if (auto written = ns::replaceFile(s.path, s.kept->SerializeAsString()); !written)
        std::fprintf(stderr, "SpringBoard: the notifications are not kept: %s\n", written.reason().c_str());
}

wire::NotificationStore& kept() {
    Store& s = store();
    if (s.kept) return *s.kept;
    if (!s.path.empty()) {
        auto bytes = ns::readRegularFile(s.path, kMaxStoreBytes + 1);
        if (bytes) {
            if (auto read = notificationStoreOf(*bytes)) {
                s.kept = std::move(*read);
                return *s.kept;
            } else {
                std::fprintf(stderr, "SpringBoard: %s: %s; the lock screen starts with the samples\n", s.path.c_str(),
                             read.reason().c_str());
            }
        }
    }
    // Not written until something is posted or cleared: an untouched device
    // shows today's samples at every start, and its one-shot pictures stay
    // the same whenever they are taken.
    s.kept = samples();
    return *s.kept;
}

}  // namespace

ns::Result<wire::NotificationStore> notificationStoreOf(std::string_view bytes) {
    if (bytes.size() > kMaxStoreBytes)
        return ns::fail("the notifications are " + std::to_string(bytes.size()) + " bytes, more than " +
                        std::to_string(kMaxStoreBytes));
    wire::NotificationStore s;
    if (!s.ParseFromArray(bytes.data(), static_cast<int>(bytes.size()))) return ns::fail("the notifications are not a store");
    if (static_cast<std::size_t>(s.notifications_size()) > kMostNotifications)
        return ns::fail("the store holds " + std::to_string(s.notifications_size()) + " notifications, more than " +
                        std::to_string(kMostNotifications));
    std::set<std::uint32_t> ids;
    for (const wire::Notification& n : s.notifications()) {
        if (auto ok = checkContent(n.app(), n.title(), n.body()); !ok) return ns::fail("a stored notification: " + ok.reason());
        if (!std::isfinite(n.posted_at()) || n.posted_at() < 0 || n.posted_at() > kLastInstant)
            return ns::fail("a stored notification's time is not one a clock shows");
        if (n.id() == 0 || n.id() > s.next_id() || !ids.insert(n.id()).second)
            return ns::fail("a stored notification's id " + std::to_string(n.id()) + " is not one of its own");
    }
    return s;
}

ns::Result<> checkPost(const wire::NotificationPost& post) {
    if (auto ok = checkContent(post.app(), post.title(), post.body()); !ok) return ok;
    if (!post.at().empty())
        if (auto at = instantOf(post.at()); !at) return ns::fail("--at: " + at.reason());
    return {};
}

void useNotificationStore(const std::string& path) {
    store() = Store{std::nullopt, path};
    kept();
}

std::vector<wire::Notification> notifications() {
    const auto& all = kept().notifications();
    std::vector<wire::Notification> list(all.begin(), all.end());
    std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
        return a.posted_at() != b.posted_at() ? a.posted_at() > b.posted_at() : a.id() > b.id();
    });
    return list;
}

ns::Result<wire::NotificationList> notify(const wire::NotifyRequest& request) {
    using R = wire::NotifyRequest;
    wire::NotificationStore& s = kept();
    switch (request.action_case()) {
        case R::kPost: {
            const wire::NotificationPost& post = request.post();
            if (auto ok = checkPost(post); !ok) return ns::fail(ok.reason());
            if (static_cast<std::size_t>(s.notifications_size()) >= kMostNotifications)
                return ns::fail("the lock screen holds " + std::to_string(kMostNotifications) +
                                " notifications, the most it keeps: clear some first");
            if (s.next_id() == UINT32_MAX) return ns::fail("no notification number is left: clear them all first");
            wire::Notification& n = *s.add_notifications();
            n.set_id(s.next_id() + 1);
            s.set_next_id(n.id());
            n.set_app(post.app());
            n.set_title(post.title());
            n.set_body(post.body());
            n.set_posted_at(post.at().empty() ? ns::now() : *instantOf(post.at()));
            save();
            break;
        }
        case R::kClear: {
            auto& all = *s.mutable_notifications();
            auto it = std::find_if(all.begin(), all.end(), [&](const auto& n) { return n.id() == request.clear(); });
            if (it == all.end()) return ns::fail("no notification has the id " + std::to_string(request.clear()));
            all.erase(it);
            save();
            break;
        }
        case R::kClearAll:
            s.clear_notifications();
            s.set_next_id(0);
            save();
            break;
        case R::kList:
        case R::ACTION_NOT_SET: break;
    }
    wire::NotificationList out;
    const double now = ns::now();
    for (wire::Notification& n : notifications()) {
        n.set_when(ns::relativeDateText(n.posted_at(), now));
        *out.add_notifications() = std::move(n);
    }
    return out;
}

}  // namespace springboard
