// Wine prefix folders for the registry and Waves tests: the registry file
// itself comes from the tests' data, as Wine writes it.
#pragma once

#include <string>

// Makes a prefix folder at root: system.reg with the given text, drive_c/,
// and dosdevices/c: linked to ../drive_c.
bool MakeWinePrefix(const std::string& root, const std::string& systemReg);
// Where a stored "C:\\..." path lies inside the prefix (under drive_c, with
// the letter case as written).
std::string WinePrefixFile(const std::string& root, const std::string& windowsPath);
