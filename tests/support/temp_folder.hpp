// A fresh temporary folder per test, removed with everything in it afterwards; and whole files.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <string_view>

namespace orbi::test {

class TempFolder {
public:
    TempFolder() {
        std::random_device rd;
        do path_ = std::filesystem::temp_directory_path() / ("orbi-test-" + std::to_string(rd()) + "-" + std::to_string(rd()));
        while (!std::filesystem::create_directory(path_));
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // rel may use '/' on every system; the result uses the system's own separator, as the tool's
    // messages do.
    std::filesystem::path operator/(const std::string& rel) const { return (path_ / rel).make_preferred(); }

private:
    std::filesystem::path path_;
};

inline void writeFile(const std::filesystem::path& p, std::string_view bytes) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Every regular file below root (links not followed) with its bytes, keyed by its path relative
// to root in UTF-8 with '/' between the parts (so in byte order); empty when root does not exist.
inline std::map<std::string, std::string> filesUnder(const std::filesystem::path& root) {
    std::map<std::string, std::string> files;
    if (!std::filesystem::exists(root)) return files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        const std::u8string rel = std::filesystem::relative(e.path(), root).generic_u8string();
        if (e.is_regular_file()) files[std::string(rel.begin(), rel.end())] = readFile(e.path());
    }
    return files;
}

}  // namespace orbi::test
