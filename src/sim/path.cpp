#include "sim/path.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "settings/memory.h"

void InitPath(aPath& curve) {
    std::memset(curve.name, 0, sizeof curve.name);
    std::memcpy(curve.name, "aPath", 5);
    curve.count = 0;
    curve.reserved = 0;
    curve.keys = nullptr;
}

int ResizePath(aPath& curve, uint32_t n) {
    aPathKey* keys = nullptr;
    if (n > 0) {
        keys = static_cast<aPathKey*>(AllocZeroedArray(n, sizeof(aPathKey)));
        if (!keys) return -2;
        if (curve.keys) std::memcpy(keys, curve.keys, std::min(curve.count, n) * sizeof(aPathKey));
    }
    FreeMemory(curve.keys);
    curve.keys = keys;
    curve.count = n;
    return 0;
}

int AddPathKey(aPath& curve, double time, double red, double green, double blue) {
    if (ResizePath(curve, curve.count + 1) != 0) return -2;
    curve.keys[curve.count - 1] = aPathKey{time, red, green, blue};
    std::stable_sort(curve.keys, curve.keys + curve.count,
                     [](const aPathKey& a, const aPathKey& b) { return a.time < b.time; });
    return 0;
}

namespace {

double Emit(const aPathKey& k, double* red, double* green, double* blue) {
    if (red) *red = k.red;
    if (green) *green = k.green;
    if (blue) *blue = k.blue;
    return k.red;
}

}  // namespace

double EvalPath(const aPath& curve, double t, double* red, double* green, double* blue) {
    if (curve.count == 0 || !curve.keys) {
        const aPathKey black{0, 0, 0, 0};
        return Emit(black, red, green, blue);
    }
    const aPathKey* k = curve.keys;
    const uint32_t n = curve.count;
    if (n == 1 || t >= k[n - 1].time) return Emit(k[n - 1], red, green, blue);
    if (t <= k[0].time) return Emit(k[0], red, green, blue);
    for (uint32_t i = 0; i + 1 < n; ++i) {
        if (k[i + 1].time == t) return Emit(k[i + 1], red, green, blue);
        if (k[i].time < t && t < k[i + 1].time) {
            const double f = (t - k[i].time) / (k[i + 1].time - k[i].time);
            const aPathKey mixed{t, k[i + 1].red * f + k[i].red * (1 - f),
                                 k[i + 1].green * f + k[i].green * (1 - f),
                                 k[i + 1].blue * f + k[i].blue * (1 - f)};
            return Emit(mixed, red, green, blue);
        }
    }
    // Only reachable with NaN times: hold the last key.
    return Emit(k[n - 1], red, green, blue);
}

void FreePath(aPath& curve) {
    FreeMemory(curve.keys);
    curve.keys = nullptr;
    curve.count = 0;
}
