#include "archive/zip_file_source.hpp"

#include <span>
#include <string>

namespace orbi {

const std::uint8_t* ZipFileSource::bytesAt(std::uint64_t offset, std::size_t length) {
    static constexpr std::uint8_t kNothing = 0;
    if (length == 0) return &kNothing;
    std::unique_ptr<std::uint8_t[]> range = std::make_unique_for_overwrite<std::uint8_t[]>(length);
    std::string error;
    if (!file_.readAt(offset, std::span(range.get(), length), error)) return nullptr;
    return ranges_.emplace_back(std::move(range)).get();
}

}  // namespace orbi
