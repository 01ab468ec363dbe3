// A 16-bit stereo 44100 Hz WAV file written as the mix goes: the diagnostic
// capture of what the program mixes. The header's sizes are brought up to date
// about once a second of audio and when the file is closed, so a capture cut
// short still opens with all but its last second.
#pragma once

#include <cstdint>
#include <cstdio>

struct WavCapture {
    std::FILE* file;       // null: not capturing
    uint32_t dataBytes;    // written after the header
    uint32_t bytesSinceHeader;
};

// Creates (or truncates) the file; false when it cannot be opened.
bool OpenWavCapture(WavCapture& capture, const char* path);
// Appends interleaved stereo frames; nothing when the capture is closed. The
// file stops growing short of 4 GiB.
void AppendWavCapture(WavCapture& capture, const int16_t* frames, int32_t count);
void CloseWavCapture(WavCapture& capture);
