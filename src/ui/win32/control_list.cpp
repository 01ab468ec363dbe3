// The single-selection list (the preset list) and its scroll indicator. Only the
// rows in view are painted, so thousands of items cost no more than a screenful.
#include <cstring>

#include "settings/memory.h"
#include "ui/win32/control_common.h"

// The items: their texts one after another in a pool that grows by doubling while
// items are added (never while painting), and where each one starts.
struct ListItems {
    char* pool;
    size_t used;
    size_t capacity;
    uint32_t offsets[kListMaxItems];
    int count;
};

namespace {

constexpr int kIndexWidth = 10;
constexpr size_t kInitialPool = 16384;
// The indicator asks its list to jump to an item (wParam) when it is clicked.
constexpr UINT kListJumpTo = WM_USER + 0x30;

ListItems* CreateItems() {
    auto* items = static_cast<ListItems*>(AllocZeroed(sizeof(ListItems)));
    if (!items) return nullptr;
    items->pool = static_cast<char*>(AllocZeroed(kInitialPool));
    if (!items->pool) {
        FreeMemory(items);
        return nullptr;
    }
    items->capacity = kInitialPool;
    return items;
}

void DestroyItems(ListItems* items) {
    if (!items) return;
    FreeMemory(items->pool);
    FreeMemory(items);
}

int AppendItem(ListItems* items, const char* text) {
    if (!items || !text || items->count >= kListMaxItems) return -1;
    size_t length = 0;
    while (length < static_cast<size_t>(kListTextCapacity - 1) && text[length]) ++length;
    const size_t need = items->used + length + 1;
    if (need > items->capacity) {
        size_t capacity = items->capacity;
        while (capacity < need) capacity *= 2;
        char* grown = static_cast<char*>(AllocZeroed(capacity));
        if (!grown) return -1;
        std::memcpy(grown, items->pool, items->used);
        FreeMemory(items->pool);
        items->pool = grown;
        items->capacity = capacity;
    }
    std::memcpy(items->pool + items->used, text, length);
    items->pool[items->used + length] = '\0';
    items->offsets[items->count] = static_cast<uint32_t>(items->used);
    items->used = need;
    return items->count++;
}

const char* ItemText(const ListItems* items, int index) {
    if (!items || index < 0 || index >= items->count) return nullptr;
    return items->pool + items->offsets[index];
}

int Count(const ControlState* s) { return s->items ? s->items->count : 0; }

int PageRows(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    const int rows = (client.bottom - 1) / kListRowHeight;
    return rows > 0 ? rows : 1;
}

void UpdateIndex(HWND window, ControlState* s) {
    if (!s->child) return;
    SendMessageA(s->child, kIndexSetCount, static_cast<WPARAM>(Count(s)), 0);
    SendMessageA(s->child, kIndexSetSelection, static_cast<WPARAM>(GetFocus() == window ? s->value : -1), 0);
}

// Selects `index` (clamped to the items), scrolls it into view and, when it moved
// and `notify` is set, tells the parent.
void Select(HWND window, ControlState* s, int index, bool notify) {
    const int count = Count(s);
    if (count == 0) {
        index = -1;
    } else {
        if (index < 0) index = 0;
        if (index >= count) index = count - 1;
    }
    const int rows = PageRows(window);
    if (index >= 0) {
        if (index < s->top) s->top = index;
        if (index >= s->top + rows) s->top = index - rows + 1;
    }
    if (index == s->value) return;
    s->value = index;
    UpdateIndex(window, s);
    InvalidateRect(window, nullptr, FALSE);
    if (notify) NotifyParent(window, kNotifySelection);
}

void Scroll(HWND window, ControlState* s, int delta) {
    const int current = s->value < 0 ? (delta > 0 ? -1 : 0) : s->value;
    Select(window, s, current + delta, true);
}

void DrawList(HWND window, ControlState* s, HDC dc, const RECT& r) {
    const bool focus = GetFocus() == window;
    FrameRectColour(dc, r, focus ? DimColour(s->highlight, 0.7f) : DimColour(s->text, 0.45f));
    const int right = r.right - kIndexWidth - 2;
    const int count = Count(s);
    for (int row = 0, index = s->top; index < count && row * kListRowHeight + 1 < r.bottom - 1; ++row, ++index) {
        const int y = 1 + row * kListRowHeight;
        RECT line{1, y, right, y + kListRowHeight};
        if (line.bottom > r.bottom - 1) line.bottom = r.bottom - 1;
        const bool selected = index == s->value;
        if (selected) FillRectColour(dc, line, DimColour(s->highlight, focus ? 0.3f : 0.18f));
        SetTextColor(dc, selected ? s->highlight : s->text);
        RECT textBox{line.left + 4, line.top, line.right - 2, line.bottom};
        DrawTextA(dc, ItemText(s->items, index), -1, &textBox,
                  DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
}

void DrawIndex(HWND, ControlState* s, HDC dc, const RECT& r) {
    const int cx = r.right / 2;
    FillRectColour(dc, RECT{cx - 1, 2, cx + 1, r.bottom - 2}, DimColour(s->text, 0.3f));
    if (s->value < 0 || s->count <= 0) return;
    const int span = r.bottom - 4;
    int thumb = span / (s->count < 20 ? s->count : 20);
    if (thumb < 8) thumb = 8;
    const int travel = span - thumb;
    const int y = 2 + (s->count > 1 ? static_cast<int>(static_cast<long long>(s->value) * travel / (s->count - 1)) : 0);
    FillRectColour(dc, RECT{1, y, r.right - 1, y + thumb}, DimColour(s->highlight, 0.8f));
}

}  // namespace

LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    ControlState* s = GetControlState(window);
    if (s && s->child && (message == kSetTextColour || message == kSetHighlightColour))
        SendMessageA(s->child, message, wParam, lParam);
    if (HandleCommonMessage(window, message, wParam, lParam, &result)) {
        if (s && (message == WM_SETFOCUS || message == WM_KILLFOCUS)) UpdateIndex(window, s);
        return result;
    }
    s = GetControlState(window);
    if (!s) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
        case WM_CREATE: {
            s->value = -1;
            s->items = CreateItems();
            if (!s->items) return -1;
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            s->child = CreateWindowExA(0, kIndexClassName, "", WS_CHILD | WS_VISIBLE, create->cx - kIndexWidth - 1, 1,
                                       kIndexWidth, create->cy - 2, window, nullptr, create->hInstance, nullptr);
            return 0;
        }
        case WM_DESTROY:
            DestroyItems(s->items);
            s->items = nullptr;
            return 0;
        case kListClear:
            if (s->items) {
                s->items->count = 0;
                s->items->used = 0;
            }
            s->value = -1;
            s->top = 0;
            UpdateIndex(window, s);
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case kListAppend:
            return AppendItem(s->items, reinterpret_cast<const char*>(lParam));
        case kListFinish:
            UpdateIndex(window, s);
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case kListGetSelection:
            return s->value;
        case kListSetSelection:
            Select(window, s, static_cast<int>(wParam), false);
            return 0;
        case kListJumpTo:
            SetFocus(window);
            Select(window, s, static_cast<int>(wParam), true);
            return 0;
        case kListGetText: {
            const char* text = ItemText(s->items, static_cast<int>(wParam));
            char* out = reinterpret_cast<char*>(lParam);
            if (!text || !out) return -1;
            const size_t length = std::strlen(text);
            std::memcpy(out, text, length + 1);
            return static_cast<LRESULT>(length);
        }
        case kListGetCount:
            return Count(s);
        case kListGetTop:
            return s->top;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            SetFocus(window);
            const int y = static_cast<short>(HIWORD(lParam));
            const int index = s->top + (y - 1) / kListRowHeight;
            if (y >= 1 && index < Count(s)) {
                Select(window, s, index, true);
                if (message == WM_LBUTTONDBLCLK) NotifyParent(window, kNotifyActivate);
            }
            return 0;
        }
        case WM_MOUSEWHEEL:
            // One notch up is a press of Up; anything else a press of Down.
            Scroll(window, s, GET_WHEEL_DELTA_WPARAM(wParam) >= WHEEL_DELTA ? -1 : 1);
            return 0;
        case WM_GETDLGCODE: {
            const MSG* m = reinterpret_cast<const MSG*>(lParam);
            if (m && m->message == WM_KEYDOWN && m->wParam == VK_RETURN) return DLGC_WANTMESSAGE;
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        }
        case WM_KEYDOWN:
            switch (wParam) {
                case VK_UP: Scroll(window, s, -1); break;
                case VK_DOWN: Scroll(window, s, 1); break;
                case VK_PRIOR: Scroll(window, s, -PageRows(window)); break;
                case VK_NEXT: Scroll(window, s, PageRows(window)); break;
                case VK_HOME: Select(window, s, 0, true); break;
                case VK_END: Select(window, s, Count(s) - 1, true); break;
                default: break;
            }
            return 0;
        case WM_CHAR:
            if (wParam == '\r' && s->value >= 0) NotifyParent(window, kNotifyActivate);
            return 0;
        case WM_PAINT:
            PaintBuffered(window, DrawList);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK IndexProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (HandleCommonMessage(window, message, wParam, lParam, &result)) return result;
    ControlState* s = GetControlState(window);
    if (!s) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
        case WM_CREATE:
            s->value = -1;
            return 0;
        case kIndexSetCount:
            s->count = static_cast<int>(wParam);
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case kIndexSetSelection:
            s->value = static_cast<int>(wParam);
            InvalidateRect(window, nullptr, FALSE);
            return 0;
        case WM_LBUTTONDOWN:
            SetCapture(window);
            [[fallthrough]];
        case WM_MOUSEMOVE: {
            if (message == WM_MOUSEMOVE && GetCapture() != window) return 0;
            // Clicking or dragging along the indicator jumps through the list.
            RECT client;
            GetClientRect(window, &client);
            const int y = static_cast<short>(HIWORD(lParam));
            const int span = client.bottom > 4 ? client.bottom - 4 : 1;
            const long long item = static_cast<long long>(y - 2) * s->count / span;
            SendMessageA(GetParent(window), kListJumpTo, static_cast<WPARAM>(item < 0 ? 0 : item), 0);
            return 0;
        }
        case WM_LBUTTONUP:
            if (GetCapture() == window) ReleaseCapture();
            return 0;
        case WM_PAINT:
            PaintBuffered(window, DrawIndex);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
