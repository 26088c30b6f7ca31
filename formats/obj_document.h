// An OBJ file held line by line, so that it can be written back with moved points: every face,
// group, object name, material reference, texture coordinate and comment stays as it was; only the
// point
// ("v") and normal ("vn") records are rewritten. Read by obj_reader.cpp, written by obj_writer.cpp;
// its faces and texture coordinates as one vertex per point, as glTF needs, in obj_document.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/text/text_file.h"
#include "hostsim/point3.h"

namespace formats {

class PointBudget;

class ObjDocument {
  public:
    // Reads OBJ text. A fault throws HostError "<file>:<line>: <what>": a "v" record without 3
    // numbers, a face, line or point element whose index is 0, out of range or reaches before the
    // first record (negative indices count back from the latest record), or a file without points
    // ("<file>: ...").
    static ObjDocument parse(std::string_view text, const std::string &file);
    // Reads and parses the file a block of lines at a time; the faults of parse, and HostError
    // "<path>: cannot read: <reason>". With a budget, the points are counted against it as they are
    // read, and reading stops at the first point beyond it.
    static ObjDocument read(const std::filesystem::path &path, PointBudget *budget = nullptr);

    // The positions of the "v" records in file order: the mesh's points in point order.
    const std::vector<std::array<float, 3>> &points() const { return points_; }
    std::size_t faceCount() const { return faceStarts_.size(); }

    // The faces as triangles of 0-based point indices, each face fanned from its first corner.
    std::vector<std::uint32_t> triangles() const;
    // One texture coordinate per point: the first one a face corner gives it; empty when no corner
    // has one.
    std::vector<std::array<float, 2>> pointTexcoords() const;

    // The document with the "v" records at `positions` (one per point, in order) and every "vn"
    // record recomputed as the normalised sum of the area-weighted normals of the faces whose
    // corners use it (right-hand winding, as OBJ faces are meant). A normal that no face with area
    // uses keeps its old text. Throws std::invalid_argument when the number of positions is not the
    // number of points.
    std::string text(std::span<const hostsim::Position> positions) const;
    // The same text handed to `sink` a piece at a time, e.g. into a file; the positions are checked
    // before the first piece.
    void write(std::span<const hostsim::Position> positions, const TextSink &sink) const;

  private:
    // The lines in file order, in runs: written back without a step per kept line, and without one
    // text per "v" or "vn" line to look at.
    enum class RunKind { Kept, Points, Normals };
    struct Run {
        RunKind kind;
        std::size_t count;  // Points, Normals: the number of lines
        std::string text;   // Kept: the lines, each with its line end; Points: what followed x y z
                            // (w, colours) in a run of one line, else empty
    };
    static constexpr std::size_t noNormal = static_cast<std::size_t>(-1);
    struct Corner {
        std::size_t point;    // 0-based
        std::size_t normal;   // 0-based, or noNormal
        std::size_t texture;  // 0-based, or noNormal
    };

    std::vector<Run> runs_;
    std::string normalLines_;  // every "vn" line with its line end, for a normal kept as it was
    std::vector<std::size_t> normalStarts_;  // where each begins in normalLines_; one per normal
    std::size_t lineChars_ = 0;              // of every line's text and its line end
    std::vector<std::array<float, 3>> points_;
    std::vector<std::array<float, 2>> texturePoints_;
    std::vector<Corner> corners_;          // the corners of every face, face after face
    std::vector<std::size_t> faceStarts_;  // the first corner of each face

    friend class ObjParser;
};

}  // namespace formats
