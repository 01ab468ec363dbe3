#include "host/diagnostics.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "effects/effects.h"
#include "host/display_table.h"

DiagnosticsOptions diagnostics;

namespace {

struct TimingTotals {
    uint64_t frames;
    uint64_t simulationUs, renderUs, walkUs, submitUs, presentUs, frameUs, layers;
    uint64_t gridFragments, smallFragments, composeFragments;
};

TimingTotals g_total;   // since start
TimingTotals g_window;  // since the last periodic line
uint64_t g_windowStartUs = 0;

bool ReadNumber(const char* name, long* value) {
    const char* text = std::getenv(name);
    if (!text || !*text) return false;
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text) return false;
    *value = v;
    return true;
}

void Add(TimingTotals& t, const FrameTiming& f) {
    ++t.frames;
    t.simulationUs += f.simulationUs;
    t.renderUs += f.renderUs;
    t.walkUs += f.walkUs;
    t.submitUs += f.submitUs;
    t.presentUs += f.presentUs;
    t.frameUs += f.frameUs;
    t.layers += f.layers;
    t.gridFragments += f.gridFragments;
    t.smallFragments += f.smallFragments;
    t.composeFragments += f.composeFragments;
}

void WriteTotals(const char* label, const TimingTotals& t, uint64_t wallUs) {
    if (t.frames == 0) return;
    const double n = static_cast<double>(t.frames);
    const double fps = wallUs ? n * 1e6 / static_cast<double>(wallUs) : 0.0;
    TraceLine(
        "%s frames=%llu fps=%.1f sim_ms=%.3f render_ms=%.3f walk_ms=%.3f submit_ms=%.3f present_ms=%.3f "
        "frame_ms=%.3f layers=%.0f fragments=%.0f grid_fragments=%.0f small_fragments=%.0f compose_fragments=%.0f",
        label, static_cast<unsigned long long>(t.frames), fps, t.simulationUs / n / 1000.0, t.renderUs / n / 1000.0,
        t.walkUs / n / 1000.0, t.submitUs / n / 1000.0, t.presentUs / n / 1000.0, t.frameUs / n / 1000.0,
        static_cast<double>(t.layers) / n,
        static_cast<double>(t.gridFragments + t.smallFragments + t.composeFragments) / n,
        static_cast<double>(t.gridFragments) / n, static_cast<double>(t.smallFragments) / n,
        static_cast<double>(t.composeFragments) / n);
}

uint64_t g_firstFrameUs = 0;

}  // namespace

void ReadDiagnosticsOptions() {
    diagnostics = DiagnosticsOptions{};
    if (const char* path = std::getenv("KVS_TRACE")) {
        std::strncpy(diagnostics.tracePath, path, sizeof diagnostics.tracePath - 1);
    }
    if (const char* path = std::getenv("KVS_SOUND_WAV")) {
        std::strncpy(diagnostics.soundCapturePath, path, sizeof diagnostics.soundCapturePath - 1);
    }
    long v = 0;
    if (ReadNumber("KVS_TEST_SEED", &v)) {
        diagnostics.fixedSeed = true;
        diagnostics.seed = static_cast<uint32_t>(v);
    }
    if (ReadNumber("KVS_TEST_FRAME_MS", &v) && v >= 0 && v <= 1000) {
        diagnostics.fixedFrameMs = true;
        diagnostics.frameMs = static_cast<int32_t>(v);
    }
    if (ReadNumber("KVS_TEST_HOLD_FRAMES", &v) && v > 0 && v < INT32_MAX) diagnostics.holdAfterFrames = static_cast<int32_t>(v);
    if (ReadNumber("KVS_TEST_DISPLAYS", &v) && v >= 1 && v <= kDisplayCapacity)
        diagnostics.testDisplays = static_cast<int32_t>(v);
    if (ReadNumber("KVS_TEST_DIRECT_LAYERS", &v) && v != 0) diagnostics.directLayers = true;
    if (ReadNumber("KVS_TEST_WHOLE_QUADS", &v) && v != 0) diagnostics.wholeQuads = true;
    diagnostics.effectSlot = -1;
    ParseEffectTrigger(std::getenv("KVS_TEST_EFFECT"), diagnostics);
    g_total = TimingTotals{};
    g_window = TimingTotals{};
    g_windowStartUs = 0;
    g_firstFrameUs = 0;
}

bool ParseEffectTrigger(const char* text, DiagnosticsOptions& options) {
    if (!text) return false;
    const char* at = std::strchr(text, '@');
    char name[32];
    if (!at || at == text || static_cast<size_t>(at - text) >= sizeof name) return false;
    std::memcpy(name, text, static_cast<size_t>(at - text));
    name[at - text] = '\0';
    const int slot = FindEffectSlot(name);
    char* end = nullptr;
    const long frame = std::strtol(at + 1, &end, 10);
    if (slot < 0 || end == at + 1 || *end != '\0' || frame < 0 || frame > INT32_MAX) return false;
    options.effectSlot = slot;
    options.effectFrame = static_cast<int32_t>(frame);
    return true;
}

bool TraceEnabled() { return diagnostics.tracePath[0] != '\0'; }

void TraceLine(const char* format, ...) {
    if (!TraceEnabled()) return;
    std::FILE* file = std::fopen(diagnostics.tracePath, "a");
    if (!file) return;
    va_list args;
    va_start(args, format);
    std::vfprintf(file, format, args);
    va_end(args);
    std::fputc('\n', file);
    std::fclose(file);
}

uint64_t MonotonicMicros() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

void RecordFrameTiming(const FrameTiming& timing) {
    const uint64_t now = MonotonicMicros();
    if (g_total.frames == 0) {
        g_firstFrameUs = now;
        g_windowStartUs = now;
    }
    Add(g_total, timing);
    Add(g_window, timing);
    if (now - g_windowStartUs >= 1000000) {
        WriteTotals("second", g_window, now - g_windowStartUs);
        g_window = TimingTotals{};
        g_windowStartUs = now;
    }
}

void TraceTimingSummary(const char* label) {
    // The first frame's own time is not part of the wall span, so the rate
    // counts the frames after it.
    if (g_total.frames < 2) {
        WriteTotals(label, g_total, 0);
        return;
    }
    TimingTotals rest = g_total;
    const uint64_t span = MonotonicMicros() - g_firstFrameUs;
    WriteTotals(label, rest, span * g_total.frames / (g_total.frames - 1));
}

uint64_t RecordedFrames() { return g_total.frames; }
