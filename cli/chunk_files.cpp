// Copying and comparing a run's files, a block at a time.
#include "cli/chunk_files.h"

#include "formats/text/text_file.h"
#include "hostsim/host_error.h"

#include <system_error>
#include <vector>

namespace cli {

namespace fs = std::filesystem;
using hostsim::HostError;

namespace {

constexpr std::size_t blockBytes = std::size_t{1} << 20;

// Reads up to a block, or the rest of the file; fewer bytes only at its end.
std::size_t readBlock(formats::InputFile &in, std::vector<char> &block) {
    std::size_t got = 0;
    while (got < block.size()) {
        const std::size_t more = in.read(block.data() + got, block.size() - got);
        if (more == 0) break;
        got += more;
    }
    return got;
}

}  // namespace

void requirePlain(const fs::path &path, bool folder) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (status.type() == fs::file_type::not_found)
        throw HostError::at(path, "missing; the run's record names it");
    if (folder ? !fs::is_directory(status) : !fs::is_regular_file(status))
        throw HostError::at(path, folder ? "expected a folder, not a link or file"
                                         : "expected a regular file, not a link or anything else");
}

void copyRunFile(const fs::path &from, const fs::path &to) {
    requirePlain(from);
    formats::InputFile in(from);
    std::vector<char> block(blockBytes);
    formats::replaceFileWith(to, [&](const formats::TextSink &sink) {
        for (std::size_t got; (got = readBlock(in, block)) != 0;) sink({block.data(), got});
    });
}

bool sameRunFiles(const fs::path &a, const fs::path &b) {
    requirePlain(a);
    requirePlain(b);
    formats::InputFile first(a), second(b);
    if (first.size() != second.size()) return false;
    std::vector<char> one(blockBytes), two(blockBytes);
    for (;;) {
        const std::size_t got = readBlock(first, one);
        if (readBlock(second, two) != got) return false;
        if (got == 0) return true;
        if (!std::equal(one.begin(), one.begin() + static_cast<std::ptrdiff_t>(got), two.begin()))
            return false;
    }
}

}  // namespace cli
