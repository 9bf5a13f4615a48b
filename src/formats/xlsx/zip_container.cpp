// The zip container over memory (see zip_container.h).
#include "formats/xlsx/zip_container.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "formats/read_errors.h"
#include "formats/read_limits.h"

namespace shuhui::formats::detail::xlsx {
namespace {

using MemFile = Zip::MemFile;

voidpf ZCALLBACK memOpen(voidpf opaque, const void*, int) {
    auto* m = static_cast<MemFile*>(opaque);
    m->pos = 0;
    return m;
}
uLong ZCALLBACK memRead(voidpf, voidpf stream, void* buf, uLong size) {
    auto* m = static_cast<MemFile*>(stream);
    if (m->pos >= m->data.size()) return 0;
    uLong n = uLong(std::min<uint64_t>(size, m->data.size() - m->pos));
    std::memcpy(buf, m->data.data() + m->pos, n);
    m->pos += n;
    return n;
}
uLong ZCALLBACK memWrite(voidpf, voidpf, const void*, uLong) {
    return 0;
}
ZPOS64_T ZCALLBACK memTell(voidpf, voidpf stream) {
    return static_cast<MemFile*>(stream)->pos;
}
long ZCALLBACK memSeek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto* m = static_cast<MemFile*>(stream);
    uint64_t base = origin == ZLIB_FILEFUNC_SEEK_SET   ? 0
                    : origin == ZLIB_FILEFUNC_SEEK_CUR ? m->pos
                                                       : m->data.size();
    uint64_t to = base + offset;
    if (to > m->data.size()) return -1;
    m->pos = to;
    return 0;
}
int ZCALLBACK memClose(voidpf, voidpf) {
    return 0;
}
int ZCALLBACK memError(voidpf, voidpf) {
    return 0;
}

bool hasEndOfCentralDirectory(std::span<const uint8_t> b) {
    if (b.size() < 22) return false;
    size_t lowest = b.size() > 22 + 65535 ? b.size() - 22 - 65535 : 0;
    for (size_t i = b.size() - 22 + 1; i-- > lowest;)
        if (b[i] == 'P' && b[i + 1] == 'K' && b[i + 2] == 5 && b[i + 3] == 6) return true;
    return false;
}

// The zip64 end of central directory locator ("PK\6\7", 20 bytes) right before the end record.
bool hasZip64Locator(std::span<const uint8_t> b) {
    if (b.size() < 22 + 20) return false;
    size_t lowest = b.size() > 22 + 65535 ? b.size() - 22 - 65535 : 0;
    for (size_t i = b.size() - 22 + 1; i-- > lowest;)
        if (b[i] == 'P' && b[i + 1] == 'K' && b[i + 2] == 5 && b[i + 3] == 6)
            return i >= 20 && b[i - 20] == 'P' && b[i - 19] == 'K' && b[i - 18] == 6 &&
                   b[i - 17] == 7;
    return false;
}

}  // namespace

Zip::Zip(std::span<const uint8_t> bytes, const std::string& file) : file_(file) {
    mem_.data = bytes;
    zlib_filefunc64_def fns{};
    fns.zopen64_file = memOpen;
    fns.zread_file = memRead;
    fns.zwrite_file = memWrite;
    fns.ztell64_file = memTell;
    fns.zseek64_file = memSeek;
    fns.zclose_file = memClose;
    fns.zerror_file = memError;
    fns.opaque = &mem_;
    zf_ = unzOpen2_64("", &fns);
    zip64_ = hasZip64Locator(bytes);
    if (!zf_) {
        if (!hasEndOfCentralDirectory(bytes))
            fail(ErrorKind::Truncated, file,
                 "文件不完整（找不到 zip 压缩包的目录，文件可能被截断）");
        fail(ErrorKind::Corrupt, file, "文件已损坏（zip 压缩包的目录无法解析）");
    }
}

Zip::~Zip() {
    if (zf_) unzClose(zf_);
}

bool Zip::has(const std::string& name) {
    return unzLocateFile(zf_, name.c_str(), 2) == UNZ_OK;
}

uint64_t Zip::compressedSize(const std::string& name) {
    unz_file_info64 info{};
    if (unzLocateFile(zf_, name.c_str(), 2) != UNZ_OK) return 0;
    if (unzGetCurrentFileInfo64(zf_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return 0;
    return info.compressed_size;
}

uint64_t Zip::uncompressedSize(const std::string& name) {
    unz_file_info64 info{};
    if (unzLocateFile(zf_, name.c_str(), 2) != UNZ_OK) return 0;
    if (unzGetCurrentFileInfo64(zf_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return 0;
    return info.uncompressed_size;
}

// Inflating stops at the size the directory gives, so that size bounds what a member can produce;
// it is checked before anything is inflated.
void Zip::checkSize(const std::string& name, const unz_file_info64& info) {
    const uint64_t claimed = info.uncompressed_size, packed = info.compressed_size;
    // Sizes of 4 GiB - 1 stand for sizes kept in a zip64 extra field, which minizip reads only in
    // an archive with a zip64 end of central directory; without one the real size is unknown and
    // inflating would run to a failure far into the member.
    if ((claimed == 0xFFFFFFFFu || packed == 0xFFFFFFFFu) && !zip64_)
        fail(ErrorKind::Corrupt, file_,
             "文件已损坏（压缩包中的 " + name +
                 " 的大小记在 zip64 扩展字段里，而压缩包没有 zip64 目录结束记录，无法知道它解压后"
                 "有多大）");
    if (info.compression_method == Z_DEFLATED && packed < claimed / kMaxDeflateRatio &&
        claimed - packed * kMaxDeflateRatio > 64 * 1024)
        fail(ErrorKind::Corrupt, file_,
             "文件已损坏（压缩包中的 " + name + " 声称解压后有 " + groupedNumber(claimed) +
                 " 字节，而它的压缩数据只有 " + groupedNumber(packed) +
                 " 字节，deflate 最多展开约 " + std::to_string(kMaxDeflateRatio) + " 倍）");
    if (claimed > maxMemberBytes())
        fail(ErrorKind::TooLarge, file_,
             "工作簿太大（压缩包中的 " + name + " 解压后有 " + groupedNumber(claimed) +
                 " 字节，超过了上限 " + groupedNumber(maxMemberBytes()) +
                 " 字节，即本机内存的八分之一）");
}

bool Zip::read(const std::string& name, const Sink& sink, bool mayStopEarly) {
    if (unzLocateFile(zf_, name.c_str(), 2) != UNZ_OK) return false;
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zf_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
        fail(ErrorKind::Corrupt, file_, "文件已损坏（无法读取压缩包中 " + name + " 的信息）");
    checkSize(name, info);
    if (unzOpenCurrentFile(zf_) != UNZ_OK)
        fail(ErrorKind::Corrupt, file_, "文件已损坏（无法打开压缩包中的 " + name + "）");
    // a part that will likely be left early is inflated in small steps on this thread
    bool stopped = !mayStopEarly && info.uncompressed_size >= kPipelineFrom
                       ? readPipelined(name, sink)
                       : readDirect(name, sink, mayStopEarly);
    int rc = unzCloseCurrentFile(zf_);
    if (!stopped && rc == UNZ_CRCERROR)
        fail(ErrorKind::Corrupt, file_, "文件已损坏（" + name + " 的校验和不符）");
    return true;
}

void Zip::inflateFailed(const std::string& name) {
    fail(ErrorKind::Corrupt, file_, "文件已损坏（解压 " + name + " 失败，文件可能被截断）");
}

// true when the sink stopped early
bool Zip::readDirect(const std::string& name, const Sink& sink, bool small) {
    std::vector<char> buf(small ? 32 * 1024 : 256 * 1024);
    while (true) {
        int n = unzReadCurrentFile(zf_, buf.data(), unsigned(buf.size()));
        if (n < 0) inflateFailed(name);
        if (!sink(buf.data(), size_t(n), n == 0)) return true;
        if (n == 0) return false;
    }
}

bool Zip::readPipelined(const std::string& name, const Sink& sink) {
    struct Buf {
        std::vector<char> data;
        int n = 0;
    };
    constexpr size_t kBufs = 4, kSize = 1 << 20;
    std::vector<Buf> bufs(kBufs);
    for (auto& b : bufs) b.data.resize(kSize);
    std::mutex m;
    std::condition_variable cv;
    std::deque<size_t> freeList{0, 1, 2, 3}, full;
    bool cancel = false, failed = false;
    std::thread worker([&] {
        while (true) {
            size_t i;
            {
                std::unique_lock lock(m);
                cv.wait(lock, [&] { return cancel || !freeList.empty(); });
                if (cancel) return;
                i = freeList.front();
                freeList.pop_front();
            }
            int n = unzReadCurrentFile(zf_, bufs[i].data.data(), unsigned(kSize));
            std::lock_guard lock(m);
            bufs[i].n = n;
            full.push_back(i);
            if (n < 0) failed = true;
            cv.notify_all();
            if (n <= 0) return;
        }
    });
    struct Join {  // the worker is stopped and joined however this function is left
        std::mutex& m;
        std::condition_variable& cv;
        bool& cancel;
        std::thread& t;
        ~Join() {
            {
                std::lock_guard lock(m);
                cancel = true;
            }
            cv.notify_all();
            t.join();
        }
    } join{m, cv, cancel, worker};
    while (true) {
        size_t i;
        {
            std::unique_lock lock(m);
            cv.wait(lock, [&] { return !full.empty(); });
            i = full.front();
            full.pop_front();
        }
        int n = bufs[i].n;
        if (n < 0) inflateFailed(name);
        if (!sink(bufs[i].data.data(), size_t(n), n == 0)) return true;
        if (n == 0) return false;
        {
            std::lock_guard lock(m);
            freeList.push_back(i);
        }
        cv.notify_all();
    }
    (void)failed;
}

}  // namespace shuhui::formats::detail::xlsx
