#include "ui/mode_lists.h"

#include "settings/labels.h"
#include "settings/strings.h"

namespace {

constexpr uint32_t kDesktopResolutionId = 7736;
constexpr uint32_t kDefaultItemId = 7737;

}  // namespace

int ModeItemCount(const DisplayModeList& modes, const LocalOptionsRecord& l, ModeList list) {
    switch (list) {
    case kResolutionList: return 1 + modes.count;
    case kDepthList: return 1 + GetDepthCount(modes, l.screenWidth, l.screenHeight);
    case kRateList: return 1 + GetRefreshRateCount(modes, l.screenWidth, l.screenHeight, l.screenBits);
    }
    return 1;
}

int FormatModeItem(const DisplayModeList& modes, const LocalOptionsRecord& l, ModeList list, int item, char* out,
                   int capacity) {
    if (!out || capacity <= 0) return 0;
    out[0] = '\0';
    if (item <= 0 || item >= ModeItemCount(modes, l, list))
        return FormatText(out, capacity, "%s",
                          GetString(list == kResolutionList ? kDesktopResolutionId : kDefaultItemId));
    switch (list) {
    case kResolutionList: {
        int32_t width = 0, height = 0;
        GetResolution(modes, item - 1, &width, &height);
        return FormatText(out, capacity, "%d \xD7 %d", width, height);
    }
    case kDepthList:
        return FormatText(out, capacity, "%d", GetDepth(modes, item - 1, l.screenWidth, l.screenHeight));
    case kRateList:
        return FormatText(out, capacity, "%u Hz",
                          GetRefreshRate(modes, item - 1, l.screenWidth, l.screenHeight, l.screenBits));
    }
    return 0;
}

int SelectedModeItem(const DisplayModeList& modes, const LocalOptionsRecord& l, ModeList list) {
    const int count = ModeItemCount(modes, l, list);
    for (int item = 1; item < count; ++item) {
        switch (list) {
        case kResolutionList: {
            int32_t width = 0, height = 0;
            GetResolution(modes, item - 1, &width, &height);
            if (width == l.screenWidth && height == l.screenHeight) return item;
            break;
        }
        case kDepthList:
            if (GetDepth(modes, item - 1, l.screenWidth, l.screenHeight) == l.screenBits) return item;
            break;
        case kRateList:
            if (static_cast<int64_t>(GetRefreshRate(modes, item - 1, l.screenWidth, l.screenHeight, l.screenBits)) ==
                l.screenHz)
                return item;
            break;
        }
    }
    return 0;
}

void ApplyModeItem(const DisplayModeList& modes, LocalOptionsRecord& l, ModeList list, int item) {
    if (item < 0 || item >= ModeItemCount(modes, l, list)) item = 0;
    switch (list) {
    case kResolutionList: {
        int32_t width = 0, height = 0;
        if (item > 0) GetResolution(modes, item - 1, &width, &height);
        l.screenWidth = width;
        l.screenHeight = height;
        break;
    }
    case kDepthList:
        l.screenBits = item > 0 ? GetDepth(modes, item - 1, l.screenWidth, l.screenHeight) : 0;
        break;
    case kRateList:
        l.screenHz = item > 0 ? static_cast<int32_t>(
                                    GetRefreshRate(modes, item - 1, l.screenWidth, l.screenHeight, l.screenBits))
                              : 0;
        break;
    }
}
