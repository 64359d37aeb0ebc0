#include "uikit/Animation.h"

#include <algorithm>
#include <cmath>

#include "Internal.h"
#include "foundation/Process.h"
#include "foundation/RunLoop.h"
#include "uikit/UIColor.h"

namespace ui {

namespace {

// The animations of one block; its completion learns whether all of them ran out.
struct Group {
    std::function<void(bool)> completion;
    bool interrupted = false;
};

struct Recorder {
    std::vector<AnimationRecord> records;
    std::vector<std::shared_ptr<Group>> groups;  // parallel to records
    // Blocks being run, innermost last.
    struct Block {
        double duration;
        std::shared_ptr<Group> group;
        std::size_t firstRecord;  // records from here on belong to this block or inner ones
    };
    std::vector<Block> blocks;
};
// One recorder per process, owned by the process.
Recorder& recorder() { return ns::Process::current().part<Recorder>(); }

// The default timing curve: ease in, ease out (cubic Bézier 0.42, 0, 0.58, 1).
double ease(double t) {
    if (t <= 0) return 0;
    if (t >= 1) return 1;
    auto bezier = [](double a, double b, double s) {
        double u = 1 - s;
        return 3 * u * u * s * a + 3 * u * s * s * b + s * s * s;
    };
    double lo = 0, hi = 1, s = t;
    for (int i = 0; i < 50; ++i) {
        s = (lo + hi) / 2;
        if (bezier(0.42, 0.58, s) < t) lo = s; else hi = s;
    }
    return bezier(0.0, 1.0, s);
}

double mix(double a, double b, double p) { return a + (b - a) * p; }
AnimatedValue interpolate(const AnimatedValue& from, const AnimatedValue& to, double p) {
    if (from.index() != to.index()) return to;
    if (auto* a = std::get_if<double>(&from)) return mix(*a, std::get<double>(to), p);
    if (auto* a = std::get_if<CGPoint>(&from)) {
        auto b = std::get<CGPoint>(to);
        return CGPoint{mix(a->x, b.x, p), mix(a->y, b.y, p)};
    }
    if (auto* a = std::get_if<CGRect>(&from)) {
        auto b = std::get<CGRect>(to);
        return CGRect{{mix(a->origin.x, b.origin.x, p), mix(a->origin.y, b.origin.y, p)},
                      {mix(a->size.width, b.size.width, p), mix(a->size.height, b.size.height, p)}};
    }
    auto a = std::get<RGBA>(from);
    auto b = std::get<RGBA>(to);
    return RGBA{mix(a.r, b.r, p), mix(a.g, b.g, p), mix(a.b, b.b, p), mix(a.a, b.a, p)};
}

// The latest record of view and property that is running at `now`, or null.
const AnimationRecord* running(const id& view, const std::string& property, double now) {
    auto& r = recorder();
    for (auto it = r.records.rbegin(); it != r.records.rend(); ++it)
        if (it->property == property && it->view.lock() == view && now >= it->start && now < it->start + it->duration)
            return &*it;
    return nullptr;
}

const AnimatedValue* shownValue(const id& view, const std::string& property, double now, AnimatedValue& out) {
    if (const AnimationRecord* rec = running(view, property, now)) {
        out = interpolate(rec->from, rec->to, ease((now - rec->start) / rec->duration));
        return &out;
    }
    return nullptr;
}

void runBlock(double duration, const std::function<void()>& changes, std::function<void(bool)> completion) {
    auto& r = recorder();
    auto group = std::make_shared<Group>();
    group->completion = std::move(completion);
    r.blocks.push_back({duration, group, r.records.size()});
    struct Pop {
        ~Pop() { recorder().blocks.pop_back(); }
    } pop;
    if (changes) changes();
    if (!group->completion) return;
    // Completions run from the run loop, never inside this call.
    auto fire = [group] { group->completion(!group->interrupted); };
    if (duration > 0)
        ns::scheduledTimer(duration, false, [fire](const id&) { fire(); }, "an animation's completion");
    else
        ns::RunLoop::main().perform(fire);
}

void animateImp(id, SEL, double duration, std::function<void()> changes) { runBlock(duration, changes, {}); }
void animateCompletionImp(id, SEL, double duration, std::function<void()> changes, std::function<void(bool)> done) {
    runBlock(duration, changes, std::move(done));
}

}  // namespace

namespace detail {

bool animating() {
    auto& b = recorder().blocks;
    return !b.empty() && b.back().duration > 0;
}

void recordChange(const id& view, const char* property, const AnimatedValue& oldValue, const AnimatedValue& newValue) {
    auto& r = recorder();
    if (r.blocks.empty()) return;
    const auto& block = r.blocks.back();
    if (block.duration <= 0) return;
    double now = ns::now();
    // The same property set again in this block: one animation to the last value.
    for (std::size_t i = block.firstRecord; i < r.records.size(); ++i)
        if (r.records[i].property == property && r.records[i].view.lock() == view) {
            r.records[i].to = newValue;
            return;
        }
    AnimatedValue from = oldValue;
    AnimatedValue shown;
    if (shownValue(view, property, now, shown)) from = shown;
    // An earlier animation of the property is taken over: it ends now, unfinished.
    for (std::size_t i = 0; i < r.records.size(); ++i)
        if (r.records[i].property == property && r.records[i].view.lock() == view &&
            now < r.records[i].start + r.records[i].duration) {
            r.groups[i]->interrupted = true;
            r.records[i].duration = std::max(0.0, now - r.records[i].start);
        }
    r.records.push_back({view, property, from, newValue, now, block.duration});
    r.groups.push_back(block.group);
}

void registerAnimationMethods() {
    rt::Class* cls = rt::objc_getClass("UIView");
    rt::defineClassMethod(cls, animateWithDuration_animations, &animateImp);
    rt::defineClassMethod(cls, animateWithDuration_animations_completion, &animateCompletionImp);
}

}  // namespace detail

const std::vector<AnimationRecord>& animations() { return recorder().records; }

void pruneAnimations(double now) {
    auto& r = recorder();
    std::vector<AnimationRecord> records;
    std::vector<std::shared_ptr<Group>> groups;
    for (std::size_t i = 0; i < r.records.size(); ++i) {
        if (r.records[i].view.expired() || now >= r.records[i].start + r.records[i].duration) continue;
        records.push_back(std::move(r.records[i]));
        groups.push_back(std::move(r.groups[i]));
    }
    // Blocks being run keep indexes into the list; they only ever see it grow.
    for (auto& b : r.blocks) b.firstRecord = std::min(b.firstRecord, records.size());
    r.records = std::move(records);
    r.groups = std::move(groups);
}

bool isAnimating(const id& view, const std::string& property, double now) {
    return running(view, property, now) != nullptr;
}

double presentationAlpha(const id& view, double now) {
    AnimatedValue v;
    if (shownValue(view, "alpha", now, v)) return std::get<double>(v);
    return alpha(view);
}

CGRect presentationFrame(const id& view, double now) {
    CGRect model = frame(view);
    const AnimationRecord* f = running(view, "frame", now);
    const AnimationRecord* c = running(view, "center", now);
    AnimatedValue v;
    // The later of a frame and a centre animation decides where the view is shown.
    if (f && (!c || f->start >= c->start)) {
        shownValue(view, "frame", now, v);
        return std::get<CGRect>(v);
    }
    if (c) {
        shownValue(view, "center", now, v);
        CGPoint p = std::get<CGPoint>(v);
        return {{p.x - model.size.width / 2, p.y - model.size.height / 2}, model.size};
    }
    return model;
}

CGPoint presentationCenter(const id& view, double now) {
    CGRect f = presentationFrame(view, now);
    return {f.origin.x + f.size.width / 2, f.origin.y + f.size.height / 2};
}

RGBA presentationBackgroundColor(const id& view, double now) {
    AnimatedValue v;
    if (shownValue(view, "backgroundColor", now, v)) return std::get<RGBA>(v);
    auto* c = dynamic_cast<UIColor*>(backgroundColor(view).get());
    return c ? RGBA{c->red, c->green, c->blue, c->alpha} : RGBA{};
}

}  // namespace ui
