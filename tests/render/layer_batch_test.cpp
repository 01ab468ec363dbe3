// Arranging a grid pass's quads by texture.
#include <gtest/gtest.h>

#include "render/geometry.h"
#include "render/layer_batch.h"
#include "settings/memory.h"

namespace {

class LayerBatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(InitLayerBatch(batch_, 64), 0);
    quads_ = QuadArrays{};
    BuildDisplayQuads(quads_, 0, MakeDisplayGeometry(800, 400, 80, 40), 1.0f, 0);
    BuildDisplayQuads(quads_, 1, MakeDisplayGeometry(400, 400, 80, 40), 1.0f, 0);
  }
  void TearDown() override { FreeLayerBatch(batch_); }
  LayerBatch batch_{};
  QuadArrays quads_;
};

TEST_F(LayerBatchTest, QuadsAreGroupedByTextureInFirstSeenOrder) {
  const LayerQuad glyph0 = QuadOf(quads_, kGlyphQuad, 0);
  const LayerQuad halo1 = QuadOf(quads_, kHaloQuad, 1);
  const LayerQuad cut{2.0f, 3.0f, 6.0f, 8.0f, 0.25f, 0.3f, 0.75f, 0.8f};
  ASSERT_TRUE(AddLayerDraw(batch_, LayerDraw{7, glyph0, 100, 50, 1, 0, 0}));
  ASSERT_TRUE(AddLayerDraw(batch_, LayerDraw{3, halo1, 10, 20, 0, 1, 0}));
  ASSERT_TRUE(AddLayerDraw(batch_, LayerDraw{7, glyph0, 200, 60, 0, 0, 1}));
  ASSERT_TRUE(AddLayerDraw(batch_, LayerDraw{0, cut, 0, 0, 0.5f, 0.5f, 0.5f}));
  ASSERT_EQ(ArrangeLayerBatch(batch_), 3u);

  EXPECT_EQ(batch_.bucketTexture[0], 7u);
  EXPECT_EQ(batch_.bucketSize[0], 2u);
  EXPECT_EQ(batch_.bucketFirst[0], 0u);
  EXPECT_EQ(batch_.bucketTexture[1], 3u);
  EXPECT_EQ(batch_.bucketFirst[1], 2u);
  EXPECT_EQ(batch_.bucketTexture[2], 0u);
  EXPECT_EQ(batch_.bucketFirst[2], 3u);

  // Quad 1 is the second texture-7 quad: cell 10 x 10 at (200, 60).
  const float* p = &batch_.positions[1 * 8];
  EXPECT_FLOAT_EQ(p[0], 200.0f);
  EXPECT_FLOAT_EQ(p[1], 60.0f);
  EXPECT_FLOAT_EQ(p[4], 210.0f);
  EXPECT_FLOAT_EQ(p[5], 70.0f);
  const float* c = &batch_.colours[1 * 12];
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(c[k * 3 + 0], 0.0f);
    EXPECT_EQ(c[k * 3 + 2], 1.0f);
  }
  // Quad 2: the halo of display 1 (cells 5 x 10, halo 1 + 1.6 cells) at (10, 20).
  const float* h = &batch_.positions[2 * 8];
  EXPECT_FLOAT_EQ(h[0], 10.0f - 4.0f);
  EXPECT_FLOAT_EQ(h[1], 20.0f - 8.0f);
  // Quad 3 keeps its own corners and coordinates: bottom-right, then bottom-left.
  const float expected[4] = {6.0f, 8.0f, 2.0f, 8.0f};
  const float coords[4] = {0.75f, 0.8f, 0.25f, 0.8f};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(batch_.positions[3 * 8 + 4 + k], expected[k]);
    EXPECT_EQ(batch_.texCoords[3 * 8 + 4 + k], coords[k]);
  }
  // Arranging again gives the same layout.
  ASSERT_EQ(ArrangeLayerBatch(batch_), 3u);
  EXPECT_EQ(batch_.bucketSize[0], 2u);
}

TEST_F(LayerBatchTest, AFullBatchRefusesAndAResetEmptiesIt) {
  for (uint32_t i = 0; i < 64; ++i) ASSERT_TRUE(AddLayerDraw(batch_, LayerDraw{i % 5, {}, 0, 0, 1, 1, 1})) << i;
  EXPECT_FALSE(AddLayerDraw(batch_, LayerDraw{1, {}, 0, 0, 1, 1, 1}));
  EXPECT_EQ(batch_.count, 64u);
  ResetLayerBatch(batch_);
  EXPECT_EQ(batch_.count, 0u);
  EXPECT_EQ(batch_.bucketCount, 0u);
  ASSERT_TRUE(AddLayerDraw(batch_, LayerDraw{9, {}, 0, 0, 1, 1, 1}));
  EXPECT_EQ(ArrangeLayerBatch(batch_), 1u);
  EXPECT_EQ(batch_.bucketTexture[0], 9u);
}

TEST(LayerBatchBuckets, TooManyTexturesRefuseANewOneButAcceptKnownOnes) {
  static LayerBatch batch;
  ASSERT_EQ(InitLayerBatch(batch, kLayerBatchMaxBuckets + 10), 0);
  for (uint32_t t = 0; t < kLayerBatchMaxBuckets; ++t)
    ASSERT_TRUE(AddLayerDraw(batch, LayerDraw{t * 4099u, {}, 0, 0, 1, 1, 1}));
  EXPECT_FALSE(AddLayerDraw(batch, LayerDraw{0xFFFFFFF0u, {}, 0, 0, 1, 1, 1}));
  EXPECT_TRUE(AddLayerDraw(batch, LayerDraw{5 * 4099u, {}, 0, 0, 1, 1, 1}));
  EXPECT_EQ(batch.bucketSize[5], 2u);
  FreeLayerBatch(batch);
}

TEST(LayerBatchMemory, AllocatesOnceAndReportsFailure) {
  static LayerBatch batch;
  FailAllocationAfter(3);
  EXPECT_EQ(InitLayerBatch(batch, 16), -9);
  EXPECT_EQ(batch.capacity, 0u);
  EXPECT_FALSE(AddLayerDraw(batch, LayerDraw{1, {}, 0, 0, 1, 1, 1}));
  FailAllocationAfter(0);
  const uint64_t before = AllocationCount();
  ASSERT_EQ(InitLayerBatch(batch, 16), 0);
  EXPECT_EQ(AllocationCount() - before, 5u);
  for (int round = 0; round < 3; ++round) {
    for (uint32_t i = 0; i < 16; ++i) AddLayerDraw(batch, LayerDraw{i, {}, 0, 0, 1, 1, 1});
    ArrangeLayerBatch(batch);
    ResetLayerBatch(batch);
  }
  EXPECT_EQ(AllocationCount() - before, 5u) << "a pass allocated";
  FreeLayerBatch(batch);
}

}  // namespace
