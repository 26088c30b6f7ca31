// A small scanner over JSON text with comments that finds where one value lies, so that only that
// value's text is replaced.
#include "formats/scene_data_edit.h"

#include "formats/text/json_node.h"
#include "formats/text/text_file.h"
#include "hostsim/host_error.h"

#include <optional>
#include <vector>

namespace formats {

using hostsim::HostError;
namespace {

// Positions in the text are byte offsets. Every method throws on text that is not JSON.
class Scanner {
  public:
    Scanner(std::string_view text, const std::string &file) : text_(text), file_(file) {}

    // The first offset at or after `at` that is neither white space nor inside a comment.
    std::size_t blank(std::size_t at) const {
        while (at < text_.size()) {
            const char c = text_[at];
            if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
                ++at;
            } else if (text_.substr(at, 2) == "//") {
                const std::size_t end = text_.find('\n', at);
                at = end == std::string_view::npos ? text_.size() : end + 1;
            } else if (text_.substr(at, 2) == "/*") {
                const std::size_t end = text_.find("*/", at + 2);
                if (end == std::string_view::npos) fail("unclosed comment");
                at = end + 2;
            } else {
                break;
            }
        }
        return at;
    }

    char at(std::size_t offset) const {
        if (offset >= text_.size()) fail("unexpected end of the text");
        return text_[offset];
    }

    // The offset after the string that starts at `at`.
    std::size_t string(std::size_t at) const {
        if (this->at(at) != '"') fail("expected a string");
        for (std::size_t i = at + 1; i < text_.size(); ++i) {
            if (text_[i] == '\\')
                ++i;
            else if (text_[i] == '"')
                return i + 1;
        }
        fail("unclosed string");
    }

    // The offset after the value that starts at `at` (no blank before it).
    std::size_t value(std::size_t at) const {
        const char c = this->at(at);
        if (c == '"') return string(at);
        if (c == '{' || c == '[') {
            const char close = c == '{' ? '}' : ']';
            std::size_t i = blank(at + 1);
            if (this->at(i) == close) return i + 1;
            while (true) {
                if (c == '{') {
                    i = blank(string(i));
                    if (this->at(i) != ':') fail("expected ':'");
                    i = blank(i + 1);
                }
                i = blank(value(i));
                if (this->at(i) == close) return i + 1;
                if (this->at(i) != ',') fail("expected ',' or a closing bracket");
                i = blank(i + 1);
            }
        }
        std::size_t i = at;
        while (i < text_.size() && std::string_view("+-.0123456789eEtruefalsn").find(text_[i]) !=
                                       std::string_view::npos)
            ++i;
        if (i == at) fail("unexpected character");
        return i;
    }

    struct Member {
        std::size_t valueBegin = 0;
        std::size_t valueEnd = 0;
    };
    struct Members {
        std::optional<Member> found;
        std::size_t close = 0;  // the offset of the object's '}'
        bool empty = true;
    };

    // The member `key` of the object at `at` (matched on its text as written), and where it closes.
    Members member(std::size_t at, std::string_view key) const {
        if (this->at(at) != '{') fail("expected an object");
        Members members;
        std::size_t i = blank(at + 1);
        while (this->at(i) != '}') {
            members.empty = false;
            const std::size_t keyEnd = string(i);
            const std::string_view name = text_.substr(i + 1, keyEnd - i - 2);
            i = blank(keyEnd);
            if (this->at(i) != ':') fail("expected ':'");
            const std::size_t begin = blank(i + 1);
            const std::size_t end = value(begin);
            if (name == key) members.found = Member{begin, end};
            i = blank(end);
            if (this->at(i) == ',')
                i = blank(i + 1);
            else if (this->at(i) != '}')
                fail("expected ',' or '}'");
        }
        members.close = i;
        return members;
    }

    // The element `index` of the array at `at`.
    std::optional<std::size_t> element(std::size_t at, std::size_t index) const {
        if (this->at(at) != '[') fail("expected an array");
        std::size_t i = blank(at + 1);
        for (std::size_t k = 0; this->at(i) != ']'; ++k) {
            if (k == index) return i;
            i = blank(value(i));
            if (this->at(i) == ',')
                i = blank(i + 1);
            else if (this->at(i) != ']')
                fail("expected ',' or ']'");
        }
        return std::nullopt;
    }

    [[noreturn]] void fail(std::string_view what) const {
        throw HostError(file_ + ": cannot save the settings into its text: " + std::string(what));
    }

  private:
    std::string_view text_;
    const std::string &file_;
};

std::string dataText(std::span<const std::int32_t> data) {
    std::string text = "[";
    for (std::size_t i = 0; i < data.size(); ++i) text += (i ? ", " : "") + std::to_string(data[i]);
    return text + "]";
}

}  // namespace

std::string withDisplacementData(std::string_view text, std::size_t index,
                                 std::span<const std::int32_t> data, const std::string &file) {
    const Scanner scan(text, file);
    const Scanner::Members root = scan.member(scan.blank(0), "displacements");
    if (!root.found) scan.fail("the scene has no \"displacements\"");
    const auto displacement = scan.element(root.found->valueBegin, index);
    if (!displacement) scan.fail("the scene has no displacement " + std::to_string(index + 1));
    const Scanner::Members members = scan.member(*displacement, "data");
    std::string edited(text);
    if (members.found) {
        edited.replace(members.found->valueBegin,
                       members.found->valueEnd - members.found->valueBegin, dataText(data));
    } else {
        edited.insert(members.close,
                      std::string(members.empty ? "" : ", ") + "\"data\": " + dataText(data));
    }
    return edited;
}

void saveDisplacementData(const std::filesystem::path &path, std::size_t index,
                          std::span<const std::int32_t> data) {
    const std::string file = path.string();
    const std::string edited = withDisplacementData(readTextFile(path), index, data, file);
    // The edit must read back as meant before it replaces the file.
    const nlohmann::json document = parseJson(edited, file);
    bool readsBack = false;
    try {
        readsBack = document.at("displacements").at(index).at("data") ==
                    nlohmann::json(std::vector<std::int32_t>(data.begin(), data.end()));
    } catch (const nlohmann::json::exception &) {}
    if (!readsBack)
        throw HostError::at(
            path, "cannot save the settings into its text: the edited text does not read back");
    // A scene may be the only copy of a person's work: it survives a system crash too.
    replaceFile(path, edited, Durability::System);
}

}  // namespace formats
