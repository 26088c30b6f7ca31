// The one error of the validator: a violated check, as one line that says where and what was
// expected.
#pragma once

#include <stdexcept>
#include <string>

namespace validate {

class ValidationFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Throws a ValidationFailure with `what`.
[[noreturn]] inline void fail(const std::string &what) { throw ValidationFailure(what); }

}  // namespace validate
