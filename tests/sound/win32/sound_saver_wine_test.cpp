// The screensaver's sound as a whole program: with the recording library
// beside it (and with one that lacks an entry point), and with the built-in
// mixer writing its WAV capture, whose level and balance are measured against
// the ambient volume and pan the saver traced.
#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/win32/saver_harness.h"

using namespace saver_test;

namespace {

constexpr DWORD kStartTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 15000;
constexpr double kRate = 44100;

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

// 16-bit stereo frames of a capture; false when the file is not one.
bool ReadCapture(const std::string& path, std::vector<int16_t>* frames) {
    std::ifstream file(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return false;
    uint16_t channels, bits;
    uint32_t rate, dataBytes;
    std::memcpy(&channels, &bytes[22], 2);
    std::memcpy(&rate, &bytes[24], 4);
    std::memcpy(&bits, &bytes[34], 2);
    std::memcpy(&dataBytes, &bytes[40], 4);
    if (channels != 2 || rate != 44100 || bits != 16 || dataBytes > bytes.size() - 44) return false;
    frames->resize(dataBytes / 2);
    std::memcpy(frames->data(), &bytes[44], frames->size() * 2);
    return true;
}

// Root mean square of one side over frames [from, to).
double Rms(const std::vector<int16_t>& pcm, int side, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += static_cast<double>(pcm[2 * i + side]) * pcm[2 * i + side];
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0;
}

double Correlation(const std::vector<double>& x, const std::vector<double>& y) {
    const double n = static_cast<double>(x.size());
    double mx = 0, my = 0;
    for (size_t i = 0; i < x.size(); ++i) mx += x[i] / n, my += y[i] / n;
    double sxy = 0, sxx = 0, syy = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
        syy += (y[i] - my) * (y[i] - my);
    }
    return sxx > 0 && syy > 0 ? sxy / std::sqrt(sxx * syy) : 0;
}

class SaverSound : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(RunnableSaverPath().empty()) << "KVS_SCR_RUNNABLE is not set";
        settings_ = DefaultSettings();
        local_ = DefaultLocalOptions();
        local_.soundEnabled = 1;
        local_.volume = 255;
    }

    // A copy of the saver in its own folder with the library of `variable` as
    // fmod.dll; the program to run.
    std::string SaverWithLibrary(const char* folder, const char* variable) {
        const char* libraryDir = std::getenv(variable);
        EXPECT_NE(nullptr, libraryDir) << variable;
        const std::string dir = OutputDir() + folder + "\\";
        CreateDirectoryA(dir.c_str(), nullptr);
        const std::string program = dir + "TheKorvanSelwyth.scr";
        EXPECT_TRUE(CopyFileA(RunnableSaverPath().c_str(), program.c_str(), FALSE));
        EXPECT_TRUE(CopyFileA((ToWindowsPath(libraryDir ? libraryDir : "") + "\\fmod.dll").c_str(),
                              (dir + "fmod.dll").c_str(), FALSE));
        return program;
    }

    // Runs the saver for `ms` after its first frame, then ends it with Escape.
    void RunFor(SaverProcess& saver, DWORD ms, const Environment& environment, const char* trace) {
        StoreRecords(settings_, local_);
        ASSERT_TRUE(saver.Start("/s", environment, trace));
        ASSERT_TRUE(saver.WaitForTrace("first_frame", kStartTimeoutMs)) << saver.Trace();
        Sleep(ms);
        ASSERT_TRUE(saver.Running()) << "the saver ended by itself";
        PressKey(VK_ESCAPE);
        DWORD code = 1;
        ASSERT_TRUE(saver.WaitForExit(kExitTimeoutMs, &code)) << "Escape did not end the saver";
        EXPECT_EQ(0u, code);
    }

    SettingsRecord settings_;
    LocalOptionsRecord local_;
};

TEST_F(SaverSound, TheLibraryBesideTheSaverPlaysTheRain) {
    const std::string record = OutputDir() + "saver-fmod-calls.txt";
    DeleteFileA(record.c_str());
    SaverProcess saver;
    saver.UseProgram(SaverWithLibrary("with-library", "KVS_RECORDER_DIR"));
    RunFor(saver, 3000, {{"KVS_FMOD_RECORD", record}}, "with-library.log");

    const std::vector<std::string> calls = Lines(record);
    ASSERT_GT(calls.size(), 24u);
    EXPECT_EQ("loaded", calls[0]);
    EXPECT_EQ("SetOutput 1", calls[1]);
    EXPECT_EQ(0u, calls[2].find("SetHWND "));
    EXPECT_NE("SetHWND 0", calls[2]);
    EXPECT_EQ("Init 44100 16 1", calls[3]);
    EXPECT_EQ("SetVolume 0 0", calls[22]);
    // The heads fed the loop's volume while the rain ran.
    int loudest = 0, volume = 0;
    for (const std::string& line : calls)
        if (std::sscanf(line.c_str(), "SetVolume 0 %d", &volume) == 1 && volume > loudest) loudest = volume;
    EXPECT_GT(loudest, 0);
    const std::vector<std::string> last(calls.end() - 3, calls.end());
    EXPECT_EQ((std::vector<std::string>{"StopSound -3", "Close", "unloaded"}), last);
}

TEST_F(SaverSound, ALibraryWithoutAnEntryPointLeavesTheSaverRunningSilently) {
    const std::string record = OutputDir() + "partial-fmod-calls.txt";
    DeleteFileA(record.c_str());
    SaverProcess saver;
    saver.UseProgram(SaverWithLibrary("with-partial-library", "KVS_PARTIAL_RECORDER_DIR"));
    RunFor(saver, 1500, {{"KVS_FMOD_RECORD", record}}, "partial-library.log");
    EXPECT_EQ((std::vector<std::string>{"loaded", "unloaded"}), Lines(record));
    EXPECT_EQ(std::string::npos, saver.Trace().find("sound backend")) << saver.Trace();
}

TEST_F(SaverSound, BuiltInMixerCaptureFollowsTheHeadsAndTheLetters) {
    // From an empty screen, an incoming text soon: the heads come, make room for
    // the letters and come back. Few columns: few heads already sound loud, and
    // their mean column wanders.
    settings_.textInterval = 0;
    settings_.columns = 24;
    const std::string wav = OutputDir() + "built-in.wav";
    DeleteFileA(wav.c_str());
    SaverProcess saver;
    RunFor(saver, 12000, {{"KVS_SOUND_WAV", wav}}, "built-in.log");
    std::vector<int16_t> pcm;
    ASSERT_TRUE(ReadCapture(wav, &pcm)) << wav;
    const size_t frames = pcm.size() / 2;
    EXPECT_GT(frames, 10 * kRate) << "the capture is shorter than the run";

    // What the saver traced: ambient volume and pan, one-shots, each with the
    // mixer's frame count when it was applied.
    struct Change {
        char kind;
        int value;
        size_t at;
    };
    std::vector<Change> changes;
    std::vector<size_t> shots;
    std::istringstream trace(saver.Trace());
    for (std::string line; std::getline(trace, line);) {
        int value = 0, sample = 0;
        unsigned long long at = 0;
        if (std::sscanf(line.c_str(), "sound ambient volume=%d mixed_frames=%llu", &value, &at) == 2)
            changes.push_back({'V', value, static_cast<size_t>(at)});
        else if (std::sscanf(line.c_str(), "sound ambient pan=%d mixed_frames=%llu", &value, &at) == 2)
            changes.push_back({'P', value, static_cast<size_t>(at)});
        else if (std::sscanf(line.c_str(), "sound play sample=%d channel=%*d pan=%*d volume=%*d mixed_frames=%llu",
                             &sample, &at) == 2)
            shots.push_back(static_cast<size_t>(at));
    }
    ASSERT_GT(changes.size(), 50u) << saver.Trace();
    ASSERT_GT(shots.size(), 3u) << "no letter landed or flashed";

    // Between two changes the loop holds its volume and pan: measure those
    // stretches away from the one-shots.
    std::vector<double> volumes, levels, pans, balances;
    int volume = 0, pan = 128;
    for (size_t i = 0; i + 1 < changes.size(); ++i) {
        (changes[i].kind == 'V' ? volume : pan) = changes[i].value;
        const size_t from = changes[i].at + 1024, to = changes[i + 1].at;
        if (to < from + 1000 || to > frames) continue;
        bool quiet = true;
        for (size_t s : shots) quiet = quiet && (s > to || s + kRate < from);
        if (!quiet) continue;
        const double left = Rms(pcm, 0, from, to), right = Rms(pcm, 1, from, to);
        volumes.push_back(volume);
        levels.push_back(left + right);
        if (volume >= 16) {
            pans.push_back(pan);
            balances.push_back((right - left) / (right + left));
        }
    }
    ASSERT_GT(volumes.size(), 20u);
    double quietest = 255, loudest = 0;
    for (double v : volumes) quietest = std::fmin(quietest, v), loudest = std::fmax(loudest, v);
    double westmost = 255, eastmost = 0;
    for (double p : pans) westmost = std::fmin(westmost, p), eastmost = std::fmax(eastmost, p);
    std::printf("capture: %zu frames; volume %.0f..%.0f, level correlation %.3f; pan %.0f..%.0f, balance correlation %.3f\n",
                frames, quietest, loudest, Correlation(volumes, levels), westmost, eastmost,
                Correlation(pans, balances));
    EXPECT_GE(loudest - quietest, 40) << "the heads did not come and go";
    EXPECT_GT(Correlation(volumes, levels), 0.9) << "the level does not follow the ambient volume";
    EXPECT_GE(eastmost - westmost, 16) << "the heads' mean column hardly moved";
    EXPECT_GT(Correlation(pans, balances), 0.6) << "the balance does not follow the pan";

    // Every one-shot starts with a jump in level over the 50 ms before it.
    int transients = 0;
    for (size_t s : shots) {
        if (s < 2205 || s + 2205 > frames) continue;
        const double before = Rms(pcm, 0, s - 2205, s) + Rms(pcm, 1, s - 2205, s);
        const double after = Rms(pcm, 0, s, s + 2205) + Rms(pcm, 1, s, s + 2205);
        transients += after > 1.5 * before;
    }
    std::printf("capture: %d of %zu one-shots start with a jump in level\n", transients, shots.size());
    EXPECT_GE(transients, static_cast<int>(shots.size()) / 2);
}

TEST_F(SaverSound, SoundOffCapturesNothing) {
    local_.soundEnabled = 0;
    const std::string wav = OutputDir() + "sound-off.wav";
    DeleteFileA(wav.c_str());
    SaverProcess saver;
    RunFor(saver, 1500, {{"KVS_SOUND_WAV", wav}}, "sound-off.log");
    std::vector<int16_t> pcm;
    if (ReadCapture(wav, &pcm)) {
        for (int16_t v : pcm) ASSERT_EQ(0, v);
    }
    EXPECT_EQ(std::string::npos, saver.Trace().find("sound ")) << saver.Trace();
}

}  // namespace
