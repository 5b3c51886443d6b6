#pragma once

#include <tbb/global_control.h>

#include <optional>

namespace fendrel::bench {

// Takes --workers=N out of the arguments and lets at most N workers take part
// in the parallel work from then on (default: all of the machine's); the
// count is named in the report's context. Restarts the program first, with
// huge pages for large blocks as the program has them. Call first in main.
// False, with the reason on stderr, when N is not a whole number of at least 1.
bool ApplyWorkersFlag(int& argc, char** argv, std::optional<tbb::global_control>& limit);

}  // namespace fendrel::bench
