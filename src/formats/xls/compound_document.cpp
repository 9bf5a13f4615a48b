// The compound-document input of the .xls reader (see compound_document.h).
#include "formats/xls/compound_document.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include "formats/read_errors.h"

#include <string_view>

namespace shuhui::formats::detail::xls {
namespace {

// A compound document cut short: its size is not a whole number of sectors, or the header places
// the directory or an allocation-table sector beyond the end of the file. The header fields read
// are those of MS-CFB 2.2: the sector shift at 0x1E, the first directory sector at 0x30 and the
// first 109 DIFAT entries from 0x4C.
bool looksTruncated(std::span<const uint8_t> b) {
    if (b.size() < 512) return true;
    auto u16at = [&](size_t at) { return uint32_t(b[at] | (b[at + 1] << 8)); };
    auto u32at = [&](size_t at) { return u16at(at) | (u16at(at + 2) << 16); };
    uint32_t shift = u16at(0x1E);
    if (shift != 9 && shift != 12) return false;
    const uint64_t ss = uint64_t(1) << shift;
    if (b.size() % 512 != 0) return true;
    auto beyond = [&](uint32_t sect) {
        return sect < 0xFFFFFFFAu && (uint64_t(sect) + 2) * ss > b.size();
    };
    if (beyond(u32at(0x30))) return true;
    for (size_t i = 0; i < 109; ++i)
        if (beyond(u32at(0x4C + 4 * i))) return true;
    return false;
}

// Whether the file holds a directory entry (MS-CFB 2.6: 128 bytes, a UTF-16 name, its length in
// bytes with the terminator at 0x40) naming `name`, wherever it lies: present while the stream
// cannot be opened, it tells a broken chain (the directory's or the stream's) from a document
// without such a stream.
bool hasDirectoryEntry(std::span<const uint8_t> b, std::string_view name) {
    const size_t bytes = (name.size() + 1) * 2;
    for (size_t at = 512; at + 128 <= b.size(); at += 128) {
        if (b[at + 0x40] != bytes || b[at + 0x41] != 0) continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i)
            same = (b[at + 2 * i] | 0x20) == (name[i] | 0x20) && b[at + 2 * i + 1] == 0;
        if (same) return true;
    }
    return false;
}

}  // namespace

void WorkbookStream::GObjectUnref::operator()(void* p) const {
    if (p) g_object_unref(p);
}

WorkbookStream::WorkbookStream(std::span<const uint8_t> bytes, const std::string& file) {
    static const bool initialised = [] {
        gsf_init();
        // libgsf reports malformed compound documents on stderr; the reader reports them itself
        g_log_set_handler(
            "libgsf:msole",
            GLogLevelFlags(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION),
            [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
        g_log_set_handler(
            "libgsf", GLogLevelFlags(G_LOG_LEVEL_MASK | G_LOG_FLAG_FATAL | G_LOG_FLAG_RECURSION),
            [](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
        return true;
    }();
    (void)initialised;
    input_.reset(gsf_input_memory_new(bytes.data(), gsf_off_t(bytes.size()), FALSE));
    if (!input_) fail(ErrorKind::Internal, file, "无法创建内存输入");
    GError* err = nullptr;
    ole_.reset(gsf_infile_msole_new(GSF_INPUT(input_.get()), &err));
    if (!ole_) {
        if (err) g_error_free(err);
        if (looksTruncated(bytes))
            fail(ErrorKind::Truncated, file, "文件不完整（复合文档在中途结束，文件可能被截断）");
        fail(ErrorKind::Corrupt, file, "文件已损坏（复合文档的目录或扇区分配表无法解析）");
    }
    GsfInfile* infile = GSF_INFILE(ole_.get());
    stream_.reset(gsf_infile_child_by_name(infile, "Workbook"));
    if (!stream_) stream_.reset(gsf_infile_child_by_name(infile, "WORKBOOK"));
    if (!stream_) stream_.reset(gsf_infile_child_by_name(infile, "workbook"));
    if (!stream_) {
        stream_.reset(gsf_infile_child_by_name(infile, "Book"));
        if (!stream_) stream_.reset(gsf_infile_child_by_name(infile, "BOOK"));
        biff5_ = stream_ != nullptr;
    }
    if (!stream_) {
        GsfPtr enc(gsf_infile_child_by_name(infile, "EncryptedPackage"));
        if (enc)
            fail(ErrorKind::Encrypted, file, "文件已加密（设有密码），请先在 Excel 中取消密码");
        if (hasDirectoryEntry(bytes, "Workbook") || hasDirectoryEntry(bytes, "Book"))
            fail(ErrorKind::Corrupt, file,
                 "文件已损坏（复合文档中有 Workbook 数据流的目录项，但打不开这个数据流："
                 "目录或数据流的扇区链断开）");
        fail(ErrorKind::NotWorkbook, file, "不是 Excel 工作簿（复合文档中没有 Workbook 数据流）");
    }
    GsfInput* in = GSF_INPUT(stream_.get());
    gsf_off_t size = gsf_input_size(in);
    // the stream_ cannot be larger than the file that holds it
    if (size < 0 || uint64_t(size) > bytes.size())
        fail(ErrorKind::Corrupt, file, "文件已损坏（Workbook 数据流的长度超出了文件大小）");
    // Read in one piece with no buffer of ours: libgsf hands out the stream_ where it lies in the
    // file when its sectors follow each other, and otherwise gathers it into a buffer of the
    // stream_ object, which lives until the reader is done.
    const size_t length = static_cast<size_t>(size);
    const guint8* data = length ? gsf_input_read(in, length, nullptr) : nullptr;
    if (length && !data) {
        if (looksTruncated(bytes))
            fail(ErrorKind::Truncated, file, "文件不完整（Workbook 数据流读不完整）");
        fail(ErrorKind::Corrupt, file,
             "文件已损坏（Workbook 数据流的扇区链断开，" + std::to_string(length) +
                 " 字节的数据流读不出来）");
    }
    if (length == 0) fail(ErrorKind::Corrupt, file, "文件已损坏（Workbook 数据流为空）");
    data_ = std::span<const uint8_t>(data, length);
}

WorkbookStream::~WorkbookStream() = default;

}  // namespace shuhui::formats::detail::xls
