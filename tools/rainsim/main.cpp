// rainsim: runs the code rain without a window. Every frame clears the code
// grids and feeds the frame's time to the simulation and the effect modules
// exactly as the frame tick does; the statistics describe what the renderer
// would have drawn, and every effect run (started by its interval or by
// --effect NAME[@SECONDS], which triggers it at that simulated time, or as soon
// after as no other effect or incoming text runs).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "effects/effects.h"
#include "effects/modules.h"
#include "host/display_table.h"
#include "host/frametime.h"
#include "render/textures.h"
#include "settings/settings.h"
#include "sim/buffer.h"
#include "sim/eval.h"

namespace {

const char kUsage[] =
    "usage: rainsim [--seconds N] [--frame-ms N] [--record FILE] [--columns N] [--rows N]\n"
    "               [--displays N] [--seed N] [--show] [--effect NAME[@SECONDS]]...\n"
    "effects: dejavu movement still trace smallbursts drops\n";

constexpr int kMaxTriggers = 32;
constexpr int kMaxListedRuns = 64;

struct Trigger {
    int slot;
    double at;  // simulated seconds
    bool started;
};

struct Options {
    long seconds = 10;
    long frameMs = 16;
    const char* record = nullptr;
    long columns = 0;  // 0 = from the settings
    long rows = 0;
    long displays = 1;
    long seed = -1;
    bool show = false;
    Trigger triggers[kMaxTriggers];
    int triggerCount = 0;
};

bool ParseLong(const char* text, long low, long high, long& out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (*end != '\0' || v < low || v > high) return false;
    out = v;
    return true;
}

// NAME or NAME@SECONDS.
bool ParseTrigger(const char* text, Options& o) {
    if (!text || o.triggerCount >= kMaxTriggers) return false;
    char name[32];
    size_t n = 0;
    while (text[n] && text[n] != '@' && n + 1 < sizeof name) {
        name[n] = text[n];
        ++n;
    }
    name[n] = '\0';
    Trigger t{FindEffectSlot(name), 0.0, false};
    if (t.slot < 0 || (text[n] != '\0' && text[n] != '@')) return false;
    if (text[n] == '@') {
        char* end = nullptr;
        t.at = std::strtod(text + n + 1, &end);
        if (end == text + n + 1 || *end != '\0' || !(t.at >= 0.0 && t.at <= 1e6)) return false;
    }
    o.triggers[o.triggerCount++] = t;
    return true;
}

bool ParseArguments(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        bool ok = true;
        if (std::strcmp(a, "--show") == 0) {
            o.show = true;
            continue;
        } else if (std::strcmp(a, "--seconds") == 0) {
            ok = ParseLong(value, 0, 1000000, o.seconds);
        } else if (std::strcmp(a, "--frame-ms") == 0) {
            ok = ParseLong(value, 1, 100000, o.frameMs);
        } else if (std::strcmp(a, "--record") == 0) {
            ok = value != nullptr;
            o.record = value;
        } else if (std::strcmp(a, "--columns") == 0) {
            ok = ParseLong(value, 1, 4096, o.columns);
        } else if (std::strcmp(a, "--rows") == 0) {
            ok = ParseLong(value, 1, 4096, o.rows);
        } else if (std::strcmp(a, "--displays") == 0) {
            ok = ParseLong(value, 1, kDisplayCapacity, o.displays);
        } else if (std::strcmp(a, "--effect") == 0) {
            ok = ParseTrigger(value, o);
        } else if (std::strcmp(a, "--seed") == 0) {
            ok = ParseLong(value, 0, 0x7fffffffL, o.seed);
        } else {
            std::fprintf(stderr, "rainsim: unknown argument %s\n", a);
            return false;
        }
        if (!ok) {
            std::fprintf(stderr, "rainsim: bad value for %s\n", a);
            return false;
        }
        ++i;
    }
    return true;
}

bool LoadRecord(const char* path) {
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        std::fprintf(stderr, "rainsim: cannot open %s\n", path);
        return false;
    }
    unsigned char image[kSettingsRecordSize + 1];
    const size_t n = std::fread(image, 1, sizeof image, f);
    std::fclose(f);
    if (n != static_cast<size_t>(kSettingsRecordSize)) {
        std::fprintf(stderr, "rainsim: %s is not a %d-byte settings image\n", path, kSettingsRecordSize);
        return false;
    }
    SettingsRecord loaded;
    std::memcpy(&loaded, image, kSettingsRecordSize);
    if (!IsSettingsRecordValid(loaded)) {
        std::fprintf(stderr, "rainsim: %s fails the validity rule; using the defaults\n", path);
        return true;
    }
    settings = loaded;
    return true;
}

uint32_t g_seed = 0;
uint32_t FixedClock() { return g_seed; }

struct Range {
    double sum = 0;
    long min = 0x7fffffffL, max = 0;
    void Add(long v) {
        sum += static_cast<double>(v);
        if (v < min) min = v;
        if (v > max) max = v;
    }
};

// Every effect run as the registry reports it.
struct EffectRun {
    int slot;
    long startFrame, endFrame;  // endFrame -1 while running
    double layers;              // layers of every display, summed over the run's frames
};
EffectRun g_runs[kMaxListedRuns];
int g_runCount = 0;
long g_runsStarted[kKnownEffectSlots];
long g_frame = 0;
EffectRun* g_current = nullptr;  // the listed run of this frame, if any

void OnEffectRun(int slot, bool running) {
    if (running) {
        if (slot >= 0 && slot < kKnownEffectSlots) ++g_runsStarted[slot];
        g_current = g_runCount < kMaxListedRuns ? &g_runs[g_runCount++] : nullptr;
        if (g_current) *g_current = EffectRun{slot, g_frame, -1, 0.0};
    } else if (g_runCount > 0 && g_runs[g_runCount - 1].endFrame < 0) {
        g_runs[g_runCount - 1].endFrame = g_frame;
    }
}

void TriggerDue(Options& o, double now) {
    for (int i = 0; i < o.triggerCount; ++i) {
        Trigger& t = o.triggers[i];
        if (t.started || now < t.at || IsEffectRunning() || IsIncomingTextActive()) continue;
        const long before = g_runsStarted[t.slot];
        TriggerEffect(t.slot);
        t.started = g_runsStarted[t.slot] != before;
    }
}

void PrintEffectRuns(long frameMs) {
    const double s = static_cast<double>(frameMs) / 1000.0;
    long total = 0;
    for (long n : g_runsStarted) total += n;
    std::printf("effect runs: %ld\n", total);
    for (int i = 0; i < g_runCount; ++i) {
        const EffectRun& r = g_runs[i];
        const long end = r.endFrame < 0 ? g_frame : r.endFrame;
        const long frames = end - r.startFrame + 1;
        std::printf("  %-11s start %8.3f s, %s %8.3f s, %6ld frames, %.0f layers per frame\n", GetEffectName(r.slot),
                    r.startFrame * s, r.endFrame < 0 ? "running" : "end", end * s, frames,
                    r.layers / static_cast<double>(frames));
    }
    if (total > g_runCount) std::printf("  (%ld more runs not listed)\n", total - g_runCount);
}

void ShowDisplay(int display) {
    const __buffer& grid = codeGrids[display];
    static const char kShades[] = " .:-=+*#%@";
    for (uint32_t row = 0; row < grid.height; ++row) {
        for (uint32_t column = 0; column < grid.width; ++column) {
            float level = 0;
            const uint32_t count = GetCellLayerCount(grid, column, row);
            for (uint32_t i = 0; i < count; ++i) {
                float r = 0, g = 0, b = 0;
                GetCellLayer(grid, column, row, i, nullptr, &r, &g, &b, nullptr);
                level += (r + g + b) / 3.0f;
            }
            int shade = count == 0 ? 0 : 1 + static_cast<int>(level * 8.0f);
            if (shade > 9) shade = 9;
            std::putchar(kShades[shade]);
        }
        std::putchar('\n');
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!ParseArguments(argc, argv, o)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    SetDefaultSettings();
    if (o.record && !LoadRecord(o.record)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (o.columns) settings.columns = static_cast<int32_t>(o.columns);
    if (o.rows) settings.rows = static_cast<int32_t>(o.rows);
    SetUniformDisplays(static_cast<int>(o.displays), 1920, 1080);
    ApplyMultiDisplayOverrides(settings, displayCount);
    if (o.seed >= 0) {
        g_seed = static_cast<uint32_t>(o.seed);
        SetEvaluatorClock(FixedClock);
    }

    FillPlaceholderTextureTables();
    InitEvaluator();
    InitEffectModules();
    SetEffectRunObserver(OnEffectRun);
    AllocCodeGrids(displayCount, settings.columns, settings.rows);

    const long frames = o.seconds * 1000 / o.frameMs;
    Range active, layers, cells;
    long poolOverflows = 0;
    const auto begin = std::chrono::steady_clock::now();
    for (long frame = 0; frame < frames; ++frame) {
        g_frame = frame;
        ClearCodeGrids(displayCount);
        TriggerDue(o, static_cast<double>(frame) * static_cast<double>(o.frameMs) / 1000.0);
        AdvanceFrameTime(frame == 0, frame == 0 ? 0 : static_cast<int32_t>(o.frameMs));
        const int n = CountActiveTracers();
        if (n > kTracerSlots) ++poolOverflows;
        active.Add(n);
        long l = 0, c = 0;
        for (int d = 0; d < displayCount; ++d) {
            l += CountUsedLayers(codeGrids[d]);
            c += CountUsedCells(codeGrids[d]);
        }
        layers.Add(l);
        cells.Add(c);
        if (g_current) g_current->layers += static_cast<double>(l);
        if (!IsEffectRunning()) g_current = nullptr;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();

    const double count = frames > 0 ? static_cast<double>(frames) : 1.0;
    std::printf("grid %dx%d, %d display(s), speed %.2f, %ld frames of %ld ms (%ld s simulated)\n",
                settings.columns, settings.rows, displayCount, static_cast<double>(settings.speed), frames,
                o.frameMs, o.seconds);
    if (frames > 0) {
        std::printf("active tracers: min %ld, mean %.1f, max %ld (pool %d)\n", active.min, active.sum / count,
                    active.max, kTracerSlots);
        std::printf("layers per frame: min %ld, mean %.1f, max %ld\n", layers.min, layers.sum / count, layers.max);
        std::printf("used cells per frame: min %ld, mean %.1f, max %ld of %ld\n", cells.min, cells.sum / count,
                    cells.max, static_cast<long>(settings.columns) * settings.rows * displayCount);
    }
    std::printf("text runs started: %d\n", incomingText.runsStarted);
    PrintEffectRuns(o.frameMs);
    std::printf("simulation time: %.3f s (%.4f ms per frame)\n", seconds, seconds * 1000.0 / count);
    if (o.show && frames > 0) {
        std::printf("display 0, last frame:\n");
        ShowDisplay(0);
    }

    SetEffectRunObserver(nullptr);
    FreeCodeGrids();
    ShutdownEvaluator();
    return poolOverflows == 0 ? 0 : 1;
}
