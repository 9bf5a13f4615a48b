// Files the readers must refuse with a typed error and a Chinese message naming the file: missing,
// folders, empty, unreadable, not workbooks, truncated, corrupt and encrypted. Plus the .xlsx
// details that hand-written files exercise (cells without r, inline strings, stopping early).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <minizip/zip.h>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>

#include "formats/error.h"
#include "formats/reader.h"
#include "formats/workbook_builder.h"
#include "formats/writer.h"
#include "hand_xlsx.h"

using namespace shuhui::formats;
using shuhui::ErrorKind;

#if defined(__SANITIZE_ADDRESS__)
// libgsf leaks directory entries when it gives up on a malformed compound document (nothing is
// handed back to free). Allocations made through GLib in this binary come only from libgsf, so
// they are left out of the leak report; our own allocations are still checked.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:gsf_infile_msole_new\nleak:libgsf-1.so\nleak:libglib-2.0.so\n";
}
#endif

namespace {

std::string fixture(const std::string& name) {
    return std::string(SHUHUI_FIXTURES) + "/formats/" + name;
}

std::vector<uint8_t> slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string tempPath(const std::string& name) {
    std::string dir = ::testing::TempDir() + "shuhui_formats_" + std::to_string(::getpid());
    ::mkdir(dir.c_str(), 0755);
    return dir + "/" + name;
}

void spit(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Expects readWorkbook(path) to throw `kind` with a message that names the file and holds `words`.
void expectRefused(const std::string& path, ErrorKind kind, const std::string& words) {
    try {
        readWorkbook(path);
        ADD_FAILURE() << path << " was read";
    } catch (const shuhui::Error& e) {
        std::string msg = e.what();
        EXPECT_EQ(int(e.kind()), int(kind)) << msg;
        EXPECT_NE(msg.find("无法读取工作簿 " + path + "："), std::string::npos) << msg;
        EXPECT_NE(msg.find(words), std::string::npos) << msg;
        EXPECT_EQ(e.file(), path);
    }
}

TEST(BadInput, FileSystemCases) {
    expectRefused(tempPath("does_not_exist.xls"), ErrorKind::NotFound, "不存在");
    std::string dir = tempPath("a_folder.xlsx");
    ::mkdir(dir.c_str(), 0755);
    expectRefused(dir, ErrorKind::IsDirectory, "文件夹");
    std::string empty = tempPath("empty.xls");
    spit(empty, {});
    expectRefused(empty, ErrorKind::Empty, "0 字节");
    // Devices and pipes would be read forever or block: refused before any byte is read.
    std::string fifo = tempPath("pipe.xls");
    ::unlink(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& p : {std::string("/dev/zero"), std::string("/dev/urandom"), fifo})
        expectRefused(p, ErrorKind::Unreadable, "不是普通文件");
    if (::geteuid() != 0) {  // root reads everything
        std::string locked = tempPath("locked.xls");
        spit(locked, slurp(fixture("rich_xlwt.xls")));
        ::chmod(locked.c_str(), 0);
        expectRefused(locked, ErrorKind::Unreadable, "无法打开");
    }
}

TEST(BadInput, NotWorkbooks) {
    struct Case {
        const char* name;
        std::string bytes;
        ErrorKind kind;
        const char* words;
    } cases[] = {
        {"text.xls", "姓名,工号\n张三,1\n", ErrorKind::NotWorkbook, "不是 Excel 工作簿"},
        {"one_byte.xlsx", "P", ErrorKind::NotWorkbook, "不是 Excel 工作簿"},
        {"pk_only.xlsx", "PK\x03\x04", ErrorKind::Truncated, "zip"},
        {"ole_only.xls", "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", ErrorKind::Truncated, "不完整"},
        {"biff4.xls", std::string("\x09\x04\x06\x00\x00\x00\x10\x00", 8), ErrorKind::Unsupported,
         "Excel 4.0"},
    };
    for (const auto& c : cases) {
        std::string path = tempPath(c.name);
        spit(path, std::vector<uint8_t>(c.bytes.begin(), c.bytes.end()));
        expectRefused(path, c.kind, c.words);
    }
}

TEST(BadInput, Encrypted) {
    expectRefused(fixture("encrypted_filepass.xls"), ErrorKind::Encrypted,
                  "文件已加密（设有密码），请先在 Excel 中取消密码");
}

// Every prefix of a real file is refused with a typed error (or, for .xlsx, read when the cut
// falls after the central directory is complete) and never crashes.
TEST(BadInput, TruncatedFilesAtManyLengths) {
    for (const char* f : {"basic_lo.xls", "basic_xlwt.xls", "basic_biff5.xls", "basic_lo.xlsx",
                          "basic_openpyxl.xlsx"}) {
        std::vector<uint8_t> all = slurp(fixture(f));
        ASSERT_FALSE(all.empty());
        int refused = 0;
        for (size_t len = 1; len < all.size(); len += std::max<size_t>(1, all.size() / 97)) {
            std::span<const uint8_t> cut(all.data(), len);
            try {
                readWorkbookBytes(cut, f);
            } catch (const shuhui::Error& e) {
                ++refused;
                EXPECT_NE(std::string(e.what()).find(f), std::string::npos);
            }
        }
        EXPECT_GT(refused, 90) << f;
    }
    // the named cases
    for (const char* f : {"basic_lo.xls", "basic_xlwt.xls"}) {
        std::vector<uint8_t> xls = slurp(fixture(f));
        std::string half = tempPath(std::string("half_") + f);
        spit(half, std::vector<uint8_t>(xls.begin(), xls.begin() + long(xls.size() / 2)));
        expectRefused(half, ErrorKind::Truncated, "不完整");
    }
    std::vector<uint8_t> xlsx = slurp(fixture("basic_lo.xlsx"));
    std::string cut = tempPath("half.xlsx");
    spit(cut, std::vector<uint8_t>(xlsx.begin(), xlsx.begin() + long(xlsx.size() / 2)));
    expectRefused(cut, ErrorKind::Truncated, "不完整");
}

// Flipping bytes all over a file gives a workbook or a typed error, nothing else.
TEST(BadInput, CorruptedBytes) {
    for (const char* f : {"basic_lo.xls", "basic_biff5.xls", "rich_xlwt.xls"}) {
        std::vector<uint8_t> all = slurp(fixture(f));
        uint32_t seed = 12345;
        for (int round = 0; round < 200; ++round) {
            std::vector<uint8_t> b = all;
            for (int k = 0; k < 8; ++k) {
                seed = seed * 1103515245u + 12345u;
                size_t at = 512 + (seed >> 8) % (b.size() - 512);  // leave the compound header
                b[at] = uint8_t(seed >> 3);
            }
            try {
                readWorkbookBytes(b, f);
            } catch (const shuhui::Error&) {
            }
        }
    }
}

// .xlsx written by hand: what other writers do that our fixtures' writers do not.
std::vector<uint8_t> makeXlsx(const std::string& sheetXml, const std::string& sst = "",
                              const std::string& workbookPr = "") {
    return shuhui::test::makeHandXlsx(
        tempPath("hand.xlsx"),
        "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" +
            sheetXml + "</x:worksheet>",
        sst, workbookPr);
}

TEST(HandWrittenXlsx, CellsWithoutReferencesAndInlineStrings) {
    auto bytes = makeXlsx(
        "<x:sheetData><x:row r=\"2\"><x:c "
        "t=\"inlineStr\"><x:is><x:t>甲</x:t></x:is></x:c><x:c><x:v>1.5</x:v></x:c>"
        "<x:c r=\"E2\" t=\"s\"><x:v>1</x:v></x:c><x:c t=\"b\"><x:v>1</x:v></x:c></x:row>"
        "<x:row><x:c t=\"e\"><x:v>#REF!</x:v></x:c><x:c "
        "t=\"str\"><x:f>A1</x:f><x:v>公式文本</x:v></x:c>"
        "<x:c "
        "t=\"inlineStr\"><x:is><x:r><x:t>富</x:t></x:r><x:r><x:t>文本</x:t></x:r><x:rPh><x:t>ふ</"
        "x:t></x:rPh></x:is></x:c>"
        "</x:row></x:sheetData>",
        "<sst "
        "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>零</t></si>"
        "<si><r><t>一</t></r><r><t>二</t></r><rPh><t>いち</t></rPh></si></sst>",
        "<workbookPr date1904=\"true\"/>");
    Workbook wb = readWorkbookBytes(bytes, "hand.xlsx");
    EXPECT_TRUE(wb.date1904);
    ASSERT_EQ(wb.sheets.size(), 2u);
    EXPECT_EQ(wb.sheets[1].state, SheetState::VeryHidden);
    const Sheet& s = wb.sheets[0];
    ASSERT_EQ(s.cells.size(), 7u);
    struct Want {
        uint32_t row, col;
        CellType type;
        std::string text;
    } want[] = {
        {1, 0, CellType::Text, "甲"},     {1, 1, CellType::Number, ""},
        {1, 4, CellType::Text, "一二"},   {1, 5, CellType::Bool, ""},
        {2, 0, CellType::Error, ""},      {2, 1, CellType::Text, "公式文本"},
        {2, 2, CellType::Text, "富文本"},
    };
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_EQ(s.cells[i].row, want[i].row) << i;
        EXPECT_EQ(s.cells[i].col, want[i].col) << i;
        EXPECT_EQ(s.cells[i].type, want[i].type) << i;
        if (want[i].type == CellType::Text) {
            EXPECT_EQ(wb.text(s.cells[i]), want[i].text);
        }
    }
    EXPECT_EQ(s.cells[1].number, 1.5);
    EXPECT_EQ(s.cells[4].small, 0x17);
    // stopping after one row leaves the second out
    ReadOptions oneRow;
    oneRow.maxRows = 1;
    Workbook head = readWorkbookBytes(bytes, "hand.xlsx", oneRow);
    EXPECT_EQ(head.sheets[0].cells.size(), 4u);
    EXPECT_FALSE(head.sheets[0].complete);
}

TEST(HandWrittenXlsx, IsoDateCellsAreDates) {
    // t="d" cells as LibreOffice and openpyxl may write them; the plain shape goes through the
    // sheet scanner, the prefixed one through expat alone.
    const std::string cells =
        "<sheetData><row r=\"1\"><c r=\"A1\" t=\"d\"><v>2024-01-31</v></c>"
        "<c r=\"B1\" t=\"d\"><v>2024-01-31T12:30:00</v></c>"
        "<c r=\"C1\" t=\"d\"><v>下周</v></c></row></sheetData>";
    const std::string prefixed =
        std::regex_replace(cells, std::regex("<(/?)(sheetData|row|c|v)\\b"), "<$1x:$2");
    const std::string ns = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
    for (const std::string& part :
         {"<worksheet xmlns=\"" + ns + "\">" + cells + "</worksheet>",
          "<x:worksheet xmlns:x=\"" + ns + "\">" + prefixed + "</x:worksheet>"}) {
        for (bool d1904 : {false, true}) {
            auto bytes = shuhui::test::makeHandXlsx(tempPath("dates.xlsx"), part, "",
                                                    d1904 ? "<workbookPr date1904=\"true\"/>" : "");
            Workbook wb = readWorkbookBytes(bytes, "dates.xlsx");
            const Sheet& s = wb.sheets[0];
            ASSERT_EQ(s.cells.size(), 3u);
            const double day = d1904 ? 43860 : 45322;
            EXPECT_EQ(s.cells[0].type, CellType::Number) << part;
            EXPECT_EQ(s.cells[0].number, day);
            EXPECT_TRUE(wb.isDate(s.cells[0]));
            EXPECT_EQ(wb.style(s.cells[0]).numFmt, "yyyy-mm-dd");
            EXPECT_NEAR(s.cells[1].number, day + 0.5208333333, 1e-9);
            EXPECT_TRUE(wb.isDate(s.cells[1]));
            EXPECT_EQ(wb.style(s.cells[1]).numFmt, "yyyy-mm-dd hh:mm:ss");
            EXPECT_EQ(s.cells[2].type, CellType::Text);
            EXPECT_EQ(wb.text(s.cells[2]), "下周");
        }
    }
}

TEST(HandWrittenXlsx, BrokenPartsAreNamed) {
    struct Case {
        std::string sheet, sst;
        ErrorKind kind;
        const char* words;
    } cases[] = {
        {"<x:sheetData><x:row><x:c><x:v>1</x:row></x:sheetData>", "", ErrorKind::Corrupt,
         "xl/worksheets/s.xml 不是有效的 XML"},
        {"<x:sheetData><x:row><x:c t=\"s\"><x:v>5</x:v></x:c></x:row></x:sheetData>",
         "<sst><si><t>a</t></si></sst>", ErrorKind::Corrupt, "共享字符串"},
        {"<x:sheetData><x:row><x:c><x:v>abc</x:v></x:c></x:row></x:sheetData>", "",
         ErrorKind::Corrupt, "A1"},
        // references outside the sheet are refused, never moved to another cell
        {"<x:sheetData><x:row><x:c r=\"XFD1048577\"><x:v>1</x:v></x:c></x:row></x:sheetData>", "",
         ErrorKind::Corrupt, "工作表“表一”中的单元格引用“XFD1048577”超出了工作表的范围"},
        {"<x:sheetData><x:row><x:c r=\"XFE1\"><x:v>1</x:v></x:c></x:row></x:sheetData>", "",
         ErrorKind::Corrupt, "单元格引用“XFE1”"},
        {"<x:sheetData><x:row><x:c r=\"A0\"><x:v>1</x:v></x:c></x:row></x:sheetData>", "",
         ErrorKind::Corrupt, "单元格引用“A0”"},
        {"<x:sheetData><x:row><x:c r=\"A-1\"><x:v>1</x:v></x:c></x:row></x:sheetData>", "",
         ErrorKind::Corrupt, "单元格引用“A-1”"},
        {"<x:sheetData><x:row r=\"1048577\"><x:c><x:v>1</x:v></x:c></x:row></x:sheetData>", "",
         ErrorKind::Corrupt, "行号“1048577”"},
        {"<x:sheetData><x:row r=\"1048576\"/><x:row><x:c><x:v>1</x:v></x:c></x:row>"
         "</x:sheetData>",
         "", ErrorKind::Corrupt, "第 1048577 行超出了工作表的范围"},
    };
    for (const auto& c : cases) {
        auto bytes = makeXlsx(c.sheet, c.sst);
        try {
            readWorkbookBytes(bytes, "hand.xlsx");
            ADD_FAILURE() << c.sheet;
        } catch (const shuhui::Error& e) {
            EXPECT_EQ(int(e.kind()), int(c.kind)) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.words), std::string::npos) << e.what();
        }
    }
}

// The central directory's entry for `member` claims `size` inflated bytes (the local header is left
// as it was: the size is checked before the member is opened).
void claimSize(std::vector<uint8_t>& zip, const std::string& member, uint32_t size) {
    for (size_t at = 0; at + 46 < zip.size(); ++at) {
        if (std::memcmp(&zip[at], "PK\x01\x02", 4) != 0) continue;
        const size_t n = zip[at + 28] | (zip[at + 29] << 8);
        if (at + 46 + n > zip.size() ||
            std::string(zip.begin() + at + 46, zip.begin() + at + 46 + n) != member)
            continue;
        for (int i = 0; i < 4; ++i) zip[at + 24 + i] = uint8_t(size >> (8 * i));
        return;
    }
    ADD_FAILURE() << member << " not in the directory";
}

// An .xls of `sheets` sheets: "SHR01" holds `cells` numbers in column A, the others are empty.
std::vector<uint8_t> writtenXls(int sheets, uint32_t cells) {
    WorkbookBuilder b;
    for (int i = 1; i <= sheets; ++i) {
        Sheet& s = b.addSheet((i < 10 ? "SHR0" : "SHR") + std::to_string(i));
        for (uint32_t r = 0; r < (i == 1 ? cells : 0); ++r) {
            Cell c;
            c.row = r;
            c.type = CellType::Number;
            c.number = r + 0.5;
            s.cells.push_back(c);
        }
    }
    const std::string path = tempPath("written.xls");
    writeXls(b.workbook(), path);
    return slurp(path);
}

// Every BOUNDSHEET record (id 0x0085, 13 bytes for a five-letter name) points at the first sheet.
void shareFirstSubstream(std::vector<uint8_t>& xls) {
    std::vector<size_t> at;
    for (size_t i = 0; i + 17 < xls.size(); ++i)
        if (std::memcmp(&xls[i], "\x85\x00\x0d\x00", 4) == 0 &&
            std::memcmp(&xls[i + 12], "SHR", 3) == 0)
            at.push_back(i + 4);
    ASSERT_GT(at.size(), 1u);
    for (size_t i : at) std::memcpy(&xls[i], &xls[at[0]], 4);
}

// The Workbook stream's chain of sectors ends after its first sector, though its size says more.
void cutWorkbookChain(std::vector<uint8_t>& xls) {
    auto u32 = [&](size_t at) {
        return uint32_t(xls[at] | (xls[at + 1] << 8) | (xls[at + 2] << 16) |
                        (uint32_t(xls[at + 3]) << 24));
    };
    const char16_t name[] = u"Workbook";
    for (size_t at = 512; at + 128 <= xls.size(); at += 128) {
        if (std::memcmp(&xls[at], name, 16) != 0) continue;
        const uint32_t first = u32(at + 0x74);
        const size_t entry = 512 * (size_t(u32(0x4C)) + 1) + 4 * size_t(first);
        ASSERT_LT(first, 128u);
        std::memcpy(&xls[entry], "\xFE\xFF\xFF\xFF", 4);
        return;
    }
    ADD_FAILURE() << "no Workbook entry";
}

// Small files that would make the reader allocate far more than they hold are refused before the
// memory is taken, each with what is wrong and the figure; none allocates more than a few MiB.
TEST(BadInput, HostileSizesAreRefusedBeforeAllocating) {
    const std::string longText(2u << 20, 'a');  // 2 MiB, deflated to a few KB
    const std::string oneCell = "<x:sheetData><x:row><x:c><x:v>1</x:v></x:c></x:row></x:sheetData>";
    // a part of 64 KiB (mostly blanks) read by 300 sheets: 19 MiB for a 16 MiB + 128 KiB limit
    const std::string padded = "<x:sheetData>" + std::string(64 * 1024, ' ') +
                               "<x:row><x:c><x:v>1</x:v></x:c></x:row></x:sheetData>";
    struct Case {
        const char* name;
        std::function<std::vector<uint8_t>()> make;
        ErrorKind kind;
        std::string words;
    } cases[] = {
        {"long inline string",
         [&] {
             return makeXlsx("<x:sheetData><x:row><x:c r=\"C7\" t=\"inlineStr\"><x:is><x:t>" +
                             longText + "</x:t></x:is></x:c></x:row></x:sheetData>");
         },
         ErrorKind::TooLarge, "工作表“表一”的单元格 C7 的文本超过 1,048,576 字节"},
        {"long shared string",
         [&] {
             return makeXlsx(
                 "<x:sheetData><x:row><x:c t=\"s\"><x:v>1</x:v></x:c></x:row></x:sheetData>",
                 "<sst><si><t>a</t></si><si><t>" + longText + "</t></si></sst>");
         },
         ErrorKind::TooLarge, "共享字符串 #1 超过 1,048,576 字节"},
        {"member claiming 4 GiB",
         [&] {
             auto zip = makeXlsx(oneCell);
             claimSize(zip, "xl/worksheets/s.xml", 0xFFFFFFF0u);
             return zip;
         },
         ErrorKind::Corrupt,
         "xl/worksheets/s.xml 声称解压后有 4,294,967,280 字节，而它的压缩数据只有"},
        // a writer that keeps the sizes in a zip64 extra field without a zip64 end record
        {"sizes left to a zip64 field",
         [&] {
             auto zip = makeXlsx(oneCell);
             claimSize(zip, "xl/worksheets/s.xml", 0xFFFFFFFFu);
             return zip;
         },
         ErrorKind::Corrupt, "xl/worksheets/s.xml 的大小记在 zip64 扩展字段里"},
        {"300 sheets on one part",
         [&] {
             return shuhui::test::makeHandXlsx(
                 tempPath("shared.xlsx"),
                 "<x:worksheet "
                 "xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">" +
                     padded + "</x:worksheet>",
                 "", "", 298);
         },
         ErrorKind::TooLarge, "工作表“表一”等 300 张工作表共用 xl/worksheets/s.xml"},
        {"40 sheets on one substream",
         [] {
             auto xls = writtenXls(100, 1000);
             shareFirstSubstream(xls);
             return xls;
         },
         ErrorKind::TooLarge, "张工作表共用同一段数据"},
        {"broken sector chain",
         [] {
             auto xls = writtenXls(1, 1000);
             cutWorkbookChain(xls);
             return xls;
         },
         ErrorKind::Corrupt, "扇区链断开"},
    };
    for (const Case& c : cases) {
        const auto bytes = c.make();
        EXPECT_LT(bytes.size(), 64u * 1024) << c.name;
        try {
            readWorkbookBytes(bytes, "hostile");
            ADD_FAILURE() << c.name << " was read";
        } catch (const shuhui::Error& e) {
            EXPECT_EQ(int(e.kind()), int(c.kind)) << c.name << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find(c.words), std::string::npos)
                << c.name << ": " << e.what();
        }
    }
    // Two sheets on one small part stay readable.
    const Workbook wb = readWorkbookBytes(makeXlsx(oneCell), "hand.xlsx");
    ASSERT_EQ(wb.sheets.size(), 2u);
    EXPECT_EQ(wb.sheets[1].cells.size(), 1u);
}

}  // namespace

namespace {

// Inputs the fuzzers found, each named for its fault; they must stay typed refusals (and, in a
// sanitizer build, leak nothing).
TEST(FuzzRegressions, FoundInputsAreRefusedCleanly) {
    struct Case {
        const char* file;
        ErrorKind kind;
    } cases[] = {
        // a cell error thrown inside an expat callback used to unwind through expat and leak its
        // buffer
        {"regress/xlsx_error_thrown_through_expat.xlsx", ErrorKind::Corrupt},
        // libgsf leaks directory entries of this broken compound document (suppressed for the
        // fuzzer)
        {"regress/xls_libgsf_leaks_bad_directory.xls", ErrorKind::NotWorkbook},
        // its directory entry for the Workbook stream lies off the directory's chain
        {"regress/xls_libgsf_leaks_bad_directory_2.xls", ErrorKind::Corrupt},
    };
    for (const auto& c : cases) {
        try {
            readWorkbook(fixture(c.file));
            ADD_FAILURE() << c.file;
        } catch (const shuhui::Error& e) {
            EXPECT_EQ(int(e.kind()), int(c.kind)) << e.what();
        }
    }
}

}  // namespace
