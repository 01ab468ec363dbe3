#include "sound/vorbis.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#define STB_VORBIS_NO_STDIO 1
#define STB_VORBIS_NO_PUSHDATA_API 1
#define STB_VORBIS_NO_INTEGER_CONVERSION 1
#define STB_VORBIS_HEADER_ONLY 1
#include <stb_vorbis.h>

namespace {

constexpr int32_t kFirstCapacity = 16384;  // frames
constexpr int kChunkFrames = 1024;
// The decoder works inside one block of its own (our samples need about 170 KB),
// released whole afterwards: nothing it allocates can outlive a damaged stream.
constexpr int kDecoderArenaBytes = 1 << 20;

// Damaged input can decode to any float, NaN included: clamp before converting.
int16_t ToSample(float v) {
    if (!(v > -1.0f)) return v < -1.0f ? -32768 : 0;  // NaN gives 0
    if (v >= 1.0f) return 32767;
    const float scaled = v * 32768.0f;
    return static_cast<int16_t>(scaled >= 32767.0f ? 32767 : static_cast<int32_t>(scaled));
}

// The Ogg page checksum: CRC-32 with polynomial 0x04C11DB7, most significant
// bit first, initial value 0.
struct OggCrcTable {
    uint32_t entry[256];
    OggCrcTable() {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t r = i << 24;
            for (int k = 0; k < 8; ++k) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
            entry[i] = r;
        }
    }
};

// Length of the longest prefix of whole Ogg pages whose checksums hold. The
// decoder checks no checksums and trusts the lengths inside its headers, so
// it only ever sees the pages that arrived intact.
size_t IntactOggPrefix(const uint8_t* bytes, size_t size) {
    static const OggCrcTable crc;
    size_t at = 0;
    while (size - at >= 27) {
        const uint8_t* page = bytes + at;
        if (std::memcmp(page, "OggS", 4) != 0 || page[4] != 0) break;
        const size_t segments = page[26];
        size_t length = 27 + segments;
        if (size - at < length) break;
        for (size_t i = 0; i < segments; ++i) length += page[27 + i];
        if (size - at < length) break;
        const uint32_t stored = page[22] | page[23] << 8 | page[24] << 16 | static_cast<uint32_t>(page[25]) << 24;
        uint32_t sum = 0;
        for (size_t i = 0; i < length; ++i) {
            const uint8_t b = i >= 22 && i < 26 ? 0 : page[i];  // the checksum field counts as zero
            sum = (sum << 8) ^ crc.entry[(sum >> 24) ^ b];
        }
        if (sum != stored) break;
        at += length;
    }
    return at;
}

}  // namespace

int32_t DecodeVorbisSample(const uint8_t* bytes, size_t size, bool loop, MixSample* out) {
    *out = MixSample{nullptr, 0, 0, 0, loop};
    if (!bytes || size > static_cast<size_t>(INT_MAX)) return kVorbisNotVorbis;
    size = IntactOggPrefix(bytes, size);
    if (size == 0) return kVorbisNotVorbis;
    stb_vorbis_alloc arena{static_cast<char*>(std::malloc(kDecoderArenaBytes)), kDecoderArenaBytes};
    if (!arena.alloc_buffer) return kVorbisNoMemory;
    int error = 0;
    stb_vorbis* stream = stb_vorbis_open_memory(bytes, static_cast<int>(size), &error, &arena);
    if (!stream) {
        std::free(arena.alloc_buffer);
        return error == VORBIS_outofmem ? kVorbisNoMemory : kVorbisNotVorbis;
    }
    const stb_vorbis_info info = stb_vorbis_get_info(stream);
    if (info.channels < 1 || info.channels > 2 || info.sample_rate < 1000 || info.sample_rate > 192000) {
        stb_vorbis_close(stream);
        std::free(arena.alloc_buffer);
        return kVorbisUnsupported;
    }
    const int channels = info.channels;

    // Grow by doubling; one frame more than decoded stays free for the guard.
    int32_t capacity = kFirstCapacity, frames = 0;
    int16_t* pcm = static_cast<int16_t*>(std::malloc(sizeof(int16_t) * channels * static_cast<size_t>(capacity)));
    int32_t result = pcm ? kVorbisOk : kVorbisNoMemory;
    float chunk[2 * kChunkFrames];
    while (result == kVorbisOk && frames < kMaxDecodedFrames) {
        const int room = capacity - 1 - frames < kChunkFrames ? capacity - 1 - frames : kChunkFrames;
        const int got = stb_vorbis_get_samples_float_interleaved(stream, channels, chunk, room * channels);
        if (got <= 0) break;
        for (int i = 0; i < got * channels; ++i) pcm[static_cast<size_t>(frames) * channels + i] = ToSample(chunk[i]);
        frames += got;
        if (capacity - 1 - frames > 0) continue;
        if (capacity > kMaxDecodedFrames) break;
        capacity *= 2;
        void* grown = std::realloc(pcm, sizeof(int16_t) * channels * static_cast<size_t>(capacity));
        if (!grown) {
            result = kVorbisNoMemory;
            break;
        }
        pcm = static_cast<int16_t*>(grown);
    }
    stb_vorbis_close(stream);
    std::free(arena.alloc_buffer);
    if (result == kVorbisOk && frames == 0) result = kVorbisEmpty;
    if (result != kVorbisOk) {
        std::free(pcm);
        return result;
    }
    if (frames > kMaxDecodedFrames) frames = kMaxDecodedFrames;
    *out = MixSample{pcm, frames, channels, static_cast<int32_t>(info.sample_rate), loop};
    WriteMixSampleGuard(*out);
    return kVorbisOk;
}

void FreeDecodedSample(MixSample* sample) {
    std::free(sample->pcm);
    *sample = MixSample{nullptr, 0, 0, 0, sample->loop};
}
