// Entry point: hands the command-line words to the tool.
#include <iostream>
#include <string>
#include <vector>

#include "app/tool.hpp"

int main(int argc, char** argv) {
    std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
    return orbi::runTool(words, std::cout, std::cerr);
}
