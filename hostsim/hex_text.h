// Numbers and addresses as the host and its tools show them in messages: "0x" and lower-case hex
// digits.
#pragma once

#include <cstdint>
#include <string>

namespace hostsim {

// `value` in hex after "0x", padded with zeros to at least `digits` digits: hexText(0xbeef) is
// "0xbeef", hexText(0x1f, 8) is "0x0000001f".
std::string hexText(std::uintmax_t value, int digits = 0);

}  // namespace hostsim
