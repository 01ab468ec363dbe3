// Preset commands of the settings window and the import of preset files (also used
// by the import mode of the command line). Every command takes the window that owns
// its message boxes and dialogs (null for none).
#pragma once

#include <windows.h>

// Dialog 101 (naming a preset) and its controls.
constexpr int kSavePresetDialogId = 101;
constexpr int kSavePresetNameEditId = 101;
constexpr int kSavePresetLabelId = 105;
constexpr char kSavePresetDialogCaption[] = "The Korvan Selwyth Screensaver: Save preset";
// At most this many names are listed.
constexpr int kMaxListedPresets = 10000;

// Results of the preset commands: 0 done, positive for a choice of the user,
// negative when the command could not be carried out.
enum PresetCommandResult : int {
    kPresetCommandDone = 0,
    kPresetCommandCancelled = 1,
    kPresetCommandNoSelection = -1,    // no preset name was given
    kPresetCommandNotReadable = -2,    // the preset's value is missing, too large or not binary
    kPresetCommandFileError = -3,      // the preset file cannot be created or written
    kPresetCommandDialogFailed = -4,   // a dialog could not be shown
};

// Results of ImportPresetFile and of the naming dialog.
constexpr int kImportFailed = 0;     // failed or refused: nothing was stored
constexpr int kImportSaved = 1;      // the naming dialog stored the preset
constexpr int kImportCancelled = 2;  // the naming dialog was closed without saving

// Receives the preset names; the settings window's list implements it.
class PresetListSink {
public:
    virtual ~PresetListSink() = default;
    virtual void Clear() = 0;
    // One name per call, in enumeration order.
    virtual void Append(const char* name) = 0;
    // All names were given: set the item count and repaint.
    virtual void Finish(int count) = 0;
};

// Where dialog 101 comes from; the program's own module unless set.
void SetPresetResourceModule(HINSTANCE module);

// Lists every preset (every named value of the settings key, at most
// kMaxListedPresets). Returns the number of names given to `sink`.
int RefreshPresetList(PresetListSink& sink);

// Activates `name`: the default preset, then the preset over it, become the live
// settings; plays the interface sound and shows "Preset activated". The caller then
// refills its controls. When the preset cannot be read the live settings are left as
// they were and nothing is shown (kPresetCommandNotReadable). Nothing is written.
int ActivatePreset(HWND owner, const char* name);

// "Save settings as...": dialog 101; "Save" stores the live settings under the
// typed name and refreshes `sink` (optional). Returns kImportSaved (1), kImportCancelled
// (2) or kPresetCommandDialogFailed.
int SavePresetAs(HWND owner, PresetListSink* sink);

// Asks for confirmation and deletes `name`, then refreshes `sink` (optional).
// Returns kPresetCommandDone, kPresetCommandCancelled or kPresetCommandNoSelection
// (an empty name: nothing is shown).
int DeletePreset(HWND owner, const char* name, PresetListSink* sink);

// "Export selected preset": without a name shows "Please select a preset to be exported
// first."; otherwise proposes a file name, shows the save dialog and writes the file.
// Returns kPresetCommandDone, kPresetCommandCancelled, kPresetCommandNoSelection or
// kPresetCommandFileError.
int ExportPreset(HWND owner, const char* name);
// Writes preset `name` to the preset file `path` (no dialogs). A preset whose value
// cannot be read is written with an empty record part. Returns kPresetCommandDone or
// kPresetCommandFileError (nothing written when the file cannot be created).
int ExportPresetToFile(const char* name, const char* path);

// "Import preset": the open dialog, then ImportPresetFile. Returns ImportPresetFile's
// result, or kImportFailed when the dialog was cancelled. Refreshes `sink` (optional)
// when the result is not kImportFailed.
int ImportPresetWithDialog(HWND owner, PresetListSink* sink);

// Imports the preset file at `path` (optionally in double quotes): checks the file,
// asks about a different version or size, then lets the user name the preset
// (dialog 101). Returns kImportFailed (the file cannot be used, or the user said No;
// nothing is stored), or the naming dialog's kImportSaved / kImportCancelled.
// Never touches the live settings.
int ImportPresetFile(HWND owner, const char* path);
