// Owners of GDI objects, device contexts and registry keys, so that every
// early return of the window code releases what it holds.
#pragma once

#include <windows.h>

// A font, bitmap, brush or pen that we created (DeleteObject at the end).
template <typename Handle>
struct ScopedGdiObject {
    Handle handle = nullptr;
    ScopedGdiObject() = default;
    explicit ScopedGdiObject(Handle h) : handle(h) {}
    ~ScopedGdiObject() {
        if (handle) DeleteObject(handle);
    }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;
    explicit operator bool() const { return handle != nullptr; }
};
using ScopedFont = ScopedGdiObject<HFONT>;
using ScopedBitmap = ScopedGdiObject<HBITMAP>;
using ScopedBrush = ScopedGdiObject<HBRUSH>;

// A memory device context (DeleteDC at the end).
struct ScopedMemoryDC {
    HDC dc = nullptr;
    explicit ScopedMemoryDC(HDC compatibleWith) : dc(CreateCompatibleDC(compatibleWith)) {}
    ~ScopedMemoryDC() {
        if (dc) DeleteDC(dc);
    }
    ScopedMemoryDC(const ScopedMemoryDC&) = delete;
    ScopedMemoryDC& operator=(const ScopedMemoryDC&) = delete;
};

// A window's device context from GetDC (ReleaseDC at the end).
struct ScopedWindowDC {
    HWND window = nullptr;
    HDC dc = nullptr;
    explicit ScopedWindowDC(HWND w) : window(w), dc(GetDC(w)) {}
    ~ScopedWindowDC() {
        if (dc) ReleaseDC(window, dc);
    }
    ScopedWindowDC(const ScopedWindowDC&) = delete;
    ScopedWindowDC& operator=(const ScopedWindowDC&) = delete;
};

// One paint cycle of a window (EndPaint at the end).
struct ScopedPaint {
    HWND window = nullptr;
    PAINTSTRUCT paint = {};
    HDC dc = nullptr;
    explicit ScopedPaint(HWND w) : window(w), dc(BeginPaint(w, &paint)) {}
    ~ScopedPaint() {
        if (dc) EndPaint(window, &paint);
    }
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;
};

// Selects an object into a device context and puts the previous one back,
// so that the object can be deleted afterwards.
struct ScopedSelect {
    HDC dc = nullptr;
    HGDIOBJ previous = nullptr;
    ScopedSelect(HDC d, HGDIOBJ object) : dc(d), previous(object ? SelectObject(d, object) : nullptr) {}
    ~ScopedSelect() {
        if (previous) SelectObject(dc, previous);
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;
};

struct ScopedRegKey {
    HKEY key = nullptr;
    ScopedRegKey() = default;
    ~ScopedRegKey() {
        if (key) RegCloseKey(key);
    }
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;
};

// The font a window draws with, or the stock GUI font when it names none, so
// that text is always measured and drawn in a real font.
inline HFONT FontOrDefault(HFONT font) {
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// A variant of a font with another weight (and underline); nullptr when the
// system cannot make it.
inline HFONT CreateFontVariant(HFONT base, LONG weight, bool underline) {
    LOGFONTA description = {};
    if (!GetObjectA(FontOrDefault(base), sizeof description, &description)) return nullptr;
    description.lfWeight = weight;
    description.lfUnderline = underline ? TRUE : FALSE;
    return CreateFontIndirectA(&description);
}
