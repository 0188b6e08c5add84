#include "ui/ConfigDialog.h"

#include "platform/Registry.h"
#include "platform/Text.h"
#include "settings/Configuration.h"
#include "settings/SettingsFile.h"
#include "ui/Pickers.h"
#include "ui/WindowUtil.h"
#include "ui/resource.h"

namespace {

// One folder row: its switch, its read-only field, its "..." button and the
// settings it edits.
struct FolderRow {
    int checkBox;
    int field;
    int button;
    uint32_t AppSettings::*enabled;
    char (AppSettings::*folder)[kSettingsPathSize];
};

constexpr FolderRow kRows[] = {
    {IDC_VST1_ENABLED, IDC_VST1_PATH, IDC_VST1_BROWSE, &AppSettings::VstFolder1Enabled, &AppSettings::VstFolder1},
    {IDC_VST2_ENABLED, IDC_VST2_PATH, IDC_VST2_BROWSE, &AppSettings::VstFolder2Enabled, &AppSettings::VstFolder2},
};

void EnableRow(HWND dialog, const FolderRow& row, BOOL enabled) {
    EnableWindow(GetDlgItem(dialog, row.field), enabled);
    EnableWindow(GetDlgItem(dialog, row.button), enabled);
}

// Checked: the row is on and shows its folder. Clear: off and empty, but
// the folder stays in the settings for the next time it is switched on.
void ShowRowState(HWND dialog, const FolderRow& row, bool checked) {
    EnableRow(dialog, row, checked ? TRUE : FALSE);
    if (!checked) {
        SetDlgItemTextA(dialog, row.field, "");
        return;
    }
    const char* folder = Settings.*row.folder;
    if (folder[0]) SetDlgItemTextA(dialog, row.field, folder);
}

void SuggestFirstFolder(HWND dialog) {
    RegistryKeyPtr key(RegistryOpenMachineKey(kVstRegistryKey));
    if (!key) return;
    char path[kSettingsPathSize] = {};
    RegistryQueryString(key.get(), kVstRegistryValue, path, sizeof path);
    key.reset();
    if (!path[0]) return;
    const FolderRow& row = kRows[0];
    SetDlgItemTextA(dialog, row.field, path);
    EnableRow(dialog, row, TRUE);
    CheckDlgButton(dialog, row.checkBox, BST_CHECKED);
    // Takes effect at once, whether the dialog then ends with OK or Cancel.
    Settings.VstFolder1Enabled = 1;
    CopyTextBounded(Settings.VstFolder1, sizeof Settings.VstFolder1, path);
}

void InitConfigDialog(HWND dialog) {
    CenterOnParent(dialog);
    CheckDlgButton(dialog, IDC_VST1_ENABLED, Settings.VstFolder1Enabled ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_VST2_ENABLED, Settings.VstFolder2Enabled ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_SCAN_SUBFOLDERS, Settings.ScanSubfolders ? BST_CHECKED : BST_UNCHECKED);
    if (!Settings.VstFolder1Enabled && !Settings.VstFolder2Enabled) {
        SuggestFirstFolder(dialog);
        return;
    }
    for (const FolderRow& row : kRows) ShowRowState(dialog, row, IsDlgButtonChecked(dialog, row.checkBox) == BST_CHECKED);
}

void OnRowSwitch(HWND dialog, const FolderRow& row) {
    const bool checked = IsDlgButtonChecked(dialog, row.checkBox) == BST_CHECKED;
    ShowRowState(dialog, row, checked);
    Settings.*row.enabled = checked ? 1 : 0;
}

void OnRowBrowse(HWND dialog, const FolderRow& row) {
    // The picker writes the chosen folder straight into the settings.
    if (PickFolder(dialog, Settings.*row.folder, kVstFolderPrompt, 1)) SetDlgItemTextA(dialog, row.field, Settings.*row.folder);
}

void OnConfigCommand(HWND dialog, int id) {
    switch (id) {
    case IDC_VST1_ENABLED:
        OnRowSwitch(dialog, kRows[0]);
        break;
    case IDC_VST2_ENABLED:
        OnRowSwitch(dialog, kRows[1]);
        break;
    case IDC_VST1_BROWSE:
        OnRowBrowse(dialog, kRows[0]);
        break;
    case IDC_VST2_BROWSE:
        OnRowBrowse(dialog, kRows[1]);
        break;
    case IDC_CONFIG_HELP:
        OpenHelp();
        break;
    case IDOK:
        ApplyConfiguration(dialog, IsDlgButtonChecked(dialog, IDC_SCAN_SUBFOLDERS) == BST_CHECKED ? 1 : 0);
        EndDialog(dialog, 1);
        break;
    case IDCANCEL:
        // Nothing is undone: the switches and folders are already in the
        // settings; only the subfolder option is dropped.
        EndDialog(dialog, 1);
        break;
    default:
        break;
    }
}

}  // namespace

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        InitConfigDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        OnConfigCommand(dialog, LOWORD(wParam));
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
        return TRUE;
    default:
        return FALSE;
    }
}
