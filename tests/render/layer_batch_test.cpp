// Collecting a grid pass's quads by texture.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "render/geometry.h"
#include "render/layer_batch.h"
#include "settings/memory.h"

namespace {

struct Vertex {
  float x, y, s, t, red, green, blue;
};
using Quad = std::array<Vertex, 4>;

// The quads of bucket `b` in drawing order (runs in order, each run's quads).
std::vector<Quad> QuadsOf(const LayerBatch& batch, uint32_t b) {
  static_assert(sizeof(Vertex) == kLayerVertexFloats * sizeof(float), "the single quads' layout");
  std::vector<Quad> quads;
  for (uint32_t r = batch.bucketFirstRun[b]; r; r = batch.runs[r].next)
    for (uint32_t q = 0; q < batch.runs[r].size; ++q) {
      quads.emplace_back();
      std::memcpy(quads.back().data(), &batch.vertices[(batch.runs[r].first + q) * 4 * kLayerVertexFloats], sizeof(Quad));
    }
  return quads;
}

class LayerBatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(InitLayerBatch(batch_, 128), 0);
    quads_ = QuadArrays{};
    BuildDisplayQuads(quads_, 0, MakeDisplayGeometry(800, 400, 80, 40), 1.0f, 0);
    BuildDisplayQuads(quads_, 1, MakeDisplayGeometry(400, 400, 80, 40), 1.0f, 0);
  }
  void TearDown() override { FreeLayerBatch(batch_); }
  static LayerBatch batch_;
  QuadArrays quads_;
};
LayerBatch LayerBatchTest::batch_;

TEST_F(LayerBatchTest, QuadsAreGroupedByTextureInFirstSeenOrder) {
  const LayerQuad glyph0 = QuadOf(quads_, kGlyphQuad, 0);
  const LayerQuad halo1 = QuadOf(quads_, kHaloQuad, 1);
  const LayerQuad cut{2.0f, 3.0f, 6.0f, 8.0f, 0.25f, 0.3f, 0.75f, 0.8f};
  ASSERT_TRUE(AddLayerDraw(batch_, LayerDraw{7, glyph0, 100, 50, 1, 0, 0}));
  ASSERT_TRUE(AddLayerDraw(batch_, LayerDraw{3, halo1, 10, 20, 0, 1, 0}));
  ASSERT_TRUE(AddLayerDraw(batch_, LayerDraw{7, glyph0, 200, 60, 0, 0, 1}));
  ASSERT_TRUE(AddLayerDraw(batch_, LayerDraw{0, cut, 0, 0, 0.5f, 0.5f, 0.5f}));
  ASSERT_TRUE(AddLayerDraw(batch_, LayerDraw{7, glyph0, 0, 0, 1, 1, 1, true}));
  ASSERT_EQ(batch_.bucketCount, 4u);
  EXPECT_EQ(batch_.count, 5u);

  const uint32_t textures[4] = {7, 3, 0, 7};
  const bool boosted[4] = {false, false, false, true};
  for (uint32_t b = 0; b < 4; ++b) {
    EXPECT_EQ(batch_.bucketTexture[b], textures[b]) << b;
    EXPECT_EQ(batch_.bucketBoosted[b], boosted[b]) << b;
  }
  const auto sevens = QuadsOf(batch_, 0);
  ASSERT_EQ(sevens.size(), 2u);
  EXPECT_EQ(batch_.bucketSize[0], 2u);
  // The second texture-7 quad: cell 10 x 10 at (200, 60), blue.
  const Quad& p = sevens[1];
  EXPECT_FLOAT_EQ(p[0].x, 200.0f);
  EXPECT_FLOAT_EQ(p[0].y, 60.0f);
  EXPECT_FLOAT_EQ(p[2].x, 210.0f);
  EXPECT_FLOAT_EQ(p[2].y, 70.0f);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(p[k].red, 0.0f);
    EXPECT_EQ(p[k].blue, 1.0f);
  }
  // The halo of display 1 (cells 5 x 10, halo 1 + 1.6 cells) at (10, 20).
  const Quad h = QuadsOf(batch_, 1)[0];
  EXPECT_FLOAT_EQ(h[0].x, 10.0f - 4.0f);
  EXPECT_FLOAT_EQ(h[0].y, 20.0f - 8.0f);
  // A cut quad keeps its own corners and coordinates: bottom-right, then bottom-left.
  const Quad c = QuadsOf(batch_, 2)[0];
  EXPECT_EQ(c[2].x, 6.0f);
  EXPECT_EQ(c[2].y, 8.0f);
  EXPECT_EQ(c[2].s, 0.75f);
  EXPECT_EQ(c[2].t, 0.8f);
  EXPECT_EQ(c[3].x, 2.0f);
  EXPECT_EQ(c[3].s, 0.25f);
}

TEST_F(LayerBatchTest, AFullBatchRefusesAndAResetEmptiesIt) {
  for (uint32_t i = 0; i < 128; ++i) ASSERT_TRUE(AddLayerDraw(batch_, LayerDraw{1, {}, 0, 0, 1, 1, 1})) << i;
  EXPECT_FALSE(AddLayerDraw(batch_, LayerDraw{1, {}, 0, 0, 1, 1, 1}));
  EXPECT_EQ(batch_.count, 128u);
  ResetLayerBatch(batch_);
  EXPECT_EQ(batch_.count, 0u);
  EXPECT_EQ(batch_.bucketCount, 0u);
  ASSERT_TRUE(AddLayerDraw(batch_, LayerDraw{9, {}, 0, 0, 1, 1, 1}));
  EXPECT_EQ(batch_.bucketTexture[0], 9u);
  EXPECT_EQ(QuadsOf(batch_, 0).size(), 1u);
}

TEST(LayerBatchRoom, ANewTextureWithoutRoomLeavesNoEmptyBucket) {
  static LayerBatch batch;
  ASSERT_EQ(InitLayerBatch(batch, 4 * kLayerRunSmallest), 0);
  // Four first runs take the whole array; a fifth texture finds no room.
  for (uint32_t t = 1; t <= 4; ++t) ASSERT_TRUE(AddLayerDraw(batch, LayerDraw{t, {}, 0, 0, 1, 1, 1}));
  EXPECT_FALSE(AddLayerDraw(batch, LayerDraw{5, {}, 0, 0, 1, 1, 1}));
  EXPECT_EQ(batch.bucketCount, 4u);
  // Texture 1 still fills its run, and a refused texture stays unknown.
  for (uint32_t i = 1; i < kLayerRunSmallest; ++i) ASSERT_TRUE(AddLayerDraw(batch, LayerDraw{1, {}, 0, 0, 1, 1, 1})) << i;
  EXPECT_FALSE(AddLayerDraw(batch, LayerDraw{1, {}, 0, 0, 1, 1, 1}));
  EXPECT_FALSE(AddLayerDraw(batch, LayerDraw{5, {}, 0, 0, 1, 1, 1}));
  EXPECT_EQ(batch.bucketCount, 4u);
  EXPECT_EQ(QuadsOf(batch, 0).size(), kLayerRunSmallest);
  FreeLayerBatch(batch);
}

// Interleaved textures of very different use: every quad is drawn once, with
// its own texture, in the order it was added; runs never overlap, and a
// texture used often is drawn in a few runs.
TEST(LayerBatchRuns, EveryQuadLandsOnceInItsTexturesRuns) {
  static LayerBatch batch;
  ASSERT_EQ(InitLayerBatch(batch, kLayerBatchCapacity), 0);
  uint32_t added = 0;
  uint32_t seed = 12345;
  while (true) {
    seed = seed * 1664525u + 1013904223u;
    // Texture 1 takes half the quads, 2..9 most of the rest, 10..209 a few each.
    const uint32_t pick = seed >> 24;
    const uint32_t texture = pick < 128 ? 1 : pick < 240 ? 2 + pick % 8 : 10 + (seed >> 8) % 200;
    const float order = static_cast<float>(added);
    if (!AddLayerDraw(batch, LayerDraw{texture, {}, 0, 0, static_cast<float>(texture), order, 0})) break;
    ++added;
  }
  EXPECT_EQ(batch.count, added);
  EXPECT_GT(added * 10, kLayerBatchCapacity * 7u) << "runs wasted the array";
  std::vector<int> seen(kLayerBatchCapacity, 0);
  uint32_t drawn = 0;
  for (uint32_t b = 0; b < batch.bucketCount; ++b) {
    float last = -1.0f;
    for (uint32_t r = batch.bucketFirstRun[b]; r; r = batch.runs[r].next) {
      const LayerRun& run = batch.runs[r];
      ASSERT_LE(run.first + run.room, batch.capacity);
      for (uint32_t q = run.first; q < run.first + run.room; ++q) seen[q] += 1;
    }
    for (const Quad& v : QuadsOf(batch, b)) {
      EXPECT_EQ(v[3].red, static_cast<float>(batch.bucketTexture[b]));
      EXPECT_GT(v[0].green, last);
      last = v[0].green;
      ++drawn;
    }
    EXPECT_EQ(QuadsOf(batch, b).size(), batch.bucketSize[b]);
  }
  EXPECT_EQ(drawn, added);
  for (uint32_t q = 0; q < kLayerBatchCapacity; ++q) ASSERT_LE(seen[q], 1) << "runs overlap at quad " << q;
  uint32_t runsOfOne = 0;
  for (uint32_t r = batch.bucketFirstRun[0]; r; r = batch.runs[r].next) ++runsOfOne;
  EXPECT_EQ(batch.bucketTexture[0], 1u);
  EXPECT_LE(runsOfOne, 12u);
  FreeLayerBatch(batch);
}

// A pass that uses its textures as the last flush did draws each in one run.
TEST(LayerBatchRuns, AFlushLikeTheLastDrawsEachTextureInOneRun) {
  static LayerBatch batch;
  ASSERT_EQ(InitLayerBatch(batch, 4096), 0);
  const auto pass = [] {
    for (uint32_t i = 0; i < 3000; ++i) {
      const uint32_t texture = i % 3 == 0 ? 7 : 100 + i % 40;
      ASSERT_TRUE(AddLayerDraw(batch, LayerDraw{texture, {}, 0, 0, 1, 1, 1, i % 5 == 0})) << i;
    }
  };
  pass();
  const uint32_t firstRuns = batch.runCount;
  ResetLayerBatch(batch);
  pass();
  EXPECT_EQ(batch.runCount, batch.bucketCount) << "after " << firstRuns << " runs in the first flush";
  EXPECT_GT(firstRuns, batch.bucketCount);
  FreeLayerBatch(batch);
}

TEST(LayerBatchBuckets, TooManyTexturesRefuseANewOneButAcceptKnownOnes) {
  static LayerBatch batch;
  ASSERT_EQ(InitLayerBatch(batch, kLayerBatchMaxBuckets * kLayerRunSmallest + 64), 0);
  for (uint32_t t = 0; t < kLayerBatchMaxBuckets; ++t)
    ASSERT_TRUE(AddLayerDraw(batch, LayerDraw{t * 4099u, {}, 0, 0, 1, 1, 1}));
  EXPECT_FALSE(AddLayerDraw(batch, LayerDraw{0xFFFFFFF0u, {}, 0, 0, 1, 1, 1}));
  EXPECT_TRUE(AddLayerDraw(batch, LayerDraw{5 * 4099u, {}, 0, 0, 1, 1, 1}));
  EXPECT_EQ(batch.bucketSize[5], 2u);
  FreeLayerBatch(batch);
}

TEST(LayerBatchMemory, AllocatesOnceAndReportsFailure) {
  static LayerBatch batch;
  FailAllocationAfter(1);
  EXPECT_EQ(InitLayerBatch(batch, 16), -9);
  EXPECT_EQ(batch.capacity, 0u);
  EXPECT_FALSE(AddLayerDraw(batch, LayerDraw{1, {}, 0, 0, 1, 1, 1}));
  FailAllocationAfter(0);
  const uint64_t before = AllocationCount();
  ASSERT_EQ(InitLayerBatch(batch, 16), 0);
  EXPECT_EQ(AllocationCount() - before, 1u);
  for (int round = 0; round < 3; ++round) {
    for (uint32_t i = 0; i < 16; ++i) AddLayerDraw(batch, LayerDraw{i % 3, {}, 0, 0, 1, 1, 1});
    ResetLayerBatch(batch);
  }
  EXPECT_EQ(AllocationCount() - before, 1u) << "a pass allocated";
  FreeLayerBatch(batch);
}

}  // namespace
