// The two companion strips beside the settings window: 50 pixels wide, as high as
// the window, owned by it (so they minimise and close with it) and moved with it.
// Each shows three slow columns of falling characters.
#include <cstring>

#include "ui/win32/control_common.h"
#include "ui/win32/settings_state.h"
#include "ui/win32/settings_window.h"

namespace {

constexpr int kStripWidth = 50;
constexpr int kColumns = 3;
constexpr int kRowHeight = 14;
constexpr int kRows = kSettingsHeight / kRowHeight + 1;
constexpr UINT kStepMs = 110;
constexpr char kCharacters[] = "0123456789ABCDEFGHJKLMNPQRSTUVWXYZ<>=+*#$%&@";

// A column: its head row, trail length, step (rows per tick, in eighths) and the
// characters it reveals.
struct StripColumn {
    int head;      // in eighths of a row
    int length;    // rows
    int speed;     // eighths of a row per tick
    char cells[kRows];
};

struct StripState {
    StripColumn columns[kColumns];
    uint32_t seed;
};

StripState g_strips[2];

uint32_t Next(uint32_t& seed) {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
}

void StartColumn(StripState& strip, StripColumn& column, bool anywhere) {
    column.length = 6 + static_cast<int>(Next(strip.seed) % 14);
    column.speed = 3 + static_cast<int>(Next(strip.seed) % 6);
    column.head = anywhere ? static_cast<int>(Next(strip.seed) % (kRows * 8)) : -static_cast<int>(Next(strip.seed) % 80);
    for (char& cell : column.cells) cell = kCharacters[Next(strip.seed) % (sizeof kCharacters - 1)];
}

void Step(StripState& strip) {
    for (StripColumn& column : strip.columns) {
        column.head += column.speed;
        if (column.head / 8 - column.length > kRows) StartColumn(strip, column, false);
        // Now and then a character changes.
        column.cells[Next(strip.seed) % kRows] = kCharacters[Next(strip.seed) % (sizeof kCharacters - 1)];
    }
}

int StripIndex(HWND window) { return settingsState.strips[1] == window ? 1 : 0; }

void Paint(HWND window) {
    BufferedPaint buffer;
    HDC dc = BeginBufferedPaint(window, nullptr, buffer);
    if (dc) {
        const RECT& client = buffer.client;
        const int index = StripIndex(window);
        const StripState& strip = g_strips[index];
        for (int c = 0; c < kColumns; ++c) {
            const StripColumn& column = strip.columns[c];
            const int head = column.head / 8;
            for (int row = head - column.length; row <= head; ++row) {
                if (row < 0 || row >= kRows) continue;
                const float t = 1.0f - static_cast<float>(head - row) / (column.length + 1);
                const COLORREF colour = row == head ? RGB(200, 255, 200) : DimColour(kControlTextColour, 0.75f * t * t);
                SetTextColor(dc, colour);
                RECT cell{4 + c * 15, row * kRowHeight, 4 + c * 15 + 13, (row + 1) * kRowHeight};
                DrawTextA(dc, &column.cells[row], 1, &cell, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
            }
        }
        // A soft edge on the side that faces the window.
        const int edge = index == 0 ? client.right - 1 : 0;
        for (int y = 0; y < client.bottom; ++y) {
            const float t = 1.0f - (2.0f * y / client.bottom - 1.0f) * (2.0f * y / client.bottom - 1.0f);
            FillRectColour(dc, RECT{edge, y, edge + 1, y + 1}, DimColour(kControlTextColour, 0.6f * t));
        }
    }
    EndBufferedPaint(window, buffer);
}

LRESULT CALLBACK StripProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        Step(g_strips[StripIndex(window)]);
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        Paint(window);
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

bool RegisterStripClass(HINSTANCE instance) {
    return RegisterWindowClass(instance, kStripClassName, StripProc, 0);
}

void CreateStrips(SettingsWindowState& state) {
    for (int i = 0; i < 2; ++i) {
        StripState& strip = g_strips[i];
        std::memset(&strip, 0, sizeof strip);
        strip.seed = 0x5EED0u + 977u * static_cast<uint32_t>(i);
        for (StripColumn& column : strip.columns) StartColumn(strip, column, true);
        state.strips[i] = CreateWindowExA(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kStripClassName, "", WS_POPUP, 0, 0,
                                          kStripWidth, kSettingsHeight, state.window, nullptr, state.instance, nullptr);
        if (state.strips[i]) SetTimer(state.strips[i], 1, kStepMs, nullptr);
    }
    PlaceStrips(state);
}

void PlaceStrips(SettingsWindowState& state) {
    RECT r;
    if (!state.window || !GetWindowRect(state.window, &r)) return;
    const int x[2] = {r.left - kStripWidth, r.left + kSettingsWidth};
    for (int i = 0; i < 2; ++i)
        if (state.strips[i])
            SetWindowPos(state.strips[i], nullptr, x[i], r.top, kStripWidth, kSettingsHeight,
                         SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowStrips(SettingsWindowState& state, bool show) {
    for (HWND strip : state.strips)
        if (strip) ShowWindow(strip, show ? SW_SHOWNA : SW_HIDE);
}
