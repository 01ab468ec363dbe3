// A contact sheet of every ABITMAP picture with its id, for review by eye.
#pragma once

#include <cstdint>
#include <vector>

namespace artgen {

// 8-bit RGB PNG (rows top to bottom, 3 bytes per pixel).
std::vector<uint8_t> EncodePng(int width, int height, const std::vector<uint8_t>& rgb);

bool WriteContactSheet(const char* path);

}  // namespace artgen
