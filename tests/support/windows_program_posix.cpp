// POSIX has none of the Windows program's traits: no console windows, no resources, no locks
// that keep another program from renaming a file.
#include "support/windows_program.hpp"

namespace orbi::test {

std::optional<OwnWindowRun> runToolInOwnWindow(const std::vector<std::string>&) { return std::nullopt; }
std::optional<ExeResources> readExeResources(const std::string&) { return std::nullopt; }
std::optional<std::thread> holdFileWhenItAppears(const std::filesystem::path&, std::chrono::milliseconds) {
    return std::nullopt;
}

}  // namespace orbi::test
