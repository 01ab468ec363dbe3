// The sound-library binding in this process against the recording fmod.dll
// (fmod_recorder.cpp), with the screensaver's own resources: the calls of
// InitSound, of every event and of the shutdown; silence when sound is off, at
// volume 0 or with an entry point missing. And the shipped 32-bit file looks
// the entry points up by their decorated names.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "host/win32/saver_harness.h"
#include "sound/device.h"
#include "sound/sound.h"

using saver_test::ToWindowsPath;

namespace {

using Calls = std::vector<std::string>;
std::string PlayOf(int channel, int handle) { return "PlaySound " + std::to_string(channel) + " " + std::to_string(handle); }

class Binding : public ::testing::Test {
protected:
    void SetUp() override {
        SetDefaultSettings();
        localOptions.soundEnabled = 1;
        localOptions.volume = 200;
        settings.columns = 80;
        record_ = saver_test::OutputDir() + "fmod-calls.txt";
        DeleteFileA(record_.c_str());
        SetEnvironmentVariableA("KVS_FMOD_RECORD", record_.c_str());
        UseLibraryIn("KVS_FULL_RECORDER_DIR");
        window_ = CreateWindowExA(0, "STATIC", "sound", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        ShutdownSound();
        DestroyWindow(window_);
        SetDllDirectoryA(nullptr);
        SetDefaultSettings();
    }
    static void UseLibraryIn(const char* variable) {
        const char* dir = std::getenv(variable);
        ASSERT_NE(nullptr, dir) << variable;
        SetDllDirectoryA(ToWindowsPath(dir).c_str());
    }
    // The calls recorded since the last look.
    Calls Take() const {
        std::ifstream file(record_);
        Calls lines;
        for (std::string line; std::getline(file, line);) lines.push_back(line);
        file.close();
        DeleteFileA(record_.c_str());
        return lines;
    }

    std::string record_;
    HWND window_ = nullptr;
};

TEST_F(Binding, InitSoundBindsLoadsEverySampleAndStartsTheLoopSilently) {
    InitSound(window_);
    ASSERT_NE(nullptr, CurrentSoundDevice());
    char hwnd[40];
    std::snprintf(hwnd, sizeof hwnd, "SetHWND %llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(window_)));
    Calls want = {"loaded", "SetOutput 1", hwnd, "Init 44100 16 1"};
    for (int id : {2000, 2001, 2002, 2003, 2004, 2005, 2006, 2011, 2012, 2013, 2014, 2015, 2016, 2021, 2022, 2023}) {
        HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(id), "OGG");
        ASSERT_NE(nullptr, resource) << id;
        want.push_back("Sample_Load -1 OggS " + std::to_string((id == 2000 ? 2 : 1) | 0x8000) + " 0 " +
                       std::to_string(SizeofResource(nullptr, resource)));
    }
    want.insert(want.end(), {"SetReserved 0 1", PlayOf(0, 1), "SetVolume 0 0"});
    EXPECT_EQ(want, Take());
    InitSound(window_);  // already on: nothing
    EXPECT_EQ(Calls{}, Take());
}

TEST_F(Binding, EventsMakeTheirCallsAndShutdownEndsThem) {
    InitSound(window_);
    Take();
    SetAmbientVolume(255);  // scaled by the volume option 200
    SetAmbientVolume(51);
    SetAmbientPan(300);
    PlayLetterPlaced(79);
    PlayLetterFlash(0);
    Calls calls = Take();
    ASSERT_EQ(9u, calls.size());
    EXPECT_EQ((Calls{"SetVolume 0 200", "SetVolume 0 40", "SetPan 0 255"}), Calls(calls.begin(), calls.begin() + 3));
    // A random one of the six landing (handles 2..7) and flash (8..13) samples on
    // the channel the library answers, panned by column, at volume / 2.
    int landing = 0, flash = 0;
    ASSERT_EQ(1, std::sscanf(calls[3].c_str(), "PlaySound -1 %d", &landing)) << calls[3];
    ASSERT_EQ(1, std::sscanf(calls[6].c_str(), "PlaySound -1 %d", &flash)) << calls[6];
    EXPECT_TRUE(landing >= 2 && landing <= 7 && flash >= 8 && flash <= 13) << landing << " " << flash;
    EXPECT_EQ((Calls{"SetPan 1 255", "SetVolume 1 100"}), Calls(calls.begin() + 4, calls.begin() + 6));
    EXPECT_EQ((Calls{"SetPan 2 0", "SetVolume 2 100"}), Calls(calls.begin() + 7, calls.end()));

    // The console sounds: the first landing and the last flash sample, stereo;
    // the interface sounds without a pan.
    PlayConsoleSoundA();
    PlayConsoleSoundB();
    PlayUiSound1();
    PlayUiSound2();
    PlayUiSound3();
    EXPECT_EQ((Calls{PlayOf(-1, 2), "SetPan 3 -1", "SetVolume 3 100", PlayOf(-1, 13), "SetPan 4 -1", "SetVolume 4 100",
                     PlayOf(-1, 14), "SetVolume 5 100", PlayOf(-1, 15), "SetVolume 6 100", PlayOf(-1, 16),
                     "SetVolume 7 100"}),
              Take());

    ShutdownSound();
    EXPECT_EQ((Calls{"StopSound -3", "Close", "unloaded"}), Take());
    ShutdownSound();  // already off
    PlayUiSound1();
    EXPECT_EQ(Calls{}, Take());
}

TEST_F(Binding, NothingPlaysWhenSoundIsOffAtVolumeZeroOrWithoutAnEntryPoint) {
    localOptions.soundEnabled = 0;
    InitSound(window_);  // loads nothing
    localOptions.soundEnabled = 1;
    localOptions.volume = 0;
    InitSound(window_);  // binds, but no event calls the library
    ASSERT_NE(nullptr, CurrentSoundDevice());
    EXPECT_EQ(23u, Take().size()) << "sound off loaded the library";
    SetAmbientVolume(255);
    PlayLetterPlaced(3);
    PlayUiSound3();
    ShutdownSound();
    EXPECT_EQ((Calls{"StopSound -3", "Close", "unloaded"}), Take());

    UseLibraryIn("KVS_PARTIAL_RECORDER_DIR");
    InitSound(window_);
    EXPECT_EQ(nullptr, CurrentSoundDevice());
    EXPECT_EQ(nullptr, GetModuleHandleA("fmod.dll"));
    EXPECT_EQ((Calls{"loaded", "unloaded"}), Take());
}

TEST(ShippedBinding, LooksUpDecoratedStdcallNames) {
    std::ifstream file(ToWindowsPath(std::getenv("KVS_SCR") ? std::getenv("KVS_SCR") : ""), std::ios::binary);
    const std::string image((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(image.empty());
    for (const char* name : {"fmod.dll", "_FSOUND_SetOutput@4", "_FSOUND_SetHWND@4", "_FSOUND_Init@12",
                             "_FSOUND_Sample_Load@20", "_FSOUND_SetReserved@8", "_FSOUND_PlaySound@8",
                             "_FSOUND_SetVolume@8", "_FSOUND_SetPan@8", "_FSOUND_StopSound@4", "_FSOUND_Close@0"})
        EXPECT_NE(std::string::npos, image.find(std::string(name) + '\0')) << name;
}

}  // namespace
