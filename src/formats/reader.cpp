// Entry points of the workbook readers: load the bytes, decide the format by the magic bytes, and
// hand over to the .xls (compound document + BIFF) or .xlsx (zip + XML) reader.
#include "formats/reader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "formats/read_errors.h"

namespace shuhui::formats {

namespace {

constexpr uint8_t kOleMagic[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

enum class Magic { Ole, Zip, Other };

Magic sniff(std::span<const uint8_t> b) {
    if (b.size() >= 8 && std::memcmp(b.data(), kOleMagic, 8) == 0) return Magic::Ole;
    if (b.size() >= 4 && b[0] == 'P' && b[1] == 'K' && (b[2] == 3 || b[2] == 5 || b[2] == 7))
        return Magic::Zip;
    return Magic::Other;
}

[[noreturn]] void notWorkbook(const std::string& name, std::span<const uint8_t> b) {
    // BIFF2-4 files start directly with a BOF record, outside a compound document
    if (b.size() >= 4 && b[1] == 0x00 && (b[0] == 0x09) && (b[2] == 0x04 || b[2] == 0x06))
        detail::fail(
            ErrorKind::Unsupported, name,
            "这是 Excel 4.0 或更早版本的文件，不受支持，请先在 Excel 中另存为 .xls 或 .xlsx");
    if (b.size() >= 2 && b[0] == 0x09 && (b[1] == 0x02 || b[1] == 0x04))
        detail::fail(
            ErrorKind::Unsupported, name,
            "这是 Excel 4.0 或更早版本的文件，不受支持，请先在 Excel 中另存为 .xls 或 .xlsx");
    detail::fail(ErrorKind::NotWorkbook, name,
                 "不是 Excel 工作簿（既不是 .xls 也不是 .xlsx 格式）");
}

// Only regular files are read: a device (/dev/zero) or a pipe would be read forever or block.
[[noreturn]] void notRegular(const std::string& path) {
    detail::fail(ErrorKind::Unreadable, path,
                 "这不是普通文件（设备、管道或套接字），不能作为工作簿读取");
}

// The bytes of a file: mapped when it is a regular file (nothing is copied, and a reader that stops
// early touches only the pages it reads), read into memory otherwise.
class FileBytes {
  public:
    explicit FileBytes(const std::string& path, size_t limit = SIZE_MAX) {
        checkWorkbookFile(path);  // exists, no folder, a regular file
        // Opened without blocking and checked again, in case the name changed hands meanwhile.
        int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd == -1)
            detail::fail(ErrorKind::Unreadable, path,
                         std::string("无法打开文件（") + std::strerror(errno) + "）");
        struct stat st;
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            notRegular(path);
        }
        if (st.st_size > 0 && limit == SIZE_MAX) {
            void* p = ::mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (p != MAP_FAILED) {
                ::close(fd);
                map_ = p;
                size_ = size_t(st.st_size);
                return;
            }
        }
        uint8_t buf[1 << 16];
        while (copy_.size() < limit) {
            ssize_t n = ::read(fd, buf, std::min(sizeof buf, limit - copy_.size()));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                int e = errno;
                ::close(fd);
                detail::fail(ErrorKind::Unreadable, path,
                             std::string("读取文件时出错（") + std::strerror(e) + "）");
            }
            if (n == 0) break;
            copy_.insert(copy_.end(), buf, buf + n);
        }
        ::close(fd);
    }
    ~FileBytes() {
        if (map_) ::munmap(map_, size_);
    }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    std::span<const uint8_t> bytes() const {
        if (map_) return {static_cast<const uint8_t*>(map_), size_};
        return copy_;
    }

  private:
    void* map_ = nullptr;
    size_t size_ = 0;
    std::vector<uint8_t> copy_;
};

}  // namespace

FileStamp checkWorkbookFile(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        if (errno == ENOENT || errno == ENOTDIR)
            detail::fail(ErrorKind::NotFound, path, "文件不存在");
        detail::fail(ErrorKind::Unreadable, path,
                     std::string("无法访问文件（") + std::strerror(errno) + "）");
    }
    if (S_ISDIR(st.st_mode)) detail::fail(ErrorKind::IsDirectory, path, "这是一个文件夹，不是文件");
    if (!S_ISREG(st.st_mode)) notRegular(path);
    FileStamp out;
    out.size = int64_t(st.st_size);
    out.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return out;
}

FileFormat detectFormat(const std::string& path) {
    FileBytes file(path, 8);
    auto data = file.bytes();
    if (data.empty()) detail::fail(ErrorKind::Empty, path, "文件是空的（0 字节）");
    switch (sniff(data)) {
        case Magic::Ole:
            return FileFormat::Xls8;
        case Magic::Zip:
            return FileFormat::Xlsx;
        case Magic::Other:
            break;
    }
    notWorkbook(path, data);
}

Workbook readWorkbook(const std::string& path, const ReadOptions& options) {
    FileBytes file(path);
    return readWorkbookBytes(file.bytes(), path, options);
}

Workbook readWorkbookBytes(std::span<const uint8_t> bytes, const std::string& name,
                           const ReadOptions& options) {
    if (bytes.empty()) detail::fail(ErrorKind::Empty, name, "文件是空的（0 字节）");
    try {
        switch (sniff(bytes)) {
            case Magic::Ole:
                return detail::readXls(bytes, name, options);
            case Magic::Zip:
                return detail::readXlsx(bytes, name, options);
            case Magic::Other:
                break;
        }
    } catch (const std::bad_alloc&) {
        detail::fail(ErrorKind::TooLarge, name, "内存不足，工作簿过大");
    } catch (const std::length_error&) {
        detail::fail(ErrorKind::Corrupt, name, "文件已损坏（长度字段不合理）");
    }
    notWorkbook(name, bytes);
}

}  // namespace shuhui::formats
