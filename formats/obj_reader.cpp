// Reading OBJ text into an ObjDocument line by line, with checked numbers and indices.
#include "formats/obj_document.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

#include "formats/point_budget.h"
#include "formats/shown_text.h"
#include "formats/text/number_reading.h"
#include "hostsim/host_error.h"

namespace formats {

using hostsim::HostError;
namespace {

// ' ', '\t', '\r', '\f' and '\v': one comparison for the printable characters words are made of.
bool isSpace(char c) {
    constexpr std::uint64_t spaces =
        (std::uint64_t{1} << ' ') | (1u << '\t') | (1u << '\r') | (1u << '\f') | (1u << '\v');
    const auto u = static_cast<unsigned char>(c);
    return u <= ' ' && ((spaces >> u) & 1u) != 0;
}

// Splits off the next whitespace-separated word; empty at the end of the line.
std::string_view nextWord(std::string_view &rest) {
    const char *p = rest.data();
    const char *const end = p + rest.size();
    while (p != end && isSpace(*p)) ++p;
    const char *const begin = p;
    while (p != end && !isSpace(*p)) ++p;
    rest = std::string_view(p, static_cast<std::size_t>(end - p));
    return {begin, static_cast<std::size_t>(p - begin)};
}

// The next word of `rest` read as a number; false when there is none or it is not one, with `word`
// what was there (empty at the end of the line). A plain decimal is read as the word is split.
bool nextNumber(std::string_view &rest, std::string_view &word, double &value) {
    const char *p = rest.data();
    const char *const end = p + rest.size();
    while (p != end && isSpace(*p)) ++p;
    if (const char *last = readPlainDecimal(p, end, value);
        last != nullptr && (last == end || isSpace(*last))) {
        word = std::string_view(p, static_cast<std::size_t>(last - p));
        rest = std::string_view(last, static_cast<std::size_t>(end - last));
        return true;
    }
    rest = std::string_view(p, static_cast<std::size_t>(end - p));
    word = nextWord(rest);
    return readDouble(word, value);
}

// The three kinds of record that elements refer to by index.
enum class Record { Point, TexturePoint, Normal };

const char *recordName(Record record) {
    switch (record) {
        case Record::Point:
            return "point";
        case Record::TexturePoint:
            return "texture coordinate";
        case Record::Normal:
            return "normal";
    }
    return "";
}

}  // namespace

// Reads the lines of one document into an ObjDocument; every fault names the file and line.
class ObjParser {
  public:
    explicit ObjParser(const std::string &file, PointBudget *budget = nullptr)
        : file_(file),
          budget_(budget),
          pointsAllowed_(budget ? budget->pointsLeft() : static_cast<std::uint64_t>(-1)) {}

    // Reads whole lines, each ending in "\n", "\r\n" or "\r"; the last line of the document may
    // come without its line end.
    void feed(std::string_view text) {
        while (!text.empty()) {
            // The first '\n', then a '\r' before it: the end of a "\r\n" line or a line of its own.
            std::size_t end = text.find('\n');
            std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
            const std::size_t before = std::min(end, text.size());
            if (const void *cr = std::memchr(text.data(), '\r', before); cr != nullptr) {
                const auto at =
                    static_cast<std::size_t>(static_cast<const char *>(cr) - text.data());
                if (at + 1 != end) next = at + 1;  // not "\r\n": the line ends at the '\r'
                end = at;
            }
            const std::string_view line = text.substr(0, end);
            text.remove_prefix(next);
            ++lineNumber_;
            lineStart_ = line.data();
            readLine(line);
        }
    }

    // The document, once every line has been fed.
    ObjDocument finish() {
        if (doc_.points_.empty())
            throw HostError(file_ + ": expected points (\"v\" lines); the file has none");
        if (budget_) budget_->take(file_, doc_.points_.size());
        for (const Forward &f : forward_) {
            if (f.index > count(f.record)) outOfRange(f.line, f.record, f.index);
        }
        return std::move(doc_);
    }

  private:
    // A positive index beyond the records read so far: checked against the totals at the end.
    struct Forward {
        std::size_t line;
        Record record;
        long long index;
    };

    [[noreturn]] void fail(std::size_t line, const std::string &what) const {
        throw HostError(file_ + ":" + std::to_string(line) + ": " + what);
    }

    [[noreturn]] void fail(std::size_t line, std::size_t column, const std::string &what) const {
        throw HostError(file_ + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " +
                        what);
    }

    [[noreturn]] void outOfRange(std::size_t line, Record record, long long index) const {
        fail(line, std::string(recordName(record)) + " index " + std::to_string(index) +
                       " is out of range; the file has " + std::to_string(count(record)) + " " +
                       recordName(record) + "s");
    }

    long long count(Record record) const {
        switch (record) {
            case Record::Point:
                return static_cast<long long>(doc_.points_.size());
            case Record::TexturePoint:
                return textureCount_;
            case Record::Normal:
                return static_cast<long long>(doc_.normalStarts_.size());
        }
        return 0;
    }

    // The run a line of this kind joins: the last one when it is of the kind (and, for points, has
    // nothing after x y z), else a new one.
    ObjDocument::Run &runFor(ObjDocument::RunKind kind) {
        auto &runs = doc_.runs_;
        if (runs.empty() || runs.back().kind != kind ||
            !(kind == ObjDocument::RunKind::Kept || runs.back().text.empty())) {
            runs.push_back({kind, 0, {}});
        }
        return runs.back();
    }

    void keep(std::string_view line) {
        std::string &text = runFor(ObjDocument::RunKind::Kept).text;
        text += line;
        text += '\n';
        doc_.lineChars_ += line.size() + 1;
    }

    void keepNormal(std::string_view line) {
        ++runFor(ObjDocument::RunKind::Normals).count;
        doc_.normalStarts_.push_back(doc_.normalLines_.size());
        doc_.normalLines_ += line;
        doc_.normalLines_ += '\n';
        doc_.lineChars_ += line.size() + 1;
    }

    // A "v" line; `rest` is what followed x y z.
    void keepPoint(std::string_view rest) {
        if (!rest.empty())
            doc_.runs_.push_back({ObjDocument::RunKind::Points, 1, std::string(rest)});
        else
            ++runFor(ObjDocument::RunKind::Points).count;
        doc_.lineChars_ += rest.size() + 1;
    }

    void readLine(std::string_view line) {
        std::string_view rest = line;
        const std::string_view keyword = nextWord(rest);
        if (keyword == "v") return readPoint(rest);
        if (keyword == "vn") return keepNormal(line);
        if (keyword == "vt")
            readTexturePoint(rest);
        else if (keyword == "f")
            readElement(rest, 3, "face", true);
        else if (keyword == "l")
            readElement(rest, 2, "line", false);
        else if (keyword == "p")
            readElement(rest, 1, "point element", false);
        keep(line);
    }

    // A texture point's u and v; missing or unreadable numbers count as 0, as texture coordinates
    // only travel along to glTF output.
    void readTexturePoint(std::string_view rest) {
        ++textureCount_;
        std::array<float, 2> uv{};
        for (float &coordinate : uv) {
            double value = 0.0;
            if (readDouble(nextWord(rest), value) && std::isfinite(static_cast<float>(value)))
                coordinate = static_cast<float>(value);
        }
        doc_.texturePoints_.push_back(uv);
    }

    void readPoint(std::string_view rest) {
        std::array<float, 3> point{};
        for (float &coordinate : point) {
            std::string_view word;
            double value = 0.0;
            if (!nextNumber(rest, word, value)) {
                if (word.empty()) fail(lineNumber_, "expected 3 numbers after \"v\"");
                fail(lineNumber_, column(word),
                     "expected 3 numbers after \"v\", found \"" + shownInput(word) + "\"");
            }
            coordinate = static_cast<float>(value);
            if (!std::isfinite(coordinate))
                fail(lineNumber_, column(word),
                     "expected 3 numbers within the range of a float after \"v\"");
        }
        if (!rest.empty()) [[unlikely]]
            checkPointExtras(rest);
        if (doc_.points_.size() >= pointsAllowed_) [[unlikely]]
            budget_->take(file_ + ":" + std::to_string(lineNumber_), doc_.points_.size() + 1);
        doc_.points_.push_back(point);
        keepPoint(rest);
    }

    // What may follow a point's x y z: nothing, its weight w, or a colour r g b (a common
    // extension), then perhaps a comment; kept as written. Anything else is refused at its column.
    [[gnu::cold, gnu::noinline]] void checkPointExtras(std::string_view rest) {
        std::size_t numbers = 0;
        for (std::string_view word = nextWord(rest); !word.empty(); word = nextWord(rest)) {
            if (word.front() == '#') break;  // a comment to the end of the line
            double value = 0.0;
            if (!readDouble(word, value) || numbers == 3)
                fail(lineNumber_, column(word),
                     "expected nothing, a weight w or a colour r g b after the 3 numbers of "
                     "\"v\", found \"" +
                         shownInput(word) + "\"");
            ++numbers;
        }
        if (numbers == 2)
            fail(lineNumber_, column(rest),
                 "expected nothing, a weight w or a colour r g b after the 3 numbers of \"v\", "
                 "found 2 numbers");
    }

    // The 1-based column at which `word`, a part of the current line, starts.
    std::size_t column(std::string_view word) const {
        return static_cast<std::size_t>(word.data() - lineStart_) + 1;
    }

    // A 1-based or negative (relative) index of a record, checked as far as the records so far
    // allow.
    std::size_t resolve(std::string_view word, Record record) {
        long long index = 0;
        if (!readWhole(word, index)) [[unlikely]]
            notAnIndex(word, record);
        if (index > 0) {
            if (index > count(record)) [[unlikely]]
                forward_.push_back({lineNumber_, record, index});
            return static_cast<std::size_t>(index - 1);
        }
        const long long available = count(record);
        if (index == 0 || available + index < 0) [[unlikely]]
            badIndex(index, record);
        return static_cast<std::size_t>(available + index);
    }

    [[noreturn, gnu::cold, gnu::noinline]] void notAnIndex(std::string_view word,
                                                           Record record) const {
        fail(lineNumber_, "expected a " + std::string(recordName(record)) + " index, found \"" +
                              shownInput(word) + "\"");
    }

    // Index 0, or a relative index that reaches before the first record.
    [[noreturn, gnu::cold, gnu::noinline]] void badIndex(long long index, Record record) const {
        if (index == 0)
            fail(lineNumber_, std::string(recordName(record)) + " index 0; indices count from 1");
        fail(lineNumber_, "relative " + std::string(recordName(record)) + " index " +
                              std::to_string(index) + " reaches before the first " +
                              recordName(record) + "; " + std::to_string(count(record)) +
                              " come before this line");
    }

    // "f", "l" and "p": corners written v, v/vt, v//vn or v/vt/vn.
    void readElement(std::string_view rest, std::size_t least, const char *what, bool isFace) {
        const std::size_t first = doc_.corners_.size();
        std::size_t corners = 0;
        for (std::string_view word = nextWord(rest); !word.empty();
             word = nextWord(rest), ++corners) {
            // The word up to its first '/', between its first and second, and after the second.
            const char *const end = word.data() + word.size();
            const char *const slash = std::find(word.data(), end, '/');
            const std::size_t point = resolve(
                std::string_view(word.data(), static_cast<std::size_t>(slash - word.data())),
                Record::Point);
            std::size_t normal = ObjDocument::noNormal;
            std::size_t textureIndex = ObjDocument::noNormal;
            if (slash != end) {
                const char *const second = std::find(slash + 1, end, '/');
                if (second != slash + 1)
                    textureIndex = resolve(
                        std::string_view(slash + 1, static_cast<std::size_t>(second - slash - 1)),
                        Record::TexturePoint);
                if (second != end)
                    normal = resolve(
                        std::string_view(second + 1, static_cast<std::size_t>(end - second - 1)),
                        Record::Normal);
            }
            if (isFace) doc_.corners_.push_back({point, normal, textureIndex});
        }
        if (corners < least)
            fail(lineNumber_, "expected a " + std::string(what) + " of at least " +
                                  std::to_string(least) + " corners");
        if (isFace) doc_.faceStarts_.push_back(first);
    }

    const std::string &file_;
    PointBudget *budget_;
    std::uint64_t pointsAllowed_;  // before the budget must be asked
    std::size_t lineNumber_ = 0;
    const char *lineStart_ = nullptr;  // of the line being read
    long long textureCount_ = 0;
    std::vector<Forward> forward_;
    ObjDocument doc_;
};

ObjDocument ObjDocument::parse(std::string_view text, const std::string &file) {
    ObjParser parser(file);
    parser.feed(text);
    return parser.finish();
}

ObjDocument ObjDocument::read(const std::filesystem::path &path, PointBudget *budget) {
    const std::string file = path.string();
    // The document holds about the file's text: counted before it is read, and before the points.
    std::optional<ObjParser> parser;
    const SizeCheck checkSize = [&](std::uint64_t size) {
        if (budget) budget->takeBytes(file, size);
        parser.emplace(file, budget);
    };
    readLineBlocks(
        path, [&parser](std::string_view lines) { parser->feed(lines); }, checkSize);
    if (budget) budget->noteFile(path, "the mesh");
    return parser->finish();
}

}  // namespace formats
