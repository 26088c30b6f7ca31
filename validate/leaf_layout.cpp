#include "validate/leaf_layout.h"

#include <algorithm>

namespace validate {

std::vector<LeafSpan> leafSpans(std::size_t pointCount, LeafRule rule) {
    std::vector<LeafSpan> spans;
    if (rule.leafPoints < 2) {
        spans.reserve(pointCount);
        for (std::size_t i = 0; i < pointCount; ++i) spans.push_back({i, 1, true});
        return spans;
    }
    const auto size = static_cast<std::size_t>(rule.leafPoints);
    for (std::size_t first = 0; first < pointCount; first += size) {
        const std::size_t count = std::min(size, pointCount - first);
        spans.push_back({first, count, count == size});
    }
    return spans;
}

Position rulePivot(std::span<const Position> leaf, LeafRule rule) {
    if (leaf.empty()) return {};
    Position pivot = leaf[0];
    const std::int64_t last = static_cast<std::int64_t>(rule.leafPoints) - 1;
    for (std::size_t c = 1; c < leaf.size(); ++c) {
        const auto cursor = static_cast<std::int64_t>(c);
        if (rule.pivotType == PIVOT_FIRST_TWO_POINTS && cursor == 1)
            pivot = midpoint(pivot, leaf[c]);
        if (rule.pivotType == PIVOT_FIRST_AND_LAST_POINT && cursor == last)
            pivot = midpoint(pivot, leaf[c]);
        if (rule.pivotType == PIVOT_LAST_POINT && cursor == last) pivot = leaf[c];
    }
    return pivot;
}

std::vector<Position> scanPivots(std::span<const Position> mesh, LeafRule rule) {
    std::vector<Position> pivots;
    for (const LeafSpan &span : leafSpans(mesh.size(), rule))
        pivots.push_back(rulePivot(mesh.subspan(span.first, span.count), rule));
    return pivots;
}

}  // namespace validate
