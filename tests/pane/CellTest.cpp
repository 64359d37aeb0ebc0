// The header cell and the blue switch cell.
#include "PaneTestSupport.h"

namespace {

using CellTest = PaneTest;

id headerCell() {
    id spec = ps::makeSpecifier("", PSStaticTextCell);
    ps::setProperty(spec, NSStr("HeaderCell"), "cellClass");
    return rt::send<id(id)>(rt::alloc(rt::objc_getClass("HeaderCell")), "initWithSpecifier:", spec);
}

void expectColor(const id& color, double r, double g, double b, double a) {
    auto c = rt::cast<UIColor>(color);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->red, r);
    EXPECT_EQ(c->green, g);
    EXPECT_EQ(c->blue, b);
    EXPECT_EQ(c->alpha, a);
}

TEST_F(CellTest, HeaderAsksNinetyPointsForEveryWidth) {
    id cell = headerCell();
    for (float width : {0.0f, 1.0f, 320.0f, 414.6f, 2732.0f, 1e9f, -50.0f})
        EXPECT_EQ(ps::preferredHeightForWidth(cell, width), 90.0f);
    // An ordinary row asks for less, so the header's answer is its own.
    id plain = ps::cellForSpecifier(rt::allocInit("PSListController"), ps::makeSpecifier("Row", PSStaticTextCell));
    EXPECT_NE(ps::preferredHeightForWidth(plain, 320), 90.0f);
}

TEST_F(CellTest, HeaderLabelsTakeTheScreensWidthCutTowardZero) {
    auto cell = rt::cast<HeaderCell>(headerCell());
    ASSERT_TRUE(cell);
    EXPECT_EQ(ui::frame(cell->heading), CGRectMake(0, 0, 414, 80));
    EXPECT_EQ(ui::frame(cell->subtitleK), CGRectMake(0, 55, 414, 80));

    ui::DeviceProfile narrow;
    narrow.screenWidth = 320.99;
    ui::configureDevice(narrow);
    auto other = rt::cast<HeaderCell>(headerCell());
    EXPECT_EQ(ui::frame(other->heading).size.width, 320);
}

TEST_F(CellTest, HeaderTextsFontsAndOverlap) {
    id self = headerCell();
    auto cell = rt::cast<HeaderCell>(self);
    struct Expected {
        id label;
        const char* text;
        double size;
    };
    for (const Expected& e : {Expected{cell->heading, "Orvelle", 48}, Expected{cell->subtitleK, "Tovik", 16}}) {
        EXPECT_EQ(str(ui::text(e.label)), e.text);
        EXPECT_EQ(str(ui::fontName(ui::font(e.label))), "HelveticaNeue-UltraLight");
        EXPECT_EQ(ui::pointSize(ui::font(e.label)), e.size);
        EXPECT_EQ(ui::numberOfLines(e.label), 1);
        EXPECT_EQ(ui::textAlignment(e.label), NSTextAlignmentCenter);
        expectColor(ui::backgroundColor(e.label), 0, 0, 0, 0);
        expectColor(ui::textColor(e.label), 0, 0, 0, 1);
    }
    expectColor(ui::backgroundColor(self), 0, 0, 0, 0);
    // The subtitle is added last, so it lies over the title, and reaches past the 90-point cell.
    EXPECT_EQ(ui::subviews(ps::contentView(self)), (std::vector<id>{cell->heading, cell->subtitleK}));
    EXPECT_EQ(CGRectGetMidY(ui::frame(cell->heading)), 40);
    EXPECT_EQ(CGRectGetMidY(ui::frame(cell->subtitleK)), 95);
    EXPECT_EQ(CGRectGetMaxY(ui::frame(cell->subtitleK)), 135);
    EXPECT_EQ(str(rt::send<id()>(self, "reuseIdentifier")), "headerCell");
}

TEST_F(CellTest, TheListsHeaderRowIsAHeaderCell) {
    id root = rootController();
    id header;
    for (const id& s : ps::specifierList(root))
        if (isEqualToString(ps::property(s, "cellClass"), "HeaderCell")) header = ps::cellForSpecifier(root, s);
    ASSERT_TRUE(rt::cast<HeaderCell>(header));
    EXPECT_EQ(str(ui::text(rt::cast<HeaderCell>(header)->heading)), "Orvelle");
}

TEST_F(CellTest, SwitchRowsAreBlueAndStoreBooleans) {
    id root = rootController();
    id spec = rowWithKey(root, "lockLoc");
    ASSERT_TRUE(spec);
    id cell = ps::cellForSpecifier(root, spec);
    EXPECT_TRUE(rt::isKindOfClass(cell, "SRSwitchTableCell"));
    id sw = ps::control(cell);
    ASSERT_TRUE(rt::isKindOfClass(sw, "UISwitch"));
    expectColor(rt::send<id()>(sw, "onTintColor"), 0, 0, 1, 1);
    EXPECT_FALSE(ui::isOn(sw)) << "shows the default while nothing is stored";

    // The framework's own switch row keeps the default tint.
    id plain = rt::send<id(long, id, id)>(rt::alloc(rt::objc_getClass("PSSwitchTableCell")),
                                          "initWithStyle:reuseIdentifier:specifier:", 0L, NSStr("s"), spec);
    EXPECT_FALSE(rt::send<id()>(ps::control(plain), "onTintColor"));

    ui::toggleSwitch(sw);
    id stored = setting("lockLoc");
    ASSERT_TRUE(isNumber(stored));
    EXPECT_TRUE(std::holds_alternative<bool>(rt::cast<NSNumber>(stored)->value));
    EXPECT_TRUE(ns::boolValue(stored));
    EXPECT_TRUE(ui::isOn(ps::control(ps::cellForSpecifier(root, spec)))) << "a new cell shows the stored value";
}

}  // namespace
