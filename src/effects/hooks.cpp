#include "effects/hooks.h"

void PrepareConsoleIntro() {}
bool AdvanceConsoleIntro(int32_t) { return true; }
void DrawConsoleIntro() {}

void PrepareCrashRendering() {}
void DrawCrashFlashes() {}
