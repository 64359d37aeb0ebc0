#include <gtest/gtest.h>

#include "substrate/Substrate.h"

using namespace rt;

namespace {

int baseA(id, SEL) { return 1; }
int baseB(id, SEL) { return 2; }

struct Family {
    Class* base;
    Class* mid;   // inherits `answer`
    Class* over;  // subclass of mid that overrides `answer`
    Class* leaf;  // subclass of mid that does not
};

Family makeFamily(const std::string& tag) {
    Family f;
    f.base = objc_registerClass("HBase" + tag, NSObjectClass());
    defineMethod(f.base, "answer", &baseA);
    f.mid = objc_registerClass("HMid" + tag, f.base);
    f.over = objc_registerClass("HOver" + tag, f.mid);
    defineMethod(f.over, "answer", +[](id, SEL) { return 100; });
    f.leaf = objc_registerClass("HLeaf" + tag, f.mid);
    return f;
}

int (*stockMid)(id, SEL) = nullptr;
int hookMid(id self, SEL cmd) { return 10 + stockMid(self, cmd); }

int answer(Class* c) { return send<int()>(allocInit(c), "answer"); }

}  // namespace

TEST(Hooking, InheritedMethodIsOverriddenOnTheSubclassOnly) {
    Family f = makeFamily("1");
    MSHookMessageEx(f.mid, sel_registerName("answer"), &hookMid, &stockMid);
    ASSERT_NE(stockMid, nullptr);
    EXPECT_EQ(answer(f.base), 1);    // the superclass is untouched
    EXPECT_EQ(answer(f.mid), 11);
    EXPECT_EQ(answer(f.leaf), 11);   // a subclass that does not override sees the hook
    EXPECT_EQ(answer(f.over), 100);  // one that overrides is not affected

    // The stock pointer forwards at call time: a later change to the superclass is seen.
    defineMethod(f.base, "answer", &baseB);
    EXPECT_EQ(answer(f.mid), 12);
}

namespace {
int (*stock1)(id, SEL) = nullptr;
int (*stock2)(id, SEL) = nullptr;
int hook1(id self, SEL cmd) { return 10 * stock1(self, cmd); }
int hook2(id self, SEL cmd) { return stock2(self, cmd) + 5; }
}  // namespace

TEST(Hooking, HookingTwiceChains) {
    Family f = makeFamily("2");
    MSHookMessageEx(f.base, sel_registerName("answer"), &hook1, &stock1);
    EXPECT_EQ(stock1, &baseA);  // a method the class defines: the stock pointer is the old implementation
    MSHookMessageEx(f.base, sel_registerName("answer"), &hook2, &stock2);
    EXPECT_EQ(stock2, &hook1);
    EXPECT_EQ(answer(f.base), 15);
}

TEST(Hooking, MissingClassSelectorOrReplacementChangesNothing) {
    Family f = makeFamily("3");
    int (*stock)(id, SEL) = nullptr;
    testing::internal::CaptureStderr();
    MSHookMessageEx<int>(nullptr, sel_registerName("answer"), &hookMid, &stock);
    MSHookMessageEx(f.base, sel_registerName("noSuchMethod"), &hookMid, &stock);
    int (*noReplacement)(id, SEL) = nullptr;
    MSHookMessageEx(f.base, sel_registerName("answer"), noReplacement, &stock);
    std::string warnings = testing::internal::GetCapturedStderr();
    EXPECT_EQ(stock, nullptr);
    EXPECT_EQ(answer(f.base), 1);
    EXPECT_FALSE(respondsToSelector(allocInit(f.base), "noSuchMethod"));
    EXPECT_NE(warnings.find("MS:Warning: message not found [HBase3 noSuchMethod]"), std::string::npos) << warnings;
}

TEST(Hooking, HookWithAnotherSignatureIsRefused) {
    Family f = makeFamily("4");
    double (*stock)(id, SEL) = nullptr;
    auto wrong = +[](id, SEL) { return 1.0; };
    EXPECT_THROW(MSHookMessageEx(f.base, sel_registerName("answer"), wrong, &stock), Error);
    EXPECT_EQ(stock, nullptr);
    EXPECT_EQ(answer(f.base), 1);
}
