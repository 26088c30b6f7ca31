#include "hostsim/hex_text.h"

#include <iomanip>
#include <sstream>

namespace hostsim {

std::string hexText(std::uintmax_t value, int digits) {
    std::ostringstream out;
    out << "0x" << std::hex << std::setw(digits) << std::setfill('0') << value;
    return out.str();
}

}  // namespace hostsim
