// What the code of a Windows exception that ends a process means, for a one-line report of a
// module's crash: "0xC0000005 (access violation)". The codes are the system's; nothing here needs
// windows.h.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace hostsim {

// The name of a crash's code, or null for another code. Allocates nothing, for exception handlers.
inline const char *exceptionName(std::uint32_t code) {
    const char *name = nullptr;
    switch (code) {
        case 0xC0000005u:
            name = "access violation";
            break;
        case 0xC00000FDu:
            name = "stack overflow";
            break;
        case 0xC000001Du:
            name = "illegal instruction";
            break;
        case 0xC0000096u:
            name = "privileged instruction";
            break;
        case 0xC0000094u:
            name = "integer division by zero";
            break;
        case 0xC000008Cu:
            name = "array bounds exceeded";
            break;
        case 0x80000002u:
            name = "misaligned data";
            break;
        case 0xC0000006u:
            name = "page not readable";
            break;
        case 0xC0000409u:
            name = "stack buffer overrun or fail-fast";
            break;
        case 0x80000003u:
            name = "breakpoint";
            break;
        default:
            break;
    }
    return name;
}

// "0xC0000005 (access violation)", or the bare number for another code.
inline std::string exceptionText(std::uint32_t code) {
    const char *name = exceptionName(code);
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lX", static_cast<unsigned long>(code));
    return name ? std::string(hex) + " (" + name + ')' : std::string(hex);
}

}  // namespace hostsim
