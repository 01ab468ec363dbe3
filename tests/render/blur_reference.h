// The box blur written down literally: every output channel is the truncated
// mean of the (2r+1)^2 square around the pixel, samples outside the picture
// counting as red = green = blue = 255, alpha = 0. Slow; the yardstick for the
// running-sum implementation in tests and benchmarks.
#pragma once

#include <cstdint>

inline void ReferenceBoxBlur(const uint8_t* src, uint8_t* dst, int width, int height, int radius) {
  const int64_t divisor = int64_t{2 * radius + 1} * (2 * radius + 1);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      for (int c = 0; c < 4; ++c) {
        const int outside = c == 3 ? 0 : 255;
        int64_t sum = 0;
        for (int sy = y - radius; sy <= y + radius; ++sy) {
          for (int sx = x - radius; sx <= x + radius; ++sx) {
            if (sx < 0 || sy < 0 || sx >= width || sy >= height) {
              sum += outside;
            } else {
              sum += src[(static_cast<int64_t>(sy) * width + sx) * 4 + c];
            }
          }
        }
        dst[(static_cast<int64_t>(y) * width + x) * 4 + c] = static_cast<uint8_t>(sum / divisor);
      }
    }
  }
}
