// The whole program behind main: command line, folders, header, run, report, exit status.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace orbi {

// words: the arguments after the program name. Returns the exit status.
int runTool(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

// Says how to close the window and waits for a line (or the end) of the input. For a program
// started by a double-click, whose window would otherwise close before the report is read.
void waitBeforeClosing(std::istream& in, std::ostream& out);

}  // namespace orbi
