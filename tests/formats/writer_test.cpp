// What both writers refuse, and how they fail: limits of the format, sheet names, paths that cannot
// be written. A refused workbook leaves no file (and no temporary file) behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "formats/error.h"
#include "formats/read_limits.h"
#include "formats/roundtrip_sample.h"
#include "formats/write_checks.h"
#include "formats/writer.h"

namespace shuhui::formats {
namespace {

namespace fs = std::filesystem;
using testing::numberCell;
using testing::textCell;

struct Writer {
    const char* name;
    const char* extension;
    void (*write)(const Workbook&, const std::string&);
    uint32_t maxRows, maxCols;
};

void PrintTo(const Writer& w, std::ostream* os) {
    *os << w.name;
}

const Writer kWriters[] = {
    {"xls", ".xls", writeXls, kXlsMaxRows, kXlsMaxCols},
    {"xlsx", ".xlsx", writeXlsx, 1048576, 16384},
};

class WriterLimits : public ::testing::TestWithParam<Writer> {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("shuhui-writer-" + std::to_string(::getpid()) + "-" + GetParam().name);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string path(const std::string& stem) const {
        return (dir_ / (stem + GetParam().extension)).string();
    }
    // Writes and expects a refusal of that kind whose message names the file and says `why`.
    void expectRefused(const Workbook& wb, const std::string& file, ErrorKind kind,
                       const std::string& why) {
        try {
            GetParam().write(wb, file);
            ADD_FAILURE() << "written although it should have been refused: " << why;
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), kind) << e.what();
            EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(why), std::string::npos) << e.what();
        }
        EXPECT_FALSE(fs::exists(file));
        size_t leftovers = 0;
        if (fs::is_directory(dir_))
            for (const auto& entry : fs::directory_iterator(dir_))
                leftovers += !entry.is_directory();
        EXPECT_EQ(leftovers, 0u) << "a half-written or temporary file was left behind";
    }

    fs::path dir_;
};

Workbook oneSheet(std::vector<Cell> cells, std::vector<Range> merged = {}) {
    Workbook wb;
    wb.styles.resize(1);
    Sheet s;
    s.name = "数据";
    s.cells = std::move(cells);
    s.merged = std::move(merged);
    wb.sheets.push_back(std::move(s));
    return wb;
}

TEST_P(WriterLimits, RefusesWhatTheFormatCannotHold) {
    const Writer& w = GetParam();
    const std::string rows = groupedNumber(uint64_t(w.maxRows) + 1);
    const std::string cols = groupedNumber(uint64_t(w.maxCols) + 1);
    struct Case {
        const char* what;
        Workbook wb;
        ErrorKind kind;
        std::string why;
    };
    Workbook longText = oneSheet({});
    longText.sheets[0].cells.push_back(textCell(longText, 3, 1, std::string(32768, 'x')));
    Workbook longChinese = oneSheet({});
    std::string chinese;
    for (int i = 0; i < 32768; ++i) chinese += "字";
    longChinese.sheets[0].cells.push_back(textCell(longChinese, 0, 0, chinese));
    Workbook noSheets;
    Workbook longName = oneSheet({});
    longName.sheets[0].name = std::string(32, 'n');
    Workbook badName = oneSheet({});
    badName.sheets[0].name = "一月/二月";
    Workbook twice = oneSheet({});
    twice.sheets.push_back(twice.sheets[0]);
    twice.sheets[1].name = "数据";
    Workbook twiceCase = oneSheet({});
    twiceCase.sheets[0].name = "Data";
    twiceCase.sheets.push_back(twiceCase.sheets[0]);
    twiceCase.sheets[1].name = "DATA";
    Workbook partial = oneSheet({numberCell(0, 0, 1)});
    partial.sheets[0].complete = false;
    Workbook listOnly = oneSheet({});
    listOnly.sheets[0].loaded = false;
    Workbook overlap = oneSheet({}, {Range{0, 0, 1, 3}, Range{5, 0, 5, 1}, Range{1, 3, 2, 4}});
    Case cases[] = {
        {"one row too many", oneSheet({numberCell(0, 0, 1), numberCell(w.maxRows, 0, 2)}),
         ErrorKind::TooLarge, rows + " 行"},
        {"one column too many", oneSheet({numberCell(0, uint16_t(0), 1)}), ErrorKind::TooLarge,
         cols + " 列"},
        {"a merge past the last row", oneSheet({}, {Range{0, 0, w.maxRows, 1}}),
         ErrorKind::TooLarge, rows + " 行"},
        {"text over 32,767 characters", longText, ErrorKind::TooLarge, "B4"},
        {"Chinese text over 32,767 characters", longChinese, ErrorKind::TooLarge, "A1"},
        {"no sheet", noSheets, ErrorKind::Unsupported, "没有工作表"},
        {"a sheet name over 31 characters", longName, ErrorKind::TooLarge, "31 个字符"},
        {"a slash in a sheet name", badName, ErrorKind::Unsupported, "一月/二月"},
        {"the same sheet name twice", twice, ErrorKind::Unsupported, "重复"},
        {"names differing in case only", twiceCase, ErrorKind::Unsupported, "重复"},
        {"overlapping merged ranges", overlap, ErrorKind::Unsupported, "A1:D2 与 D2:E3 重叠"},
        {"a sheet read only in part", partial, ErrorKind::Unsupported, "只读入了一部分"},
        {"a sheet whose cells were not read", listOnly, ErrorKind::Unsupported, "只读入了一部分"},
    };
    // 257 columns: a cell in the column after the last one. The model's column is 16 bits, which
    // only .xls can exceed with it; .xlsx is checked with its merge instead.
    if (w.maxCols < 65536) {
        cases[1].wb.sheets[0].cells.push_back(numberCell(0, uint16_t(w.maxCols), 2));
    } else {
        cases[1].wb.sheets[0].merged.push_back(Range{0, 0, 0, w.maxCols});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        expectRefused(c.wb, path("refused"), c.kind, c.why);
    }
}

TEST_P(WriterLimits, RefusesBeforeTouchingAnExistingFile) {
    std::string file = path("existing");
    { std::ofstream(file) << "old content"; }
    Workbook wb = oneSheet({numberCell(GetParam().maxRows, 0, 1)});
    EXPECT_THROW(GetParam().write(wb, file), Error);
    std::ifstream in(file);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "old content");
}

TEST_P(WriterLimits, ReplacesAnExistingFile) {
    std::string file = path("existing");
    { std::ofstream(file) << "old content"; }
    Workbook wb = oneSheet({numberCell(0, 0, 1)});
    GetParam().write(wb, file);
    EXPECT_GT(fs::file_size(file), 1000u);
}

TEST_P(WriterLimits, UnwritablePathsFailWithThePathAndTheReason) {
    Workbook wb = oneSheet({numberCell(0, 0, 1)});
    std::string aFile = path("plain");
    { std::ofstream(aFile) << "x"; }
    struct Case {
        const char* what;
        std::string path;
        std::string why;
    };
    const Case cases[] = {
        {"a missing folder", (dir_ / "缺少的文件夹" / "结果").string() + GetParam().extension,
         "不存在"},
        {"a folder", dir_.string(), "文件夹"},
        {"a file used as a folder", aFile + "/结果" + GetParam().extension, "不是文件夹"},
        {"a place nobody may create files in", std::string("/proc/shuhui") + GetParam().extension,
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            GetParam().write(wb, c.path);
            ADD_FAILURE() << "written to " << c.path;
        } catch (const Error& e) {
            EXPECT_EQ(e.kind(), ErrorKind::WriteFailed) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.path), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find("无法写入"), std::string::npos) << e.what();
        }
    }
}

// An export killed half-way cannot remove its temporary file; the target keeps its old content,
// and the next export into that folder removes the leftover (only ours: other hidden files stay).
TEST_P(WriterLimits, LeftoverOfAKilledWriteGoesWithTheNextWrite) {
    const std::string file = path("existing");
    { std::ofstream(file) << "old content"; }
    std::vector<Cell> cells;
    for (uint32_t r = 0; r < 60000; ++r)
        for (uint16_t c = 0; c < 12; ++c) cells.push_back(numberCell(r, c, r * 0.5 + c));
    const Workbook big = oneSheet(std::move(cells));

    const std::string notOurs = (dir_ / ".gsf-save-ABC123").string();
    // Every file in the folder but the target and the one that is not ours.
    auto temporaries = [&] {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            if (entry.path() != fs::path(file) && entry.path() != fs::path(notOurs))
                names.push_back(entry.path().filename().string());
        return names;
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        try {
            GetParam().write(big, file);
        } catch (...) {
        }
        ::_exit(0);
    }
    // Kill the writer as soon as its temporary file is there.
    for (int i = 0; i < 20000 && temporaries().empty(); ++i) ::usleep(500);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    const std::vector<std::string> left = temporaries();
    if (left.empty() || !WIFSIGNALED(status)) GTEST_SKIP() << "the writer finished before the kill";
    std::ifstream in(file);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "old content");

    { std::ofstream(notOurs) << "x"; }
    GetParam().write(oneSheet({numberCell(0, 0, 1)}), file);
    EXPECT_TRUE(temporaries().empty());
    EXPECT_TRUE(fs::exists(notOurs));
    EXPECT_GT(fs::file_size(file), 1000u);
}

INSTANTIATE_TEST_SUITE_P(Writers, WriterLimits, ::testing::ValuesIn(kWriters),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace shuhui::formats
