// Sweeping the output folder of a stopped run.
#include "cli/unkept_frames.h"

#include <algorithm>
#include <string_view>
#include <system_error>

namespace cli {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view temporaryMark = ".tmp-";

// `name` without a temporary file's ending.
std::string_view withoutTemporary(std::string_view name) {
    const std::size_t mark = name.rfind(temporaryMark);
    if (mark == std::string_view::npos) return name;
    const std::string_view digits = name.substr(mark + temporaryMark.size());
    if (digits.empty() ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return name;
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

}  // namespace

bool isTemporaryName(const std::string &name) {
    return withoutTemporary(name).size() != name.size();
}

void removeUnkeptFrames(const fs::path &out, const std::vector<std::string> &stems,
                        const std::vector<std::string> &labels) {
    sweep(out, stems, labels);
    sweep(out / "viewer", stems, labels);
}

}  // namespace cli
