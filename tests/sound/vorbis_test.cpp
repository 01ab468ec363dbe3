// The Vorbis decoder on the generator's ambient loop: its exact length (the loop
// must close without a gap), and damaged bytes, which must leave a sample silent
// or short, never read outside the input (under AddressSanitizer and UBSan).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sound.h"  // the generator's (tools/artgen)
#include "sound/vorbis.h"

namespace {

std::vector<uint8_t> Encoded(int id, artgen::SoundSample* source) {
    EXPECT_TRUE(artgen::SynthesizeSound(id, *source));
    std::vector<uint8_t> ogg;
    EXPECT_TRUE(artgen::EncodeOggVorbis(*source, id == 2000 ? 0.0f : 0.1f, id, ogg));
    return ogg;
}

TEST(VorbisDecoder, TheLoopDecodesToItsExactLengthAndLevel) {
    artgen::SoundSample source;
    const std::vector<uint8_t> ogg = Encoded(2000, &source);
    MixSample s;
    ASSERT_EQ(kVorbisOk, DecodeVorbisSample(ogg.data(), ogg.size(), true, &s));
    EXPECT_EQ(static_cast<int32_t>(source.Frames()), s.frames);
    EXPECT_EQ(2, s.channels);
    EXPECT_EQ(source.rate, s.rate);
    double sourcePower = 0, decodedPower = 0;  // lossy, but as loud
    for (size_t i = 0; i < source.pcm.size(); ++i)
        sourcePower += 32767.0 * source.pcm[i] * 32767.0 * source.pcm[i], decodedPower += 1.0 * s.pcm[i] * s.pcm[i];
    EXPECT_NEAR(1.0, std::sqrt(decodedPower / sourcePower), 0.1);
    EXPECT_EQ(s.pcm[0], s.pcm[2 * s.frames]);  // the guard frame repeats the first
    FreeDecodedSample(&s);
}

TEST(VorbisDecoder, DamagedBytesGiveSilenceOrAShortSample) {
    artgen::SoundSample source;
    const std::vector<uint8_t> good = Encoded(2000, &source);
    MixSample whole, s;
    ASSERT_EQ(kVorbisOk, DecodeVorbisSample(good.data(), good.size(), true, &whole));
    // Exact-size copies let the sanitizer see any read past the end.
    auto decodes = [&](const std::vector<uint8_t>& bytes) {
        const int32_t result = DecodeVorbisSample(bytes.data(), bytes.size(), true, &s);
        const bool bounded = result == kVorbisOk ? IsPlayableMixSample(&s) && s.frames <= whole.frames
                                                 : s.pcm == nullptr && s.frames == 0;
        FreeDecodedSample(&s);
        return bounded;
    };
    EXPECT_EQ(kVorbisNotVorbis, DecodeVorbisSample(nullptr, 0, false, &s));
    EXPECT_TRUE(decodes({}));
    EXPECT_TRUE(decodes(std::vector<uint8_t>(good.size(), 'x')));
    for (size_t cut = 1; cut < good.size(); cut += 1 + cut / 2)
        EXPECT_TRUE(decodes(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(cut)))) << cut;
    uint32_t state = 12345;
    for (int round = 0; round < 200; ++round) {
        std::vector<uint8_t> bytes = good;
        for (int k = 0; k <= round % 8; ++k) {
            state = state * 1664525u + 1013904223u;
            bytes[state % bytes.size()] ^= static_cast<uint8_t>(1 + (state >> 24) % 255);
        }
        EXPECT_TRUE(decodes(bytes)) << "round " << round;
    }
    // Damage near the end costs only the frames from there on.
    std::vector<uint8_t> late = good;
    late[late.size() - 100] ^= 0x5A;
    ASSERT_EQ(kVorbisOk, DecodeVorbisSample(late.data(), late.size(), true, &s));
    EXPECT_GT(s.frames, whole.frames / 2);
    EXPECT_LT(s.frames, whole.frames);
    FreeDecodedSample(&s);
    FreeDecodedSample(&whole);
}

}  // namespace
