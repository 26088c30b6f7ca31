// The file-name rules of Windows, as pure text rules, so that every build can test them: names kept
// for devices, characters a name cannot hold, and an end that Windows drops.
#pragma once

#include <string>
#include <string_view>

namespace formats {

// The device a name stands for on Windows, in upper case ("NUL" for "nul.txt", "COM1" for
// "Com1.tar.gz", "CON" for "con "), or empty: CON, PRN, AUX, NUL, COM1 to COM9 and LPT1 to LPT9,
// in any case, with any extension, spaces before the extension ignored.
std::string windowsDeviceName(std::string_view fileName);

// Why Windows would not keep a file by this name as written, or empty when it would: a device's
// name, a character a name cannot hold (< > : " / \ | ? * and controls; ':' would write to a stream
// of another file), or a final dot or space (Windows drops them, so the file would get another
// name). `fileName` is one part of a path, without folders.
std::string windowsNameFault(std::string_view fileName);

// The name as Windows compares names: ASCII letters in upper case (other letters are compared as
// written here, so a case-only clash outside ASCII is not found).
std::string windowsNameKey(std::string_view fileName);

}  // namespace formats
