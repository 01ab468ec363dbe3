// The built-in mixer in the running screensaver, heard through its WAV capture:
// the ambient level and balance measured against the volume and pan the saver
// traced, the letters' one-shots, and nothing at all with sound off.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "host/win32/saver_harness.h"
#include "settings/win32/dialog_driver.h"
#include "ui/controls.h"
#include "ui/win32/settings_window.h"

using namespace saver_test;

namespace {

// 16-bit stereo 44100 Hz frames of a capture; empty when the file is not one.
std::vector<int16_t> ReadCapture(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    const std::string b((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const auto field = [&b](size_t at, int bytes) {  // little-endian
        uint32_t v = 0;
        for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
        return v;
    };
    if (b.size() < 44 || b.compare(0, 4, "RIFF") || b.compare(8, 4, "WAVE") || field(22, 2) != 2 ||
        field(24, 4) != 44100 || field(34, 2) != 16)
        return {};
    const uint32_t dataBytes = field(40, 4);
    if (dataBytes > b.size() - 44) return {};
    std::vector<int16_t> pcm(dataBytes / 2);
    std::memcpy(pcm.data(), &b[44], pcm.size() * 2);
    return pcm;
}

double Rms(const std::vector<int16_t>& pcm, int side, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i) sum += static_cast<double>(pcm[2 * i + side]) * pcm[2 * i + side];
    return std::sqrt(sum / static_cast<double>(to - from));
}

double Correlation(const std::vector<double>& x, const std::vector<double>& y) {
    double n = static_cast<double>(x.size()), sx = 0, sy = 0, sxy = 0, sxx = 0, syy = 0;
    for (size_t i = 0; i < x.size(); ++i)
        sx += x[i], sy += y[i], sxy += x[i] * y[i], sxx += x[i] * x[i], syy += y[i] * y[i];
    return (n * sxy - sx * sy) / std::sqrt((n * sxx - sx * sx) * (n * syy - sy * sy));
}

// Runs the saver for `ms` after its first frame with the capture in <name>.wav
// and the trace in <name>.log, ends it with Escape and returns the trace.
std::string RunWithCapture(const SettingsRecord& settings, const LocalOptionsRecord& local, const std::string& name,
                           DWORD ms) {
    StoreRecords(settings, local);
    const std::string wav = OutputDir() + name + ".wav";
    DeleteFileA(wav.c_str());
    SaverProcess saver;
    EXPECT_TRUE(saver.Start("/s", {{"KVS_SOUND_WAV", wav}}, name + ".log"));
    EXPECT_TRUE(saver.WaitForTrace("first_frame", 30000)) << saver.Trace();
    Sleep(ms);
    EXPECT_TRUE(saver.Running()) << "the saver ended by itself";
    PressKey(VK_ESCAPE);
    EXPECT_EQ(saver.ExitCode(15000), 0) << "Escape did not end the saver";
    return saver.Trace();
}

TEST(SaverSound, BuiltInMixerCaptureFollowsTheHeadsAndTheLetters) {
    // From an empty screen, an incoming text soon: the heads come, make room for the
    // letters and come back. Few columns: a few heads sound loud and wander.
    SettingsRecord settings = DefaultSettings();
    settings.textInterval = 0;
    settings.columns = 24;
    LocalOptionsRecord local = DefaultLocalOptions();
    local.soundEnabled = 1;
    local.volume = 255;
    std::istringstream trace(RunWithCapture(settings, local, "built-in", 12000));
    const std::vector<int16_t> pcm = ReadCapture(OutputDir() + "built-in.wav");
    const size_t frames = pcm.size() / 2;
    EXPECT_GT(frames, 10u * 44100) << "the capture is shorter than the run";

    // Traced: ambient volume and pan changes and one-shots, each with the frame it took effect.
    struct Change { char kind; int value; size_t at; };
    std::vector<Change> changes;
    std::vector<size_t> shots;
    for (std::string line; std::getline(trace, line);) {
        int value = 0;
        unsigned long long at = 0;
        if (std::sscanf(line.c_str(), "sound ambient volume=%d mixed_frames=%llu", &value, &at) == 2)
            changes.push_back({'V', value, at});
        else if (std::sscanf(line.c_str(), "sound ambient pan=%d mixed_frames=%llu", &value, &at) == 2)
            changes.push_back({'P', value, at});
        else if (std::sscanf(line.c_str(), "sound play sample=%*d channel=%*d pan=%*d volume=%*d mixed_frames=%llu", &at) == 1)
            shots.push_back(at);
    }
    ASSERT_GT(changes.size(), 50u);
    ASSERT_GT(shots.size(), 3u) << "no letter landed or flashed";

    // Between two changes the loop holds volume and pan: measure those stretches
    // (after the glide) away from the one-shots.
    std::vector<double> volumes, levels, pans, balances;
    int volume = 0, pan = 128;
    for (size_t i = 0; i + 1 < changes.size(); ++i) {
        (changes[i].kind == 'V' ? volume : pan) = changes[i].value;
        const size_t from = changes[i].at + 1024, to = changes[i + 1].at;
        bool quiet = to >= from + 1000 && to <= frames;
        for (size_t s : shots) quiet = quiet && (s > to || s + 44100 < from);
        if (!quiet) continue;
        const double left = Rms(pcm, 0, from, to), right = Rms(pcm, 1, from, to);
        volumes.push_back(volume);
        levels.push_back(left + right);
        if (volume < 16) continue;
        pans.push_back(pan);
        balances.push_back((right - left) / (right + left));
    }
    ASSERT_GT(pans.size(), 10u);
    const auto span = [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()) - *std::min_element(v.begin(), v.end()); };
    std::printf("capture: %zu frames; volume span %.0f, level correlation %.3f; pan span %.0f, balance correlation %.3f\n",
                frames, span(volumes), Correlation(volumes, levels), span(pans), Correlation(pans, balances));
    EXPECT_GE(span(volumes), 40) << "the heads did not come and go";
    EXPECT_GT(Correlation(volumes, levels), 0.9) << "the level does not follow the ambient volume";
    EXPECT_GE(span(pans), 16) << "the heads' mean column hardly moved";
    EXPECT_GT(Correlation(pans, balances), 0.6) << "the balance does not follow the pan";

    // A one-shot starts with a jump in level over the 50 ms before it.
    int transients = 0;
    for (size_t s : shots)
        if (s >= 2205 && s + 2205 <= frames)
            transients += Rms(pcm, 0, s, s + 2205) + Rms(pcm, 1, s, s + 2205) >
                          1.5 * (Rms(pcm, 0, s - 2205, s) + Rms(pcm, 1, s - 2205, s));
    std::printf("capture: %d of %zu one-shots start with a jump in level\n", transients, shots.size());
    EXPECT_GE(transients, static_cast<int>(shots.size()) / 2);
}

// Switching sound on in the settings window is confirmed by sound 3 at once,
// although the output thread still decodes its samples when the event comes.
TEST(SaverSound, SwitchingSoundOnIsHeardWithinAFewHundredMilliseconds) {
    LocalOptionsRecord local = DefaultLocalOptions();
    local.volume = 255;
    StoreRecords(DefaultSettings(), local);
    const std::string wav = OutputDir() + "switch-on.wav";
    DeleteFileA(wav.c_str());
    SaverProcess saver;
    ASSERT_TRUE(saver.Start("/c", {{"KVS_SOUND_WAV", wav}}, "switch-on.log"));
    HWND window = dialogtest::WaitForWindow(kSettingsClassName, 30000, kSettingsClassName);
    ASSERT_NE(window, nullptr);
    const auto click = [window](uint16_t hint) {
        HWND control = GetDlgItem(window, ControlIdOf(FindControlByHint(hint)));
        PostMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    };
    click(8818);  // the "Properties" page
    Sleep(300);
    click(7773);  // "Enable sound:"
    std::string output;
    EXPECT_TRUE(saver.WaitForTrace("sound output", 20000, &output)) << saver.Trace();
    Sleep(1500);
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(saver.ExitCode(15000), 0);

    // The capture begins when the thread is ready, decode_ms + open_ms after the switch.
    double decodeMs = 0, openMs = 0;
    ASSERT_EQ(std::sscanf(output.c_str(), "sound output device=%*s capture=1 decode_ms=%lf decode_cpu_ms=%*f open_ms=%lf",
                          &decodeMs, &openMs), 2) << output;
    const std::vector<int16_t> pcm = ReadCapture(wav);
    size_t onset = 0;
    while (2 * onset + 1 < pcm.size() && std::abs(pcm[2 * onset]) < 64 && std::abs(pcm[2 * onset + 1]) < 64) ++onset;
    ASSERT_LT(2 * onset + 1, pcm.size()) << "nothing was heard in " << pcm.size() / 2 << " frames";
    const double heardMs = decodeMs + openMs + onset * 1000.0 / 44100;
    std::printf("switch-on: decoded in %.1f ms, opened in %.1f ms, first sound %.1f ms into the capture: %.1f ms after the switch\n",
                decodeMs, openMs, onset * 1000.0 / 44100, heardMs);
    EXPECT_LT(heardMs, 300.0);
    EXPECT_NE(saver.Trace().find("sound play sample=2023"), std::string::npos) << "not sound 3";
    // Decoding must not starve the window: only mixing runs at time-critical priority.
    EXPECT_NE(output.find(" decode_priority=0 mix_priority=15"), std::string::npos) << output;
}

TEST(SaverSound, SoundOffCapturesNothing) {
    const std::string trace = RunWithCapture(DefaultSettings(), DefaultLocalOptions(), "sound-off", 1500);
    for (int16_t v : ReadCapture(OutputDir() + "sound-off.wav")) ASSERT_EQ(0, v);
    EXPECT_EQ(std::string::npos, trace.find("sound ")) << trace;
}

}  // namespace
