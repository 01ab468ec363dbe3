// The drawing hooks the renderer calls for the console start intro and the crash
// effect. Until those effects are in place the definitions here do nothing: the
// intro reports itself over at once and the crash draws no flashes.
#pragma once

#include <cstdint>

// Console start intro: set-up from InitRenderer (when the intro is enabled),
// advance first in every frame (true once the intro is over and the rain shows),
// draw last before the flush.
void PrepareConsoleIntro();
bool AdvanceConsoleIntro(int32_t units);
void DrawConsoleIntro();

// Crash effect: render set-up from InitRenderer, flashes after every grid pass.
void PrepareCrashRendering();
void DrawCrashFlashes();
