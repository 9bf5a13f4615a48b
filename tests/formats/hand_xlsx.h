// .xlsx packages written by hand for tests: a workbook of two sheets (the second very hidden) that
// both use the given worksheet part verbatim, optional shared strings and workbookPr, and
// `moreSheets` further sheets ("共用1", ...) on the same part.
//
//   auto bytes = shuhui::test::makeHandXlsx(path, "<worksheet>...</worksheet>");
#pragma once
#include <minizip/zip.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace shuhui::test {

inline std::vector<uint8_t> makeHandXlsx(const std::string& path, const std::string& sheetPart,
                                         const std::string& sst = "",
                                         const std::string& workbookPr = "", int moreSheets = 0) {
    zipFile z = zipOpen(path.c_str(), APPEND_STATUS_CREATE);
    auto add = [&](const char* name, const std::string& data) {
        zipOpenNewFileInZip(z, name, nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 6);
        zipWriteInFileInZip(z, data.data(), unsigned(data.size()));
        zipCloseFileInZip(z);
    };
    const std::string ns =
        "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    add("_rels/.rels",
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"" +
            rel + "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    std::string more;
    for (int i = 1; i <= moreSheets; ++i)
        more += "<sheet name=\"共用" + std::to_string(i) + "\" sheetId=\"" + std::to_string(i + 2) +
                "\" r:id=\"rId1\"/>";
    add("xl/workbook.xml", "<workbook " + ns + ">" + workbookPr +
                               "<sheets><sheet name=\"表一\" sheetId=\"1\" r:id=\"rId1\"/>"
                               "<sheet name=\"很隐藏\" sheetId=\"2\" state=\"veryHidden\" "
                               "r:id=\"rId1\"/>" +
                               more + "</sheets></workbook>");
    std::string rels =
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"" +
        rel + "worksheet\" Target=\"worksheets/s.xml\"/>";
    if (!sst.empty())
        rels += "<Relationship Id=\"rId2\" Type=\"" + rel +
                "sharedStrings\" Target=\"/xl/strings.xml\"/>";
    add("xl/_rels/workbook.xml.rels", rels + "</Relationships>");
    add("xl/worksheets/s.xml", sheetPart);
    if (!sst.empty()) add("xl/strings.xml", sst);
    zipClose(z, nullptr);
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

}  // namespace shuhui::test
