// Writes the registry file of a Wine prefix (system.reg) the way Wine itself
// does, and prefix folders around it, so that tests, fuzz seeds
// and the benchmark can offer COM classes to the Waves scan.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A COM class as the Waves scan reads it.
struct WineClass {
    std::string clsid;        // "{...}"; empty: WineClsid of the class's position
    std::string description;  // the class key's default value
    std::string libraryPath;  // InprocServer32's default value, as stored ("C:\\Program Files\\...")
    bool hasDescription = true;
    bool hasServerKey = true;  // false: no InprocServer32 key at all
};

// A made-up class identifier, different for every index.
std::string WineClsid(size_t index);
// The whole file as Wine writes it: header, then the classes' keys under
// Software\Classes\CLSID with their values.
std::string WineSystemReg(const std::vector<WineClass>& classes);

// Makes a prefix folder at root: system.reg with the given text, drive_c/,
// and dosdevices/c: linked to ../drive_c.
bool MakeWinePrefix(const std::string& root, const std::string& systemReg);
// Where a stored "C:\\..." path lies inside the prefix (under drive_c, with
// the letter case as written).
std::string WinePrefixFile(const std::string& root, const std::string& windowsPath);
