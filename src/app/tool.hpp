// The whole program behind main: command line, folders, header, run, report, exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace orbi {

// words: the arguments after the program name. Returns the exit status.
int runTool(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

}  // namespace orbi
