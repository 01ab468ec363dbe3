#include "ui/controls.h"

#include <cstring>

#include "settings/labels.h"
#include "settings/strings.h"

namespace {

constexpr int kTextLineSize = 128;

uint8_t* SettingsByte(SettingsRecord& s, uint16_t offset) {
    return reinterpret_cast<uint8_t*>(&s) + (offset < sizeof s ? offset : 0);
}
uint8_t SettingsByte(const SettingsRecord& s, uint16_t offset) {
    return reinterpret_cast<const uint8_t*>(&s)[offset < sizeof s ? offset : 0];
}
uint8_t* LocalByte(LocalOptionsRecord& l, uint16_t offset) {
    return reinterpret_cast<uint8_t*>(&l) + (offset < sizeof l ? offset : 0);
}
uint8_t LocalByte(const LocalOptionsRecord& l, uint16_t offset) {
    return reinterpret_cast<const uint8_t*>(&l)[offset < sizeof l ? offset : 0];
}

int InRange(int position) { return position >= 0 && position <= 255 ? position : -1; }

// The stored integer a "%d" value label or an interval label shows.
int IntegerField(const SettingsRecord& s, SliderField field) {
    switch (field) {
    case kSliderTextInterval: return s.textInterval;
    case kSliderDejaVuInterval: return s.dejaVuInterval;
    case kSliderBurstMovementInterval: return s.burstMovementInterval;
    case kSliderBurstStillInterval: return s.burstStillInterval;
    case kSliderBurstTraceInterval: return s.burstTraceInterval;
    case kSliderSmallBurstsInterval: return s.smallBurstsInterval;
    case kSliderDropsInterval: return s.dropsInterval;
    case kSliderLightningsInterval: return s.lightningsInterval;
    case kSliderCrashInterval: return s.crashInterval;
    case kSliderSupermanInterval: return s.supermanInterval;
    case kSliderDejaVuSpeed: return s.dejaVuSpeed;
    case kSliderDejaVuBars: return s.dejaVuBars;
    case kSliderBurstSpeed: return s.burstSpeed;
    case kSliderSmallBurstsSpeed: return s.smallBurstsSpeed;
    case kSliderBurstBorder: return s.burstBorder;
    case kSliderSmallBurstsBorder: return s.smallBurstsBorder;
    case kSliderCrashEffects: return s.crashEffects;
    case kSliderSmallBurstsNumber: return s.smallBurstsNumber;
    case kSliderDropsNumber: return s.dropsNumber;
    case kSliderLightningsSpeed: return s.lightningsSpeed;
    case kSliderSupermanSpeed: return s.supermanSpeed;
    default: return 0;
    }
}

}  // namespace

int ControlIdOf(int index) { return kFirstControlId + index; }

int ControlIndexFromId(int id) {
    const int index = id - kFirstControlId;
    return index >= 0 && index < ControlCount() ? index : -1;
}

int FindControlByHint(uint16_t hintId) {
    for (int i = 0; i < ControlCount(); ++i)
        if (GetControlEntry(i).hintId == hintId) return i;
    return -1;
}

int FindControlByText(ControlKind kind, uint16_t textId) {
    for (int i = 0; i < ControlCount(); ++i) {
        const ControlEntry& entry = GetControlEntry(i);
        if (entry.kind == kind && entry.textId == textId) return i;
    }
    return -1;
}

bool IsControlShown(const ControlEntry& entry, int page, int group) {
    if (entry.page == kFrame) return true;
    if (entry.page != page) return false;
    return entry.group == 0 || entry.group == group;
}

int ControlValue(const ControlEntry& entry, const SettingsRecord& s, const LocalOptionsRecord& l) {
    switch (entry.binding) {
    case kBindSlider: return InRange(GetSliderPosition(s, static_cast<SliderField>(entry.field)));
    case kBindFlag: return SettingsByte(s, entry.field) != 0 ? 1 : 0;
    case kBindInvertedFlag: return SettingsByte(s, entry.field) == 0 ? 1 : 0;
    case kBindLocalFlag: return LocalByte(l, entry.field) != 0 ? 1 : 0;
    case kBindCharacters: return InRange(CharactersNumberPosition(s));
    case kBindDensity: return InRange(DensityPosition(s));
    case kBindLowQuality: return IsLowQuality(s) ? 1 : 0;
    case kBindBootEffect: return IsBootEffect(s) ? 1 : 0;
    case kBindVolume: return InRange(VolumePosition(l));
    case kBindTextureFilter: return InRange(TextureFilterPosition(l));
    default: return -1;
    }
}

bool ApplyControlValue(const ControlEntry& entry, int value, SettingsRecord& s, LocalOptionsRecord& l,
                       EasySetupMemory& memory, double aspect) {
    const bool on = value != 0;
    if (value < 0) value = 0;
    if (value > 255) value = 255;
    switch (entry.binding) {
    case kBindSlider: return SetSliderValue(s, static_cast<SliderField>(entry.field), value) == 0;
    case kBindFlag: *SettingsByte(s, entry.field) = on ? 1 : 0; return true;
    case kBindInvertedFlag: *SettingsByte(s, entry.field) = on ? 0 : 1; return true;
    case kBindLocalFlag: *LocalByte(l, entry.field) = on ? 1 : 0; return true;
    case kBindCharacters: {
        // Only a step the slider had not reached at its last change rewrites the grid.
        const int n = CharactersNumberFromPosition(value);
        if (n == memory.characters) return false;
        memory.characters = n;
        ApplyCharactersNumber(s, n, aspect);
        return true;
    }
    case kBindDensity: {
        const int n = DensityFromPosition(value);
        if (n == memory.density) return false;
        memory.density = n;
        ApplyDensity(s, n);
        return true;
    }
    case kBindLowQuality: ApplyLowQuality(s, on); return true;
    case kBindBootEffect: ApplyBootEffect(s, on); return true;
    case kBindVolume: l.volume = VolumeFromPosition(value); return true;
    case kBindTextureFilter: l.textureFilter = TextureFilterFromPosition(value); return true;
    default: return false;
    }
}

void ResetEasySetupMemory(EasySetupMemory& memory, const SettingsRecord& s) {
    const int characters = CharactersNumberPosition(s);
    const int density = DensityPosition(s);
    memory.characters = InRange(characters) >= 0 ? CharactersNumberFromPosition(characters) : -1;
    memory.density = InRange(density) >= 0 ? DensityFromPosition(density) : -1;
}

int FormatControlLabel(const ControlEntry& entry, const SettingsRecord& s, const LocalOptionsRecord& l, char* out,
                       int capacity) {
    if (!out || capacity <= 0) return 0;
    out[0] = '\0';
    const char* text = GetString(entry.textId);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    switch (entry.format) {
    case kLabelSettings: {
        const int n = FormatSettingsLabel(out, capacity, entry.textId, s);
        return n < 0 ? 0 : n;
    }
    case kLabelInterval:
        return FormatIntervalLabel(out, capacity, entry.textId, IntegerField(s, static_cast<SliderField>(entry.field)),
                                   entry.extraId);
    case kLabelValue: return FormatText(out, capacity, text, IntegerField(s, static_cast<SliderField>(entry.field)));
    case kLabelCharacters: return FormatText(out, capacity, text, s.columns, s.rows);
    case kLabelDensity: {
        const int position = DensityPosition(s);
        // A stored record between the table's columns shows the nearest end.
        const int n = position < 0 ? 0 : DensityFromPosition(position > 255 ? 255 : position);
        return FormatText(out, capacity, text, GetString(DensityNameId(n)));
    }
    case kLabelTextureFilter:
        return FormatText(out, capacity, text, GetString(TextureFilterNameId(l.textureFilter)));
    case kLabelVersion: return FormatText(out, capacity, text, static_cast<double>(kProgramVersion));
    case kLabelText:
    default: return FormatText(out, capacity, "%s", text);
    }
#pragma GCC diagnostic pop
}

void TextLineForEdit(const char* field, char* out, int capacity) {
    if (!out || capacity <= 0) return;
    int n = 0;
    while (field && n < kTextLineSize - 1 && n < capacity - 1 && field[n]) {
        out[n] = field[n];
        ++n;
    }
    out[n] = '\0';
}

bool StoreTextLine(char* field, const char* text) {
    if (!field || !text) return false;
    char shown[kTextLineSize];
    char given[kTextLineSize];
    TextLineForEdit(field, shown, sizeof shown);
    TextLineForEdit(text, given, sizeof given);
    // The edit was given what the field shows (whatever bytes those are): no change.
    if (std::strcmp(shown, given) == 0) return false;
    int n = 0;
    for (; given[n]; ++n) {
        const unsigned char c = static_cast<unsigned char>(given[n]);
        if (c < 0x20 || c == 0x7F) given[n] = ' ';
    }
    if (std::strcmp(shown, given) == 0) return false;
    std::memcpy(field, given, static_cast<size_t>(n) + 1);
    return true;
}

char* TextLineField(SettingsRecord& s, const ControlEntry& entry) {
    const uint16_t offset = entry.field <= sizeof s - kTextLineSize ? entry.field : 0;
    return reinterpret_cast<char*>(&s) + offset;
}
