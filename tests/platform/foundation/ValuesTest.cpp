// Value objects are made with their class, so messages reach them, and a
// mutable container's copy is an immutable one of the base class.
#include <gtest/gtest.h>

#include "foundation/NSURL.h"
#include "foundation/Objects.h"

TEST(Values, MadeValuesAnswerTheirClassesMessages) {
    id array = NSArrayNew({NSStr("a"), NSNum(1)});
    EXPECT_EQ(rt::object_getClass(array), rt::objc_getClass("NSArray"));
    EXPECT_EQ(rt::cast<NSArray>(array)->items.size(), 2u);

    id date = NSDateNew(1.5e9);
    EXPECT_EQ(rt::object_getClass(date), rt::objc_getClass("NSDate"));
    EXPECT_EQ(ns::timeIntervalSince1970(date), 1.5e9);

    id text = NSStr("plain");
    EXPECT_EQ(ns::description(text), text);  // a string describes itself
}

TEST(Values, MutableContainersCopyToTheirImmutableClass) {
    auto list = rt::make<NSMutableArray>("NSMutableArray", std::vector<id>{NSStr("x")});
    id copy = rt::copy(list);
    EXPECT_NE(copy, list);
    EXPECT_EQ(rt::object_getClass(copy), rt::objc_getClass("NSArray"));
    EXPECT_EQ(rt::cast<NSArray>(copy)->items, list->items);

    id dict = NSDictionaryNew();
    rt::cast<NSDictionary>(dict)->setObject(NSNum(2), "two");
    id frozen = rt::copy(dict);
    EXPECT_EQ(rt::object_getClass(frozen), rt::objc_getClass("NSDictionary"));
    EXPECT_EQ(rt::cast<NSDictionary>(frozen)->entries.size(), 1u);
}

TEST(Values, AURLHasItsClassAndAnswersItsTextAndScheme) {
    id url = ns::URLWithString(NSStr("https://example.org/give"));
    ASSERT_TRUE(url);
    EXPECT_EQ(rt::object_getClass(url), rt::objc_getClass("NSURL"));
    EXPECT_EQ(str(ns::absoluteString(url)), "https://example.org/give");
    EXPECT_EQ(str(ns::description(url)), "https://example.org/give");
    EXPECT_EQ(str(ns::scheme(url)), "https");
    EXPECT_FALSE(ns::URLWithString(NSStr("two words")));
}
