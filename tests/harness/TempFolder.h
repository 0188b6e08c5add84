// Real folders and files on disk, for the Linux suite and the Wine suite alike.
#pragma once

#include <string>

// A fresh folder below the system's temporary folder, removed with everything
// in it when the object goes.
struct TempFolder {
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // Writes bytes to a path relative to the folder (folders made as needed)
    // and returns the full path.
    std::string Write(const std::string& relative, const std::string& bytes) const;
    std::string MakeFolder(const std::string& relative) const;
    std::string Path(const std::string& relative) const;
    std::string path;
};

std::string ReadFileBytes(const std::string& path);
