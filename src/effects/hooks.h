// The drawing hooks the renderer calls for the console start intro and the
// crash effect, and the overlay quads they draw with. The intro and the crash
// work out their quads portably (console.cpp, crash.cpp); only the drawing
// (hooks.cpp, DrawConsoleIntro, DrawCrashFlashes, DrawOverlayQuads) talks to GL.
#pragma once

#include <cstdint>

// Console start intro (console.cpp): set-up from InitRenderer (when the intro is
// enabled), advance first in every frame (true once the intro is over and the
// rain shows), draw last before the flush.
void PrepareConsoleIntro();
bool AdvanceConsoleIntro(int32_t units);
void DrawConsoleIntro();

// Crash effect (crash.cpp): render set-up from InitRenderer, flashes after
// every grid pass.
void PrepareCrashRendering();
void DrawCrashFlashes();

// One textured quad over a display, in the display's own pixels (origin at its
// top-left corner, y down), added onto the frame like the cell layers.
struct OverlayQuad {
    uint32_t texture;  // unused by a veil
    float red, green, blue;
    float left, top, right, bottom;
    float u0, v0, u1, v1;  // texture coordinates at the left / top and right / bottom edges
    // A veil is black with `alpha`, untextured and blended by its alpha, so it
    // darkens what lies under it.
    bool veil;
    float alpha;
};
constexpr int kOverlayQuadCapacity = 8;  // per display and frame

// Draws the quads on display `display`, then puts the renderer's texturing and
// blending back.
void DrawOverlayQuads(int display, const OverlayQuad* quads, int count);
