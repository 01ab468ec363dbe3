#include "render/layer_batch.h"

#include "settings/memory.h"

namespace {

inline uint32_t HashSlot(uint32_t texture, bool boosted) {
    return ((texture * 2u + (boosted ? 1u : 0u)) * 2654435761u) % kLayerBatchHashSize;
}

// The bucket of `texture` drawn boosted or not, created when new; -1 when no
// bucket is left.
int32_t FindOrAddBucket(LayerBatch& batch, uint32_t texture, bool boosted) {
    uint32_t slot = HashSlot(texture, boosted);
    for (uint32_t probe = 0; probe < kLayerBatchHashSize; ++probe) {
        const uint16_t entry = batch.hash[slot];
        if (entry == 0) {
            if (batch.bucketCount >= kLayerBatchMaxBuckets) return -1;
            const uint32_t bucket = batch.bucketCount++;
            batch.bucketTexture[bucket] = texture;
            batch.bucketBoosted[bucket] = boosted;
            batch.bucketSize[bucket] = 0;
            batch.hash[slot] = static_cast<uint16_t>(bucket + 1);
            return static_cast<int32_t>(bucket);
        }
        if (batch.bucketTexture[entry - 1] == texture && batch.bucketBoosted[entry - 1] == boosted) return entry - 1;
        slot = (slot + 1) % kLayerBatchHashSize;
    }
    return -1;
}

}  // namespace

int InitLayerBatch(LayerBatch& batch, uint32_t capacity) {
    FreeLayerBatch(batch);
    batch.draws = static_cast<LayerDraw*>(AllocZeroedArray(capacity, sizeof(LayerDraw)));
    batch.bucketOf = static_cast<uint16_t*>(AllocZeroedArray(capacity, sizeof(uint16_t)));
    batch.positions = static_cast<float*>(AllocZeroedArray(static_cast<size_t>(capacity) * 8, sizeof(float)));
    batch.texCoords = static_cast<float*>(AllocZeroedArray(static_cast<size_t>(capacity) * 8, sizeof(float)));
    batch.colours = static_cast<float*>(AllocZeroedArray(static_cast<size_t>(capacity) * 12, sizeof(float)));
    if (!batch.draws || !batch.bucketOf || !batch.positions || !batch.texCoords || !batch.colours) {
        FreeLayerBatch(batch);
        return -9;
    }
    batch.capacity = capacity;
    ResetLayerBatch(batch);
    return 0;
}

void FreeLayerBatch(LayerBatch& batch) {
    FreeMemory(batch.draws);
    FreeMemory(batch.bucketOf);
    FreeMemory(batch.positions);
    FreeMemory(batch.texCoords);
    FreeMemory(batch.colours);
    batch.draws = nullptr;
    batch.bucketOf = nullptr;
    batch.positions = nullptr;
    batch.texCoords = nullptr;
    batch.colours = nullptr;
    batch.capacity = 0;
    ResetLayerBatch(batch);
}

bool AddLayerDraw(LayerBatch& batch, const LayerDraw& draw) {
    if (batch.count >= batch.capacity) return false;
    const int32_t bucket = FindOrAddBucket(batch, draw.texture, draw.boosted);
    if (bucket < 0) return false;
    batch.draws[batch.count] = draw;
    batch.bucketOf[batch.count] = static_cast<uint16_t>(bucket);
    batch.bucketSize[bucket] += 1;
    batch.count += 1;
    return true;
}

uint32_t ArrangeLayerBatch(LayerBatch& batch) {
    uint32_t first = 0;
    for (uint32_t b = 0; b < batch.bucketCount; ++b) {
        batch.bucketFirst[b] = first;
        first += batch.bucketSize[b];
    }
    // bucketSize doubles as the fill cursor and is restored afterwards.
    for (uint32_t b = 0; b < batch.bucketCount; ++b) batch.bucketSize[b] = 0;
    for (uint32_t i = 0; i < batch.count; ++i) {
        const LayerDraw& d = batch.draws[i];
        const uint32_t b = batch.bucketOf[i];
        const uint32_t q = batch.bucketFirst[b] + batch.bucketSize[b]++;
        // Corners top-left, top-right, bottom-right, bottom-left.
        const float left = d.quad.left + d.x, right = d.quad.right + d.x;
        const float top = d.quad.top + d.y, bottom = d.quad.bottom + d.y;
        const float corners[8] = {left, top, right, top, right, bottom, left, bottom};
        const float coords[8] = {d.quad.s0, d.quad.t0, d.quad.s1, d.quad.t0, d.quad.s1, d.quad.t1, d.quad.s0, d.quad.t1};
        float* p = &batch.positions[q * 8];
        float* t = &batch.texCoords[q * 8];
        float* c = &batch.colours[q * 12];
        for (int k = 0; k < 8; ++k) {
            p[k] = corners[k];
            t[k] = coords[k];
        }
        for (int k = 0; k < 4; ++k) {
            c[k * 3 + 0] = d.red;
            c[k * 3 + 1] = d.green;
            c[k * 3 + 2] = d.blue;
        }
    }
    return batch.bucketCount;
}

void ResetLayerBatch(LayerBatch& batch) {
    if (batch.bucketCount) {
        for (uint16_t& entry : batch.hash) entry = 0;
    }
    batch.bucketCount = 0;
    batch.count = 0;
}
