// The settings window as data: one table row per control (kind, page and effect
// group, place, text and hint strings, the field it edits, what its label shows),
// and the rules that turn slider positions and check states into record fields and
// records into positions, states and label texts. The Win32 window only creates
// what the table lists and forwards what the user does.
#pragma once

#include <cstdint>

#include "settings/scales.h"
#include "settings/settings.h"

// The window and its parts, in client pixels.
constexpr int kSettingsWidth = 500;
constexpr int kSettingsHeight = 539;
constexpr int kPageAreaLeft = 160;
constexpr int kPageAreaRight = 490;
constexpr int kPageAreaTop = 43;
constexpr int kPageAreaBottom = 499;
constexpr int kPageCount = 9;
constexpr int kEffectGroupCount = 6;
constexpr int kSpecialEffectsPage = 5;  // its controls below the selector belong to groups 1..6
constexpr int kFrame = -1;              // page of the controls that are always shown

enum ControlKind : uint8_t {
    kControlLabel,         // "STATIC": a string, or a text formatted from the records
    kControlTitle,         // VelTitleClass
    kControlTick,          // VelTickClass
    kControlCheck,         // VelCheckClass
    kControlButton,        // aCCtrlButtonClass
    kControlColourButton,  // standard owner-drawn "BUTTON" showing a colour
    kControlEdit,          // VelEditClass
    kControlList,          // VelListClass (the presets)
    kControlCombo,         // standard drop-down list (display modes)
    kControlDivider,       // VelDividerClass
    kControlLink,          // "STATIC" that opens the home page
    kControlClose,         // BitmapButtonClass
};

// What a slider, check box or edit changes.
enum ControlBinding : uint8_t {
    kBindNone,
    kBindSlider,         // settings field `field` (a SliderField) through its scale
    kBindFlag,           // settings byte at offset `field`; ticked is 1
    kBindInvertedFlag,   // settings byte at offset `field`; ticked is 0
    kBindLocalFlag,      // local options byte at offset `field`
    kBindTextLine,       // settings text of 128 bytes at offset `field`
    kBindCharacters,     // easy setup: columns and rows
    kBindDensity,        // easy setup: the density table
    kBindLowQuality,     // easy setup: "Low quality code"
    kBindBootEffect,     // easy setup: "Start with Boot Effect"
    kBindVolume,         // local options volume
    kBindTextureFilter,  // local options texture filter
};

// What a label shows.
enum LabelFormat : uint8_t {
    kLabelText,           // the string as it stands
    kLabelSettings,       // FormatSettingsLabel of the string id
    kLabelInterval,       // interval of SliderField `field`; `extraId` is the key-only string
    kLabelValue,          // the string formatted with the integer value of SliderField `field`
    kLabelCharacters,     // columns and rows
    kLabelDensity,        // the density name
    kLabelTextureFilter,  // the texture filter name
    kLabelVersion,        // the program version
};

// What a button, colour button, combo or link does.
enum ControlCommand : uint8_t {
    kCommandNone,
    kCommandPage,          // shows page `field`
    kCommandGroup,         // shows effect group `field`
    kCommandSavePreset,
    kCommandDeletePreset,
    kCommandExportPreset,
    kCommandImportPreset,
    kCommandActivatePreset,  // the preset list
    kCommandSendFeedback,
    kCommandCheckVersion,
    kCommandBaseColour,
    kCommandAccentColour,
    kCommandHomePage,
    kCommandResolution,
    kCommandDepth,
    kCommandRate,
    kCommandClose,
};

// Style bits of a row.
constexpr uint8_t kStyleMarkRight = 1;  // check box: text first, mark at the right end
constexpr uint8_t kStyleHinted = 2;     // label: takes the mouse so that its hint shows

struct ControlEntry {
    uint8_t kind;       // ControlKind
    int8_t page;        // 0..8, or kFrame
    uint8_t group;      // 0: the page itself; 1..6: an effect group of the special effects page
    int16_t x, y, w, h;
    uint16_t textId;    // label text or format, button or check box text, title (0: none)
    uint16_t hintId;    // tooltip text (0: none)
    uint8_t binding;    // ControlBinding
    uint8_t format;     // LabelFormat
    uint8_t command;    // ControlCommand
    uint8_t style;
    uint16_t field;     // SliderField, record offset, or page / group number
    uint16_t extraId;   // key-only string of an interval label
};

// Child window identifiers are kFirstControlId + the row's index.
constexpr int kFirstControlId = 100;

int ControlCount();
const ControlEntry& GetControlEntry(int index);
int ControlIdOf(int index);
// The row of a child window identifier, or -1.
int ControlIndexFromId(int id);
// The first row with this hint string, or -1 (controls are found by their hints).
int FindControlByHint(uint16_t hintId);
// The first row of `kind` with this text string, or -1.
int FindControlByText(ControlKind kind, uint16_t textId);
// Whether a row is shown while `page` and, on the special effects page, effect
// group `group` (1..6) are chosen.
bool IsControlShown(const ControlEntry& entry, int page, int group);

// Remembers the easy-setup steps last applied, so that a slider moved within one
// step changes nothing.
struct EasySetupMemory {
    int characters;  // 0..15
    int density;     // 0..7
};

// The slider position (0..255) or check box state (0, 1) that shows the records,
// or -1 when the row shows no value or the stored value lies outside the slider.
int ControlValue(const ControlEntry& entry, const SettingsRecord& s, const LocalOptionsRecord& l);
// Writes a slider position or check box state. `aspect` is width / height of the
// screen mode the local options choose (the characters number needs it). Returns
// true when a record may have changed.
bool ApplyControlValue(const ControlEntry& entry, int value, SettingsRecord& s, LocalOptionsRecord& l,
                       EasySetupMemory& memory, double aspect);
// Sets the easy-setup memory to the steps the records show.
void ResetEasySetupMemory(EasySetupMemory& memory, const SettingsRecord& s);

// The text of a label row (formatted from the records) into `out`; the length.
int FormatControlLabel(const ControlEntry& entry, const SettingsRecord& s, const LocalOptionsRecord& l, char* out,
                       int capacity);

// Text lines of the incoming text (128-byte fields). What an edit shows for a
// stored line: the characters up to the first NUL, at most 127 (a line stored
// without terminator shows its first 127).
void TextLineForEdit(const char* field, char* out, int capacity);
// Stores typed text: at most 127 characters and a terminator; control characters
// become blanks; the bytes after the terminator keep what they held. Returns
// false (and leaves the field alone) when the field already shows this text.
bool StoreTextLine(char* field, const char* text);
char* TextLineField(SettingsRecord& s, const ControlEntry& entry);
