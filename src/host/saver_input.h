// What the full-screen saver does with input, and the small rules of its frame
// loop: which keys start effects or end the saver, how much mouse movement is
// tolerated, the frame pacing and the counter line's rate. Portable: the Win32
// window procedure only translates messages into these calls.
#pragma once

#include <cstdint>

// Result of an input event.
enum SaverInputResult : int {
    kInputKeep = 0,   // consumed; the saver goes on
    kInputClose = 1,  // the saver window is to be closed
};

constexpr int kVirtualKeySpace = 0x20;
constexpr int kVirtualKeyEscape = 0x1B;
constexpr uint32_t kMouseGraceMs = 3000;
constexpr int32_t kMouseMovesToClose = 9;

// Mouse tolerance state (main thread only).
extern int32_t mouseMoves;    // moves counted after the grace period, decayed by the frame tick
extern int32_t frameCounter;  // frames since the last decay (0..32)

// Key-down with virtual key `key`: effect keys (enable and key flags set) trigger
// their effect, the Spacebar a random enabled effect; any other key closes the
// saver unless keyboard input is allowed, in which case only Escape closes it.
int HandleSaverKey(int key);

// A mouse move at tick `now`; moves within the grace period after `startTick` are
// not counted (unsigned tick difference). Closes on the ninth counted move unless
// mouse input is allowed.
int HandleSaverMouseMove(uint32_t now, uint32_t startTick);

// A button press or wheel turn (`middleDoubleClick` for a middle-button double
// click, which closes whatever the options say).
int HandleSaverMouseButton(bool middleDoubleClick);

// Frame tick step 2: every 33rd frame the move count decays (>= 5 loses 4, else 0).
void DecayMouseMoves();

// Resets the counters (process start state).
void ResetSaverInput();

// Frame pacing: with reduced hardware use and a previous frame of at most 19 ms,
// the rest of 20 ms; otherwise 1 ms.
uint32_t FramePacingSleepMs(bool reduceHardwareUsage, int32_t lastFrameMs);

// Frames per second shown by the counter line: trunc(1000 / lastFrameMs), 1000
// for a zero (or negative) frame time.
int32_t CounterFramesPerSecond(int32_t lastFrameMs);

// Whether a window title contains "Media Player" in any mix of case.
bool TitleHasMediaPlayer(const char* title);
