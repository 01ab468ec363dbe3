#include "render/layer_batch.h"

#include "settings/memory.h"

namespace {

inline uint32_t HashSlot(uint32_t texture, bool boosted) {
    return ((texture * 2u + (boosted ? 1u : 0u)) * 2654435761u) % kLayerBatchHashSize;
}

inline uint32_t HintSlot(uint32_t texture, bool boosted) {
    return ((texture * 2u + (boosted ? 1u : 0u)) * 2654435761u) >> 20;
}
static_assert(kLayerHintSlots == 1u << 12, "HintSlot keeps 12 bits");

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
            batch.bucketFirstRun[bucket] = 0;
            batch.bucketLastRun[bucket] = 0;
            batch.hash[slot] = static_cast<uint16_t>(bucket + 1);
            return static_cast<int32_t>(bucket);
        }
        const uint32_t b = entry - 1u;
        if (batch.bucketTexture[b] == texture && batch.bucketBoosted[b] == boosted)
            return static_cast<int32_t>(b);
        slot = (slot + 1) % kLayerBatchHashSize;
    }
    return -1;
}

// A new run for `bucket`: as long as the bucket's quads so far, or for its
// first run as its quads in the last flush, at least the smallest run, at most
// half of what is left of the array. False when the array or the run table is
// full.
bool StartRun(LayerBatch& batch, uint32_t bucket) {
    if (batch.runCount >= kLayerBatchMaxRuns || batch.used >= batch.capacity) return false;
    uint32_t room = batch.bucketSize[bucket];
    if (room == 0) room = batch.hint[HintSlot(batch.bucketTexture[bucket], batch.bucketBoosted[bucket])];
    if (room < kLayerRunSmallest) room = kLayerRunSmallest;
    // Runs shrink as the array fills, so that the other textures find room
    // and little of it stays empty when the batch is flushed.
    const uint32_t left = batch.capacity - batch.used;
    if (room > left / 2) room = left / 2 > kLayerRunSmallest ? left / 2 : (left < kLayerRunSmallest ? left : kLayerRunSmallest);
    const uint16_t index = static_cast<uint16_t>(++batch.runCount);
    batch.runs[index] = LayerRun{batch.used, 0, room, 0};
    batch.used += room;
    if (batch.bucketLastRun[bucket])
        batch.runs[batch.bucketLastRun[bucket]].next = index;
    else
        batch.bucketFirstRun[bucket] = index;
    batch.bucketLastRun[bucket] = index;
    return true;
}

}  // namespace

int InitLayerBatch(LayerBatch& batch, uint32_t capacity) {
    FreeLayerBatch(batch);
    batch.vertices = static_cast<float*>(AllocZeroedArray(static_cast<size_t>(capacity) * 4 * kLayerVertexFloats, sizeof(float)));
    if (!batch.vertices) return -9;
    batch.capacity = capacity;
    ResetLayerBatch(batch);
    return 0;
}

void FreeLayerBatch(LayerBatch& batch) {
    FreeMemory(batch.vertices);
    batch.vertices = nullptr;
    batch.capacity = 0;
    ResetLayerBatch(batch);
}

int32_t LayerBucketOf(LayerBatch& batch, uint32_t texture, bool boosted) {
    return FindOrAddBucket(batch, texture, boosted);
}

float* AddLayerQuadInNewRun(LayerBatch& batch, int32_t bucket) {
    if (bucket < 0 || static_cast<uint32_t>(bucket) >= batch.bucketCount || batch.count >= batch.capacity) return nullptr;
    if (!StartRun(batch, static_cast<uint32_t>(bucket))) {
        // A texture seen for the first time keeps no empty bucket.
        if (batch.bucketSize[bucket] == 0 && static_cast<uint32_t>(bucket) + 1 == batch.bucketCount) {
            batch.bucketCount -= 1;
            batch.epoch += 1;
            for (uint16_t& entry : batch.hash)
                if (entry == bucket + 1) entry = 0;
        }
        return nullptr;
    }
    return AddLayerQuadTo(batch, bucket);
}

float* AddLayerQuad(LayerBatch& batch, uint32_t texture, bool boosted) {
    if (batch.count >= batch.capacity) return nullptr;
    return AddLayerQuadTo(batch, FindOrAddBucket(batch, texture, boosted));
}

void ResetLayerBatch(LayerBatch& batch) {
    for (uint32_t b = 0; b < batch.bucketCount; ++b) {
        const uint32_t size = batch.bucketSize[b];
        batch.hint[HintSlot(batch.bucketTexture[b], batch.bucketBoosted[b])] =
            static_cast<uint16_t>(size < 65535u ? size : 65535u);
    }
    if (batch.bucketCount) {
        for (uint16_t& entry : batch.hash) entry = 0;
    }
    batch.bucketCount = 0;
    batch.count = 0;
    batch.used = 0;
    batch.runCount = 0;
    batch.epoch += 1;
}
