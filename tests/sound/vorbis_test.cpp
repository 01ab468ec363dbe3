// The Vorbis decoder on samples made by the sample generator: exact lengths
// (the ambient loop must close without a gap), and damaged bytes, which must
// leave a sample silent or short but never read outside the input (this
// program runs under AddressSanitizer and UBSan).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "sound.h"  // the generator's (tools/artgen)
#include "sound/vorbis.h"

namespace {

std::vector<uint8_t> Encoded(int id, artgen::SoundSample* source = nullptr) {
    artgen::SoundSample sample;
    EXPECT_TRUE(artgen::SynthesizeSound(id, sample));
    std::vector<uint8_t> ogg;
    EXPECT_TRUE(artgen::EncodeOggVorbis(sample, id == 2000 ? 0.0f : 0.1f, id, ogg));
    if (source) *source = sample;
    return ogg;
}

TEST(VorbisDecoder, GeneratedSamplesDecodeToTheirLength) {
    for (int id : {2000, 2003, 2022}) {
        artgen::SoundSample source;
        const std::vector<uint8_t> ogg = Encoded(id, &source);
        MixSample s;
        ASSERT_EQ(kVorbisOk, DecodeVorbisSample(ogg.data(), ogg.size(), id == 2000, &s)) << id;
        EXPECT_EQ(static_cast<int32_t>(source.Frames()), s.frames) << id;
        EXPECT_EQ(source.channels, s.channels) << id;
        EXPECT_EQ(source.rate, s.rate) << id;
        // Lossy, but the same sound: compare the levels.
        double sourcePower = 0, decodedPower = 0;
        for (size_t i = 0; i < source.pcm.size(); ++i) {
            sourcePower += 32767.0 * source.pcm[i] * 32767.0 * source.pcm[i];
            decodedPower += static_cast<double>(s.pcm[i]) * s.pcm[i];
        }
        EXPECT_NEAR(1.0, std::sqrt(decodedPower / sourcePower), 0.1) << id;
        // The guard frame: the first frame again for the loop, silence for a one-shot.
        for (int c = 0; c < s.channels; ++c)
            EXPECT_EQ(id == 2000 ? s.pcm[c] : 0, s.pcm[static_cast<size_t>(s.frames) * s.channels + c]) << id;
        FreeDecodedSample(&s);
        EXPECT_EQ(nullptr, s.pcm);
    }
}

TEST(VorbisDecoder, DamagedBytesGiveSilenceOrAShortSample) {
    const std::vector<uint8_t> good = Encoded(2012);
    auto check = [&](const std::vector<uint8_t>& bytes, const char* what, size_t where) {
        MixSample s;
        const int32_t result = DecodeVorbisSample(bytes.data(), bytes.size(), false, &s);
        if (result != kVorbisOk) {
            EXPECT_EQ(nullptr, s.pcm) << what << " " << where;
            EXPECT_EQ(0, s.frames) << what << " " << where;
            return;
        }
        EXPECT_TRUE(IsPlayableMixSample(&s)) << what << " " << where;
        EXPECT_LE(s.frames, kMaxDecodedFrames) << what << " " << where;
        FreeDecodedSample(&s);
    };

    MixSample s;
    EXPECT_EQ(kVorbisNotVorbis, DecodeVorbisSample(nullptr, 0, false, &s));
    EXPECT_EQ(kVorbisNotVorbis, DecodeVorbisSample(good.data(), 0, false, &s));
    const std::vector<uint8_t> text(good.size(), 'x');
    EXPECT_EQ(kVorbisNotVorbis, DecodeVorbisSample(text.data(), text.size(), false, &s));

    for (size_t cut = 1; cut < good.size(); cut += 1 + cut / 3) {
        // std::vector's exact size lets the sanitizer see a read past the cut.
        check(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(cut)), "truncated at", cut);
    }
    uint32_t state = 12345;
    for (int round = 0; round < 300; ++round) {
        std::vector<uint8_t> bytes = good;
        for (int k = 0; k < 1 + round % 8; ++k) {
            state = state * 1664525u + 1013904223u;
            bytes[state % bytes.size()] ^= static_cast<uint8_t>(1 + (state >> 24) % 255);
        }
        check(bytes, "damaged round", static_cast<size_t>(round));
    }
    // Damage near the end of a longer sample costs only the frames from there on.
    const std::vector<uint8_t> loop = Encoded(2000);
    std::vector<uint8_t> lateDamage = loop;
    lateDamage[lateDamage.size() - 100] ^= 0x5A;
    ASSERT_EQ(kVorbisOk, DecodeVorbisSample(lateDamage.data(), lateDamage.size(), false, &s));
    MixSample whole;
    ASSERT_EQ(kVorbisOk, DecodeVorbisSample(loop.data(), loop.size(), false, &whole));
    EXPECT_GT(s.frames, 0);
    EXPECT_LT(s.frames, whole.frames);
    FreeDecodedSample(&s);
    FreeDecodedSample(&whole);

    std::vector<uint8_t> headerThenNoise(good.begin(), good.begin() + 64);
    for (int i = 0; i < 4000; ++i) headerThenNoise.push_back(static_cast<uint8_t>(i * 131 + 7));
    check(headerThenNoise, "header then noise", 0);
}

}  // namespace
