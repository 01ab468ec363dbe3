#include <gtest/gtest.h>

#include "settings/memory.h"
#include "sim/path.h"

namespace {

struct Curve {
    aPath p;
    Curve() { InitPath(p); }
    ~Curve() { FreePath(p); }
};

TEST(Path, AnEmptyCurveIsBlack) {
    Curve c;
    double r = 9, g = 9, b = 9;
    EXPECT_EQ(EvalPath(c.p, 0.5, &r, &g, &b), 0.0);  // an empty curve is black
    EXPECT_EQ(g, 0.0);
    EXPECT_EQ(b, 0.0);
}

TEST(Path, InterpolatesAndHoldsOutsideItsKeys) {
    Curve c;
    const double B[3] = {0.298, 0.7056, 0.306};
    AddPathKey(c.p, 1.0, 0, 0, 0);
    AddPathKey(c.p, 2.0, B[0], B[1], B[2]);
    double r, g, b;
    for (double t : {-5.0, 0.0, 1.0}) {
        EvalPath(c.p, t, &r, &g, &b);
        EXPECT_EQ(r + g + b, 0.0) << t;
    }
    for (double t : {2.0, 2.5, 100.0}) {
        EvalPath(c.p, t, &r, &g, &b);
        EXPECT_EQ(g, B[1]) << t;
    }
    EXPECT_DOUBLE_EQ(EvalPath(c.p, 1.5, nullptr, &g, &b), 0.5 * B[0]);
    EXPECT_DOUBLE_EQ(g, 0.5 * B[1]);
    EXPECT_DOUBLE_EQ(b, 0.5 * B[2]);
}

TEST(Path, KeysAddedOutOfOrderAreSorted) {
    Curve in, out;
    AddPathKey(in.p, 0.0, 0.1, 0.2, 0.3);
    AddPathKey(in.p, 1.0, 1.0, 0.0, 0.5);
    AddPathKey(in.p, 2.0, 0.4, 0.4, 0.4);
    AddPathKey(out.p, 2.0, 0.4, 0.4, 0.4);
    AddPathKey(out.p, 0.0, 0.1, 0.2, 0.3);
    AddPathKey(out.p, 1.0, 1.0, 0.0, 0.5);
    ASSERT_EQ(out.p.count, 3u);
    for (uint32_t i = 0; i < 3; ++i) EXPECT_EQ(out.p.keys[i].time, static_cast<double>(i));
    for (double t = -0.5; t < 2.5; t += 0.125) {
        double r1, g1, b1, r2, g2, b2;
        EvalPath(in.p, t, &r1, &g1, &b1);
        EvalPath(out.p, t, &r2, &g2, &b2);
        EXPECT_EQ(r1, r2);
        EXPECT_EQ(g1, g2);
        EXPECT_EQ(b1, b2);
    }
    // An inner key's exact time gives that key's colour.
    double g;
    EXPECT_EQ(EvalPath(out.p, 1.0, nullptr, &g, nullptr), 1.0);
    EXPECT_EQ(g, 0.0);
}

TEST(Path, SingleKeyAndResize) {
    Curve c;
    AddPathKey(c.p, 3.0, 0.25, 0.5, 0.75);
    double b;
    EXPECT_EQ(EvalPath(c.p, -1.0, nullptr, nullptr, &b), 0.25);
    EXPECT_EQ(b, 0.75);
    ASSERT_EQ(ResizePath(c.p, 3), 0);
    EXPECT_EQ(c.p.count, 3u);
    EXPECT_EQ(c.p.keys[0].time, 3.0);
    EXPECT_EQ(c.p.keys[2].red, 0.0);  // new keys are zero
    ASSERT_EQ(ResizePath(c.p, 0), 0);
    EXPECT_EQ(c.p.keys, nullptr);
}

TEST(Path, FailedAllocationLeavesTheCurveAsItWas) {
    Curve c;
    AddPathKey(c.p, 0.0, 1, 1, 1);
    AddPathKey(c.p, 1.0, 0, 0, 0);
    aPathKey* before = c.p.keys;
    FailAllocationAfter(1);
    EXPECT_EQ(AddPathKey(c.p, 0.5, 9, 9, 9), -2);
    EXPECT_EQ(c.p.count, 2u);
    EXPECT_EQ(c.p.keys, before);
    EXPECT_DOUBLE_EQ(EvalPath(c.p, 0.5, nullptr, nullptr, nullptr), 0.5);
    EXPECT_EQ(AddPathKey(c.p, 0.5, 9, 9, 9), 0);  // the next one succeeds
    EXPECT_EQ(c.p.count, 3u);
}

}  // namespace
