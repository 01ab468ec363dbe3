// Every post-effect of the frame composition on one and the same rain: the
// saver runs with a fixed seed and frame time and then keeps showing the same
// code grids, so pictures of different options can be compared pixel by pixel.
// Each run must render without a GL error; the pictures are kept as outputs.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "host/win32/saver_harness.h"

using namespace saver_test;

namespace {

using Shot = HeldShot;

const Environment kHeldRain = {
    {"KVS_TEST_SEED", "11"}, {"KVS_TEST_FRAME_MS", "200"}, {"KVS_TEST_HOLD_FRAMES", "12"}};

// One held picture of the saver with the options changed by `change`.
Shot TakeHeldShot(const std::string& name, const OptionChange& change, const Environment& extra = {}) {
  Environment environment = kHeldRain;
  environment.insert(environment.end(), extra.begin(), extra.end());
  return saver_test::TakeHeldShot("post-" + name, change, environment);
}

class PostEffects : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_FALSE(RunnableSaverPath().empty()) << "KVS_SCR_RUNNABLE is not set";
    baseline_ = new Shot(TakeHeldShot("baseline", nullptr));
  }
  static void TearDownTestSuite() {
    delete baseline_;
    baseline_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(baseline_ && baseline_->ok);
    ASSERT_GT(base().litShare, 0.05) << "the held rain is too thin to compare";
  }
  static const PictureStats& base() { return baseline_->stats; }
  static const Image& baseImage() { return baseline_->image; }
  static double Brightness(const PictureStats& s) { return s.meanRed + s.meanGreen + s.meanBlue; }

  static Shot* baseline_;
};
Shot* PostEffects::baseline_ = nullptr;

// Halo, vertical blur, character size and camera zoom are measured exactly in
// render_gl_test.cpp and geometry_test.cpp; here the options reach the renderer of
// the running saver.
TEST_F(PostEffects, TheSameSeedGivesTheSamePictureAndLayerOrderDoesNotMatter) {
  const Shot again = TakeHeldShot("baseline-again", nullptr);
  ASSERT_TRUE(again.ok);
  EXPECT_LT(DifferingShare(again.image, baseImage(), 2), 0.0005);
  // Every layer drawn on its own, in push order: the same picture.
  const Shot direct = TakeHeldShot("direct-layers", nullptr, {{"KVS_TEST_DIRECT_LAYERS", "1"}});
  ASSERT_TRUE(direct.ok);
  EXPECT_NE(direct.trace.find("direct=1"), std::string::npos);
  EXPECT_LT(DifferingShare(direct.image, baseImage(), 4), 0.0005);
}

TEST_F(PostEffects, VerticalBlurStretchesTheCharactersUpright) {
  const Shot blur = TakeHeldShot("vertical-blur-8", [](SettingsRecord& s, LocalOptionsRecord&) {
    s.verticalBlurLevel = 8;
  });
  const Shot sharper = TakeHeldShot("vertical-blur-8-sharper", [](SettingsRecord& s, LocalOptionsRecord&) {
    s.verticalBlurLevel = 8;
    s.sharperVerticalBlur = 1;
  });
  ASSERT_TRUE(blur.ok && sharper.ok);
  EXPECT_GT(Brightness(blur.stats), 1.1 * Brightness(base()));
  EXPECT_GT(blur.stats.litShare, base().litShare);
  EXPECT_GT(DifferingShare(sharper.image, blur.image, 8), 0.005);
}

TEST_F(PostEffects, CharacterBlurSoftensTheGlyphs) {
  const Shot level0 = TakeHeldShot("char-blur-0", [](SettingsRecord& s, LocalOptionsRecord&) { s.charBlurLevel = 0; });
  const Shot level8 = TakeHeldShot("char-blur-8", [](SettingsRecord& s, LocalOptionsRecord&) { s.charBlurLevel = 8; });
  ASSERT_TRUE(level0.ok && level8.ok);
  // Default level 1 lies between.
  EXPECT_GT(level0.stats.sharpness, base().sharpness);
  EXPECT_LT(level8.stats.sharpness, base().sharpness);
  EXPECT_GT(level8.stats.litShare, 0.5 * base().litShare);
}

TEST_F(PostEffects, EnglowBrightensTheGlyphs) {
  // Sharp glyphs are mostly opaque already; englow shows on their soft edges.
  const Shot englow = TakeHeldShot("englow-2", [](SettingsRecord& s, LocalOptionsRecord&) { s.charEnglow = 2.0f; });
  ASSERT_TRUE(englow.ok);
  EXPECT_GT(Brightness(englow.stats), 1.02 * Brightness(base()));
  // On heavily blurred glyphs it nearly doubles the light.
  const Shot soft = TakeHeldShot("char-blur-8-englow-1", [](SettingsRecord& s, LocalOptionsRecord&) {
    s.charBlurLevel = 8;
    s.halo = 0;
  });
  const Shot softBright = TakeHeldShot("char-blur-8-englow-2", [](SettingsRecord& s, LocalOptionsRecord&) {
    s.charBlurLevel = 8;
    s.halo = 0;
    s.charEnglow = 2.0f;
  });
  ASSERT_TRUE(soft.ok && softBright.ok);
  EXPECT_GT(Brightness(softBright.stats), 1.5 * Brightness(soft.stats));
}

TEST_F(PostEffects, MotionBlurComposesRememberedFrames) {
  auto blurred = [](int depth, bool last, bool radial) {
    return [=](SettingsRecord& s, LocalOptionsRecord&) {
      s.motionBlurDepth = depth;
      s.renderLastFrame = last ? 1 : 0;
      s.radialBlur = radial ? 1 : 0;
    };
  };
  const Shot one = TakeHeldShot("motion-blur-1", blurred(1, false, false));
  const Shot oneSharp = TakeHeldShot("motion-blur-1-last-frame", blurred(1, true, false));
  const Shot two = TakeHeldShot("motion-blur-2", blurred(2, false, false));
  const Shot eight = TakeHeldShot("motion-blur-8", blurred(8, false, false));
  const Shot oneRadial = TakeHeldShot("motion-blur-1-radial", blurred(1, false, true));
  const Shot twoRadial = TakeHeldShot("motion-blur-2-radial", blurred(2, false, true));
  const Shot eightRadial = TakeHeldShot("motion-blur-8-radial", blurred(8, false, true));
  ASSERT_TRUE(one.ok && oneSharp.ok && two.ok && eight.ok && oneRadial.ok && twoRadial.ok && eightRadial.ok);

  // Depth 1: the frame at 256 x 256 stretched over the window, blurrier.
  EXPECT_GT(one.stats.litShare, 0.5 * base().litShare);
  EXPECT_LT(one.stats.sharpness, 0.8 * base().sharpness);
  // The sharp frame on top adds to the composed one (saturating).
  const double sum = Brightness(one.stats) + Brightness(base());
  EXPECT_GT(Brightness(oneSharp.stats), 0.8 * sum);
  EXPECT_LT(Brightness(oneSharp.stats), 1.02 * sum);
  // On a still picture the weights sum to one, whatever the depth.
  EXPECT_LT(MeanDifference(two.image, one.image), 1.5);
  EXPECT_LT(MeanDifference(eight.image, one.image), 2.5);
  // Radial blur shows older frames enlarged around the centre.
  EXPECT_GT(DifferingShare(oneRadial.image, one.image, 16), 0.02);
  EXPECT_GT(DifferingShare(twoRadial.image, two.image, 16), 0.02);
  EXPECT_GT(DifferingShare(eightRadial.image, eight.image, 16), 0.02);
  EXPECT_GT(eightRadial.stats.litShare, 0.5 * base().litShare);
}

TEST_F(PostEffects, ExtremeLowTexturesAndEveryFilterRender) {
  const Shot low = TakeHeldShot("low-textures", [](SettingsRecord&, LocalOptionsRecord& l) {
    l.extremeLowTextures = 1;
  });
  ASSERT_TRUE(low.ok);
  EXPECT_GT(low.stats.litShare, 0.3 * base().litShare);
  EXPECT_GT(DifferingShare(low.image, baseImage(), 16), 0.02);

  // The default is 2 (bilinear); the others change how glyphs are sampled.
  for (int filter : {0, 1, 3}) {
    const Shot shot = TakeHeldShot("filter-" + std::to_string(filter), [filter](SettingsRecord&, LocalOptionsRecord& l) {
      l.textureFilter = filter;
    });
    ASSERT_TRUE(shot.ok);
    EXPECT_GT(shot.stats.litShare, 0.5 * base().litShare) << filter;
    EXPECT_GT(DifferingShare(shot.image, baseImage(), 4), 0.001) << "filter " << filter << " looks like bilinear";
  }
  const Shot anisotropic = TakeHeldShot("filter-3-anisotropic", [](SettingsRecord&, LocalOptionsRecord& l) {
    l.textureFilter = 3;
    l.anisotropic = 1;
  });
  ASSERT_TRUE(anisotropic.ok);
  EXPECT_GT(anisotropic.stats.litShare, 0.5 * base().litShare);
}

}  // namespace
