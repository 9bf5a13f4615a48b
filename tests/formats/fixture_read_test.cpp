// The readers against workbooks written by other programs (openpyxl, xlwt, LibreOffice, Gnumeric;
// see scripts/make_fixtures.sh). Every file holds the same content, so one table of expected cells
// checks them all; a few traits say what a writer could not store.
#include <gtest/gtest.h>

#include <variant>

#include "formats/error.h"
#include "formats/numfmt.h"
#include "formats/reader.h"

using namespace shuhui::formats;

namespace {

std::string fixture(const std::string& name) {
    return std::string(SHUHUI_FIXTURES) + "/formats/" + name;
}

struct BasicFile {
    const char* file;
    FileFormat format;
    bool cachedFormulas;  // the writer computed the formulas' results
    bool hiddenKept;      // the writer kept the sheet's hidden state
    bool stylesKept;      // fonts, fills, borders and widths of the merged header
};

const BasicFile kBasicFiles[] = {
    {"basic_openpyxl.xlsx", FileFormat::Xlsx, false, true, true},
    {"basic_xlwt.xls", FileFormat::Xls8, false, true, true},
    {"basic_lo.xls", FileFormat::Xls8, true, true, true},
    {"basic_lo.xlsx", FileFormat::Xlsx, true, true, true},
    {"basic_gnumeric.xls", FileFormat::Xls8, true, true, true},
    {"basic_gnumeric.xlsx", FileFormat::Xlsx, true, false, true},
    {"basic_biff5.xls", FileFormat::Xls5, true, true, true},
};

struct Bool {
    bool v;
};
struct Date {
    const char* iso;
};
struct Err {
    const char* text;
};
using Value = std::variant<std::string, double, Bool, Date, Err>;

struct Expect {
    const char* sheet;
    uint32_t row, col;
    Value value;
    bool formula = false;
};

const std::string kLongCn = [] {
    std::string s;
    for (int i = 0; i < 5000; ++i) s += "长";
    return s;
}();

const Expect kCells[] = {
    {"员工 信息", 0, 0, std::string("工号")},
    {"员工 信息", 0, 6, std::string("备注")},
    {"员工 信息", 1, 0, std::string("00123")},  // a leading-zero id stays text
    {"员工 信息", 1, 1, std::string("张三")},
    {"员工 信息", 1, 3, Date{"2020-03-15"}},
    {"员工 信息", 1, 4, 8500.5},
    {"员工 信息", 1, 5, Bool{true}},
    {"员工 信息", 2, 0, std::string("00456")},
    {"员工 信息", 2, 4, 12000.0},
    {"员工 信息", 2, 5, Bool{false}},
    {"员工 信息", 2, 6, 42.0},  // a number in a text column
    {"员工 信息", 3, 0, std::string("07890")},
    {"员工 信息", 3, 4, 9999.99},
    {"员工 信息", 4, 4, 0.0},
    {"员工 信息", 4, 6, std::string("待定")},
    {"仅表头", 0, 2, std::string("数量")},
    {"偏移", 2, 1, std::string("项目")},
    {"偏移", 4, 2, 2.5},
    {"合并表头", 0, 0, std::string("2024年工资表")},
    {"合并表头", 1, 1, std::string("应发工资")},
    {"合并表头", 2, 4, std::string("个税")},
    {"合并表头", 3, 4, 120.5},
    {"公式", 0, 0, 10.0},
    {"公式", 0, 2, 30.0, true},
    {"公式", 0, 3, std::string("合计30"), true},
    {"公式", 0, 4, Err{"#DIV/0!"}, true},
    {"公式", 0, 5, Bool{false}, true},
    {"长文本", 0, 0, kLongCn},
    {"长文本", 1, 0, std::string(9000, 'x')},
    {"长文本", 2, 0, std::string("尾")},
    {"隐藏", 0, 0, std::string("秘密")},
};

ReadOptions listOnly() {
    ReadOptions o;
    o.cells = false;
    return o;
}

ReadOptions sheetRows(const std::string& sheet, uint32_t rows) {
    ReadOptions o;
    o.sheet = sheet;
    o.maxRows = rows;
    return o;
}

const Cell* findCell(const Sheet& s, uint32_t row, uint32_t col) {
    for (const Cell& c : s.cells)
        if (c.row == row && c.col == col) return &c;
    return nullptr;
}

class BasicFixture : public ::testing::TestWithParam<BasicFile> {};

TEST_P(BasicFixture, SheetsInFileOrderWithStates) {
    const BasicFile& f = GetParam();
    Workbook wb = readWorkbook(fixture(f.file));
    EXPECT_EQ(wb.format, f.format);
    EXPECT_FALSE(wb.date1904);
    std::vector<std::string> names;
    for (auto& s : wb.sheets) names.push_back(s.name);
    EXPECT_EQ(names, (std::vector<std::string>{"员工 信息", "空表", "仅表头", "偏移", "合并表头",
                                               "公式", "长文本", "隐藏"}));
    if (f.hiddenKept) {
        EXPECT_EQ(wb.sheets.back().state, SheetState::Hidden);
    }
    EXPECT_EQ(wb.sheets[0].state, SheetState::Visible);
    for (auto& s : wb.sheets) {
        EXPECT_EQ(s.kind, SheetKind::Worksheet);
        EXPECT_TRUE(s.loaded);
        EXPECT_TRUE(s.complete);
        EXPECT_TRUE(std::is_sorted(s.cells.begin(), s.cells.end(),
                                   [](const Cell& a, const Cell& b) {
                                       return a.row != b.row ? a.row < b.row : a.col < b.col;
                                   }))
            << s.name;
    }
}

TEST_P(BasicFixture, CellValues) {
    const BasicFile& f = GetParam();
    Workbook wb = readWorkbook(fixture(f.file));
    for (const Expect& e : kCells) {
        SCOPED_TRACE(std::string(e.sheet) + " " + columnLetters(e.col) + std::to_string(e.row + 1));
        const Sheet* s = wb.findSheet(e.sheet);
        ASSERT_NE(s, nullptr);
        const Cell* c = findCell(*s, e.row, e.col);
        if (e.formula && !f.cachedFormulas) continue;
        ASSERT_NE(c, nullptr);
        if (auto* text = std::get_if<std::string>(&e.value)) {
            ASSERT_EQ(c->type, CellType::Text);
            EXPECT_EQ(wb.text(*c), *text);
        } else if (auto* num = std::get_if<double>(&e.value)) {
            ASSERT_EQ(c->type, CellType::Number);
            EXPECT_EQ(c->number, *num);
            EXPECT_FALSE(wb.isDate(*c));
        } else if (auto* b = std::get_if<Bool>(&e.value)) {
            ASSERT_EQ(c->type, CellType::Bool);
            EXPECT_EQ(c->small != 0, b->v);
        } else if (auto* d = std::get_if<Date>(&e.value)) {
            ASSERT_EQ(c->type, CellType::Number);
            EXPECT_TRUE(wb.isDate(*c)) << wb.style(*c).numFmt;
            EXPECT_EQ(serialToIso(c->number, wb.date1904), d->iso);
        } else if (auto* er = std::get_if<Err>(&e.value)) {
            ASSERT_EQ(c->type, CellType::Error);
            EXPECT_STREQ(errorText(c->small), er->text);
        }
    }
    // the money column shows a currency sign, the date column does not
    const Sheet* staff = wb.findSheet("员工 信息");
    // (code page 936 has no "¥" sign: Gnumeric's BIFF5 file stores "?" in its place)
    if (f.format != FileFormat::Xls5) {
        EXPECT_TRUE(wb.isCurrency(*findCell(*staff, 1, 4)))
            << wb.style(*findCell(*staff, 1, 4)).numFmt;
    }
    EXPECT_FALSE(wb.isCurrency(*findCell(*staff, 1, 3)));
    EXPECT_EQ(findCell(*staff, 3, 6) == nullptr || findCell(*staff, 3, 6)->type == CellType::Blank,
              true);
}

TEST_P(BasicFixture, RangesAndMerges) {
    Workbook wb = readWorkbook(fixture(GetParam().file));
    struct R {
        const char* sheet;
        std::optional<Range> data;
    } ranges[] = {
        {"员工 信息", Range{0, 0, 4, 6}}, {"空表", std::nullopt},
        {"仅表头", Range{0, 0, 0, 2}},    {"偏移", Range{2, 1, 4, 2}},
        {"合并表头", Range{0, 0, 3, 4}},  {"隐藏", Range{0, 0, 0, 0}},
    };
    for (auto& r : ranges)
        EXPECT_EQ(wb.findSheet(r.sheet)->dataRange(wb.strings), r.data) << r.sheet;
    EXPECT_EQ(absoluteAddress(*wb.findSheet("偏移")->dataRange(wb.strings)), "$B$3:$C$5");
    EXPECT_EQ(wb.findSheet("空表")->usedRangeAddress(), "$A$1");
    EXPECT_EQ(wb.findSheet("隐藏")->usedRangeAddress(), "$A$1");
    EXPECT_EQ(wb.findSheet("合并表头")->merged,
              (std::vector<Range>{{0, 0, 0, 4}, {1, 0, 2, 0}, {1, 1, 1, 2}, {1, 3, 1, 4}}));
}

TEST_P(BasicFixture, StylesWidthsAndHeights) {
    const BasicFile& f = GetParam();
    if (!f.stylesKept) GTEST_SKIP();
    Workbook wb = readWorkbook(fixture(f.file));
    const Sheet& m = *wb.findSheet("合并表头");
    const CellStyle& title = wb.style(*findCell(m, 0, 0));
    EXPECT_TRUE(title.font.bold);
    EXPECT_EQ(title.font.size, 14);
    EXPECT_EQ(title.font.name, "宋体");
    EXPECT_EQ(title.font.color, 0xFF0000u);
    EXPECT_EQ(title.halign, HAlign::Center);
    EXPECT_EQ(title.valign, VAlign::Center);
    const CellStyle& head = wb.style(*findCell(m, 2, 1));
    EXPECT_TRUE(head.font.bold);
    EXPECT_EQ(head.fill, 0xFFFF00u);
    EXPECT_EQ(head.left.style, BorderStyle::Thin);
    EXPECT_EQ(head.bottom.style, BorderStyle::Thin);
    EXPECT_TRUE(head.bottom.color == 0x000000u ||
                head.bottom.color == kNoColor);  // black or automatic
    EXPECT_TRUE(wb.style(*findCell(m, 1, 1)).wrap);
    const CellStyle& plain = wb.style(*findCell(m, 3, 1));
    EXPECT_FALSE(plain.font.bold);
    EXPECT_EQ(plain.fill, kNoColor);
    EXPECT_EQ(plain.left.style, BorderStyle::None);
    // column A is about 15 characters wide, column F hidden; row 1 is 30 points high
    bool widthSeen = false, hiddenSeen = false;
    for (const ColInfo& c : m.cols) {
        if (c.first == 0) {
            EXPECT_NEAR(c.width, 15, 1.0);
            widthSeen = true;
        }
        if (c.first <= 5 && c.last >= 5) hiddenSeen = c.hidden;
    }
    EXPECT_TRUE(widthSeen);
    EXPECT_TRUE(hiddenSeen);
    bool rowSeen = false;
    for (const RowInfo& r : m.rows)
        if (r.row == 0) {
            EXPECT_NEAR(r.height, 30, 0.5);
            rowSeen = true;
        }
    EXPECT_TRUE(rowSeen);
}

TEST_P(BasicFixture, ReadOptions) {
    const std::string path = fixture(GetParam().file);
    // sheet list only
    Workbook list = readWorkbook(path, listOnly());
    ASSERT_EQ(list.sheets.size(), 8u);
    for (auto& s : list.sheets) {
        EXPECT_FALSE(s.loaded);
        EXPECT_TRUE(s.cells.empty());
    }
    // one sheet, first two rows
    Workbook head = readWorkbook(path, sheetRows("员工 信息", 2));
    const Sheet& staff = *head.findSheet("员工 信息");
    EXPECT_TRUE(staff.loaded);
    EXPECT_FALSE(staff.complete);
    ASSERT_FALSE(staff.cells.empty());
    EXPECT_EQ(staff.cells.back().row, 1u);
    EXPECT_EQ(head.text(staff.cells.front()), "工号");
    EXPECT_EQ(head.text(*findCell(staff, 1, 1)), "张三");
    EXPECT_FALSE(head.findSheet("偏移")->loaded);
    EXPECT_TRUE(head.findSheet("偏移")->cells.empty());
    // a limit above the sheet's rows reads all of it
    Workbook all = readWorkbook(path, sheetRows("偏移", 100));
    EXPECT_TRUE(all.findSheet("偏移")->complete);
    EXPECT_EQ(all.findSheet("偏移")->cells.size(), 6u);
    // an unknown sheet
    try {
        readWorkbook(path, sheetRows("没有这个表", 1000));
        FAIL();
    } catch (const shuhui::Error& e) {
        EXPECT_EQ(e.kind(), shuhui::ErrorKind::SheetNotFound);
        EXPECT_NE(std::string(e.what()).find("没有这个表"), std::string::npos);
        EXPECT_EQ(e.file(), path);
        EXPECT_EQ(e.sheet(), "没有这个表");
    }
    // ... or, when asked so, answered by the sheet list alone
    ReadOptions lenient = sheetRows("没有这个表", 1000);
    lenient.missingSheetIsError = false;
    Workbook names = readWorkbook(path, lenient);
    EXPECT_NE(names.findSheet("员工 信息"), nullptr);
    for (const Sheet& s : names.sheets) EXPECT_FALSE(s.loaded) << s.name;
}

INSTANTIATE_TEST_SUITE_P(Files, BasicFixture, ::testing::ValuesIn(kBasicFiles),
                         [](const auto& info) {
                             std::string n = info.param.file;
                             for (char& ch : n)
                                 if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                             return n;
                         });

TEST(Fixtures, Date1904System) {
    for (const char* f : {"date1904_openpyxl.xlsx", "date1904_xlwt.xls", "date1904_lo.xls"}) {
        SCOPED_TRACE(f);
        Workbook wb = readWorkbook(fixture(f));
        EXPECT_TRUE(wb.date1904);
        const Sheet& s = wb.sheets.at(0);
        ASSERT_GE(s.cells.size(), 3u);
        EXPECT_TRUE(wb.isDate(s.cells[0]));
        EXPECT_EQ(serialToIso(s.cells[0].number, true), "2024-01-31");
        EXPECT_EQ(serialToIso(s.cells[1].number, true), "2024-01-31T12:30:00");
        EXPECT_EQ(s.cells[0].number, 43860);  // days since 1904-01-01
        EXPECT_FALSE(wb.isDate(s.cells[2]));
    }
}

TEST(Fixtures, RichTextIsFlattened) {
    for (const char* f : {"rich_xlwt.xls", "rich_lo.xlsx"}) {
        Workbook wb = readWorkbook(fixture(f));
        const Sheet& s = wb.sheets.at(0);
        ASSERT_EQ(s.cells.size(), 2u) << f;
        EXPECT_EQ(wb.text(s.cells[0]), "红色普通粗体") << f;
        EXPECT_EQ(wb.text(s.cells[1]), "之后") << f;
    }
}

TEST(Fixtures, FormatIsDecidedByContent) {
    EXPECT_EQ(detectFormat(fixture("basic_lo.xls")), FileFormat::Xls8);
    EXPECT_EQ(detectFormat(fixture("basic_lo.xlsx")), FileFormat::Xlsx);
}

}  // namespace
