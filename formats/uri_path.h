// The files that a document names by URI, kept inside the document's own folder: a file read from
// outside the folder it was given in would let a hostile document read anything the user can.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace formats {

// The file that the relative URI `uri` names beside a document in `folder`: percent-decoded and
// resolved against the folder, with every symlink followed. Throws HostError "<where>: <what>" when
// the URI has a scheme, is absolute, has a bad escape or a NUL, leads out of the folder (by ".." or
// by a symlink), names nothing, or names something that is not a regular file. Quoted input is cut
// short and escaped (shownInput).
std::filesystem::path fileInFolder(std::string_view uri, const std::filesystem::path &folder,
                                   const std::string &where);

// `uri` with every %XX escape decoded; false for a '%' without two hex digits after it.
bool percentDecode(std::string_view uri, std::string &decoded);

}  // namespace formats
