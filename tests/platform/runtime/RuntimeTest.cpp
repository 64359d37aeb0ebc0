#include <gtest/gtest.h>

#include "runtime/Messaging.h"

using namespace rt;

namespace {

struct Counter : Object {
    int value = 0;
};

int counterValue(id self, SEL) { return cast<Counter>(self)->value; }
void counterSet(id self, SEL, int v) { cast<Counter>(self)->value = v; }
double half(id, SEL, double v) { return v / 2; }

Class* counterClass() {
    static Class* c = [] {
        Class* k = objc_registerClass("RTCounter", NSObjectClass(), factoryFor<Counter>());
        defineMethod(k, "value", &counterValue);
        defineMethod(k, "setValue:", &counterSet);
        defineMethod(k, "half:", &half);
        return k;
    }();
    return c;
}

}  // namespace

TEST(Runtime, ClassesByNameAndUnknownNames) {
    Class* k = counterClass();
    EXPECT_EQ(objc_getClass("RTCounter"), k);
    EXPECT_EQ(objc_getClass("RTNoSuchClass"), nullptr);
    EXPECT_EQ(k->superclass(), NSObjectClass());
    EXPECT_THROW(objc_registerClass("RTCounter", NSObjectClass()), Error);
}

TEST(Runtime, MessagesFindMethodsAndRefuseWrongSignatures) {
    id c = allocInit(counterClass());
    ASSERT_TRUE(c);
    send<void(int)>(c, "setValue:", 41);
    EXPECT_EQ(send<int()>(c, "value"), 41);
    EXPECT_DOUBLE_EQ(send<double(double)>(c, "half:", 3), 1.5);  // the argument converts to the declared type
    EXPECT_THROW(send<void(double)>(c, "setValue:", 1.0), Error);
    EXPECT_THROW(send<int()>(c, "noSuchSelector"), Error);
    try {
        send<long()>(c, "value");
        FAIL();
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("-[RTCounter value]"), std::string::npos) << e.what();
    }
}

TEST(Runtime, MessagingNothingAnswersZero) {
    id nothing;
    struct Rect {
        double x, y, w, h;
    };
    EXPECT_EQ(send<int()>(nothing, "value"), 0);
    EXPECT_EQ(send<id()>(nothing, "anything"), nullptr);
    Rect r = send<Rect()>(nothing, "frame");
    EXPECT_EQ(r.x + r.y + r.w + r.h, 0);
    send<void(int)>(nothing, "setValue:", 3);  // does nothing, raises nothing
}

TEST(Runtime, AddMethodKeepsWhatTheClassDefinesAndChecksEncodings) {
    Class* k = counterClass();
    auto other = +[](id, SEL) { return 7; };
    EXPECT_FALSE(class_addMethod(k, sel_registerName("value"), other, "i@:"));
    EXPECT_EQ(send<int()>(allocInit(k), "value"), 0);
    Class* sub = objc_registerClass("RTCounterSub", k);
    EXPECT_TRUE(class_addMethod(sub, sel_registerName("value"), other, "i@:"));  // inherited only: added
    EXPECT_EQ(send<int()>(allocInit(sub), "value"), 7);
    auto getter = +[](id self, SEL) { return self; };
    EXPECT_THROW(class_addMethod(sub, sel_registerName("me"), getter, "v@:"), Error);
    EXPECT_TRUE(class_addMethod(sub, sel_registerName("me"), getter, "@@:"));
}

TEST(Runtime, AssociatedObjectsFollowTheirPolicy) {
    static char strongKey, weakKey;
    id owner = allocInit(counterClass());
    id held = allocInit(counterClass());
    std::weak_ptr<Object> watch = held;
    objc_setAssociatedObject(owner, &strongKey, held, OBJC_ASSOCIATION_RETAIN_NONATOMIC);
    held.reset();
    EXPECT_FALSE(watch.expired());
    EXPECT_EQ(objc_getAssociatedObject(owner, &strongKey), watch.lock());
    objc_setAssociatedObject(owner, &strongKey, nullptr, OBJC_ASSOCIATION_RETAIN_NONATOMIC);
    EXPECT_TRUE(watch.expired());

    id weakOne = allocInit(counterClass());
    objc_setAssociatedObject(owner, &weakKey, weakOne, OBJC_ASSOCIATION_ASSIGN);
    EXPECT_EQ(objc_getAssociatedObject(owner, &weakKey), weakOne);
    weakOne.reset();
    EXPECT_EQ(objc_getAssociatedObject(owner, &weakKey), nullptr);
}

TEST(Runtime, TargetActionAndKeyValueSetting) {
    static int calls = 0;
    static id lastSender;
    Class* k = objc_registerClass("RTTarget", NSObjectClass());
    defineMethod(k, "tap", +[](id, SEL) { ++calls; });
    defineMethod(k, "tapped:", +[](id, SEL, id sender) { lastSender = sender; });
    defineMethod(k, "setAccessoryView:", +[](id self, SEL, id v) {
        objc_setAssociatedObject(self, &calls, v, OBJC_ASSOCIATION_RETAIN_NONATOMIC);
    });
    id t = allocInit(k);
    sendAction(t, sel_registerName("tap"), t);
    sendAction(t, sel_registerName("tapped:"), t);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(lastSender, t);
    id v = allocInit(counterClass());
    setValueForKey(t, v, "accessoryView");
    EXPECT_EQ(objc_getAssociatedObject(t, &calls), v);
    EXPECT_THROW(setValueForKey(t, v, "noSuchKey"), Error);
    lastSender.reset();
}
