// The process-wide random source: the RANMAR lagged-Fibonacci generator of
// Marsaglia and Zaman, with its state kept in single precision.
#pragma once

#include <cstdint>

// Initialises the generator. Seeds above the valid ranges (31328, 30081) fall back
// to the reference seeds 1802 and 9373.
void SeedRandom(uint32_t ij, uint32_t kl);

// A uniform draw in [0, 1). Seeds itself with the reference seeds when nothing
// seeded it before.
double RandomUniform();

// 0 for n = 0 (no draw taken); otherwise a value 0..|n|-1.
int32_t Random(int32_t n);
