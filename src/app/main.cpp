// Entry point: hands the command-line words (as UTF-8) to the tool.
#include <iostream>

#include "app/tool.hpp"
#include "platform/platform.hpp"

int main(int argc, char** argv) {
    orbi::platform::prepareStandardStreams();
    orbi::platform::keepFreedMemoryForReuse();
    return orbi::runTool(orbi::platform::commandLineWords(argc, argv), std::cout, std::cerr);
}
