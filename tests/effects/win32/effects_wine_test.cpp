// The effects in the running saver. A held picture of the rain before an
// effect and one while it runs (same seed, same frames) differ the way each
// effect looks: deja vu bars are horizontal bands, bursts stay local, a still
// burst dims the frozen display, a drop lights one column from the top. Keys
// start their effects and the Spacebar only enabled ones. The pictures are
// kept as outputs.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "host/win32/saver_harness.h"

using namespace saver_test;

namespace {

constexpr int kHoldFrame = 10;  // frames of 50 ms (1000 units): one tick each
constexpr int kColumns = 80, kRows = 40;

// A screen full of rain at once, no incoming text, no effect by itself, no
// rotators (so that the two pictures differ only where the effect draws).
void Quiet(SettingsRecord& s, LocalOptionsRecord&) {
  s.jumpInStart = 1;
  s.textEnabled = 0;
  s.rotatorsOccurrence = 0;
  s.dejaVuInterval = s.burstMovementInterval = s.burstStillInterval = s.burstTraceInterval = 255;
  s.smallBurstsInterval = s.dropsInterval = s.lightningsInterval = s.crashInterval = s.supermanInterval = 255;
}

Environment HeldRain() {
  return {{"KVS_TEST_SEED", "11"}, {"KVS_TEST_FRAME_MS", "50"}, {"KVS_TEST_HOLD_FRAMES", std::to_string(kHoldFrame)}};
}

// The held picture with `effect` started `framesBefore` frames before the hold.
HeldShot EffectShot(const std::string& effect, int framesBefore) {
  Environment environment = HeldRain();
  environment.push_back({"KVS_TEST_EFFECT", effect + "@" + std::to_string(kHoldFrame - framesBefore)});
  return TakeHeldShot("effect-" + effect, Quiet, environment);
}

// Mean absolute channel difference of each grid cell between two pictures.
struct CellDifference {
  std::vector<double> level = std::vector<double>(kColumns * kRows, 0.0);
  double at(int x, int y) const { return level[y * kColumns + x]; }
};

CellDifference Compare(const Image& before, const Image& during) {
  CellDifference d;
  for (int y = 0; y < kRows; ++y) {
    for (int x = 0; x < kColumns; ++x) {
      const int left = x * during.width / kColumns, top = y * during.height / kRows;
      const int w = (x + 1) * during.width / kColumns - left, h = (y + 1) * during.height / kRows - top;
      d.level[y * kColumns + x] = MeanDifference(Crop(before, left, top, w, h), Crop(during, left, top, w, h));
    }
  }
  return d;
}

// Share of the changed cells (level above `threshold`) that the best-placed
// window of w x h cells holds; 0 when nothing changed.
double Concentration(const CellDifference& d, int w, int h, double threshold = 4.0) {
  int total = 0, best = 0;
  for (double v : d.level) total += v > threshold;
  for (int top = 0; top + h <= kRows; ++top) {
    for (int left = 0; left + w <= kColumns; ++left) {
      int inside = 0;
      for (int y = top; y < top + h; ++y)
        for (int x = left; x < left + w; ++x) inside += d.at(x, y) > threshold;
      best = std::max(best, inside);
    }
  }
  return total ? static_cast<double>(best) / total : 0.0;
}

class EffectPictures : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_FALSE(RunnableSaverPath().empty()) << "KVS_SCR_RUNNABLE is not set";
    before_ = new HeldShot(TakeHeldShot("effect-none", Quiet, HeldRain()));
  }
  static void TearDownTestSuite() {
    delete before_;
    before_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(before_ && before_->ok && before_->stats.litShare > 0.05); }
  static CellDifference Against(const HeldShot& during) { return Compare(before_->image, during.image); }

  static HeldShot* before_;
};
HeldShot* EffectPictures::before_ = nullptr;

TEST_F(EffectPictures, DejaVuBarsAreHorizontalBands) {
  const HeldShot shot = EffectShot("dejavu", 4);  // first bars two ticks in, now full
  ASSERT_TRUE(shot.ok);
  EXPECT_NE(shot.trace.find("effect start name=dejavu"), std::string::npos);
  // Rows are either untouched or changed across the width.
  const CellDifference d = Against(shot);
  int untouched = 0, banded = 0;
  for (int y = 0; y < kRows; ++y) {
    int changed = 0;
    for (int x = 0; x < kColumns; ++x) changed += d.at(x, y) > 4.0;
    untouched += changed < kColumns / 20;
    banded += changed > kColumns / 3;
  }
  EXPECT_GT(untouched, 5);
  EXPECT_GT(banded, 3);
  EXPECT_GT(untouched + banded, kRows * 3 / 4);
}

TEST_F(EffectPictures, BurstsStayLocalAndAStillBurstDimsTheFrozenDisplay) {
  // 5000 units in, the ring of a movement burst spans 32 x 20 cells around the centre.
  const HeldShot movement = EffectShot("movement", 5);
  // 3000 units in, the first small burst spans 12 x 8 cells around its point.
  const HeldShot small = EffectShot("smallbursts", 3);
  // 6000 units in, a still burst holds its first frame at a fifth.
  const HeldShot still = EffectShot("still", 6);
  ASSERT_TRUE(movement.ok && small.ok && still.ok);

  const CellDifference m = Against(movement);
  EXPECT_GT(Concentration(m, 36, 24), 0.8);
  EXPECT_GT(m.at(kColumns / 2 + 12, kRows / 2) + m.at(kColumns / 2 - 12, kRows / 2), 8.0) << "the ring";
  EXPECT_GT(movement.stats.meanRed + movement.stats.meanBlue, before_->stats.meanRed + before_->stats.meanBlue);

  EXPECT_GT(Concentration(Against(small), 16, 12), 0.7);

  const double lit = before_->stats.meanRed + before_->stats.meanGreen + before_->stats.meanBlue;
  EXPECT_LT(still.stats.meanRed + still.stats.meanGreen + still.stats.meanBlue, 0.4 * lit);
}

TEST_F(EffectPictures, ADropLightsOneColumnFromTheTop) {
  const HeldShot shot = EffectShot("drops", 2);  // a tick after its start the light has run down
  ASSERT_TRUE(shot.ok);
  const CellDifference d = Against(shot);
  EXPECT_GT(Concentration(d, 4, kRows), 0.7);  // glow quads reach into the neighbours
  // Its characters brighten over their first tick, the top ones first.
  int column = 0;
  double best = 0;
  for (int x = 0; x < kColumns; ++x) {
    double sum = 0;
    for (int y = 0; y < kRows; ++y) sum += d.at(x, y);
    if (sum > best) best = sum, column = x;
  }
  double top = 0, bottom = 0;
  for (int y = 0; y < kRows; ++y) (y < kRows / 2 ? top : bottom) += d.at(column, y);
  EXPECT_GT(top, 1.5 * bottom);
}

int Count(const std::string& text, const std::string& part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

// Waits until `part` occurs `times` times in the saver's trace.
bool WaitForCount(const SaverProcess& saver, const std::string& part, int times, DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  while (Count(saver.Trace(), part) < times) {
    if (GetTickCount() - start > timeoutMs || !saver.Running()) return false;
    Sleep(100);
  }
  return true;
}

// Starts the saver with the records, presses each key after the effect before
// it has ended, and returns the trace.
std::string PressEffectKeys(const SettingsRecord& s, const LocalOptionsRecord& l, const std::string& name,
                            const std::vector<std::pair<WORD, std::string>>& keys) {
  StoreRecords(s, l);
  SaverProcess saver;
  EXPECT_TRUE(saver.Start("/s", {{"KVS_TEST_SEED", "5"}, {"KVS_TEST_FRAME_MS", "50"}}, name + ".log"));
  EXPECT_TRUE(saver.WaitForTrace("first_frame", 60000));
  for (size_t i = 0; i < keys.size(); ++i) {
    PressKey(keys[i].first);
    int times = 0;  // runs of this effect so far, this one included
    for (size_t j = 0; j <= i; ++j) times += keys[j].second == keys[i].second;
    EXPECT_TRUE(WaitForCount(saver, "effect end name=" + keys[i].second, times, 60000)) << keys[i].second;
  }
  EXPECT_TRUE(saver.Running()) << "effect keys and the Spacebar do not end the saver";
  PressKey(VK_ESCAPE);
  DWORD code = 1;
  EXPECT_TRUE(saver.WaitForExit(15000, &code));
  return saver.Trace();
}

TEST(EffectKeys, KeysStartTheirEffectsAndTheSpacebarOnlyEnabledOnes) {
  ASSERT_FALSE(RunnableSaverPath().empty()) << "KVS_SCR_RUNNABLE is not set";
  SettingsRecord s = DefaultSettings();
  LocalOptionsRecord l = DefaultLocalOptions();
  Quiet(s, l);
  l.fadeOut = 0;
  s.dejaVuBars = 4;  // short runs
  s.smallBurstsNumber = 2;
  s.dropsNumber = 1;
  const std::string keys = PressEffectKeys(s, l, "keys", {{'D', "dejavu"}, {'E', "movement"}, {'R', "still"},
                                                           {'T', "trace"}, {'S', "smallbursts"}, {'G', "drops"}});
  EXPECT_EQ(6, Count(keys, "effect start name="));

  // Only drops enabled: every Spacebar press starts drops.
  s.dejaVuEnabled = s.burstsEnabled = s.smallBurstsEnabled = s.lightningsEnabled = s.crashEnabled = 0;
  s.supermanEnabled = 0;
  const std::string spaces = PressEffectKeys(s, l, "spacebar", {{VK_SPACE, "drops"}, {VK_SPACE, "drops"}});
  EXPECT_EQ(2, Count(spaces, "effect start name=drops"));
  EXPECT_EQ(2, Count(spaces, "effect start name="));
}

}  // namespace
