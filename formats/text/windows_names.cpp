// Windows's file-name rules on text alone.
#include "formats/text/windows_names.h"

#include <array>

namespace formats {

namespace {

char upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string windowsNameKey(std::string_view fileName) {
    std::string key(fileName);
    for (char &c : key) c = upper(c);
    return key;
}

std::string windowsDeviceName(std::string_view fileName) {
    std::string_view base = fileName.substr(0, fileName.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    const std::string key = windowsNameKey(base);
    constexpr std::array<std::string_view, 4> plain{"CON", "PRN", "AUX", "NUL"};
    for (const std::string_view name : plain)
        if (key == name) return key;
    if (key.size() == 4 && (key.starts_with("COM") || key.starts_with("LPT")) && key[3] >= '1' &&
        key[3] <= '9')
        return key;
    return {};
}

std::string windowsNameFault(std::string_view fileName) {
    if (const std::string device = windowsDeviceName(fileName); !device.empty())
        return "is the name of a Windows device (" + device + "), not of a file";
    for (const char c : fileName) {
        if (static_cast<unsigned char>(c) < 32)
            return "holds a control character, which a Windows file name cannot";
        if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
            return std::string("holds '") + c + "', which a Windows file name cannot";
    }
    if (!fileName.empty() && fileName != "." && fileName != ".." &&
        (fileName.back() == '.' || fileName.back() == ' '))
        return "ends in a dot or a space, which Windows drops from a file name";
    return {};
}

}  // namespace formats
