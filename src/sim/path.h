// `aPath`: a colour envelope of keys (time, red, green, blue) kept sorted by time,
// evaluated piecewise-linearly and held constant outside its keys.
#pragma once

#include <cstdint>

struct aPathKey {
    double time, red, green, blue;
};

struct aPath {
    char name[8];
    uint32_t count;
    uint32_t reserved;
    aPathKey* keys;
};

void InitPath(aPath& curve);
// Resizes the key array to n keys (new keys zero); 0, or -2 when the allocation fails.
int ResizePath(aPath& curve, uint32_t n);
// Adds one key and keeps the keys sorted by time; 0, or -2 (curve unchanged).
int AddPathKey(aPath& curve, double time, double red, double green, double blue);
// Colour at `time` into the non-null outputs; returns red.
double EvalPath(const aPath& curve, double time, double* red, double* green, double* blue);
// Releases the key array (the curve is empty afterwards).
void FreePath(aPath& curve);
