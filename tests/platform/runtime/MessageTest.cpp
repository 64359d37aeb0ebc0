#include <gtest/gtest.h>

#include "runtime/Message.h"
#include "runtime/ObjectState.h"

using namespace rt;

namespace {

struct Point {
    double x = 0, y = 0;
};

struct Shape : Object {
    Point origin;
    std::string log;
};

inline constinit const Msg<void(Point)> moveTo{"moveTo:"};
inline constinit const Msg<double()> originX{"originX"};
inline constinit const Msg<std::string()> describeShape{"describeShape"};
inline constinit const ClassMsg<id()> makeShape{"MTShape", "makeShape"};

void moveToImp(id self, SEL cmd, Point p) { state<Shape>(self, cmd).origin = p; }
double originXImp(id self, SEL cmd) { return state<Shape>(self, cmd).origin.x; }
std::string describeShapeImp(id, SEL) { return "shape"; }
std::string describeSquareImp(id self, SEL) {
    return "square of " + sendSuper(objc_getClass("MTSquare"), self, describeShape);
}
std::string describeTileImp(id self, SEL) {
    return "tile, " + sendSuper(objc_getClass("MTTile"), self, describeShape);
}
id makeShapeImp(id self, SEL) { return asClass(self)->alloc(); }

void registerShapes() {
    static bool done = [] {
        Class* shape = objc_registerClass("MTShape", NSObjectClass(), factoryFor<Shape>());
        defineMethod(shape, moveTo, &moveToImp);
        defineMethod(shape, originX, &originXImp);
        defineMethod(shape, describeShape, &describeShapeImp);
        defineClassMethod(shape, makeShape, &makeShapeImp);
        Class* square = objc_registerClass("MTSquare", shape);
        defineMethod(square, describeShape, &describeSquareImp);
        Class* tile = objc_registerClass("MTTile", square);
        defineMethod(tile, describeShape, &describeTileImp);
        objc_registerClass("MTPlain", NSObjectClass());
        return true;
    }();
    (void)done;
}

}  // namespace

TEST(Message, SendsAndClassMessagesReachTheirMethods) {
    registerShapes();
    id shape = makeShape();
    ASSERT_TRUE(shape);
    moveTo(shape, Point{3, 4});
    EXPECT_EQ(originX(shape), 3);
    // To another class than the one it names: the subclass's own instance.
    id tile = makeShape.to(objc_getClass("MTTile"));
    EXPECT_EQ(object_getClass(tile)->name(), "MTTile");
    EXPECT_STREQ(moveTo.name(), "moveTo:");
    EXPECT_EQ(moveTo.sel(), sel_registerName("moveTo:"));
}

TEST(Message, NothingAnswersZeroAndAClassTheProcessLacksToo) {
    registerShapes();
    EXPECT_EQ(originX(id{}), 0);
    EXPECT_EQ(describeShape(id{}), "");
    const ClassMsg<id()> missing{"MTNoSuchClass", "makeShape"};
    EXPECT_FALSE(missing());
}

TEST(Message, SuperStartsAboveTheRunningMethodsClassNotTheReceivers) {
    registerShapes();
    // A tile's describeShape calls super (the square's), which calls super in
    // turn: starting from the receiver's class would recurse for ever.
    id tile = allocInit(objc_getClass("MTTile"));
    EXPECT_EQ(describeShape(tile), "tile, square of shape");
}

TEST(Message, AReceiverWithoutTheStateNamesItsClassAndTheSelector) {
    registerShapes();
    id plain = allocInit(objc_getClass("MTPlain"));
    defineMethod(objc_getClass("MTPlain"), originX, &originXImp);
    try {
        originX(plain);
        FAIL() << "a receiver without the state was accepted";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "-[MTPlain originX]: the receiver is not backed by the C++ state this method needs");
    }
}

TEST(Message, AStringSendWithTheWrongSignatureIsRefusedAtRunTime) {
    registerShapes();
    id shape = makeShape();
    EXPECT_THROW(send<int()>(shape, "originX"), Error);
}

TEST(Message, MakeSetsTheClassAndRefusesAMissingOne) {
    registerShapes();
    auto square = make<Shape>("MTSquare");
    EXPECT_EQ(square->isa, objc_getClass("MTSquare"));
    EXPECT_EQ(describeShape(square), "square of shape");
    EXPECT_THROW(make<Shape>("MTNoSuchClass"), Error);
}
