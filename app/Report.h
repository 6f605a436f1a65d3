#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace kw {

// Runs kwatrix-report with its arguments (without the program name): the
// listing goes to `out`, the log lines and messages to `err`. `defaultDir` is
// the program directory when --dir is not given. Returns the exit status.
int RunReport(const std::vector<std::string>& args, const std::string& defaultDir,
              std::ostream& out, std::ostream& err);

} // namespace kw
