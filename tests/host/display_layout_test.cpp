// The display table built from enumerated rectangles (with the display log),
// the display-mode list, and the per-display geometry derived from the table.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "host/display_layout.h"
#include "host/display_modes.h"
#include "render/geometry.h"

inline bool operator==(const DisplayRect& a, const DisplayRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream file(path);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

class DisplayLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    log_ = ::testing::TempDir() + "kvs_display_log_test.log";
    std::remove(log_.c_str());
  }
  void TearDown() override {
    std::remove(log_.c_str());
    ResetDisplayTable();
  }
  std::string log_;
};

TEST_F(DisplayLayout, TwoDisplaysSideBySideAndTheirLog) {
  BeginDisplayEnumeration(log_.c_str());
  EXPECT_TRUE(AddEnumeratedDisplay(DisplayRect{0, 0, 1920, 1080}));
  EXPECT_TRUE(AddEnumeratedDisplay(DisplayRect{1920, 0, 3200, 1024}));
  EXPECT_TRUE(EndDisplayEnumeration());
  EXPECT_EQ(displayCount, 2);
  EXPECT_EQ(RectWidth(desktopRect), 3200);
  EXPECT_EQ(desktopRect.bottom, 1080);
  EXPECT_EQ(DisplayWindowLeft(1), 1920);
  EXPECT_EQ(ReadAll(log_),
            "display 0: 0 0 1920 1080\n"
            " - before: 2000000000 2000000000 -2000000000 -2000000000\n"
            " - after: 0 0 1920 1080\n"
            "display 1: 1920 0 3200 1024\n"
            " - before: 0 0 1920 1080\n"
            " - after: 0 0 3200 1080\n");

  // The log is appended to, never truncated.
  BeginDisplayEnumeration(log_.c_str());
  AddEnumeratedDisplay(DisplayRect{0, 0, 800, 600});
  EndDisplayEnumeration();
  const std::string twice = ReadAll(log_);
  EXPECT_EQ(twice.find("display 0: 0 0 800 600\n"), twice.rfind("display 0: "));
  EXPECT_EQ(displayCount, 1);
  EXPECT_EQ(displayRects[1].right, 0) << "a display of the earlier enumeration stayed in the table";
}

TEST_F(DisplayLayout, ADisplayLeftOfThePrimaryGivesNegativeCoordinates) {
  BeginDisplayEnumeration(nullptr);
  AddEnumeratedDisplay(DisplayRect{0, 0, 1280, 1024});
  AddEnumeratedDisplay(DisplayRect{-1024, 200, 0, 968});
  ASSERT_TRUE(EndDisplayEnumeration());
  EXPECT_EQ(desktopRect.left, -1024);
  EXPECT_EQ(desktopRect.top, 0);
  EXPECT_EQ(desktopRect.right, 1280);
  // In window coordinates the primary display starts 1024 pixels in.
  EXPECT_EQ(DisplayWindowLeft(0), 1024);
  EXPECT_EQ(DisplayWindowLeft(1), 0);
  EXPECT_EQ(DisplayWindowTop(1), 200);
}

TEST_F(DisplayLayout, TheSeventeenthDisplayIsNeitherCountedNorCovered) {
  BeginDisplayEnumeration(nullptr);
  int accepted = 0;
  for (int i = 0; i < 17; ++i) {
    const bool more = AddEnumeratedDisplay(DisplayRect{i * 100, 0, i * 100 + 100, 100});
    ++accepted;
    if (!more) break;
  }
  EXPECT_EQ(accepted, 16);
  EXPECT_FALSE(AddEnumeratedDisplay(DisplayRect{1600, 0, 1700, 100}));
  EndDisplayEnumeration();
  EXPECT_EQ(displayCount, 16);
  EXPECT_EQ(desktopRect.right, 1600);
}

TEST_F(DisplayLayout, NoDisplayFallsBackToThePrimaryScreen) {
  BeginDisplayEnumeration(log_.c_str());
  EXPECT_FALSE(EndDisplayEnumeration());
  EXPECT_EQ(displayCount, 1);
  UsePrimaryScreenOnly(1024, 768);
  EXPECT_EQ(displayRects[0].right, 1024);
  EXPECT_EQ(desktopRect.bottom, 768);
  EXPECT_EQ(ReadAll(log_), "");
}

// The measurement layout: equal displays that tile the area exactly, and
// counts or areas it cannot use leave the table alone.
TEST_F(DisplayLayout, TestDisplaysTileTheDesktop) {
  UsePrimaryScreenOnly(1024, 768);
  SplitIntoTestDisplays(DisplayRect{-10, 0, 1014, 768}, 4);
  ASSERT_EQ(displayCount, 4);
  EXPECT_EQ(displayRects[0], (DisplayRect{-10, 0, 502, 384}));
  EXPECT_EQ(displayRects[3], (DisplayRect{502, 384, 1014, 768}));
  EXPECT_EQ(desktopRect, (DisplayRect{-10, 0, 1014, 768}));
  SplitIntoTestDisplays(DisplayRect{0, 0, 1000, 700}, 3);  // two columns, two rows, one left empty
  ASSERT_EQ(displayCount, 3);
  EXPECT_EQ(displayRects[2], (DisplayRect{0, 350, 500, 700}));
  EXPECT_EQ(displayRects[3], (DisplayRect{0, 0, 0, 0}));
  for (int bad : {0, 17, -1}) {
    SplitIntoTestDisplays(DisplayRect{0, 0, 1000, 700}, bad);
    EXPECT_EQ(displayCount, 3);
  }
  SplitIntoTestDisplays(DisplayRect{0, 0, 0, 700}, 2);
  EXPECT_EQ(displayCount, 3);
}

TEST_F(DisplayLayout, AnUnwritableLogIsSkipped) {
  BeginDisplayEnumeration("/nonexistent-folder/for/the/log.log");
  EXPECT_TRUE(AddEnumeratedDisplay(DisplayRect{0, 0, 640, 480}));
  EXPECT_TRUE(EndDisplayEnumeration());
  EXPECT_EQ(displayCount, 1);
}

TEST(DisplayModes, ResolutionsDepthsAndRatesInFirstSeenOrder) {
  static DisplayModeList list;
  ClearDisplayModeList(list);
  AddDisplayMode(list, 1024, 768, 16, 60);
  AddDisplayMode(list, 1024, 768, 16, 75);
  AddDisplayMode(list, 800, 600, 32, 60);
  AddDisplayMode(list, 1024, 768, 32, 60);
  AddDisplayMode(list, 1024, 768, 32, 75);
  AddDisplayMode(list, 1024, 768, 32, 75);  // repeats stay
  EXPECT_FALSE(AddDisplayMode(list, 640, 480, 8, 60));    // below 15 bits
  EXPECT_FALSE(AddDisplayMode(list, 640, 480, 32, 0));    // no rate
  ASSERT_EQ(list.count, 2);

  int32_t w = 0, h = 0;
  ASSERT_TRUE(GetResolution(list, 0, &w, &h));
  EXPECT_EQ(w, 1024);
  EXPECT_EQ(h, 768);
  ASSERT_TRUE(GetResolution(list, 1, &w, &h));
  EXPECT_EQ(w, 800);
  EXPECT_FALSE(GetResolution(list, 2, &w, &h));
  EXPECT_FALSE(GetResolution(list, -1, &w, &h));

  EXPECT_EQ(GetDepthCount(list, 1024, 768), 2);
  EXPECT_EQ(GetDepth(list, 0, 1024, 768), 16);
  EXPECT_EQ(GetDepth(list, 1, 1024, 768), 32);
  EXPECT_EQ(GetDepth(list, 2, 1024, 768), 0);
  EXPECT_EQ(GetDepth(list, 0, 640, 480), 0);
  // 16 bits lists only its own rates.
  EXPECT_EQ(GetRefreshRateCount(list, 1024, 768, 16), 2);
  EXPECT_EQ(GetRefreshRate(list, 0, 1024, 768, 16), 60u);
  EXPECT_EQ(GetRefreshRate(list, 1, 1024, 768, 16), 75u);
  EXPECT_EQ(GetRefreshRate(list, 2, 1024, 768, 16), 0u);
  EXPECT_EQ(GetRefreshRateCount(list, 1024, 768, 32), 3);
  EXPECT_EQ(GetRefreshRate(list, 2, 1024, 768, 32), 75u);
  EXPECT_EQ(GetRefreshRate(list, 0, 1024, 768, 24), 0u);
}

TEST(DisplayModes, CapacitiesDropWhatDoesNotFit) {
  static DisplayModeList list;
  ClearDisplayModeList(list);
  for (int i = 0; i < kMaxResolutions + 5; ++i) AddDisplayMode(list, 100 + i, 100, 32, 60);
  EXPECT_EQ(list.count, kMaxResolutions);
  for (int i = 0; i < kMaxRatesPerDepth + 3; ++i) AddDisplayMode(list, 100, 100, 32, 60 + i);
  EXPECT_EQ(GetRefreshRateCount(list, 100, 100, 32), kMaxRatesPerDepth);
  for (int bits = 15; bits < 15 + kMaxDepthsPerResolution + 2; ++bits) AddDisplayMode(list, 101, 100, bits, 60);
  EXPECT_EQ(GetDepthCount(list, 101, 100), kMaxDepthsPerResolution);
  list.changed = true;
  ClearDisplayModeList(list);
  EXPECT_FALSE(list.changed);
  EXPECT_EQ(list.count, 0);
}

TEST(DisplayModes, TheModeIsChangedOnlyForOneDisplayWithBothSizes) {
  EXPECT_TRUE(WantsDisplayModeChange(1, 1024, 768));
  EXPECT_FALSE(WantsDisplayModeChange(2, 1024, 768));
  EXPECT_FALSE(WantsDisplayModeChange(1, 0, 768));
  EXPECT_FALSE(WantsDisplayModeChange(1, 1024, 0));
  EXPECT_FALSE(WantsDisplayModeChange(1, 0, 0));
}

}  // namespace
