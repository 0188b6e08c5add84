#include "core/FrontEnd.h"

namespace {
FrontEnd g_frontEnd;
}  // namespace

void FrontEndInstall(const FrontEnd* frontEnd) { g_frontEnd = frontEnd ? *frontEnd : FrontEnd{}; }

void FrontEndSetStatus(const char* text) {
    if (g_frontEnd.setStatusText) g_frontEnd.setStatusText(text);
}

void FrontEndRowAppended(ResultTab tab, size_t index) {
    if (g_frontEnd.rowAppended) g_frontEnd.rowAppended(tab, index);
}

void FrontEndListCleared(ResultTab tab) {
    if (g_frontEnd.listCleared) g_frontEnd.listCleared(tab);
}

void FrontEndEnterBusy() {
    if (g_frontEnd.enterBusy) g_frontEnd.enterBusy();
}

void FrontEndLeaveBusy() {
    if (g_frontEnd.leaveBusy) g_frontEnd.leaveBusy();
}

void FrontEndEnableExport(int enabled) {
    if (g_frontEnd.enableExport) g_frontEnd.enableExport(enabled);
}

void FrontEndSelectTab(ResultTab tab) {
    if (g_frontEnd.selectTab) g_frontEnd.selectTab(tab);
}

int FrontEndMessageBox(void* owner, const char* text, const char* caption, unsigned style) {
    return g_frontEnd.messageBox ? g_frontEnd.messageBox(owner, text, caption, style) : kIdOk;
}

void FrontEndShowError(void* owner, const char* text) {
    FrontEndMessageBox(owner, text, "Error", kMbOk | kMbIconStop);
}

bool FrontEndChooseExportFile(void* owner, std::string& path) {
    return g_frontEnd.chooseExportFile && g_frontEnd.chooseExportFile(owner, path);
}

void FrontEndQuitMainWindow() {
    if (g_frontEnd.quitMainWindow) g_frontEnd.quitMainWindow();
}

bool FrontEndGetWindowRect(int32_t rect[4]) {
    return g_frontEnd.getWindowRect && g_frontEnd.getWindowRect(rect);
}

void FrontEndSetWindowRect(const int32_t rect[4]) {
    if (g_frontEnd.setWindowRect) g_frontEnd.setWindowRect(rect);
}

void FrontEndCenterMainWindow() {
    if (g_frontEnd.centerMainWindow) g_frontEnd.centerMainWindow();
}
