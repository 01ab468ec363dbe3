// Collects the quads of a grid pass and arranges them by texture (and boost),
// so that a frame costs one draw per texture instead of one per layer. Every
// layer is added onto the frame (source alpha, one) and saturating sums of
// non-negative terms do not depend on their order, so the picture is the same
// as drawing the layers one by one in push order. Portable and GL-free: the
// renderer submits the arranged arrays.
#pragma once

#include <cstdint>

#include "render/visible_extent.h"

constexpr uint32_t kLayerBatchCapacity = 16384;  // quads per flush
constexpr uint32_t kLayerBatchMaxBuckets = 1024;  // distinct textures per flush
constexpr uint32_t kLayerBatchHashSize = 2048;

// One quad: its texture, its corners relative to the cell and their texture
// coordinates, where the cell is, and its colour.
struct LayerDraw {
    uint32_t texture;
    LayerQuad quad;
    float x, y;
    float red, green, blue;
    // The colour is a quarter of the layer's: the quad is drawn with its
    // colour times four (kBoostedColourScale), which may exceed 1.
    bool boosted = false;
};

// What a boosted quad's colour is multiplied by when it is drawn.
constexpr float kBoostedColourScale = 4.0f;

struct LayerBatch {
    uint32_t capacity;
    uint32_t count;
    LayerDraw* draws;
    uint16_t* bucketOf;  // per draw
    float* positions;    // x, y per vertex, 4 vertices per quad, arranged by bucket
    float* texCoords;    // s, t per vertex
    float* colours;      // r, g, b per vertex
    uint32_t bucketCount;
    uint32_t bucketTexture[kLayerBatchMaxBuckets];
    bool bucketBoosted[kLayerBatchMaxBuckets];
    uint32_t bucketSize[kLayerBatchMaxBuckets];   // quads
    uint32_t bucketFirst[kLayerBatchMaxBuckets];  // first quad of the bucket after arranging
    uint16_t hash[kLayerBatchHashSize];           // bucket index + 1, 0 = empty
};

// Allocates the arrays for `capacity` quads (zero-filled, once). 0, or -9.
int InitLayerBatch(LayerBatch& batch, uint32_t capacity);
void FreeLayerBatch(LayerBatch& batch);

// Adds one quad; false when the batch is full (no room for the quad or for a
// new texture), in which case nothing was added.
bool AddLayerDraw(LayerBatch& batch, const LayerDraw& draw);

// Writes the positions, texture coordinates and colours of every quad grouped
// by texture, buckets in the order their textures first appeared, quads within
// a bucket in the order they were added. Returns the number of buckets.
uint32_t ArrangeLayerBatch(LayerBatch& batch);

// Empties the batch for the next pass.
void ResetLayerBatch(LayerBatch& batch);
