#include "ui/Pickers.h"

#include <cderr.h>
#include <commdlg.h>
#include <ole2.h>
#include <shlobj.h>

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "platform/Text.h"
#include "ui/WindowUtil.h"

static constexpr size_t kPathSize = 260;

struct FilePickState {
    OPENFILENAMEA dialog = {};
    // The answer is what the hook captures; the dialog still needs a buffer.
    // Wine writes through lpstrFile without looking at nMaxFile and crashes
    // on none. With one too small for a single path it ends with
    // FNERR_BUFFERTOOSMALL before CDN_FILEOK, so a name typed into the field
    // was never captured. One path fits here; several names end in success
    // (Wine, cut to size) or FNERR_BUFFERTOOSMALL (Windows), after CDN_FILEOK.
    char answer[MAX_PATH + 2] = {};
    std::string folder;
    std::string names;
    std::string current;
    size_t cursor = std::string::npos;
    int multi = 0;
};

static std::unique_ptr<FilePickState> PickState;

// Asks the dialog for one of its texts at its current length; a failure
// keeps the previous text.
static void CaptureDialogText(HWND frame, UINT message, std::string& target) {
    const LRESULT needed = SendMessageA(frame, message, 0, 0);
    if (needed <= 0) return;
    try {
        std::string text(static_cast<size_t>(needed), '\0');
        if (SendMessageA(frame, message, static_cast<WPARAM>(needed), reinterpret_cast<LPARAM>(text.data())) < 0)
            return;
        text.resize(std::strlen(text.c_str()));
        target.swap(text);
    } catch (const std::bad_alloc&) {
    }
}

static UINT_PTR CALLBACK OpenDialogHook(HWND hookDialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        CenterOnParent(GetParent(hookDialog));
        return 0;
    }
    if (message != WM_NOTIFY) return 0;
    const OFNOTIFYA* notify = reinterpret_cast<const OFNOTIFYA*>(lParam);
    if (notify->hdr.code != CDN_SELCHANGE && notify->hdr.code != CDN_FILEOK) return 0;
    FilePickState* state = reinterpret_cast<FilePickState*>(notify->lpOFN->lCustData);
    if (!state) return 0;
    HWND frame = GetParent(hookDialog);
    CaptureDialogText(frame, CDM_GETFOLDERPATH, state->folder);
    CaptureDialogText(frame, CDM_GETSPEC, state->names);
    return 0;
}

int PickFiles(HWND owner, const char* filter, const char* title, char* folder, int multi) {
    EndPickedFiles();
    FilePickState* state = nullptr;
    try {
        PickState = std::make_unique<FilePickState>();
        state = PickState.get();
        state->folder.reserve(kPathSize);
        state->names.reserve(kPathSize);
    } catch (const std::bad_alloc&) {
        PickState.reset();
        return 0;
    }
    state->multi = multi;
    OPENFILENAMEA& dialog = state->dialog;
    // The full size of this platform's block: the 76 bytes of the 32-bit
    // layout are refused by the 64-bit dialog.
    dialog.lStructSize = sizeof(OPENFILENAMEA);
    dialog.hwndOwner = owner;
    dialog.hInstance = GetModuleHandleA(nullptr);
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 0;
    dialog.lpstrFile = state->answer;
    dialog.nMaxFile = sizeof state->answer;
    dialog.lpstrInitialDir = folder && folder[0] ? folder : nullptr;
    dialog.lpstrTitle = title;
    dialog.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_ENABLEHOOK |
                   OFN_ENABLESIZING | (multi ? OFN_ALLOWMULTISELECT : 0);
    dialog.lCustData = reinterpret_cast<LPARAM>(state);
    dialog.lpfnHook = OpenDialogHook;

    const bool chosen = GetOpenFileNameA(&dialog) || CommDlgExtendedError() == FNERR_BUFFERTOOSMALL;
    if (!chosen) {
        EndPickedFiles();
        return 0;
    }
    if (folder) {
        std::memset(folder, 0, kPathSize);
        CopyTextBounded(folder, kPathSize, state->folder.c_str());
    }
    return 1;
}

// Hands out the name from start to the next quote-blank-quote (or the end),
// trimmed of blanks and quotes and joined to the folder; the cursor moves to
// the blank behind that name.
static const char* TakeName(FilePickState& state, size_t start) {
    for (;;) {
        const size_t separator = state.names.find("\" \"", start);
        std::string name = state.names.substr(start, separator == std::string::npos ? std::string::npos
                                                                                    : separator - start);
        state.cursor = separator == std::string::npos ? std::string::npos : separator + 1;
        TrimChars(name, " \"");
        std::string path = PathJoin(state.folder, name);
        if (path.size() < kPathSize) {
            state.current.swap(path);
            return state.current.c_str();
        }
        if (state.cursor == std::string::npos) return nullptr;
        start = state.cursor;
    }
}

const char* FirstPickedFile() {
    if (!PickState || PickState->names.empty()) return nullptr;
    try {
        return TakeName(*PickState, 0);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

const char* NextPickedFile() {
    if (!PickState || PickState->cursor == std::string::npos) return nullptr;
    FilePickState& state = *PickState;
    const size_t start = state.names.find_first_not_of(" \"", state.cursor);
    if (start == std::string::npos) {
        state.cursor = std::string::npos;
        return nullptr;
    }
    try {
        return TakeName(state, start);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void EndPickedFiles() { PickState.reset(); }

void ForEachPickedFile(const char* pattern, FileVisitor visitor, void* context) {
    for (const char* path = FirstPickedFile(); path; path = NextPickedFile()) {
        if (MatchMaskList(PathFileName(path), pattern)) visitor(path, context);
    }
    EndPickedFiles();
}

static int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED) {
        CenterOnParent(browser);
        if (data) SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, data);
    }
    return 0;
}

int PickFolder(HWND owner, char* path, const char* prompt, int useCurrent) {
    // The browser writes the item's display name and the conversion writes
    // whatever it has; both go to buffers of our own, so that the caller's
    // path changes only when a folder really was chosen.
    char displayName[MAX_PATH] = {};
    BROWSEINFOA browse = {};
    browse.hwndOwner = owner;
    browse.pidlRoot = nullptr;
    browse.pszDisplayName = displayName;
    browse.lpszTitle = prompt;
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE | BIF_NONEWFOLDERBUTTON;
    browse.lpfn = BrowseCallback;
    browse.lParam = useCurrent && path && path[0] ? reinterpret_cast<LPARAM>(path) : 0;

    const HRESULT initialised = OleInitialize(nullptr);
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator))) allocator = nullptr;
    int chosen = 0;
    if (LPITEMIDLIST item = SHBrowseForFolderA(&browse)) {
        char full[MAX_PATH] = {};
        chosen = SHGetPathFromIDListA(item, full) ? 1 : 0;
        if (chosen && path) CopyTextBounded(path, kPathSize, full);
        if (allocator) {
            allocator->Free(item);
        } else {
            CoTaskMemFree(item);
        }
    }
    if (allocator) allocator->Release();
    if (SUCCEEDED(initialised)) OleUninitialize();
    return chosen;
}
