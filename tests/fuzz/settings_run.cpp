#include "settings_run.h"

#include <cstring>

#include "effects/effects.h"
#include "host/display_table.h"
#include "host/frametime.h"
#include "host/saver_input.h"
#include "render/geometry.h"
#include "render/layer_batch.h"
#include "render/textures.h"
#include "render/visible_extent.h"
#include "settings/labels.h"
#include "settings/scales.h"
#include "settings/settings.h"
#include "sim/buffer.h"
#include "sim/eval.h"
#include "effects/console.h"
#include "effects/crash.h"
#include "effects/modules.h"

namespace {

const int kKeys[] = {'D', 'E', 'R', 'T', 'S', 'G', 'V', 'X', 'F', ' '};
const uint32_t kLabelIds[] = {7301, 7302, 7303, 7304, 7305, 7306, 7307, 7308, 7408,
                              7409, 7411, 7416, 7701, 7702, 7703, 7708, 6309};

uint32_t g_seed;
uint32_t SeedClock() { return g_seed; }

// Simulation steps of one input: enough for a few hundred ordinary frames, few
// enough that the slowest record (largest grid, 60 steps a frame) ends in seconds
// under the sanitizers.
constexpr int kStepBudget = 400;
int g_steps;
int CountedStep(int32_t units) {
    ++g_steps;
    return StepSimulation(units);
}
const FrameTimeHooks kCountedHooks{nullptr, CountedStep, nullptr};

// What the settings window reads from a record it shows.
void ReadAsSettingsWindow(const SettingsRecord& s) {
    char text[512];
    for (uint32_t id : kLabelIds) FormatSettingsLabel(text, sizeof text, id, s);
    for (int f = 0; f < kSliderFieldCount; ++f) GetSliderPosition(s, static_cast<SliderField>(f));
    FormatIntervalLabel(text, sizeof text, 7506, s.textInterval, 0);
    CharactersNumberPosition(s);
    DensityPosition(s);
}

// The renderer's pass over the code grids: every layer with its vertical blur
// and halo quads, cut to a glyph-like picture's visible box, collected by texture.
void DrawGrids(LayerBatch& batch, const QuadArrays& quads, const DisplayGeometry* geometry) {
    const HaloPlan halo = PlanHalo(settings.halo);
    static TextureExtent glyphLike{};
    if (!glyphLike.known) {
        static uint8_t picture[128 * 128 * 4];
        for (int i = 33 * 128 + 33; i < 95 * 128; ++i) picture[i * 4 + 3] = (i % 128 >= 33 && i % 128 < 95) ? 200 : 0;
        RecordTextureExtent(1, picture, 128, 128, kFilterNearestMip, false);
        glyphLike = *FindTextureExtent(1);
    }
    for (int d = 0; d < displayCount; ++d) {
        const __buffer& grid = codeGrids[d];
        for (uint32_t column = 0; column < grid.width; ++column) {
            for (uint32_t row = 0; row < grid.height; ++row) {
                const uint32_t count = GetCellLayerCount(grid, column, row);
                for (uint32_t k = 0; k < count; ++k) {
                    LayerDraw draw{};
                    uint32_t quad = 0;
                    GetCellLayer(grid, column, row, k, &draw.texture, &draw.red, &draw.green, &draw.blue, &quad);
                    draw.x = column * geometry[d].cellWidth;
                    draw.y = row * geometry[d].cellHeight;
                    bool glow = false;
                    const bool glyph = FindGlyphIndex(textureTables, draw.texture, &glow) >= 0 && !glow;
                    const int passes = 1 + (glyph ? halo.whole + 2 : 0);
                    for (int p = 0; p < passes; ++p) {
                        draw.quad = QuadOf(quads, p == 0 ? (quad ? 1 : 0) : 2, d);
                        if (!TrimLayerQuad(glyphLike, draw.quad, 1.0f, 1.0f, &draw.quad)) continue;
                        if (AddLayerDraw(batch, draw)) continue;
                        ResetLayerBatch(batch);
                        AddLayerDraw(batch, draw);
                    }
                }
            }
        }
    }
    ResetLayerBatch(batch);
}

}  // namespace

int RunSettingsInput(const uint8_t* data, size_t size) {
    SettingsRecord record;
    std::memset(&record, 0, sizeof record);
    FillDefaultSettings(record);
    const size_t recordBytes = size < sizeof record ? size : sizeof record;
    if (recordBytes) std::memcpy(&record, data, recordBytes);
    const uint8_t* control = data + recordBytes;
    size_t controlSize = size - recordBytes;
    auto take = [&](uint8_t fallback) -> uint8_t {
        if (controlSize == 0) return fallback;
        --controlSize;
        return *control++;
    };

    ReadAsSettingsWindow(record);
    if (!IsSettingsRecordValid(record)) {
        std::memset(&record, 0, sizeof record);
        FillDefaultSettings(record);
    }
    settings = record;
    // The jump-in warm-up is up to 1566 ordinary steps before the first frame;
    // inputs spend their budget on frames instead.
    settings.jumpInStart = 0;
    FillDefaultLocalOptions(localOptions);

    const int displays = 1 + take(0) % kDisplayCapacity;
    const bool preview = (take(0) & 1) != 0;
    const int frames = 100 + take(100);
    const int32_t width = 8 * (1 + take(99));
    const int32_t height = 8 * (1 + take(74));
    g_seed = take(1) * 97u;
    SetUniformDisplays(displays, width, height);
    if (preview)
        ApplyPreviewOverrides(settings);
    else
        ApplyMultiDisplayOverrides(settings, displayCount);

    SetEvaluatorClock(SeedClock);
    InitEvaluator();
    InitEffectModules();
    ResetSaverInput();
    FillPlaceholderTextureTables();
    AllocCodeGrids(displayCount, settings.columns, settings.rows);

    static QuadArrays quads;
    DisplayGeometry geometry[kQuadDisplaySlots];
    for (int d = 0; d < displayCount; ++d) {
        const DisplayRect& r = displayRects[d];
        geometry[d] = MakeDisplayGeometry(r.right - r.left, r.bottom - r.top, settings.columns, settings.rows);
        BuildDisplayQuads(quads, d, geometry[d], settings.charSize, settings.verticalBlurLevel);
    }
    if (settings.consoleStart) PrepareConsoleIntro();
    static LayerBatch batch;
    if (!batch.capacity) InitLayerBatch(batch, kLayerBatchCapacity);

    const int32_t blurFrames = settings.motionBlurDepth < 0 ? 0 : (settings.motionBlurDepth > 63 ? 63 : settings.motionBlurDepth);
    volatile float sink = 0.0f;
    g_steps = 0;
    int frame = 0;
    for (; frame < frames && g_steps < kStepBudget; ++frame) {
        const uint8_t b = take(16);
        ClearCodeGrids(displayCount);
        AdvanceFrameTime(frame == 0, b & 0x3f, &kCountedHooks);
        if (b >= 0xC0) HandleSaverKey(kKeys[b % 10]);
        float zoom = incomingText.cameraZoom;
        const OrthoBounds view = CameraZoomBounds(width * displays, height, &zoom);
        sink = sink + static_cast<float>(view.left);
        for (int32_t k = 0; k < blurFrames; ++k)
            sink = sink + MotionBlurWeight(k, blurFrames) + RadialBlurInset(k, blurFrames, settings.radialDiffuse) +
                   static_cast<float>(MotionBlurSlot(frame, k, blurFrames));
        DrawGrids(batch, quads, geometry);
        // The overlays the renderer's hooks would draw: the crash's screen
        // errors and the console intro.
        OverlayQuad overlay[kOverlayQuadCapacity] = {};
        const bool intro = settings.consoleStart && !AdvanceConsoleIntro(1 + (b & 0x3f) * 20);
        for (int d = 0; d < displayCount; ++d) {
            const int n = CrashOverlayQuads(d, overlay) + (intro ? ConsoleIntroQuads(d, overlay) : 0);
            sink = sink + static_cast<float>(n) + overlay[0].left;
        }
    }
    EndEffectModules();

    FreeCodeGrids();
    ShutdownEvaluator();
    ResetEffectModules();
    SetEvaluatorClock(nullptr);
    ResetDisplayTable();
    return frame;
}
