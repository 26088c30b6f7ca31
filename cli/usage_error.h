// A bad option value found by a subcommand itself, as opposed to a job that failed: the command
// exits with 2 for it, as for any other mistake on the command line.
#pragma once

#include "hostsim/host_error.h"

namespace cli {

// "--target \"x\": expected three numbers X,Y,Z, e.g. 10,0,0"
class UsageError : public hostsim::HostError {
  public:
    using hostsim::HostError::HostError;
};

}  // namespace cli
