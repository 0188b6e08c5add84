#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/Text.h"

struct PlatformFile {
    int fd = -1;
};

namespace {

PlatformFile* Wrap(int fd) {
    if (fd < 0) return nullptr;
    PlatformFile* file = new (std::nothrow) PlatformFile;
    if (!file) {
        close(fd);
        return nullptr;
    }
    file->fd = fd;
    return file;
}

}  // namespace

PlatformFile* FileOpenRead(const char* path) {
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused just below.
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return Wrap(fd);
}

PlatformFile* FileOpenWrite(const char* path, FileCreate mode) {
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC;
    if (mode == FileCreate::kAlways) flags |= O_TRUNC;
    return Wrap(open(path, flags, 0644));
}

void FileClose(PlatformFile* file) {
    if (!file) return;
    if (file->fd >= 0) close(file->fd);
    delete file;
}

bool FileGetSize(PlatformFile* file, uint64_t* size) {
    struct stat st;
    if (!file || fstat(file->fd, &st) != 0 || st.st_size < 0) return false;
    *size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool FileSeek(PlatformFile* file, uint64_t offset) {
    if (!file || offset > static_cast<uint64_t>(LLONG_MAX)) return false;
    return lseek(file->fd, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

size_t FileRead(PlatformFile* file, void* buffer, size_t n) {
    if (!file) return 0;
    size_t done = 0;
    char* out = static_cast<char*>(buffer);
    while (done < n) {
        const ssize_t got = read(file->fd, out + done, n - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

bool FileWrite(PlatformFile* file, const void* data, size_t n) {
    if (!file) return false;
    size_t done = 0;
    const char* in = static_cast<const char*>(data);
    while (done < n) {
        const ssize_t put = write(file->fd, in + done, n - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

bool FileTruncateHere(PlatformFile* file) {
    if (!file) return false;
    const off_t here = lseek(file->fd, 0, SEEK_CUR);
    return here >= 0 && ftruncate(file->fd, here) == 0;
}

bool FileSync(PlatformFile* file) {
    if (!file) return false;
    if (fsync(file->fd) == 0) return true;
    // Pipes, terminals and /dev/null cannot be synced; there is nothing to lose.
    return errno == EINVAL || errno == ENOTSUP || errno == EROFS;
}

bool PathExists(const char* path) {
    struct stat st;
    return path && *path && stat(path, &st) == 0;
}

bool IsFolder(const char* path) {
    struct stat st;
    return path && *path && stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveFile(const char* path) { return unlink(path) == 0; }

bool ReplaceFileWith(const char* source, const char* target) { return rename(source, target) == 0; }

bool MakeFolders(const char* path) {
    std::string partial;
    const std::string full(path);
    for (size_t i = 0; i <= full.size(); ++i) {
        if (i == full.size() || (full[i] == '/' && i > 0)) {
            partial = full.substr(0, i);
            if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
        }
    }
    return IsFolder(path);
}

bool GetCurrentFolder(std::string& folder) {
    std::string buffer(256, '\0');
    for (;;) {
        if (getcwd(buffer.data(), buffer.size())) {
            buffer.resize(std::strlen(buffer.c_str()));
            folder = buffer;
            return true;
        }
        if (errno != ERANGE || buffer.size() > (1u << 20)) return false;
        buffer.resize(buffer.size() * 2);
    }
}

bool SetCurrentFolder(const char* folder) { return folder && *folder && chdir(folder) == 0; }

bool ListCurrentFolder(std::vector<FolderEntry>& entries) {
    entries.clear();
    DIR* dir = opendir(".");
    if (!dir) return false;
    while (const dirent* d = readdir(dir)) {
        if (!std::strcmp(d->d_name, ".") || !std::strcmp(d->d_name, "..")) continue;
        FolderEntry entry;
        entry.name = d->d_name;
        unsigned char type = d->d_type;
        if (type == DT_UNKNOWN || type == DT_LNK) {
            // A link counts as what it points to; a dangling one as a plain file.
            struct stat st;
            if (stat(d->d_name, &st) == 0)
                type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_FIFO;
            else
                type = DT_REG;
        }
        entry.kind = type == DT_DIR ? EntryKind::kFolder : type == DT_REG ? EntryKind::kFile : EntryKind::kOther;
        entries.push_back(std::move(entry));
    }
    closedir(dir);
    // The listing order of a POSIX folder is arbitrary; the walk's order decides
    // how songs are numbered, so it is made stable: the name comparison first,
    // plain bytes for names that compare equal.
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        const int c = CompareNames(a.name, b.name);
        return c != 0 ? c < 0 : a.name < b.name;
    });
    return true;
}

bool CurrentFolderIdentity(FolderIdentity* identity) {
    struct stat st;
    if (stat(".", &st) != 0) return false;
    identity->volume = static_cast<uint64_t>(st.st_dev);
    identity->index = static_cast<uint64_t>(st.st_ino);
    return true;
}

std::string ExecutableFolder() {
    std::string buffer(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0) return std::string();
    buffer.resize(static_cast<size_t>(n));
    return PathFolder(buffer.c_str());
}
