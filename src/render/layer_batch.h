// Collects the quads of a grid pass by texture (and boost), so that a frame
// costs a few draws per texture instead of one per layer. Every layer is added
// onto the frame (source alpha, one) and saturating sums of non-negative terms
// do not depend on their order, so the picture is the same as drawing the
// layers one by one in push order.
//
// A quad's four vertices are written once, where they are drawn from: each
// texture fills runs of the batch's vertex array. A texture's first run is as
// long as its quads in the previous flush (the passes of a frame, and frames,
// use their textures alike), each further run as long as all before it, so
// that most textures are drawn in one run and one used once wastes little
// room. Portable and GL-free: the renderer submits the runs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "render/visible_extent.h"

constexpr uint32_t kLayerBatchCapacity = 16384;   // quads per flush
constexpr uint32_t kLayerBatchMaxBuckets = 1024;  // distinct textures per flush
constexpr uint32_t kLayerBatchHashSize = 2048;
constexpr uint32_t kLayerBatchMaxRuns = 2048;
constexpr uint32_t kLayerRunSmallest = 8;  // quads of a texture's first run
constexpr uint32_t kLayerHintSlots = 4096;

// What a boosted quad's colour is multiplied by when it is drawn.
constexpr float kBoostedColourScale = 4.0f;

// A vertex as GL reads it, interleaved: position, texture coordinates, colour.
constexpr uint32_t kLayerVertexFloats = 7;  // x, y, s, t, red, green, blue

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

// Quads [first, first + size) of the vertex array, of one bucket; `next` is
// the bucket's following run (0: none; runs are numbered from 1).
struct LayerRun {
    uint32_t first;
    uint32_t size;
    uint32_t room;
    uint16_t next;
};

struct LayerBatch {
    uint32_t capacity;  // quads the vertex array holds
    uint32_t used;      // quads of it given to runs
    uint32_t count;     // quads added
    float* vertices;    // 4 per quad (top-left, top-right, bottom-right, bottom-left) of kLayerVertexFloats
    uint32_t runCount;
    LayerRun runs[kLayerBatchMaxRuns + 1];  // runs[0] unused
    uint32_t bucketCount;
    uint32_t bucketTexture[kLayerBatchMaxBuckets];
    bool bucketBoosted[kLayerBatchMaxBuckets];
    uint32_t bucketSize[kLayerBatchMaxBuckets];   // quads
    uint16_t bucketFirstRun[kLayerBatchMaxBuckets];
    uint16_t bucketLastRun[kLayerBatchMaxBuckets];
    uint16_t hash[kLayerBatchHashSize];  // bucket index + 1, 0 = empty
    uint32_t epoch;  // changes whenever buckets are emptied or dropped
    // Quads each texture had in the last flush, by a hash of texture and boost
    // (textures that share a slot share a guess).
    uint16_t hint[kLayerHintSlots];
};

// Allocates the vertex array for `capacity` quads (zero-filled, once). 0, or -9.
int InitLayerBatch(LayerBatch& batch, uint32_t capacity);
void FreeLayerBatch(LayerBatch& batch);

// The four vertices of a new quad of `texture`, boosted or not, for the
// caller to fill; null when the batch is full (no room for the quad, a new run
// or a new texture), in which case nothing was added.
float* AddLayerQuad(LayerBatch& batch, uint32_t texture, bool boosted);

// The same in two steps, for callers that remember a texture's bucket while
// the batch's `epoch` stays the same: the bucket of `texture` (created when
// new; -1 when no bucket is left), then a new quad in bucket `bucket`.
int32_t LayerBucketOf(LayerBatch& batch, uint32_t texture, bool boosted);
float* AddLayerQuadInNewRun(LayerBatch& batch, int32_t bucket);
inline float* AddLayerQuadTo(LayerBatch& batch, int32_t bucket) {
    // The bucket's run has room (the common case), or a new run starts.
    const uint16_t run = bucket >= 0 && static_cast<uint32_t>(bucket) < batch.bucketCount ? batch.bucketLastRun[bucket] : 0;
    if (!run || batch.runs[run].size == batch.runs[run].room || batch.count >= batch.capacity)
        return AddLayerQuadInNewRun(batch, bucket);
    LayerRun& r = batch.runs[run];
    float* v = &batch.vertices[static_cast<size_t>(r.first + r.size) * 4 * kLayerVertexFloats];
    r.size += 1;
    batch.bucketSize[bucket] += 1;
    batch.count += 1;
    return v;
}

// Writes the quad `q` of the cell at (x, y) in colour (r, g, b).
inline void WriteLayerQuad(float* v, const LayerQuad& q, float x, float y, float r, float g, float b) {
    const float left = q.left + x, right = q.right + x;
    const float top = q.top + y, bottom = q.bottom + y;
    const float corners[4][4] = {{left, top, q.s0, q.t0}, {right, top, q.s1, q.t0}, {right, bottom, q.s1, q.t1},
                                 {left, bottom, q.s0, q.t1}};
    for (int k = 0; k < 4; ++k, v += kLayerVertexFloats) {
        v[0] = corners[k][0];
        v[1] = corners[k][1];
        v[2] = corners[k][2];
        v[3] = corners[k][3];
        v[4] = r;
        v[5] = g;
        v[6] = b;
    }
}

// Adds one quad; false when the batch is full.
inline bool AddLayerDraw(LayerBatch& batch, const LayerDraw& d) {
    float* v = AddLayerQuad(batch, d.texture, d.boosted);
    if (!v) return false;
    WriteLayerQuad(v, d.quad, d.x, d.y, d.red, d.green, d.blue);
    return true;
}

// Empties the batch for the next pass.
void ResetLayerBatch(LayerBatch& batch);
