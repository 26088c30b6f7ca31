// The sine and cosine of one angle in one call where the C library has one (glibc's sincos gives
// the bits of its sin and cos), two calls elsewhere.
#pragma once

#include <cmath>

namespace vistrel {

struct SineCosine {
    double s;
    double c;
};

inline SineCosine sineCosine(double a) {
#if defined(__GLIBC__)
    SineCosine r;
    ::sincos(a, &r.s, &r.c);
    return r;
#else
    return {std::sin(a), std::cos(a)};
#endif
}

}  // namespace vistrel
