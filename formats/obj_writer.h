// OBJ text written with moved points. ObjDocument::text and ObjDocument::write (obj_writer.cpp)
// write a whole document back; writePointLines writes the point lines alone, for a mesh without a
// document.
#pragma once

#include <span>
#include <string_view>

#include "hostsim/point3.h"

namespace formats {

class ChunkedText;
class FloatTriples;

// Writes "v x y z<rest>" and a line end for each of `points`, each coordinate in its shortest float
// text, their decimals found a batch at a time in `triples`.
void writePointLines(ChunkedText &out, FloatTriples &triples,
                     std::span<const hostsim::Position> points, std::string_view rest);

}  // namespace formats
