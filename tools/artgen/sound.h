// The sound samples of the screensaver, synthesised from code and encoded as
// Ogg Vorbis: the ambient loop (2000), six letter-landing sounds (2001..2006),
// six letter-flash sounds (2011..2016) and three interface sounds (2021..2023).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace artgen {

struct SoundSample {
  int channels = 1;
  int rate = 22050;
  std::vector<float> pcm;  // interleaved, -1..1
  size_t Frames() const { return pcm.size() / static_cast<size_t>(channels); }
};

constexpr int kAmbientLoopFrames = 131072;  // 5.94 s at 22050 Hz; a power of two for the FFT

// Every sample id, ascending.
std::vector<int> SoundIds();
// False for an id that has no sample.
bool SynthesizeSound(int id, SoundSample& out);
// One logical Ogg Vorbis stream with the given serial number; quality -0.1..1.
bool EncodeOggVorbis(const SoundSample& sample, float quality, int serial,
                     std::vector<uint8_t>& out);

}  // namespace artgen
