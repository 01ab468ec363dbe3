// The generated resource set: every picture of the table with its size and
// placement, the files and resource script the build embeds, and the sound
// samples decoded back with libvorbisfile.
#include <gtest/gtest.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "artwork.h"
#include "render/bitmap.h"
#include "resources.h"
#include "sheet.h"
#include "sound.h"

namespace {

using artgen::BuildArtwork;

struct Box {
  int left = 64, top = 64, right = -1, bottom = -1;  // inclusive; empty when right < left
};

Box AlphaBox(const aBitmap& picture) {
  Box box;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      if (picture.pixels[(y * picture.width + x) * 4 + 3] == 0) continue;
      box.left = std::min(box.left, x);
      box.top = std::min(box.top, y);
      box.right = std::max(box.right, x);
      box.bottom = std::max(box.bottom, y);
    }
  }
  return box;
}

bool AllWhite(const aBitmap& picture) {
  for (int i = 0; i < picture.width * picture.height; ++i) {
    const uint8_t* p = picture.pixels + i * 4;
    if (p[0] != 255 || p[1] != 255 || p[2] != 255) return false;
  }
  return true;
}

double Coverage(const aBitmap& picture) {
  double sum = 0;
  for (int i = 0; i < picture.width * picture.height; ++i) sum += picture.pixels[i * 4 + 3];
  return sum / (255.0 * picture.width * picture.height);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The ids of the table, written out independently of the generator.
std::vector<int> ExpectedPictureIds() {
  std::vector<int> ids;
  for (int base : {0, 100, 200, 300, 2000, 2100, 2200, 2300}) {
    for (int i = 0; i <= 54; ++i) ids.push_back(base + i);
  }
  std::vector<int> codes = {34, 39, 40, 41, 42, 43, 44, 92};
  for (int c = 46; c <= 63; ++c) codes.push_back(c);
  for (int c = 65; c <= 90; ++c) codes.push_back(c);
  for (int c : codes) {
    ids.push_back(400 + c);
    ids.push_back(700 + c);
  }
  for (int id : {1001, 1002, 1003, 1004}) ids.push_back(id);
  std::sort(ids.begin(), ids.end());
  return ids;
}

TEST(Artwork, EveryIdOfTheTableIsDrawnAtItsSize) {
  const std::vector<int> expected = ExpectedPictureIds();
  ASSERT_EQ(expected.size(), 548u);
  EXPECT_EQ(artgen::ArtworkIds(), expected);
  for (int id : expected) {
    aBitmap picture;
    ASSERT_TRUE(BuildArtwork(id, picture)) << id;
    int w = 64, h = 64;
    if (id == 1001 || id == 1002) w = 500, h = 40;
    if (id == 1003 || id == 1004) w = h = 32;
    if (id >= 2000 && id < 2100) w = h = 4;
    if (id >= 2100) w = h = 8;
    EXPECT_EQ(picture.width, w) << id;
    EXPECT_EQ(picture.height, h) << id;
    if (id != 1001 && id != 1002) {
      EXPECT_TRUE(AllWhite(picture)) << id;
      EXPECT_GT(Coverage(picture), 0.004) << id;
    }
  }
  aBitmap none;
  EXPECT_FALSE(BuildArtwork(400 + '@', none));
  EXPECT_FALSE(BuildArtwork(55, none));
  EXPECT_FALSE(BuildArtwork(2055, none));
}

TEST(Artwork, LettersSpotsAndBanners) {
  for (int code : artgen::kLetterCodes) {
    aBitmap letter, glow;
    ASSERT_TRUE(BuildArtwork(400 + code, letter));
    ASSERT_TRUE(BuildArtwork(700 + code, glow));
    const Box box = AlphaBox(letter);
    EXPECT_GE(box.left, 6) << code;
    EXPECT_GE(box.top, 6) << code;
    EXPECT_LE(box.right, 57) << code;
    EXPECT_LE(box.bottom, 58) << code;
    // The glow runs sideways, well past the letter on both sides.
    const Box wide = AlphaBox(glow);
    EXPECT_LE(wide.left, std::max(0, box.left - 14)) << code;
    EXPECT_GE(wide.right, std::min(63, box.right + 14)) << code;
    EXPECT_EQ(wide.top, box.top) << code;
  }

  for (int id : {1003, 1004}) {
    aBitmap spot;
    ASSERT_TRUE(BuildArtwork(id, spot));
    EXPECT_GE(spot.pixels[(16 * 32 + 16) * 4 + 3], 250) << id;
    EXPECT_EQ(spot.pixels[3], 0) << id;  // corner
    EXPECT_EQ(spot.pixels[(16 * 32) * 4 + 3], 0) << id;  // edge middle: soft to nothing
  }
  aBitmap round, square;
  ASSERT_TRUE(BuildArtwork(1003, round));
  ASSERT_TRUE(BuildArtwork(1004, square));
  EXPECT_GT(Coverage(square), Coverage(round));

  for (int id : {1001, 1002}) {
    aBitmap banner;
    ASSERT_TRUE(BuildArtwork(id, banner));
    for (int i = 0; i < 500 * 40; ++i) {
      const uint8_t* p = banner.pixels + i * 4;
      ASSERT_EQ(p[3], 255) << id;
      ASSERT_EQ(p[0], p[2]) << id;  // red equals blue: immune to channel order
      ASSERT_GE(p[1], p[0]) << id;  // green dominates
    }
  }
}

struct Ogg {
  const std::vector<uint8_t>* data;
  size_t at;
};

size_t OggRead(void* out, size_t size, size_t count, void* source) {
  auto* ogg = static_cast<Ogg*>(source);
  const size_t wanted = size * count;
  const size_t left = ogg->data->size() - ogg->at;
  const size_t n = std::min(wanted, left);
  std::memcpy(out, ogg->data->data() + ogg->at, n);
  ogg->at += n;
  return size ? n / size : 0;
}

// Decodes a whole stream to interleaved floats; false when it is no Vorbis stream.
bool Decode(const std::vector<uint8_t>& bytes, int& channels, long& rate, std::vector<float>& pcm) {
  Ogg source{&bytes, 0};
  OggVorbis_File file;
  const ov_callbacks callbacks = {OggRead, nullptr, nullptr, nullptr};
  if (ov_open_callbacks(&source, &file, nullptr, 0, callbacks) != 0) return false;
  const vorbis_info* info = ov_info(&file, -1);
  channels = info->channels;
  rate = info->rate;
  pcm.clear();
  for (;;) {
    float** buffer;
    int section;
    const long frames = ov_read_float(&file, &buffer, 1024, &section);
    if (frames < 0) {
      ov_clear(&file);
      return false;
    }
    if (frames == 0) break;
    for (long i = 0; i < frames; ++i) {
      for (int c = 0; c < channels; ++c) pcm.push_back(buffer[c][i]);
    }
  }
  ov_clear(&file);
  return true;
}

TEST(Sounds, EverySampleEncodesAndDecodesToItsLength) {
  EXPECT_EQ(artgen::SoundIds(), (std::vector<int>{2000, 2001, 2002, 2003, 2004, 2005, 2006, 2011,
                                                  2012, 2013, 2014, 2015, 2016, 2021, 2022, 2023}));
  size_t total = 0;
  std::vector<std::vector<float>> decoded;
  for (int id : artgen::SoundIds()) {
    artgen::SoundSample sample;
    ASSERT_TRUE(artgen::SynthesizeSound(id, sample));
    std::vector<uint8_t> ogg;
    ASSERT_TRUE(artgen::EncodeOggVorbis(sample, id == 2000 ? 0.0f : 0.1f, id, ogg));
    total += ogg.size();
    int channels = 0;
    long rate = 0;
    std::vector<float> pcm;
    ASSERT_TRUE(Decode(ogg, channels, rate, pcm)) << id;
    EXPECT_EQ(channels, sample.channels) << id;
    EXPECT_EQ(rate, sample.rate) << id;
    EXPECT_EQ(pcm.size(), sample.pcm.size()) << id;  // exact length, no padding

    double peak = 0, energy = 0;
    for (float v : pcm) {
      peak = std::max(peak, static_cast<double>(std::fabs(v)));
      energy += static_cast<double>(v) * v;
    }
    const double rms = std::sqrt(energy / pcm.size());
    EXPECT_LT(peak, 1.0) << id;
    EXPECT_GT(rms, 0.005) << id;
    const double seconds = static_cast<double>(pcm.size()) / channels / rate;
    if (id == 2000) {
      EXPECT_EQ(channels, 2);
      EXPECT_GT(seconds, 4.0);
      EXPECT_LT(rms, 0.12);  // a quiet bed
      // Seamless: the step across the loop point is no larger than the steps
      // between neighbouring frames inside the loop, before and after coding.
      for (const std::vector<float>* signal : {&sample.pcm, &pcm}) {
        std::vector<double> steps;
        const size_t frames = signal->size() / 2;
        for (size_t i = 1; i < frames; ++i) {
          steps.push_back(std::fabs((*signal)[2 * i] - (*signal)[2 * (i - 1)]));
        }
        const double allowed = *std::max_element(steps.begin(), steps.end());
        for (int c = 0; c < 2; ++c) {
          EXPECT_LE(std::fabs((*signal)[c] - (*signal)[2 * (frames - 1) + c]), allowed)
              << "channel " << c << (signal == &pcm ? " decoded" : " synthesised");
        }
      }
    } else {
      EXPECT_EQ(channels, 1);
      EXPECT_GT(seconds, 0.04) << id;
      EXPECT_LT(seconds, 1.0) << id;
      // One-shots start and end silently: no click.
      EXPECT_LT(std::fabs(sample.pcm.front()), 1e-3) << id;
      EXPECT_LT(std::fabs(sample.pcm.back()), 1e-3) << id;
      EXPECT_LT(std::fabs(pcm.front()), 0.06) << id;
      EXPECT_LT(std::fabs(pcm.back()), 0.06) << id;
    }
    decoded.push_back(pcm);
  }
  EXPECT_LT(total, 400u * 1024);
  // The six sounds of each set are six different sounds.
  for (size_t a = 1; a < decoded.size(); ++a) {
    for (size_t b = a + 1; b < decoded.size(); ++b) EXPECT_NE(decoded[a], decoded[b]);
  }
}

TEST(Resources, ContactSheetIsAPng) {
  const std::string path = ::testing::TempDir() + "kvs_contact_sheet.png";
  ASSERT_TRUE(artgen::WriteContactSheet(path.c_str()));
  const std::vector<uint8_t> png = ReadFile(path);
  ASSERT_GT(png.size(), 1000u);
  EXPECT_EQ(0, std::memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(0, std::memcmp(png.data() + 12, "IHDR", 4));
  EXPECT_EQ(0, std::memcmp(png.data() + png.size() - 8, "IEND", 4));
  std::remove(path.c_str());
}

}  // namespace
