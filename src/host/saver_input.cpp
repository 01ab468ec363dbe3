#include "host/saver_input.h"

#include <cstring>

#include "effects/effects.h"
#include "settings/settings.h"

int32_t mouseMoves = 0;
int32_t frameCounter = 0;

int HandleSaverKey(int key) {
    if (HandleEffectKey(key)) return kInputKeep;
    if (key == kVirtualKeySpace) {
        TriggerRandomEffect();
        return kInputKeep;
    }
    const bool allowKeyboard = localOptions.allowKeyboard != 0;
    if (!allowKeyboard || key == kVirtualKeyEscape) return kInputClose;
    return kInputKeep;
}

int HandleSaverMouseMove(uint32_t now, uint32_t startTick) {
    if (static_cast<uint32_t>(now - startTick) > kMouseGraceMs && mouseMoves < INT32_MAX) ++mouseMoves;
    const bool allowMouse = localOptions.allowMouse != 0;
    if (!allowMouse && mouseMoves >= kMouseMovesToClose) return kInputClose;
    return kInputKeep;
}

int HandleSaverMouseButton(bool middleDoubleClick) {
    if (middleDoubleClick) return kInputClose;
    const bool allowMouse = localOptions.allowMouse != 0;
    return allowMouse ? kInputKeep : kInputClose;
}

void DecayMouseMoves() {
    ++frameCounter;
    if (frameCounter > 32) {
        frameCounter = 0;
        mouseMoves = mouseMoves >= 5 ? mouseMoves - 4 : 0;
    }
}

void ResetSaverInput() {
    mouseMoves = 0;
    frameCounter = 0;
}

uint32_t FramePacingSleepMs(bool reduceHardwareUsage, int32_t lastFrameMs) {
    if (reduceHardwareUsage && lastFrameMs <= 19) {
        if (lastFrameMs < 0) lastFrameMs = 0;
        return static_cast<uint32_t>(20 - lastFrameMs);
    }
    return 1;
}

int32_t CounterFramesPerSecond(int32_t lastFrameMs) {
    if (lastFrameMs <= 0) return 1000;
    return static_cast<int32_t>(1000.0 / lastFrameMs);
}

bool TitleHasMediaPlayer(const char* title) {
    static const char kNeedle[] = "Media Player";
    const size_t needle = sizeof(kNeedle) - 1;
    if (!title) return false;
    const size_t length = std::strlen(title);
    if (length < needle) return false;
    for (size_t at = 0; at + needle <= length; ++at) {
        size_t i = 0;
        for (; i < needle; ++i) {
            char a = title[at + i];
            char b = kNeedle[i];
            if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
            if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
            if (a != b) break;
        }
        if (i == needle) return true;
    }
    return false;
}
