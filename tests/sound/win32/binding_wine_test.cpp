// The sound-library binding in this process, against the recording fmod.dll
// (fmod_recorder.cpp): the calls InitSound makes, the calls of every event,
// silence when sound is off, the shutdown, and a library without one entry
// point. This program carries the screensaver's resources, so the samples are
// the real ones. Also: the shipped 32-bit file looks the entry points up by
// their decorated names.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "sound/device.h"
#include "sound/sound.h"

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
        for (char& c : path)
            if (c == '/') c = '\\';
    }
    return path;
}

std::vector<std::string> Lines(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

// The recorder's sample handles count from 1 in load order.
std::string PlayOf(int channel, int handle) { return "PlaySound " + std::to_string(channel) + " " + std::to_string(handle); }

class Binding : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Env("KVS_RECORDER_DIR").empty()) << "KVS_RECORDER_DIR is not set";
        SetDefaultSettings();
        localOptions.soundEnabled = 1;
        localOptions.volume = 200;
        settings.columns = 80;
        record_ = WindowsPath(Env("KVS_OUT_DIR").empty() ? "." : Env("KVS_OUT_DIR")) + "\\fmod-calls.txt";
        CreateDirectoryA(WindowsPath(Env("KVS_OUT_DIR")).c_str(), nullptr);
        DeleteFileA(record_.c_str());
        SetEnvironmentVariableA("KVS_FMOD_RECORD", record_.c_str());
        UseLibraryIn("KVS_RECORDER_DIR");
        window_ = CreateWindowExA(0, "STATIC", "sound", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        ShutdownSound();
        DestroyWindow(window_);
        SetDllDirectoryA(nullptr);
        SetDefaultSettings();
    }
    void UseLibraryIn(const char* variable) { SetDllDirectoryA(WindowsPath(Env(variable)).c_str()); }
    std::vector<std::string> Calls() const { return Lines(record_); }
    void ForgetCalls() const { DeleteFileA(record_.c_str()); }

    std::string record_;
    HWND window_ = nullptr;
};

TEST_F(Binding, InitSoundBindsLoadsEverySampleAndStartsTheLoopSilently) {
    InitSound(window_);
    ASSERT_NE(nullptr, CurrentSoundDevice());
    char hwnd[32];
    std::snprintf(hwnd, sizeof hwnd, "SetHWND %llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window_)));
    std::vector<std::string> want = {"loaded", "SetOutput 1", hwnd, "Init 44100 16 1"};
    for (int id : {2000, 2001, 2002, 2003, 2004, 2005, 2006, 2011, 2012, 2013, 2014, 2015, 2016, 2021, 2022, 2023}) {
        HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(id), "OGG");
        ASSERT_NE(nullptr, resource) << id;
        const unsigned mode = (id == 2000 ? 2 : 1) | 0x8000;
        want.push_back("Sample_Load -1 OggS " + std::to_string(mode) + " 0 " +
                       std::to_string(SizeofResource(nullptr, resource)));
    }
    want.insert(want.end(), {"SetReserved 0 1", PlayOf(0, 1), "SetVolume 0 0"});
    EXPECT_EQ(want, Calls());

    // Already on: a second call changes nothing.
    ForgetCalls();
    InitSound(window_);
    EXPECT_TRUE(Calls().empty());
}

TEST_F(Binding, EventsMakeTheirCalls) {
    InitSound(window_);
    ForgetCalls();
    SetAmbientVolume(255);  // scaled by the volume option 200
    SetAmbientVolume(51);
    SetAmbientPan(300);
    PlayLetterPlaced(79);
    PlayLetterFlash(0);
    PlayConsoleSoundA();
    PlayConsoleSoundB();
    PlayUiSound1();
    PlayUiSound2();
    PlayUiSound3();
    const std::vector<std::string> calls = Calls();
    ASSERT_EQ(21u, calls.size());
    EXPECT_EQ("SetVolume 0 200", calls[0]);
    EXPECT_EQ("SetVolume 0 40", calls[1]);
    EXPECT_EQ("SetPan 0 255", calls[2]);

    // Letters: a random one of their six samples (handles 2..7 and 8..13) on the
    // channel the library answers (1, 2, ... here), panned by column, volume / 2.
    int handle = 0;
    ASSERT_EQ(1, std::sscanf(calls[3].c_str(), "PlaySound -1 %d", &handle)) << calls[3];
    EXPECT_TRUE(handle >= 2 && handle <= 7) << handle;
    EXPECT_EQ("SetPan 1 255", calls[4]);
    EXPECT_EQ("SetVolume 1 100", calls[5]);
    ASSERT_EQ(1, std::sscanf(calls[6].c_str(), "PlaySound -1 %d", &handle)) << calls[6];
    EXPECT_TRUE(handle >= 8 && handle <= 13) << handle;
    EXPECT_EQ("SetPan 2 0", calls[7]);
    EXPECT_EQ("SetVolume 2 100", calls[8]);

    // The console sounds: the first landing and the last flash sample, stereo.
    const std::vector<std::string> rest(calls.begin() + 9, calls.end());
    EXPECT_EQ((std::vector<std::string>{PlayOf(-1, 2), "SetPan 3 -1", "SetVolume 3 100", PlayOf(-1, 13), "SetPan 4 -1",
                                        "SetVolume 4 100", PlayOf(-1, 14), "SetVolume 5 100", PlayOf(-1, 15),
                                        "SetVolume 6 100", PlayOf(-1, 16), "SetVolume 7 100"}),
              rest);
}

TEST_F(Binding, SoundOffLoadsNothingAndVolumeZeroPlaysNothing) {
    localOptions.soundEnabled = 0;
    InitSound(window_);
    PlayUiSound1();
    EXPECT_EQ(nullptr, GetModuleHandleA("fmod.dll"));
    EXPECT_TRUE(Calls().empty());

    localOptions.soundEnabled = 1;
    localOptions.volume = 0;
    InitSound(window_);
    ASSERT_NE(nullptr, CurrentSoundDevice());
    ForgetCalls();
    SetAmbientVolume(255);
    SetAmbientPan(10);
    PlayLetterPlaced(3);
    PlayConsoleSoundB();
    PlayUiSound3();
    EXPECT_TRUE(Calls().empty());
}

TEST_F(Binding, ShutdownStopsEverythingClosesAndUnloads) {
    InitSound(window_);
    ForgetCalls();
    ShutdownSound();
    EXPECT_EQ((std::vector<std::string>{"StopSound -3", "Close", "unloaded"}), Calls());
    EXPECT_EQ(nullptr, CurrentSoundDevice());
    ForgetCalls();
    ShutdownSound();
    PlayUiSound1();
    EXPECT_TRUE(Calls().empty());
}

TEST_F(Binding, ALibraryWithoutAnEntryPointLeavesSoundOff) {
    UseLibraryIn("KVS_PARTIAL_RECORDER_DIR");
    InitSound(window_);
    EXPECT_EQ(nullptr, CurrentSoundDevice());
    EXPECT_EQ(nullptr, GetModuleHandleA("fmod.dll"));
    PlayLetterPlaced(3);
    EXPECT_EQ((std::vector<std::string>{"loaded", "unloaded"}), Calls());
}

TEST(ShippedBinding, LooksUpDecoratedStdcallNames) {
    const std::string path = WindowsPath(Env("KVS_SCR"));
    std::ifstream file(path, std::ios::binary);
    ASSERT_TRUE(file.good()) << path;
    std::stringstream bytes;
    bytes << file.rdbuf();
    const std::string image = bytes.str();
    EXPECT_NE(std::string::npos, image.find(std::string("fmod.dll") + '\0'));
    for (const char* name : {"_FSOUND_SetOutput@4", "_FSOUND_SetHWND@4", "_FSOUND_Init@12", "_FSOUND_Sample_Load@20",
                             "_FSOUND_SetReserved@8", "_FSOUND_PlaySound@8", "_FSOUND_SetVolume@8", "_FSOUND_SetPan@8",
                             "_FSOUND_StopSound@4", "_FSOUND_Close@0"})
        EXPECT_NE(std::string::npos, image.find(std::string(name) + '\0')) << name;
}

}  // namespace
