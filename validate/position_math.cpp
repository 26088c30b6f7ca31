#include "validate/position_math.h"

#include <sstream>

namespace validate {

std::string formatNumber(double value) {
    std::ostringstream out;
    out.precision(17);
    out << value;
    return out.str();
}

std::string formatPosition(const Position &p) {
    std::ostringstream out;
    out.precision(17);
    out << '(' << p[0] << ", " << p[1] << ", " << p[2] << ')';
    return out.str();
}

}  // namespace validate
