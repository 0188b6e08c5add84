#include "inventory/FolderWalk.h"

#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/Text.h"

namespace {

struct FolderWalkFrame {
    std::string path;
    FolderIdentity identity;
    std::vector<FolderEntry> entries;
    size_t next = 0;
};

struct FolderWalkState {
    const char* pattern = nullptr;
    FileVisitor visitor = nullptr;
    void* context = nullptr;
    int recurse = 0;
    // The folders from the start down to the one being walked. Kept on the
    // heap rather than the machine stack, so that a deep tree cannot exhaust it.
    std::vector<FolderWalkFrame> frames;
};

// Files pass of the current folder, whose path is given (empty: ask the
// system); on success with recurse the folder joins the walk's path so that its
// subfolders follow. A folder that is already on the path (reached again
// through a link) is not walked a second time.
bool WalkCurrentFolder(FolderWalkState& state, std::string path) {
    FolderWalkFrame frame;
    frame.path = std::move(path);
    if (frame.path.empty() && !GetCurrentFolder(frame.path)) return false;
    if (CurrentFolderIdentity(&frame.identity)) {
        for (const FolderWalkFrame& outer : state.frames)
            if (outer.identity == frame.identity) return false;
    }
    if (!ListCurrentFolder(frame.entries)) return false;
    for (const FolderEntry& entry : frame.entries) {
        if (entry.kind != EntryKind::kFile || !MatchMaskList(entry.name.c_str(), state.pattern)) continue;
        const std::string full = PathJoin(frame.path, entry.name);
        state.visitor(full.c_str(), state.context);
    }
    if (state.recurse) state.frames.push_back(std::move(frame));
    return true;
}

}  // namespace

void WalkFolder(const char* folder, const char* pattern, int recurse, FileVisitor visitor, void* context) {
    if (!pattern || !visitor) return;
    std::string start;
    const bool haveStart = GetCurrentFolder(start);
    // A folder that cannot be entered is no error: the walk then lists the
    // current folder, which is how a bare file name finds its file.
    if (folder && *folder) SetCurrentFolder(folder);

    FolderWalkState state;
    state.pattern = pattern;
    state.visitor = visitor;
    state.context = context;
    state.recurse = recurse;
    WalkCurrentFolder(state, std::string());

    while (!state.frames.empty()) {
        FolderWalkFrame& top = state.frames.back();
        while (top.next < top.entries.size() && top.entries[top.next].kind != EntryKind::kFolder) ++top.next;
        if (top.next == top.entries.size()) {
            state.frames.pop_back();
            // Back by path, not by "..": the ".." of a linked folder is not
            // where the walk came from.
            if (!state.frames.empty()) SetCurrentFolder(state.frames.back().path.c_str());
            continue;
        }
        const std::string name = top.entries[top.next++].name;
        const std::string parent = top.path;  // top may move when a frame is pushed
        if (!SetCurrentFolder(name.c_str())) continue;
        // A subfolder's path is its parent's path and its name, as the user
        // navigated it, also when the subfolder is a link to somewhere else.
        if (!WalkCurrentFolder(state, PathJoin(parent, name))) SetCurrentFolder(parent.c_str());
    }

    if (haveStart) SetCurrentFolder(start.c_str());
}
