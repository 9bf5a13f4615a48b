// Parts of what writeXlsx produces, read straight from the package: texts that look like escapes,
// control characters, the 1904 marker, hidden sheets.
#include <gtest/gtest.h>
#include <minizip/unzip.h>
#include <unistd.h>

#include <filesystem>

#include "formats/roundtrip_sample.h"
#include "formats/writer.h"

namespace shuhui::formats {
namespace {

namespace fs = std::filesystem;

std::string part(const std::string& file, const char* name) {
    unzFile z = unzOpen64(file.c_str());
    EXPECT_NE(z, nullptr);
    if (!z) return {};
    std::string out;
    if (unzLocateFile(z, name, 1) == UNZ_OK && unzOpenCurrentFile(z) == UNZ_OK) {
        char buf[4096];
        int n;
        while ((n = unzReadCurrentFile(z, buf, sizeof buf)) > 0) out.append(buf, size_t(n));
        unzCloseCurrentFile(z);
    } else {
        ADD_FAILURE() << "no part " << name;
    }
    unzClose(z);
    return out;
}

class XlsxWriter : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("shuhui-xlsxwriter-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    fs::path dir_;
};

TEST_F(XlsxWriter, TextsAreStoredLiterally) {
    struct Case {
        std::string text, stored;
    };
    const Case cases[] = {
        {"_x0041_ literal", "_x005F_x0041_ literal"},        // would read back as "A literal"
        {"a_x00_b _xZZZZ_", "a_x00_b _xZZZZ_"},              // not an escape: as it is
        {"x_x000d__x000D_", "x_x005F_x000d__x005F_x000D_"},  // both cases, back to back
        {"a\x01"
         "b",
         "a_x0001_b"},  // control characters escaped
        {"<&>\"", "&lt;&amp;&gt;\""},
    };
    Workbook wb;
    wb.styles.resize(1);
    Sheet s;
    s.name = "S";
    for (uint32_t i = 0; i < std::size(cases); ++i)
        s.cells.push_back(testing::textCell(wb, i, 0, cases[i].text));
    wb.sheets.push_back(s);
    std::string file = (dir_ / "texts.xlsx").string();
    writeXlsx(wb, file);
    std::string xml = part(file, "xl/worksheets/sheet1.xml");
    for (const Case& c : cases)
        EXPECT_NE(xml.find("<t>" + c.stored + "</t>"), std::string::npos) << c.stored << "\n"
                                                                          << xml;
}

TEST_F(XlsxWriter, WorkbookPartCarriesDateSystemAndSheetStates) {
    Workbook wb = testing::sampleWorkbook(true);
    wb.sheets[0].state = SheetState::Hidden;  // the first visible sheet becomes the active one
    std::string file = (dir_ / "book.xlsx").string();
    writeXlsx(wb, file);
    std::string xml = part(file, "xl/workbook.xml");
    EXPECT_NE(xml.find("date1904=\"1\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("<sheet name=\"工资表\" sheetId=\"1\" state=\"hidden\""), std::string::npos)
        << xml;
    EXPECT_NE(xml.find("activeTab=\"1\""), std::string::npos) << xml;

    wb.date1904 = false;
    writeXlsx(wb, file);
    EXPECT_EQ(part(file, "xl/workbook.xml").find("date1904"), std::string::npos);
}

}  // namespace
}  // namespace shuhui::formats
