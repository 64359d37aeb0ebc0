#include <gtest/gtest.h>

#include <vector>

#include "foundation/NotificationCenter.h"

namespace {

std::vector<std::string> delivered;

void onPlain(id self, SEL) { delivered.push_back("plain:" + describe(rt::valueForKey(self, "tag"))); }
void onNote(id, SEL, id note) {
    auto n = rt::cast<NSNotification>(note);
    ASSERT_TRUE(n);
    delivered.push_back("note:" + n->name + ":" + str(n->object) + ":" + str(rt::send<id()>(note, "name")));
}
id tagOf(id self, SEL) { return rt::objc_getAssociatedObject(self, "tag"); }

rt::Class* observerClass() {
    static rt::Class* cls = [] {
        rt::Class* c = rt::objc_registerClass("NotificationTestObserver", rt::NSObjectClass());
        rt::defineMethod(c, "update", &onPlain);
        rt::defineMethod(c, "noted:", &onNote);
        rt::defineMethod(c, "tag", &tagOf);
        return c;
    }();
    return cls;
}

id observer(const char* tag) {
    id o = observerClass()->alloc();
    rt::objc_setAssociatedObject(o, "tag", NSStr(tag), rt::OBJC_ASSOCIATION_RETAIN);
    return o;
}

}  // namespace

TEST(NotificationCenter, DeliversSynchronouslyInRegistrationOrderWithOrWithoutTheNotification) {
    delivered.clear();
    std::weak_ptr<rt::Object> watch;
    {
        id a = observer("a");
        watch = a;
        ns::addObserver(a, rt::sel_registerName("update"), "test.order");
        ns::addObserver(observer("b"), rt::sel_registerName("noted:"), "test.order");
        ns::addObserver(a, rt::sel_registerName("update"), "test.order");  // twice: delivered twice
        ns::addObserver(observer("c"), rt::sel_registerName("update"), "test.other");
    }
    EXPECT_EQ(ns::observerCount("test.order"), 3u);
    ns::postNotification("test.order", NSStr("poster"));
    EXPECT_EQ(delivered, (std::vector<std::string>{"plain:a", "note:test.order:poster:test.order", "plain:a"}));
    EXPECT_FALSE(watch.expired()) << "observers are kept for the life of the process";
}

TEST(NotificationCenter, PostingANameNobodyObservesDoesNothing) {
    delivered.clear();
    ns::postNotification("test.nobody", {});
    EXPECT_TRUE(delivered.empty());
    EXPECT_EQ(ns::observerCount("test.nobody"), 0u);
}
