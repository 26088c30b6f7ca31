// Resolving relative URIs inside a folder: decoded, normalised, symlinks followed, then checked.
#include "formats/uri_path.h"

#include "formats/text/text_file.h"

#include <algorithm>
#include <system_error>

#include "formats/shown_text.h"
#include "hostsim/host_error.h"

namespace formats {

namespace fs = std::filesystem;
namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "scheme:" at the start: a letter, then letters, digits, '+', '-' or '.', then ':'.
bool hasScheme(std::string_view uri) {
    const std::size_t colon = uri.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    const auto schemeChar = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '+' || c == '-' || c == '.';
    };
    const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    return isLetter(uri[0]) &&
           std::all_of(uri.begin(), uri.begin() + static_cast<std::ptrdiff_t>(colon), schemeChar);
}

// Whether `inner` is `outer` or lies below it; both absolute and normal.
bool isInside(const fs::path &inner, const fs::path &outer) {
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
        if (o->empty()) continue;  // the empty last part of a path that ends in a separator
        if (i == inner.end() || *i != *o) return false;
    }
    return true;
}

}  // namespace

bool percentDecode(std::string_view uri, std::string &decoded) {
    decoded.clear();
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] != '%') {
            decoded += uri[i];
            continue;
        }
        if (uri.size() - i < 3) return false;
        const int high = hexValue(uri[i + 1]);
        const int low = hexValue(uri[i + 2]);
        if (high < 0 || low < 0) return false;
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return true;
}

fs::path fileInFolder(std::string_view uri, const fs::path &folder, const std::string &where) {
    const std::string shown = "\"" + shownInput(uri) + "\"";
    const auto refuse = [&](const std::string &why) {
        throw hostsim::HostError(where + ": uri " + shown + " " + why);
    };
    if (uri.empty()) refuse("is empty");
    if (hasScheme(uri))
        refuse(
            "is not a relative file name (only data: URIs and files beside the glTF file are "
            "read)");
    std::string decoded;
    if (!percentDecode(uri, decoded)) refuse("has a '%' not followed by two hex digits");
    if (decoded.find('\0') != std::string::npos) refuse("has a NUL character");
    const fs::path relative = utf8Path(decoded);
    if (relative.is_absolute() || relative.has_root_path())
        refuse("is absolute; only files inside the glTF file's folder are read");
    const fs::path normal = relative.lexically_normal();
    if (!normal.empty() && *normal.begin() == "..") refuse("leads out of the glTF file's folder");

    std::error_code error;
    const fs::path base = fs::canonical(folder.empty() ? fs::path(".") : folder, error);
    if (error)
        refuse("cannot be resolved: the folder " + shownInput(folder.string()) + ": " +
               error.message());
    const fs::path file = fs::canonical(base / normal, error);
    if (error) refuse("names no readable file: " + error.message());
    if (!isInside(file, base)) refuse("leads out of the glTF file's folder through a symlink");
    if (!fs::is_regular_file(file, error)) refuse("does not name a regular file");
    return file;
}

}  // namespace formats
