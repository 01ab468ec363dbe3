#include "effects/console.h"

#include <cmath>

#include "effects/effect_cells.h"
#include "host/display_table.h"
#include "render/textures.h"
#include "settings/settings.h"
#include "sim/random.h"
#include "sound/sound.h"

namespace {

constexpr int kItems = 56;
constexpr int kShownItems = 29;  // items 0..28 ever show

// A scan line: vertical (at `along`, a fraction of the width) or horizontal
// (at `across`, of the height), single or a pair of thinner bands.
struct ScanLine {
    bool pair;
    float across, along;  // -1: not this orientation
    float size;           // half-width, a fraction of the display
    float drift;          // added to the position every drawn frame
};

struct ConsoleIntro {
    double clock;  // ticks
    bool beamSoundPlayed, endSoundPlayed;
    // The last frame carried time. Frames always do, except the diagnostic
    // hold of a picture, which should stand still, scan lines included.
    bool moving;
    ScanLine items[kMaxDisplays][kItems];
};

ConsoleIntro g;

OverlayQuad Quad(uint32_t texture, Rgb c, float left, float top, float right, float bottom, float u0, float v0,
                 float u1, float v1) {
    return OverlayQuad{texture, c.r, c.g, c.b, left, top, right, bottom, u0, v0, u1, v1, false, 1.0f};
}

// The scan line of display `d` for clock t (52 < t < 108), moved by its drift.
int ScanLineQuads(int d, double t, float w, float h, Rgb a, OverlayQuad* out) {
    int k = (static_cast<int>(std::lround(t)) - 52) >> 1;
    if (k > kShownItems - 1) k = kShownItems - 1;
    if (k < 0) k = 0;
    ScanLine& s = g.items[d][k];
    const Rgb c = a * 0.5f;
    const uint32_t tex = textureTables.squareSpot;
    const float drift = g.moving ? s.drift : 0.0f;
    if (s.along != -1.0f) {
        s.along += drift;
        if (!s.pair) {
            out[0] = Quad(tex, c, (s.along - s.size) * w, 0, (s.along + s.size) * w, h, 0.0f, 0.2f, 1.0f, 0.8f);
            return 1;
        }
        out[0] = Quad(tex, c, (s.along - s.size / 2) * w, 0, (s.along - s.size / 5) * w, h, 0.0f, 0.2f, 1.0f, 0.8f);
        out[1] = Quad(tex, c, (s.along + s.size / 5) * w, 0, (s.along + s.size / 2) * w, h, 0.0f, 0.2f, 1.0f, 0.8f);
        return 2;
    }
    if (s.across != -1.0f) {
        s.across += drift;
        if (!s.pair) {
            out[0] = Quad(tex, c, 0, (s.across - s.size) * h, w, (s.across + s.size) * h, 0.2f, 0.0f, 0.8f, 1.0f);
            return 1;
        }
        out[0] = Quad(tex, c, 0, (s.across - s.size / 2) * h, w, (s.across - s.size / 5) * h, 0.2f, 0.0f, 0.8f, 1.0f);
        out[1] = Quad(tex, c, 0, (s.across + s.size / 5) * h, w, (s.across + s.size / 2) * h, 0.2f, 0.0f, 0.8f, 1.0f);
        return 2;
    }
    return 0;
}

}  // namespace

void PrepareConsoleIntro() {
    g.clock = 0.0;
    g.beamSoundPlayed = g.endSoundPlayed = false;
    for (int d = 0; d < kMaxDisplays; ++d) {
        for (ScanLine& s : g.items[d]) {
            s = ScanLine{Random(8) == 0, -1.0f, -1.0f, 0.0f, 0.0f};
            if (Random(3) == 0) continue;  // an empty item
            if (Random(2) != 0)
                s.along = 0.01f * static_cast<float>(Random(101));
            else
                s.across = 0.01f * static_cast<float>(Random(101));
            s.size = 0.01f * static_cast<float>(Random(60) + 20);
            s.drift = Random(2) != 0 ? 0.01f * static_cast<float>(10 - Random(21)) : 0.0f;
        }
    }
}

bool AdvanceConsoleIntro(int32_t units) {
    g.moving = units > 0;
    if (g.clock < kConsoleEndTick) g.clock += 0.001 * (units > 0 ? units : 0);  // held once over
    if (g.clock >= kConsoleRainTick && !g.endSoundPlayed) {
        g.endSoundPlayed = true;
        PlayConsoleSoundB();
    }
    return g.clock >= kConsoleRainTick;
}

double ConsoleIntroClock() { return g.clock; }

int ConsoleIntroQuads(int d, OverlayQuad* out) {
    const double t = g.clock;
    if (d < 0 || d >= kMaxDisplays || !(t > 30.0 && t < kConsoleEndTick)) return 0;
    const DisplayRect& r = displayRects[d];
    const int32_t wi = r.right - r.left, hi = r.bottom - r.top;
    const float w = static_cast<float>(wi), h = static_cast<float>(hi);
    const float cx = static_cast<float>(wi / 2), cy = static_cast<float>(hi / 2);
    const GridSize grid = EffectGridSize();
    const float cw = grid.columns > 0 ? w / grid.columns : 0.0f, ch = grid.rows > 0 ? h / grid.rows : 0.0f;
    const Rgb a = AccentColour();
    const uint32_t spot = textureTables.spot;
    int n = 0;
    if (t < 50) {  // the cursor
        const double b = t <= 36 ? (t - 30) / 18 : (t <= 46 ? (t - 36) * 0.05 + 0.5 : (46 - t) * 0.25 + 1.0);
        out[n++] = Quad(spot, a * static_cast<float>(b), cx - ch, cy - ch, cx + ch, cy + ch, 0, 0, 1, 1);
    }
    if (t > 46 && t < 52) {  // the beam
        if (!g.beamSoundPlayed) {
            g.beamSoundPlayed = true;
            PlayConsoleSoundA();
        }
        const float b = static_cast<float>(t > 50 ? (51 - t) * 1.2 : 1.2);
        const float u = static_cast<float>(t - 46);
        out[n++] = Quad(spot, a * b, cx - 1.1f * cw, (1 - u) * cy, cx + 1.1f * cw, (1 + u) * cy, 0, 0, 1, 1);
    }
    if (t > 52 && t <= 58) {  // the horizontal glow
        const float b = static_cast<float>((t - 52) / 6), s = static_cast<float>((52 - t) / 21 + 0.3);
        out[n++] = Quad(spot, a * b, 0, 0, w, h, s + 0.2f, 0.2f, 0.8f - s, 0.8f);
    }
    for (int p = 0; p < 3; ++p) {  // the pulses
        const double centre = 54 + 20 * p, start = 52 + 20 * p;
        if (!(t > centre - 4 && t < centre + 4)) continue;
        // Falls below 0 at the window's ends, where GL would clamp it to black.
        const float b = static_cast<float>(std::fmax(0.0, 1 - std::fabs(t - centre) * 0.5));
        const float vs = static_cast<float>(t > start ? (start - t) / 12 + 0.5 : 0.5);
        out[n++] = Quad(spot, a * b, 0, 0, w, h, 0.0f, vs, 1.0f, 1.0f);
    }
    if (t > kConsoleRainTick) {  // the veil over the fresh rain
        out[n] = Quad(0, Rgb{0, 0, 0}, 0, 0, w, h, 0, 0, 1, 1);
        out[n].veil = true;
        out[n++].alpha = static_cast<float>(1 + (kConsoleRainTick - t) / 6);
    }
    if (t > 58) {  // the steady glow
        const float b = static_cast<float>(t > kConsoleRainTick ? 0.5 * (1 + (kConsoleRainTick - t) / 6) : 0.5);
        out[n++] = Quad(spot, a * b, 0, 0, w, h, 0.2f, 0.2f, 0.8f, 0.8f);
    }
    if (t > 52 && t < kConsoleRainTick) n += ScanLineQuads(d, t, w, h, a, out + n);
    return n;
}
