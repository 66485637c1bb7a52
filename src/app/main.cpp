// Entry point: hands the command-line words (as UTF-8) to the tool, and keeps a window of its own
// open until the user has read the report.
#include <iostream>

#include "app/tool.hpp"
#include "platform/platform.hpp"

int main(int argc, char** argv) {
    orbi::platform::prepareStandardStreams();
    orbi::platform::keepFreedMemoryForReuse();
    const int status = orbi::runTool(orbi::platform::commandLineWords(argc, argv), std::cout, std::cerr);
    if (orbi::platform::ownsConsoleWindow()) orbi::waitBeforeClosing(std::cin, std::cout);
    return status;
}
