// Writing an ObjDocument back with moved points: the point lines, and the normal lines recomputed
// from the faces around them; every other line as it was read.
#include "formats/obj_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "formats/obj_document.h"
#include "formats/text/chunked_text.h"
#include "formats/text/number_text.h"

namespace formats {

std::string ObjDocument::text(std::span<const hostsim::Position> positions) const {
    std::string out;
    // Room for every line as it could come out: the pieces are appended without the string growing.
    out.reserve(lineChars_ + (points_.size() + normalStarts_.size()) * (3 + floatTripleRoom));
    write(positions, [&out](std::string_view piece) { out.append(piece); });
    return out;
}

void writePointLines(ChunkedText &out, FloatTriples &triples,
                     std::span<const hostsim::Position> points, std::string_view rest) {
    for (std::size_t done = 0; done < points.size(); done += FloatTriples::capacity) {
        const std::size_t batch = std::min(FloatTriples::capacity, points.size() - done);
        triples.load(points.subspan(done, batch));
        for (std::size_t i = 0; i < batch; ++i) {
            char *w = out.room(3 + floatTripleRoom + rest.size());
            std::memcpy(w, "v ", 2);
            w = triples.write(w + 2, i);
            if (!rest.empty()) {
                std::memcpy(w, rest.data(), rest.size());
                w += rest.size();
            }
            *w++ = '\n';
            out.take(w);
        }
    }
}

void ObjDocument::write(std::span<const hostsim::Position> positions, const TextSink &sink) const {
    if (positions.size() != points_.size()) {
        throw std::invalid_argument("expected " + std::to_string(points_.size()) +
                                    " positions, got " + std::to_string(positions.size()));
    }

    // Newell's normal of each face: twice its area along its right-hand normal, also for non-planar
    // faces.
    std::vector<std::array<double, 3>> sums(normalStarts_.size(),
                                            std::array<double, 3>{0.0, 0.0, 0.0});
    for (std::size_t f = 0; f < faceStarts_.size(); ++f) {
        const std::size_t begin = faceStarts_[f];
        const std::size_t end = f + 1 < faceStarts_.size() ? faceStarts_[f + 1] : corners_.size();
        std::array<double, 3> n{0.0, 0.0, 0.0};
        for (std::size_t c = begin; c < end; ++c) {
            const auto &a = positions[corners_[c].point];
            const auto &b = positions[corners_[c + 1 < end ? c + 1 : begin].point];
            n[0] += (a[1] - b[1]) * (a[2] + b[2]);
            n[1] += (a[2] - b[2]) * (a[0] + b[0]);
            n[2] += (a[0] - b[0]) * (a[1] + b[1]);
        }
        for (std::size_t c = begin; c < end; ++c) {
            if (corners_[c].normal == noNormal) continue;
            auto &sum = sums[corners_[c].normal];
            for (int k = 0; k < 3; ++k)
                sum[static_cast<std::size_t>(k)] += n[static_cast<std::size_t>(k)];
        }
    }

    // Each line is written in place with room for it as it could come out: no check per number.
    ChunkedText out(sink);
    FloatTriples triples;
    std::array<std::array<double, 3>, FloatTriples::capacity> units{};  // a batch of unit normals
    std::size_t point = 0;
    std::size_t normal = 0;
    for (const Run &run : runs_) {
        switch (run.kind) {
            case RunKind::Kept:
                out.put(run.text);
                break;
            case RunKind::Points:
                writePointLines(out, triples, positions.subspan(point, run.count), run.text);
                point += run.count;
                break;
            case RunKind::Normals:
                for (std::size_t done = 0; done < run.count; done += FloatTriples::capacity) {
                    const std::size_t batch = std::min(FloatTriples::capacity, run.count - done);
                    // A face without area keeps the normal the file had: its unit stays unwritten.
                    std::array<bool, FloatTriples::capacity> kept{};
                    for (std::size_t i = 0; i < batch; ++i) {
                        const auto &n = sums[normal + i];
                        const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
                        kept[i] = !(length > 0.0) || !std::isfinite(length);
                        units[i] = kept[i] ? std::array<double, 3>{0.0, 0.0, 0.0}
                                           : std::array<double, 3>{n[0] / length, n[1] / length,
                                                                   n[2] / length};
                    }
                    triples.load(std::span(units).first(batch));
                    for (std::size_t i = 0; i < batch; ++i, ++normal) {
                        if (kept[i]) {
                            const std::size_t end = normal + 1 < normalStarts_.size()
                                                        ? normalStarts_[normal + 1]
                                                        : normalLines_.size();
                            out.put(
                                std::string_view(normalLines_)
                                    .substr(normalStarts_[normal], end - normalStarts_[normal]));
                            continue;
                        }
                        char *w = out.room(4 + floatTripleRoom);
                        std::memcpy(w, "vn ", 3);
                        w = triples.write(w + 3, i);
                        *w++ = '\n';
                        out.take(w);
                    }
                }
                break;
        }
    }
    out.finish();
}

}  // namespace formats
