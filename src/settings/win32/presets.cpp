#include "settings/win32/presets.h"

#include <cstdio>
#include <cstring>

#include "host/win32/late_dlls.h"
#include "settings/presetfile.h"
#include "settings/settings.h"
#include "settings/strings.h"
#include "settings/win32/storage.h"
#include "settings/win32/ui_sound.h"

namespace {

constexpr uint32_t kDefaultPresetNameId = 3001;
constexpr uint32_t kPresetActivatedId = 7206;
constexpr uint32_t kConfirmDeleteId = 7207;
constexpr uint32_t kSelectForExportId = 7208;
constexpr uint32_t kExportTitleId = 7209;
constexpr uint32_t kImportTitleId = 7210;
constexpr uint32_t kNameRequiredId = 9301;
constexpr uint32_t kCannotOpenId = 9302;
constexpr uint32_t kNotPresetFileId = 9303;
constexpr uint32_t kVersionQuestionId = 9304;
constexpr uint32_t kSizeQuestionId = 9305;

constexpr char kPresetFileFilter[] =
    "The Korvan Selwyth Screensaver Preset files (*.kvs)\0*.kvs\0All files (*.*)\0*.*\0";

HINSTANCE g_resourceModule = nullptr;

// The pending import: the record part of the file being imported and its size.
uint8_t g_pendingRecord[kPresetMaxRecordSize];
int g_pendingSize = 0;
char g_pendingName[kPresetNameCapacity];

// What dialog 101 stores on "Save".
struct SaveDialogContext {
    const void* record;
    int size;
    const char* initialName;
    PresetListSink* sink;  // refreshed after a save, when set
};

HINSTANCE ResourceModule() { return g_resourceModule ? g_resourceModule : GetModuleHandleA(nullptr); }

int ShowMessage(HWND owner, uint32_t textId, UINT style) {
    return MessageBoxA(owner, GetString(textId), kProductCaption, style);
}

INT_PTR CALLBACK SaveDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            const auto* context = reinterpret_cast<const SaveDialogContext*>(lParam);
            HWND edit = GetDlgItem(dialog, kSavePresetNameEditId);
            SendMessageA(edit, EM_LIMITTEXT, kPresetNameCapacity - 1, 0);
            SetWindowTextA(edit, context && context->initialName ? context->initialName : "");
            SetFocus(edit);
            return FALSE;  // the focus was set here
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK: {
                    const auto* context = reinterpret_cast<const SaveDialogContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
                    char name[kPresetNameCapacity] = {};
                    GetDlgItemTextA(dialog, kSavePresetNameEditId, name, sizeof name);
                    if (!name[0]) {
                        ShowMessage(dialog, kNameRequiredId, MB_ICONERROR);
                        SetFocus(GetDlgItem(dialog, kSavePresetNameEditId));
                        return TRUE;
                    }
                    if (context) {
                        WriteRegistryRecord(name, kSettingsKeyPath, context->record, context->size);
                        if (context->sink) RefreshPresetList(*context->sink);
                    }
                    EndDialog(dialog, kImportSaved);
                    return TRUE;
                }
                case IDCANCEL:
                    EndDialog(dialog, kImportCancelled);
                    return TRUE;
                default:
                    break;
            }
            break;
        case WM_CLOSE:
            EndDialog(dialog, kImportCancelled);
            return TRUE;
        default:
            break;
    }
    return FALSE;
}

int RunSaveDialog(HWND owner, const SaveDialogContext& context) {
    const INT_PTR result = DialogBoxParamA(ResourceModule(), MAKEINTRESOURCEA(kSavePresetDialogId), owner,
                                           SaveDialogProc, reinterpret_cast<LPARAM>(&context));
    if (result == kImportSaved || result == kImportCancelled) return static_cast<int>(result);
    return kPresetCommandDialogFailed;
}

void InitFileDialog(OPENFILENAMEA& dialog, HWND owner, char* file, const char* title, DWORD flags) {
    std::memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = kPresetFileFilter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = kPresetNameCapacity;
    dialog.lpstrTitle = title;
    dialog.lpstrDefExt = "kvs";
    dialog.Flags = flags;
}

}  // namespace

void SetPresetResourceModule(HINSTANCE module) { g_resourceModule = module; }

int RefreshPresetList(PresetListSink& sink) {
    sink.Clear();
    int count = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        char name[kPresetNameCapacity];
        for (DWORD index = 0; count < kMaxListedPresets; ++index) {
            DWORD length = sizeof name;
            const LONG status = RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr);
            // A name too long for the buffer cannot be a preset of this program; it is
            // skipped instead of ending the list.
            if (status == ERROR_MORE_DATA) continue;
            if (status != ERROR_SUCCESS) break;
            if (!name[0]) continue;  // the current settings
            sink.Append(name);
            ++count;
        }
        RegCloseKey(key);
    }
    sink.Finish(count);
    return count;
}

int ActivatePreset(HWND owner, const char* name) {
    if (!name || !name[0]) return kPresetCommandNoSelection;
    // The default preset first, so that a shorter preset is completed from it; when
    // the default preset itself is missing, the built-in defaults stand in for it.
    SettingsRecord candidate;
    std::memset(&candidate, 0, sizeof candidate);
    FillDefaultSettings(candidate);
    const char* defaultPreset = GetString(kDefaultPresetNameId);
    if (defaultPreset[0]) ReadRegistryRecord(defaultPreset, kSettingsKeyPath, &candidate, kSettingsRecordSize);
    if (!ReadRegistryRecord(name, kSettingsKeyPath, &candidate, kSettingsRecordSize)) {
        return kPresetCommandNotReadable;
    }
    std::memcpy(&settings, &candidate, sizeof settings);
    PlayInterfaceSound();
    ShowMessage(owner, kPresetActivatedId, MB_ICONINFORMATION);
    return kPresetCommandDone;
}

int SavePresetAs(HWND owner, PresetListSink* sink) {
    PlayInterfaceSound();
    const SaveDialogContext context{&settings, kSettingsRecordSize, "", sink};
    return RunSaveDialog(owner, context);
}

int DeletePreset(HWND owner, const char* name, PresetListSink* sink) {
    if (!name || !name[0]) return kPresetCommandNoSelection;
    char text[kPresetNameCapacity + 256];
    std::snprintf(text, sizeof text, GetString(kConfirmDeleteId), name);
    if (MessageBoxA(owner, text, kProductCaption, MB_OKCANCEL | MB_ICONEXCLAMATION) != IDOK) {
        return kPresetCommandCancelled;
    }
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, name);
        RegCloseKey(key);
    }
    if (sink) RefreshPresetList(*sink);
    return kPresetCommandDone;
}

int ExportPresetToFile(const char* name, const char* path) {
    uint8_t record[kPresetMaxRecordSize];
    int size = 0;
    // A value that cannot be read leaves size 0: the file then carries no record bytes.
    if (name && name[0]) ReadRegistryRecord(name, kSettingsKeyPath, record, sizeof record, &size);
    return WritePresetFile(path, record, static_cast<uint32_t>(size)) == 0 ? kPresetCommandDone
                                                                             : kPresetCommandFileError;
}

int ExportPreset(HWND owner, const char* name) {
    if (!name || !name[0]) {
        ShowMessage(owner, kSelectForExportId, MB_ICONERROR);
        return kPresetCommandNoSelection;
    }
    PlayInterfaceSound();
    char file[kPresetNameCapacity];
    ProposeExportFileName(name, file, sizeof file);
    OPENFILENAMEA dialog;
    InitFileDialog(dialog, owner, file, GetString(kExportTitleId),
                   OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY);
    if (!late::GetSaveFileNameA(&dialog)) return kPresetCommandCancelled;
    return ExportPresetToFile(name, file);
}

int ImportPresetWithDialog(HWND owner, PresetListSink* sink) {
    PlayInterfaceSound();
    char file[kPresetNameCapacity] = {};
    OPENFILENAMEA dialog;
    InitFileDialog(dialog, owner, file, GetString(kImportTitleId),
                   OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY);
    if (!late::GetOpenFileNameA(&dialog)) return kImportFailed;
    const int result = ImportPresetFile(owner, file);
    if (result != kImportFailed && sink) RefreshPresetList(*sink);
    return result;
}

int ImportPresetFile(HWND owner, const char* path) {
    char file[kPresetNameCapacity];
    UnquotePresetPath(path, file, sizeof file);

    // The whole file is checked before anything is asked; a file that is cut short or
    // declares more than the pending buffer holds is refused as not a preset file.
    PresetFileInfo info;
    const int read = ReadPresetFile(file, g_pendingRecord, sizeof g_pendingRecord, &info);
    if (read == kPresetFileCannotOpen) {
        ShowMessage(owner, kCannotOpenId, MB_ICONERROR);
        return kImportFailed;
    }
    if (read < 0) {
        ShowMessage(owner, kNotPresetFileId, MB_ICONERROR);
        return kImportFailed;
    }
    if (read & kPresetFileVersionDiffers) {
        char question[512];
        std::snprintf(question, sizeof question, GetString(kVersionQuestionId), static_cast<double>(info.version),
                      static_cast<double>(kProgramVersion));
        if (MessageBoxA(owner, question, kProductCaption, MB_YESNO | MB_ICONQUESTION) != IDYES) return kImportFailed;
    }
    if (read & kPresetFileSizeDiffers) {
        if (ShowMessage(owner, kSizeQuestionId, MB_YESNO | MB_ICONQUESTION) != IDYES) return kImportFailed;
    }
    g_pendingSize = info.recordSize;
    ProposePresetName(file, g_pendingName, sizeof g_pendingName);

    const SaveDialogContext context{g_pendingRecord, g_pendingSize, g_pendingName, nullptr};
    const int result = RunSaveDialog(owner, context);
    return result == kPresetCommandDialogFailed ? kImportFailed : result;
}
