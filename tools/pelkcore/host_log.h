// The host's log: err() hands each formatted line to a bounded queue that a
// writer thread empties into the log file or standard error.
#pragma once

#include <string>

namespace pelkcore {

void QueueLogLine(int level, std::string text);

} // namespace pelkcore
