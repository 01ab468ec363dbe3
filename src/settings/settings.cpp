#include "settings/settings.h"

#include <cmath>
#include <cstring>

SettingsRecord settings;
LocalOptionsRecord localOptions;

namespace {

void CopyText(char (&field)[128], const char* text) {
    std::memset(field, 0, sizeof field);
    std::strncpy(field, text, sizeof field - 1);
}

}  // namespace

void FillDefaultSettings(SettingsRecord& s) {
    s.speed = 20.0f;
    s.columns = 80;
    s.rows = 40;
    s.charBlurLevel = 1;
    s.charEnglow = 1.0f;
    s.rotatorsOccurrence = 2;
    s.positiveDensity = 90;
    s.negativeDensity = 8;
    s.baseColor[0] = 0.298f;
    s.baseColor[1] = 0.7056f;
    s.baseColor[2] = 0.306f;
    s.glowingTracers = 10;
    s.noOverwriteTest = 0;
    s.streamLength = 1;
    s.pauseRarity = 2;
    s.releaseIntervalLog2 = 1;
    s.releaseMaxTracers = 4;
    s.splashInterval = 10;
    s.splashMaxTracers = 3;
    s.motionBlurDepth = 0;
    s.verticalBlurLevel = 0;
    s.speedVariability = 0;
    s.killingGround = 0;
    s.glowIntensity = 0.5f;
    s.halo = 72;
    s.plainErasers = 0;
    s.keepPattern = 1;
    s.textEnabled = 1;
    s.textHideTrailer = 1;
    s.textDoubleSpeedIn = 1;
    s.textRepeat = 0;
    s.textInterval = 15;
    CopyText(s.textLine1, "THE KORVAN SELWYTH");
    CopyText(s.textLine2, "SCREENSAVER ");
    CopyText(s.textLine3, "");
    s.textDoubleSpeedOut = 0;
    s.dejaVuEnabled = 1;
    s.dejaVuKey = 1;
    s.dejaVuInterval = 60;
    s.dejaVuRewrite = 1;
    s.dejaVuSpeed = 4000;
    s.rotatorsPlainFade = 0;
    s.burstsEnabled = 1;
    s.burstMovementKey = 1;
    s.burstStillKey = 1;
    s.burstTraceKey = 1;
    s.burstRandomPosition = 0;
    s.burstBorder = 8;
    s.burstSpeed = 12000;
    s.burstMovementInterval = 30;
    s.burstStillInterval = 50;
    s.burstTraceInterval = 70;
    s.dejaVuBars = 96;
    s.burstRandomScreen = 1;
    s.accentColor[0] = 0.7f;
    s.accentColor[1] = 0.9f;
    s.accentColor[2] = 1.0f;
    s.textZoomIn = 1;
    s.renderLastFrame = 1;
    s.sharperVerticalBlur = 0;
    s.sharperHalo = 0;
    s.smallBurstsEnabled = 1;
    s.smallBurstsKey = 1;
    s.smallBurstsRandomScreen = 1;
    s.smallBurstsBorder = 8;
    s.smallBurstsInterval = 40;
    s.smallBurstsSpeed = 9200;
    s.smallBurstsNumber = 32;
    s.smallBurstsSize = 3.0f;
    s.smallBurstsRandomSize = 1;
    s.smallBurstsBlendOut = 0;
    s.smallBurstsSolid = 0;
    s.consoleStart = 0;
    s.jumpInStart = 0;
    s.radialBlur = 0;
    s.radialDiffuse = 0.3f;
    s.dejaVuBaseColor = 0;
    s.dejaVuSolidBars = 0;
    s.dejaVuRandomize = 0;
    s.dropsEnabled = 1;
    s.dropsKey = 1;
    s.dropsInterval = 80;
    s.dropsNumber = 24;
    s.lightningsEnabled = 1;
    s.lightningsKey = 1;
    s.lightningsInterval = 60;
    s.lightningsSpeed = 1000;
    s.crashEnabled = 1;
    s.crashKey = 1;
    s.crashStable = 0;
    s.crashInterval = 120;
    s.crashEffects = 24;
    s.crashFlashes = 1;
    s.crashDirtyFlashes = 1;
    s.crashIncludeDejaVu = 1;
    s.crashIncludeDrops = 1;
    s.crashIncludeLightnings = 1;
    s.crashIncludeBursts = 0;
    s.crashIncludeSmallBursts = 0;
    s.dejaVuSparse = 0;
    s.crashScreenErrors = 1;
    s.charSize = 0.97f;
    s.supermanEnabled = 1;
    s.supermanKey = 1;
    s.supermanInterval = 80;
    s.supermanSpeed = 1500;
    s.crashIncludeSuperman = 0;
}

void FillDefaultLocalOptions(LocalOptionsRecord& l) {
    l.reduceHardwareUsage = 1;
    l.showCounters = 0;
    l.soundEnabled = 0;
    l.volume = 128;
    l.detectMediaPlayer = 0;
    l.extremeLowTextures = 0;
    l.allowKeyboard = 0;
    l.allowMouse = 0;
    l.customColors[0] = 0x004E964Cu;  // a green close to the default base colour
    l.textureFilter = 2;
    l.anisotropic = 0;
    l.screenWidth = 0;
    l.screenHeight = 0;
    l.screenBits = 32;
    l.screenHz = 60;
    l.registerPresetFiles = 1;
    l.feedbackFlag = 0;
    l.compressedBlurTextures = 0;
    l.alwaysOnTop = 0;
    l.fadeOut = 1;
}

void SetDefaultSettings() {
    FillDefaultSettings(settings);
    FillDefaultLocalOptions(localOptions);
}

bool IsSettingsRecordValid(const SettingsRecord& s) {
    const int32_t columns = s.columns;
    const int32_t rows = s.rows;
    const float speed = s.speed;
    // The upper bounds keep every grid-sized buffer and loop of the rain small; a
    // speed that is not finite has no meaningful frame time.
    return columns >= 8 && columns <= kMaxColumns && rows >= 6 && rows <= kMaxRows && speed != 0.0f &&
           std::isfinite(speed);
}

void ApplyPreviewOverrides(SettingsRecord& s) {
    s.charEnglow = 1.0f;
    s.charBlurLevel = 0;
    s.motionBlurDepth = 0;
}

void ApplyMultiDisplayOverrides(SettingsRecord& s, int displayCount) {
    if (displayCount > 1) s.textZoomIn = 0;
}
