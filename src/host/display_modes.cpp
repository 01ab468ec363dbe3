#include "host/display_modes.h"

DisplayModeList displayModes;

namespace {

// One template serves the const and the mutable look-ups.
template <typename List>
auto FindResolution(List& list, int32_t width, int32_t height) -> decltype(&list.resolutions[0]) {
    for (int32_t i = 0; i < list.count; ++i)
        if (list.resolutions[i].width == width && list.resolutions[i].height == height) return &list.resolutions[i];
    return nullptr;
}

template <typename Resolution>
auto FindDepth(Resolution& r, int32_t bits) -> decltype(&r.depths[0]) {
    for (int32_t i = 0; i < r.depthCount; ++i)
        if (r.depths[i].bits == bits) return &r.depths[i];
    return nullptr;
}

}  // namespace

void ClearDisplayModeList(DisplayModeList& list) {
    list.changed = false;
    list.count = 0;
}

bool AddDisplayMode(DisplayModeList& list, int32_t width, int32_t height, int32_t bits, uint32_t hz) {
    if (bits < 15 || hz == 0) return false;
    DisplayResolutionEntry* r = FindResolution(list, width, height);
    if (!r) {
        if (list.count >= kMaxResolutions) return false;
        r = &list.resolutions[list.count++];
        r->width = width;
        r->height = height;
        r->depthCount = 0;
    }
    DisplayDepthEntry* d = FindDepth(*r, bits);
    if (!d) {
        if (r->depthCount >= kMaxDepthsPerResolution) return false;
        d = &r->depths[r->depthCount++];
        d->bits = bits;
        d->rateCount = 0;
    }
    if (d->rateCount >= kMaxRatesPerDepth) return false;
    d->rates[d->rateCount++] = hz;
    return true;
}

bool GetResolution(const DisplayModeList& list, int32_t index, int32_t* width, int32_t* height) {
    if (index < 0 || index >= list.count) return false;
    *width = list.resolutions[index].width;
    *height = list.resolutions[index].height;
    return true;
}

int32_t GetDepth(const DisplayModeList& list, int32_t index, int32_t width, int32_t height) {
    const DisplayResolutionEntry* r = FindResolution(list, width, height);
    if (!r || index < 0 || index >= r->depthCount) return 0;
    return r->depths[index].bits;
}

uint32_t GetRefreshRate(const DisplayModeList& list, int32_t index, int32_t width, int32_t height, int32_t bits) {
    const DisplayResolutionEntry* r = FindResolution(list, width, height);
    const DisplayDepthEntry* d = r ? FindDepth(*r, bits) : nullptr;
    if (!d || index < 0 || index >= d->rateCount) return 0;
    return d->rates[index];
}

int32_t GetDepthCount(const DisplayModeList& list, int32_t width, int32_t height) {
    const DisplayResolutionEntry* r = FindResolution(list, width, height);
    return r ? r->depthCount : 0;
}

int32_t GetRefreshRateCount(const DisplayModeList& list, int32_t width, int32_t height, int32_t bits) {
    const DisplayResolutionEntry* r = FindResolution(list, width, height);
    const DisplayDepthEntry* d = r ? FindDepth(*r, bits) : nullptr;
    return d ? d->rateCount : 0;
}

bool WantsDisplayModeChange(int32_t displaysInUse, int32_t screenWidth, int32_t screenHeight) {
    return displaysInUse == 1 && screenWidth != 0 && screenHeight != 0;
}
