// Runs the saver's frame work headless from one settings record as a registry
// value or a preset file could carry it: the start-up validity rule, the
// simulation, every registered effect and the renderer's geometry, for a few
// hundred frames. Shared by the settings fuzz target and its regression tests.
//
// Input: the record image (a shorter one is completed from the defaults, as a
// short stored record is), then optional control bytes:
//   [0] displays - 1 (mod 16)   [1] bit 0: preview mode   [2] frames - 100
//   [3], [4] display width and height in units of 8 pixels   [5] random seed
//   [6..] one byte per frame: bits 0-5 the frame's milliseconds; 0xC0 and up
//         also presses an effect key or the Spacebar.
#pragma once

#include <cstddef>
#include <cstdint>

// Returns the number of frames run (fewer when a budget of 400 simulation
// steps ran out first).
int RunSettingsInput(const uint8_t* data, size_t size);
