// The program's own pictures for an off-screen renderer: drawn once by the
// artwork generator and handed to the renderer as the resource payloads the
// screensaver embeds.
#pragma once

#include <cstring>
#include <map>
#include <vector>

#include "artwork.h"
#include "render/bitmap.h"

inline int32_t ArtworkLoader(aBitmap& bitmap, int id) {
  static std::map<int, std::vector<uint8_t>> payloads;
  auto found = payloads.find(id);
  if (found == payloads.end()) {
    std::vector<uint8_t> payload;
    aBitmap picture;
    if (artgen::BuildArtwork(id, picture)) {
      payload.assign(kBitmapHeaderSize + static_cast<size_t>(picture.width) * picture.height * 4, 0);
      std::memcpy(payload.data(), "aBitmap", 8);
      std::memcpy(payload.data() + 8, &picture.width, 4);
      std::memcpy(payload.data() + 12, &picture.height, 4);
      std::memcpy(payload.data() + kBitmapHeaderSize, picture.pixels, payload.size() - kBitmapHeaderSize);
    }
    found = payloads.emplace(id, payload).first;
  }
  if (found->second.empty()) return kBitmapInvalid;
  return LoadBitmapMemory(bitmap, found->second.data(), found->second.size());
}
