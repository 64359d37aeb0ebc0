// Moving the blocks with synthetic touches: move mode, "lockLoc", the
// half-screen rule of the pan and the stored top-left corner.
#include "PanelTest.h"

namespace panel_test {
namespace {

class Drag : public PanelTest {
protected:
    void SetUp() override {
        PanelTest::SetUp();
        writeSettings({{"clockStyle", NSNum(2)}});  // clock row (0, 15, 375, 65) on a 375 x 667 screen
        panel = build();
        showInWindow(panel);
        clock = clockView(panel);
        weather = weatherView(panel);
    }

    void longPress(CGPoint p) {
        ui::touchDown(window, p);
        ns::RunLoop::main().advance(0.6);
        ui::touchUp(window, p);
    }
    void drag(std::initializer_list<CGPoint> path) {
        auto it = path.begin();
        ui::touchDown(window, *it);
        for (++it; it != path.end(); ++it) ui::touchMove(window, *it);
        ui::touchUp(window, *(path.end() - 1));
    }
    bool moving(const id& v) { return rt::send<bool()>(v, "canBeDraged"); }
    std::string stored(const char* path, const char* key) {
        id record = ns::dictionaryWithContentsOfFile(path);
        return record ? str(rt::cast<NSDictionary>(record)->objectForKey(key)) : "(no file)";
    }

    id panel, clock, weather;
};

TEST_F(Drag, LongPressesEnterAndLeaveMoveModeAndLeavingSavesTheCorner) {
    longPress({100, 40});
    EXPECT_TRUE(moving(clock));
    EXPECT_EQ(ui::alpha(clock), 0.5);
    EXPECT_FALSE(ns::fileExistsAtPath(orvelle::kClockPositionFile));

    longPress({100, 40});
    EXPECT_FALSE(moving(clock));
    EXPECT_EQ(ui::alpha(clock), 1);
    EXPECT_EQ(stored(orvelle::kClockPositionFile, "clockX"), "0.000000");
    EXPECT_EQ(stored(orvelle::kClockPositionFile, "clockY"), "15.000000");
}

TEST_F(Drag, AMoveIsStoredAsTheTopLeftCornerInItsOwnFileOnly) {
    writeSettings({{"weatherX", NSStr("1.000000")}, {"weatherY", NSStr("2.000000")}}, orvelle::kWeatherPositionFile);
    writeSettings({{"clockX", NSStr("9")}, {"clockY", NSStr("9")}, {"note", NSStr("old")}},
                  orvelle::kClockPositionFile);
    std::string weatherBefore = readFile(orvelle::kWeatherPositionFile);

    longPress({100, 40});
    drag({{100, 40}, {100, 60}, {130, 90.25}});
    EXPECT_EQ(ui::frame(clock), CGRectMake(30, 65.25, 375, 65));
    longPress({100, 100});

    id record = ns::dictionaryWithContentsOfFile(orvelle::kClockPositionFile);
    ASSERT_TRUE(record);
    EXPECT_EQ(rt::cast<NSDictionary>(record)->entries.size(), 2u);
    EXPECT_EQ(stored(orvelle::kClockPositionFile, "clockX"), "30.000000");
    EXPECT_EQ(stored(orvelle::kClockPositionFile, "clockY"), "65.250000");
    EXPECT_EQ(readFile(orvelle::kWeatherPositionFile), weatherBefore);

    // The weather block writes its own file, with its own keys.
    std::string clockBefore = readFile(orvelle::kClockPositionFile);
    longPress({200, 145});
    longPress({200, 145});
    EXPECT_EQ(stored(orvelle::kWeatherPositionFile, "weatherX"), "0.000000");
    EXPECT_EQ(stored(orvelle::kWeatherPositionFile, "weatherY"), "90.000000");
    EXPECT_EQ(readFile(orvelle::kClockPositionFile), clockBefore);

    // The next build puts the blocks where they were left.
    id next = build();
    EXPECT_EQ(ui::frame(clockView(next)), CGRectMake(30, 65.25, 375, 65));
    EXPECT_EQ(ui::frame(weatherView(next)), CGRectMake(0, 90, 375, 65));
}

TEST_F(Drag, LockLocFreezesBothWaysAndIsReadAtEveryPress) {
    writeSettings({{"clockStyle", NSNum(2)}, {"lockLoc", NSNum(true)}});
    longPress({100, 40});
    EXPECT_FALSE(moving(clock));
    EXPECT_EQ(ui::alpha(clock), 1);

    writeSettings({{"lockLoc", NSNum(false)}});
    longPress({100, 40});
    ASSERT_TRUE(moving(clock));

    writeSettings({{"lockLoc", NSStr("yes")}});
    longPress({100, 40});
    EXPECT_TRUE(moving(clock));
    EXPECT_EQ(ui::alpha(clock), 0.5);
    EXPECT_FALSE(ns::fileExistsAtPath(orvelle::kClockPositionFile));
    drag({{100, 40}, {100, 60}});
    EXPECT_EQ(ui::frame(clock).origin, CGPointMake(0, 35));  // still draggable

    std::filesystem::remove(orvelle::kSettingsFile);
    longPress({100, 60});
    EXPECT_FALSE(moving(clock));
    EXPECT_EQ(stored(orvelle::kClockPositionFile, "clockY"), "35.000000");
}

TEST_F(Drag, APanOnAFixedBlockNeitherMovesItNorRaisesIt) {
    drag({{100, 40}, {100, 80}, {150, 120}});
    EXPECT_EQ(ui::frame(clock), CGRectMake(0, 15, 375, 65));
    EXPECT_EQ(ui::subviews(rt::send<id()>(panel, "dateView")), (std::vector<id>{clock, weather}));

    longPress({100, 40});
    drag({{100, 40}, {100, 52}});
    EXPECT_EQ(ui::subviews(rt::send<id()>(panel, "dateView")), (std::vector<id>{weather, clock}));
}

TEST_F(Drag, AStepFromTheMiddleLinePutsTheBottomEdgeOnIt) {
    // Touches reach only what lies inside the host view: let it cover the screen.
    ui::setFrame(rt::send<id()>(panel, "dateView"), ui::screenBounds());
    ui::setFrame(clock, CGRectMake(0, 301, 375, 65));  // centre exactly at 667 / 2
    longPress({100, 320});
    drag({{100, 320}, {110, 340}});
    EXPECT_EQ(ui::frame(clock), CGRectMake(10, 268.5, 375, 65));
}

TEST_F(Drag, AFastDragLandsBelowTheMiddleAndTheNextStepLiftsIt) {
    longPress({100, 40});
    drag({{100, 40}, {100, 600}});
    EXPECT_EQ(ui::frame(clock).origin, CGPointMake(0, 575));  // one step: left below

    ui::setFrame(clock, CGRectMake(0, 15, 375, 65));
    drag({{100, 40}, {100, 600}, {100, 650}});
    EXPECT_EQ(ui::frame(clock).origin, CGPointMake(0, 268.5));
}

CGPoint centreOf(const id& view) {
    CGRect f = ui::frame(view);
    return {f.origin.x + f.size.width / 2, f.origin.y + f.size.height / 2};
}

TEST_F(Drag, ABlockDraggedDownTheUpperHalfIsStillReachedThere) {
    longPress({100, 40});
    drag({{100, 40}, {100, 200}, {100, 250}});  // centre 47.5 -> 207.5 -> 257.5
    EXPECT_EQ(ui::frame(clock), CGRectMake(0, 225, 375, 65));
    longPress({100, 257});
    EXPECT_FALSE(moving(clock));
    EXPECT_EQ(stored(orvelle::kClockPositionFile, "clockY"), "225.000000");
}

TEST_F(Drag, TheCentreStaysOnTheScreenWhateverTheDragAndAPressFindsTheBlock) {
    longPress({100, 40});
    // Up and to the left, far past the edges: the centre stops at the corner.
    drag({{100, 40}, {-900, -900}});
    EXPECT_EQ(centreOf(clock), CGPointMake(0, 0));
    // To the right: the centre stops a point short of the edge, which a touch misses.
    drag({{50, 10}, {1000, 10}});
    EXPECT_EQ(centreOf(clock), CGPointMake(374, 0));
    // Down, far past the bottom in one step: the centre stops a point short of it.
    drag({{300, 10}, {300, 5000}});
    EXPECT_EQ(centreOf(clock), CGPointMake(374, 666));
    // Whatever shows of the block still takes the long press that drops it.
    longPress({300, 660});
    EXPECT_FALSE(moving(clock));
    EXPECT_EQ(stored(orvelle::kClockPositionFile, "clockX"), "186.500000");
    EXPECT_EQ(stored(orvelle::kClockPositionFile, "clockY"), "633.500000");
}

TEST_F(Drag, AStoredPlaceOffTheScreenShowsTheBlockAtTheNearestReachablePlaceAndLeavesTheFile) {
    writeSettings({{"clockX", NSStr("-500.000000")}, {"clockY", NSStr("5000.000000")}}, orvelle::kClockPositionFile);
    writeSettings({{"weatherX", NSStr("9000")}, {"weatherY", NSStr("-40")}}, orvelle::kWeatherPositionFile);
    std::string clockFile = readFile(orvelle::kClockPositionFile);
    std::string weatherFile = readFile(orvelle::kWeatherPositionFile);
    id next = build();
    EXPECT_EQ(centreOf(clockView(next)), CGPointMake(0, 666));
    EXPECT_EQ(ui::frame(clockView(next)).size, CGSizeMake(375, 65));
    EXPECT_EQ(centreOf(weatherView(next)), CGPointMake(374, 0));
    EXPECT_EQ(readFile(orvelle::kClockPositionFile), clockFile);
    EXPECT_EQ(readFile(orvelle::kWeatherPositionFile), weatherFile);
}

// A failure must not pass as a success: the block leaves move mode, and the log says why.
TEST_F(Drag, APlaceThatCannotBeSavedIsLoggedAndMoveModeEndsAllTheSame) {
    std::filesystem::create_directory(orvelle::kClockPositionFile);  // a folder where the file would go
    std::vector<std::string> lines;
    ns::setLogSink([&](const std::string& line) { lines.push_back(line); });
    longPress({100, 40});
    longPress({100, 40});
    ns::setLogSink(nullptr);
    EXPECT_FALSE(moving(clock));
    EXPECT_EQ(ui::alpha(clock), 1);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], std::string("OVS: could not save the block's position to ") + orvelle::kClockPositionFile + "\n");
    std::filesystem::remove(orvelle::kClockPositionFile);
}

TEST_F(Drag, ACancelledLongPressChangesNothing) {
    ui::touchDown(window, {100, 40});
    ns::RunLoop::main().advance(0.6);
    ui::touchCancel();
    EXPECT_FALSE(moving(clock));
    EXPECT_EQ(ui::alpha(clock), 1);
}

}  // namespace
}  // namespace panel_test
