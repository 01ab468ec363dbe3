// The Vorbis decoder on the generator's samples: each as it must sound, and
// damaged bytes, which must leave a sample silent or short, never read outside
// the input (under AddressSanitizer and UBSan).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
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

// Every generated sample as the saver decodes it: its exact length (no padding;
// the loop closes without a gap), as loud as its source, heard but not clipped,
// one-shots that start and end quietly (no click), a seamless loop, and sixteen
// different sounds in under 400 KiB.
TEST(VorbisDecoder, EverySampleDecodesToItsExactLengthAndLevel) {
    size_t total = 0;
    std::vector<std::vector<int16_t>> decoded;
    for (int id : artgen::SoundIds()) {
        SCOPED_TRACE(id);
        artgen::SoundSample source;
        const std::vector<uint8_t> ogg = Encoded(id, &source);
        total += ogg.size();
        const bool loop = id == 2000;
        MixSample s;
        ASSERT_EQ(kVorbisOk, DecodeVorbisSample(ogg.data(), ogg.size(), loop, &s));
        ASSERT_EQ(static_cast<int32_t>(source.Frames()), s.frames);
        ASSERT_EQ(loop ? 2 : 1, s.channels);
        EXPECT_EQ(source.rate, s.rate);
        const std::vector<int16_t> pcm(s.pcm, s.pcm + s.frames * s.channels);
        double sourcePower = 0, decodedPower = 0;  // lossy, but as loud
        int peak = 0;
        for (size_t i = 0; i < pcm.size(); ++i) {
            sourcePower += 32767.0 * source.pcm[i] * 32767.0 * source.pcm[i], decodedPower += 1.0 * pcm[i] * pcm[i];
            peak = std::max(peak, std::abs(pcm[i]));
        }
        EXPECT_NEAR(1.0, std::sqrt(decodedPower / sourcePower), 0.1);
        EXPECT_LT(peak, 32767);
        const double rms = std::sqrt(decodedPower / pcm.size()) / 32767, seconds = 1.0 * s.frames / s.rate;
        EXPECT_GT(rms, 0.005);
        if (loop) {
            EXPECT_GT(seconds, 4.0);
            EXPECT_LT(rms, 0.12);  // a quiet bed
            EXPECT_EQ(s.pcm[0], s.pcm[2 * s.frames]);  // the guard frame repeats the first
            // Seamless: the step across the loop point is no larger than the
            // steps between neighbouring frames inside it.
            int largest = 0;
            for (int32_t i = 1; i < s.frames; ++i) largest = std::max(largest, std::abs(pcm[2 * i] - pcm[2 * i - 2]));
            for (int c = 0; c < 2; ++c) EXPECT_LE(std::abs(pcm[c] - pcm[2 * (s.frames - 1) + c]), largest) << c;
        } else {
            EXPECT_GT(seconds, 0.04);
            EXPECT_LT(seconds, 1.0);
            EXPECT_LT(std::fabs(source.pcm.front()), 1e-3);
            EXPECT_LT(std::fabs(source.pcm.back()), 1e-3);
            EXPECT_LT(std::abs(pcm.front()), 0.06 * 32767);
            EXPECT_LT(std::abs(pcm.back()), 0.06 * 32767);
        }
        decoded.push_back(pcm);
        FreeDecodedSample(&s);
    }
    EXPECT_EQ(16u, decoded.size());
    EXPECT_LT(total, 400u * 1024);
    for (size_t a = 0; a < decoded.size(); ++a)
        for (size_t b = a + 1; b < decoded.size(); ++b) EXPECT_NE(decoded[a], decoded[b]) << a << " " << b;
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
