#include "ui/SongRows.h"

#include <shlwapi.h>

#include <string>

#include "core/Results.h"
#include "platform/Text.h"
#include "ui/Scoped.h"
#include "ui/resource.h"

int32_t LineHeight = 0;

static bool HasPlugins(const SongEntry& song) { return song.plugins && !song.plugins->members.empty(); }

void MeasureSongRow(HWND mainWindow, MEASUREITEMSTRUCT* item) {
    if (!item || item->CtlType != ODT_LISTBOX || item->itemID == static_cast<UINT>(-1)) return;
    {
        ScopedWindowDC dc(mainWindow);
        TEXTMETRICA metrics = {};
        if (dc.dc && GetTextMetricsA(dc.dc, &metrics)) LineHeight = metrics.tmHeight;
    }
    const SongEntry* entry = reinterpret_cast<const SongEntry*>(item->itemData);
    if (!entry) return;
    int lines = 1;
    if (!entry->plugin) lines = HasPlugins(*entry) ? 7 : 8;
    item->itemHeight = static_cast<UINT>(lines * LineHeight);
}

// Puts the drawing context back as the list handed it over (font, colours,
// background mode) before our fonts are deleted.
struct ScopedDCState {
    HDC dc;
    int saved;
    explicit ScopedDCState(HDC d) : dc(d), saved(SaveDC(d)) {}
    ~ScopedDCState() {
        if (saved) RestoreDC(dc, saved);
    }
    ScopedDCState(const ScopedDCState&) = delete;
    ScopedDCState& operator=(const ScopedDCState&) = delete;
};

static void DrawLine(HDC dc, const std::string& text, RECT& area, UINT flags = 0) {
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_SINGLELINE | flags);
}

static std::string TempoLine(const SongEntry& song) {
    if (song.bpm && song.tpl) return TextFormat("BPM: %d - TPL: %d", song.bpm, song.tpl);
    if (song.bpm) return TextFormat("BPM: %d - TPL: n/a", song.bpm);
    return "BPM: n/a - TPL: n/a";
}

static void DrawSongCard(HDC dc, const SongEntry& song, RECT area, HFONT listFont, HFONT boldFont) {
    const int h = LineHeight;
    const LONG top = area.top;
    SelectObject(dc, boldFont ? boldFont : listFont);
    area.top = top + h;
    if (HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_QUORVEL)))
        DrawIcon(dc, area.left, area.top, icon);
    area.left += h + 32;
    SetTextColor(dc, kRowTextColor);
    char path[MAX_PATH] = {};
    CopyTextBounded(path, sizeof path, song.path.c_str());
    PathCompactPathA(dc, path, kPathWidth);
    DrawLine(dc, path, area);
    DrawLine(dc, std::to_string(song.ordinal), area, DT_RIGHT);

    SelectObject(dc, listFont);
    area.top += 2 * h;
    DrawLine(dc, "Artist: " + (song.artist ? *song.artist : std::string("n/a")), area);
    area.top += h;
    DrawLine(dc, "Songname: " + (song.songName ? *song.songName : std::string("n/a")), area);
    area.top += h;
    DrawLine(dc, TempoLine(song), area);
    if (!HasPlugins(song)) {
        SetTextColor(dc, kNoPluginsColor);
        area.top += 2 * h;
        DrawLine(dc, "No plugins used!", area);
    }
}

static void DrawPluginLine(HDC dc, const SongEntry& row, RECT area, LONG right, HFONT listFont) {
    const int h = LineHeight;
    SelectObject(dc, listFont);
    area.left = 2 * h + 32;
    RECT countArea = area;
    countArea.left = (right - h) - kCountWidth;
    const PluginRecord& plugin = *row.plugin;
    if (InstalledPlugins.members.empty()) {
        SetTextColor(dc, kNoInventoryColor);
        DrawLine(dc, plugin.name, area);
    } else if (row.missing) {
        SetTextColor(dc, kMissingColor);
        DrawLine(dc, plugin.name, area);
        DrawLine(dc, TextFormat("Instances used: %d - Plugin not found!", static_cast<int>(plugin.count)), countArea);
    } else {
        SetTextColor(dc, kInstalledColor);
        DrawLine(dc, plugin.name, area);
        DrawLine(dc, TextFormat("Instances used: %d", static_cast<int>(plugin.count)), countArea);
    }
}

void DrawSongRow(const DRAWITEMSTRUCT* item) {
    if (!item || item->CtlType != ODT_LISTBOX || item->itemID == static_cast<UINT>(-1)) return;
    if (!(item->itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS))) return;
    const SongEntry* entry = reinterpret_cast<const SongEntry*>(item->itemData);
    if (!entry) return;
    const HFONT listFont = FontOrDefault(reinterpret_cast<HFONT>(SendMessageA(item->hwndItem, WM_GETFONT, 0, 0)));
    ScopedFont bold(CreateFontVariant(listFont, FW_BOLD, false));
    ScopedDCState state(item->hDC);
    HDC dc = item->hDC;
    const RECT& itemArea = item->rcItem;
    FillRect(dc, &itemArea, GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);
    RECT area;
    CopyRect(&area, &itemArea);
    area.left = itemArea.left + LineHeight;
    area.right = itemArea.right - LineHeight;
    if (entry->plugin) {
        DrawPluginLine(dc, *entry, area, itemArea.right, listFont);
    } else {
        DrawSongCard(dc, *entry, area, listFont, bold.handle);
    }
}
