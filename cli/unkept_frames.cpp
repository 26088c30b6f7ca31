// Sweeping the output folder of a stopped run.
#include "cli/unkept_frames.h"

#include <algorithm>
#include <string_view>
#include <system_error>

namespace cli {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view temporaryMark = ".tmp-";

bool isDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// `name` without a temporary file's ending.
std::string_view withoutTemporary(std::string_view name) {
    const std::size_t mark = name.rfind(temporaryMark);
    if (mark == std::string_view::npos) return name;
    if (!isDigits(name.substr(mark + temporaryMark.size()))) return name;
    return name.substr(0, mark);
}

// Whether `name` is "<stem>.<label>.<kind>" for one of the stems and labels, <kind> without dots.
bool isFrameFile(std::string_view name, const std::vector<std::string> &stems,
                 const std::vector<std::string> &labels) {
    for (const std::string &stem : stems) {
        if (name.size() <= stem.size() + 1 || !name.starts_with(stem) || name[stem.size()] != '.')
            continue;
        const std::string_view rest = name.substr(stem.size() + 1);
        const std::size_t dot = rest.find('.');
        if (dot == std::string_view::npos || rest.find('.', dot + 1) != std::string_view::npos)
            continue;
        if (std::find(labels.begin(), labels.end(), rest.substr(0, dot)) != labels.end())
            return true;
    }
    return false;
}

void sweep(const fs::path &folder, const std::vector<std::string> &stems,
           const std::vector<std::string> &labels) {
    std::error_code error;
    std::vector<fs::path> doomed;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (!it->is_regular_file(error)) continue;
        const std::string name = it->path().filename().string();
        if (isTemporaryName(name) || isFrameFile(withoutTemporary(name), stems, labels))
            doomed.push_back(it->path());
    }
    for (const fs::path &file : doomed) fs::remove(file, error);
}

// Whether `name` is that of a file a run writes for one of the stems, or one of its shared files.
bool isRunFile(std::string_view name, const std::vector<std::string> &stems) {
    if (name == "index.html" || name == "pictures.html" || name == "three.js") return true;
    for (const std::string &stem : stems) {
        if (name.size() <= stem.size() + 1 || !name.starts_with(stem) || name[stem.size()] != '.')
            continue;
        const std::string_view rest = name.substr(stem.size() + 1);
        if (rest == "glb" || rest == "base.js") return true;
        const std::size_t dot = rest.find('.');
        if (dot == std::string_view::npos) continue;
        const std::string_view label = rest.substr(0, dot), kind = rest.substr(dot + 1);
        if ((kind == "obj" || kind == "svg" || kind == "js") &&
            isDigits(label.starts_with('-') ? label.substr(1) : label))
            return true;
    }
    return false;
}

// Whether `name` is a .glb spool of one of the stems: "<stem>.glb.tmp-offsets-<letters, digits>".
bool isSpool(std::string_view name, const std::vector<std::string> &stems) {
    constexpr std::string_view mark = ".glb.tmp-offsets-";
    for (const std::string &stem : stems) {
        if (!name.starts_with(stem) || name.substr(stem.size()).substr(0, mark.size()) != mark)
            continue;
        const std::string_view random = name.substr(stem.size() + mark.size());
        if (!random.empty() && std::all_of(random.begin(), random.end(), [](char c) {
                return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
            }))
            return true;
    }
    return false;
}

void sweepStale(const fs::path &folder, const std::vector<std::string> &stems) {
    std::error_code error;
    std::vector<fs::path> doomed;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->symlink_status(error).type() != fs::file_type::regular) continue;
        const std::string name = it->path().filename().string();
        const std::string_view target = withoutTemporary(name);
        if ((target.size() != name.size() && isRunFile(target, stems)) || isSpool(name, stems))
            doomed.push_back(it->path());
    }
    for (const fs::path &file : doomed) fs::remove(file, error);
}

}  // namespace

void removeStaleTemporaries(const fs::path &out, const std::vector<std::string> &stems) {
    sweepStale(out, stems);
    sweepStale(out / "viewer", stems);
}

bool isTemporaryName(const std::string &name) {
    return withoutTemporary(name).size() != name.size();
}

void removeUnkeptFrames(const fs::path &out, const std::vector<std::string> &stems,
                        const std::vector<std::string> &labels) {
    sweep(out, stems, labels);
    sweep(out / "viewer", stems, labels);
}

}  // namespace cli
