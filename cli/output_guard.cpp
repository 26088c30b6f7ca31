// Checking outputs against inputs; the files' identities and the folder lock are
// output_guard_posix.cpp's and output_guard_windows.cpp's.
#include "cli/output_guard.h"

#include "cli/output_names.h"
#include "formats/text/text_file.h"
#include "formats/text/windows_names.h"
#include "hostsim/host_error.h"

#include <system_error>

namespace cli {

namespace fs = std::filesystem;

namespace {

// A path as the system compares paths: as written, or under Windows's rules with ASCII letters in
// one case.
std::string comparedPath(const fs::path &path) {
    std::string text = path.string();
    return systemNameRules == NameRules::Windows ? formats::windowsNameKey(text) : text;
}

// Refuses an output whose name the system would not keep as written, or (unless `force`) that the
// system takes for an existing file whose name differs in case.
void checkOutputName(const fs::path &output, bool force) {
    const std::string name = output.filename().string();
    if (const std::string fault = outputNameFault(name, systemNameRules); !fault.empty())
        throw hostsim::HostError::at(output, "cannot write: its name " + fault);
    if (force || systemNameRules == NameRules::Posix) return;
    const std::optional<std::string> stored = nameOnDisk(output);
    if (!stored) return;
    const std::string clash = caseOnlyClash(name, std::span(&*stored, 1), systemNameRules);
    if (!clash.empty())
        throw hostsim::HostError::at(output, "the system takes it for the existing file " + clash +
                                                 ", whose name differs only in case (--force "
                                                 "writes it anyway)");
}

}  // namespace

SameFileGuard::Known SameFileGuard::knownFile(const fs::path &file, std::string what) {
    Known known;
    known.path = file;
    std::error_code error;
    known.absolute = fs::weakly_canonical(fs::absolute(file, error), error);
    known.compared = comparedPath(known.absolute);
    known.identity = fileIdentity(file);
    known.what = std::move(what);
    return known;
}

void SameFileGuard::addInput(const fs::path &file, std::string what) {
    known_.push_back(knownFile(file, std::move(what)));
}

void SameFileGuard::addInputs(const formats::PointBudget &read) {
    for (const formats::PointBudget::Source &source : read.files())
        addInput(source.path, source.what);
}

void SameFileGuard::checkOutput(const fs::path &output, bool force) {
    if (output.empty() || output == formats::standardOutput) return;
    checkOutputName(output, force);
    Known out = knownFile(output, "another output of this command");
    if (!force)
        for (const Known &k : known_) {
            const bool sameIdentity = out.identity && out.identity == k.identity;
            if (sameIdentity || (!out.absolute.empty() && out.compared == k.compared))
                throw hostsim::HostError::at(
                    output, "is the same file as " + k.what + " " + k.path.string() +
                                ", which writing it would destroy (--force writes it anyway)");
        }
    known_.push_back(std::move(out));
}

}  // namespace cli
