// The zip container of an .xlsx package, read from the bytes in memory through minizip. A member is
// inflated in chunks into a sink and never held whole; a large member is inflated by a second
// thread (the inflate thread) while the caller's thread parses what came before.
#pragma once

#include <minizip/unzip.h>

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace shuhui::formats::detail::xlsx {

class Zip {
  public:
    // Takes the chunks of a member: data, size and whether it is the last (empty) one; returns
    // false to stop inflating.
    using Sink = std::function<bool(const char* data, size_t size, bool last)>;

    // Opens the archive's central directory; a missing or broken one is a reading error of `file`.
    Zip(std::span<const uint8_t> bytes, const std::string& file);
    ~Zip();
    Zip(const Zip&) = delete;
    Zip& operator=(const Zip&) = delete;

    bool has(const std::string& name);

    // 0 when the member does not exist
    uint64_t compressedSize(const std::string& name);
    // The inflated size the directory gives; 0 when the member does not exist. read() refuses a
    // member whose size is impossible for its compressed data or too large for the machine.
    uint64_t uncompressedSize(const std::string& name);

    // Inflates `name` in chunks into `sink(data, size, last)`; sink returns false to stop early.
    // Returns false when the member does not exist. A large member is inflated by a second thread
    // while the caller's thread parses (a small ring of buffers between them).
    bool read(const std::string& name, const Sink& sink, bool mayStopEarly = false);

    struct MemFile {
        std::span<const uint8_t> data;
        uint64_t pos = 0;
    };

  private:
    static constexpr uint64_t kPipelineFrom = 4u << 20;

    void checkSize(const std::string& name, const unz_file_info64& info);
    [[noreturn]] void inflateFailed(const std::string& name);
    // true when the sink stopped early
    bool readDirect(const std::string& name, const Sink& sink, bool small);
    bool readPipelined(const std::string& name, const Sink& sink);

    const std::string& file_;
    MemFile mem_;
    unzFile zf_ = nullptr;
    bool zip64_ = false;  // the archive has a zip64 end of central directory
};

}  // namespace shuhui::formats::detail::xlsx
