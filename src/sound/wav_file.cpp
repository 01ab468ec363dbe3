#include "sound/wav_file.h"

namespace {

constexpr uint32_t kHeaderBytes = 44;
constexpr uint32_t kBytesPerFrame = 4;
constexpr uint32_t kRate = 44100;
constexpr uint32_t kRefreshBytes = kRate * kBytesPerFrame;  // one second
constexpr uint32_t kMaxDataBytes = 0xFFFFFFFFu - kHeaderBytes - kRefreshBytes;

void Put32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(uint8_t* at, uint32_t v) {
    at[0] = static_cast<uint8_t>(v);
    at[1] = static_cast<uint8_t>(v >> 8);
}

void WriteHeader(WavCapture& capture) {
    uint8_t h[kHeaderBytes] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    Put32(h + 4, 36 + capture.dataBytes);
    Put32(h + 16, 16);                      // format chunk size
    Put16(h + 20, 1);                       // PCM
    Put16(h + 22, 2);                       // channels
    Put32(h + 24, kRate);
    Put32(h + 28, kRate * kBytesPerFrame);  // bytes per second
    Put16(h + 32, kBytesPerFrame);          // block align
    Put16(h + 34, 16);                      // bits per sample
    h[36] = 'd', h[37] = 'a', h[38] = 't', h[39] = 'a';
    Put32(h + 40, capture.dataBytes);
    std::fseek(capture.file, 0, SEEK_SET);
    std::fwrite(h, 1, sizeof h, capture.file);
    std::fseek(capture.file, 0, SEEK_END);
    std::fflush(capture.file);
    capture.bytesSinceHeader = 0;
}

}  // namespace

bool OpenWavCapture(WavCapture& capture, const char* path) {
    capture = WavCapture{nullptr, 0, 0};
    if (!path || !*path) return false;
    capture.file = std::fopen(path, "wb");
    if (!capture.file) return false;
    WriteHeader(capture);
    return true;
}

void AppendWavCapture(WavCapture& capture, const int16_t* frames, int32_t count) {
    if (!capture.file || count <= 0) return;
    const uint32_t bytes = static_cast<uint32_t>(count) * kBytesPerFrame;
    if (capture.dataBytes > kMaxDataBytes - bytes) return;
    // Little-endian samples, as the file format wants, whatever the machine.
    uint8_t block[4096];
    uint32_t done = 0;
    for (int32_t i = 0; i < 2 * count; ++i) {
        Put16(block + done, static_cast<uint16_t>(frames[i]));
        done += 2;
        if (done == sizeof block || i == 2 * count - 1) {
            std::fwrite(block, 1, done, capture.file);
            done = 0;
        }
    }
    capture.dataBytes += bytes;
    capture.bytesSinceHeader += bytes;
    if (capture.bytesSinceHeader >= kRefreshBytes) WriteHeader(capture);
}

void CloseWavCapture(WavCapture& capture) {
    if (!capture.file) return;
    WriteHeader(capture);
    std::fclose(capture.file);
    capture = WavCapture{nullptr, 0, 0};
}
