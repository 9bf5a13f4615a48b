// The record structure of what writeXls produces, read straight from the compound document:
// record sizes, the shared string table's continuation, MERGEDCELLS splitting, fonts, XFs, the
// palette, BOUNDSHEET offsets, and which numbers are stored as RK.
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>

#include "formats/biff_records.h"
#include "formats/roundtrip_sample.h"
#include "formats/writer.h"

namespace shuhui::formats {
namespace {

namespace fs = std::filesystem;
using biff::Rec;

struct Record {
    uint16_t id;
    size_t offset;  // of the record header in the stream
    std::vector<uint8_t> body;
    uint16_t u16(size_t at) const { return uint16_t(body[at] | body[at + 1] << 8); }
    uint32_t u32(size_t at) const { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; }
    bool is(Rec r) const { return id == biff::id(r); }
};

// The records of the "Workbook" stream of a compound document.
std::vector<Record> readRecords(const std::string& path) {
    GError* err = nullptr;
    GsfInput* input = gsf_input_stdio_new(path.c_str(), &err);
    EXPECT_NE(input, nullptr);
    if (!input) return {};
    GsfInfile* ole = gsf_infile_msole_new(input, &err);
    g_object_unref(input);
    EXPECT_NE(ole, nullptr);
    if (!ole) return {};
    GsfInput* stream = gsf_infile_child_by_name(ole, "Workbook");
    EXPECT_NE(stream, nullptr) << "no stream named Workbook";
    std::vector<uint8_t> bytes(size_t(stream ? gsf_input_size(stream) : 0));
    if (stream) {
        EXPECT_NE(gsf_input_read(stream, bytes.size(), bytes.data()), nullptr);
        g_object_unref(stream);
    }
    g_object_unref(ole);
    std::vector<Record> out;
    size_t pos = 0;
    while (pos + 4 <= bytes.size()) {
        Record r;
        r.id = uint16_t(bytes[pos] | bytes[pos + 1] << 8);
        size_t len = size_t(bytes[pos + 2] | bytes[pos + 3] << 8);
        r.offset = pos;
        EXPECT_LE(pos + 4 + len, bytes.size()) << "record cut off at " << pos;
        if (pos + 4 + len > bytes.size()) break;
        r.body.assign(bytes.begin() + long(pos + 4), bytes.begin() + long(pos + 4 + len));
        out.push_back(std::move(r));
        pos += 4 + len;
    }
    EXPECT_EQ(pos, bytes.size());
    return out;
}

class XlsWriter : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("shuhui-xlswriter-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::vector<Record> write(const Workbook& wb) {
        std::string file = (dir_ / "out.xls").string();
        writeXls(wb, file);
        return readRecords(file);
    }
    fs::path dir_;
};

TEST_F(XlsWriter, SampleHasAWellFormedRecordStream) {
    Workbook wb = testing::sampleWorkbook();
    std::vector<Record> recs = write(wb);
    ASSERT_FALSE(recs.empty());
    ASSERT_TRUE(recs.front().is(Rec::BOF));
    EXPECT_EQ(recs.front().u16(0), biff::kBiff8Version);
    EXPECT_EQ(recs.front().u16(2), uint16_t(biff::BofType::Globals));

    size_t fonts = 0, sstAt = 0, merged = 0;
    std::map<uint16_t, std::u16string> formats;
    std::vector<uint32_t> sheetOffsets, mergeCounts;
    std::vector<uint16_t> xfFonts;
    for (size_t i = 0; i < recs.size(); ++i) {
        const Record& r = recs[i];
        EXPECT_LE(r.body.size(), biff::kMaxRecordBody) << "record " << r.id << " too long";
        if (r.is(Rec::CODEPAGE)) {
            EXPECT_EQ(r.u16(0), 1200);
        }
        if (r.is(Rec::FONT)) ++fonts;
        if (r.is(Rec::FORMAT)) {
            std::u16string code;
            bool wide = r.body[4] & 1;
            for (size_t k = 0; k < r.u16(2); ++k)
                code.push_back(wide ? char16_t(r.u16(5 + 2 * k)) : char16_t(r.body[5 + k]));
            formats[r.u16(0)] = code;
        }
        if (r.is(Rec::XF)) xfFonts.push_back(r.u16(0));
        if (r.is(Rec::BOUNDSHEET)) sheetOffsets.push_back(r.u32(0));
        if (r.is(Rec::SST)) sstAt = i;
        if (r.is(Rec::MERGEDCELLS)) {
            mergeCounts.push_back(r.u16(0));
            EXPECT_EQ(r.body.size(), 2 + 8 * size_t(r.u16(0)));
            merged += r.u16(0);
        }
    }
    // Fonts: four copies of the default, then bold and 宋体; index 4 is never referred to.
    EXPECT_EQ(fonts, 6u);
    for (uint16_t f : xfFonts) {
        EXPECT_NE(f, 4);
        EXPECT_LE(f, fonts);
    }
    // The number formats, the locale-independent built-in one under its own id.
    EXPECT_EQ(formats, (std::map<uint16_t, std::u16string>{
                           {4, u"#,##0.00"}, {164, u"yyyy-mm-dd"}, {165, u"￥0.00"}}));
    // 15 style XFs, the default cell XF, then one per distinct style (the two date styles share).
    EXPECT_EQ(xfFonts.size(), 16u + 6u);

    // The shared strings spill over several CONTINUE records, then comes EXTSST.
    ASSERT_GT(sstAt, 0u);
    size_t next = sstAt + 1;
    while (next < recs.size() && recs[next].is(Rec::CONTINUE)) ++next;
    EXPECT_GE(next - sstAt - 1, 5u);
    ASSERT_LT(next, recs.size());
    EXPECT_TRUE(recs[next].is(Rec::EXTSST));

    // MERGEDCELLS: 1,101 ranges in records of at most 1,026.
    EXPECT_EQ(mergeCounts, (std::vector<uint32_t>{1026, 75}));
    EXPECT_EQ(merged, 1101u);

    // Every BOUNDSHEET offset points at the BOF of a worksheet.
    ASSERT_EQ(sheetOffsets.size(), wb.sheets.size());
    for (uint32_t off : sheetOffsets) {
        auto it = std::find_if(recs.begin(), recs.end(),
                               [&](const Record& r) { return r.offset == off; });
        ASSERT_NE(it, recs.end()) << "no record at " << off;
        EXPECT_TRUE(it->is(Rec::BOF));
        EXPECT_EQ(it->u16(2), uint16_t(biff::BofType::Worksheet));
    }
}

TEST_F(XlsWriter, ColoursOutsideTheDefaultPaletteGetPaletteSlots) {
    Workbook wb = testing::sampleWorkbook();
    std::vector<Record> recs = write(wb);
    auto pal =
        std::find_if(recs.begin(), recs.end(), [](const Record& r) { return r.is(Rec::PALETTE); });
    ASSERT_NE(pal, recs.end());
    ASSERT_EQ(pal->u16(0), 56);
    std::vector<uint32_t> colors;
    for (size_t i = 0; i < 56; ++i) {
        const uint8_t* p = pal->body.data() + 2 + 4 * i;
        colors.push_back(uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
    }
    for (uint32_t c : {0x123456u, 0x00B050u, 0xFF0000u, 0xFFFF00u})
        EXPECT_NE(std::find(colors.begin(), colors.end(), c), colors.end()) << std::hex << c;

    // Without such colours no PALETTE is written.
    Workbook plain = testing::sampleWorkbook();
    plain.styles[testing::kFancy].fill = 0xFF0000;
    plain.styles[testing::kWrapped].left.color = kNoColor;
    recs = write(plain);
    EXPECT_TRUE(
        std::none_of(recs.begin(), recs.end(), [](const Record& r) { return r.is(Rec::PALETTE); }));
}

TEST_F(XlsWriter, MoreColoursThanSlotsFallBackToTheNearest) {
    Workbook wb;
    Sheet s;
    s.name = "Colours";
    for (uint32_t i = 0; i < 80; ++i) {
        CellStyle st;
        st.fill = 0x010203 * (i + 1) + 0x000100;
        wb.styles.push_back(st);
        s.cells.push_back(testing::numberCell(i, 0, i, i));
    }
    wb.sheets.push_back(s);
    std::string file = (dir_ / "colours.xls").string();
    writeXls(wb, file);
    std::vector<Record> recs = readRecords(file);
    EXPECT_TRUE(
        std::any_of(recs.begin(), recs.end(), [](const Record& r) { return r.is(Rec::PALETTE); }));
}

// How each number is stored: RK when the 30 bits hold it exactly (0.1 is 10 / 100 exactly, as
// readers divide), otherwise NUMBER.
TEST_F(XlsWriter, NumbersAreRkOnlyWhenExact) {
    struct Case {
        double value;
        bool rk;
    };
    const Case cases[] = {
        {0, true},
        {1, true},
        {-1, true},
        {536870911, true},
        {-536870912, true},
        {536870912, true},
        {0.5, true},
        {1.25, true},
        {12.34, true},
        {-0.01, true},
        {5000.25, true},
        {123456.78, true},
        {0.1, true},
        {1e20, false},
        {3.14159265358979, false},
        {1e-300, false},
        {1234567.891, false},
        {-0.0, true},
        {4e9, false},
    };
    Workbook wb;
    wb.styles.resize(1);
    Sheet s;
    s.name = "N";
    for (uint32_t i = 0; i < std::size(cases); ++i)
        s.cells.push_back(testing::numberCell(i, 0, cases[i].value));
    wb.sheets.push_back(s);
    std::vector<Record> recs = write(wb);
    for (const Record& r : recs) {
        if (!r.is(Rec::RK) && !r.is(Rec::NUMBER)) continue;
        uint16_t row = r.u16(0);
        ASSERT_LT(row, std::size(cases));
        const Case& c = cases[row];
        EXPECT_EQ(r.is(Rec::RK), c.rk) << c.value;
        double got;
        if (r.is(Rec::RK)) {
            uint32_t rk = r.u32(6);
            if (rk & 2) {
                got = double(int32_t(rk) >> 2);
            } else {
                uint64_t bits = uint64_t(rk & 0xFFFFFFFCu) << 32;
                std::memcpy(&got, &bits, 8);
            }
            if (rk & 1) got /= 100;
        } else {
            std::memcpy(&got, r.body.data() + 6, 8);
        }
        EXPECT_EQ(std::signbit(got), std::signbit(c.value)) << c.value;
        EXPECT_EQ(got, c.value);
    }
}

}  // namespace
}  // namespace shuhui::formats
