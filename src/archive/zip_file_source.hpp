// A zip archive read from a file range by range, so that a filtered read takes only the end
// record, the directory and the wanted entries off the disk.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "archive/zip_reader.hpp"
#include "platform/platform.hpp"

namespace orbi {

class ZipFileSource final : public ZipSource {
public:
    explicit ZipFileSource(platform::InputFile file) : file_(std::move(file)) {}
    std::uint64_t size() const override { return file_.size(); }
    const std::uint8_t* bytesAt(std::uint64_t offset, std::size_t length) override;

private:
    platform::InputFile file_;
    std::vector<std::unique_ptr<std::uint8_t[]>> ranges_;  // every range handed out, alive with the source
};

}  // namespace orbi
