// The sheet-data scanner against the expat path: for a table of hand-written worksheet parts, the
// reader with the scanner and the reader with expat alone give the same model (or the same error),
// and the scanner is used where it should be and gives up where it should. Plus the scanner alone,
// fed every snippet cut in two at every byte, reports the same events as fed in one piece.
#include <gtest/gtest.h>
#include <unistd.h>

#include <sys/stat.h>
#include <bit>
#include <iterator>
#include <random>

#include "formats/error.h"
#include "formats/reader.h"
#include "formats/xlsx/sheet_scan.h"
#include "hand_xlsx.h"

using namespace shuhui::formats;

namespace {

std::string tempPath(const std::string& name) {
    std::string dir = ::testing::TempDir() + "shuhui_scan_" + std::to_string(::getpid());
    ::mkdir(dir.c_str(), 0755);
    return dir + "/" + name;
}

const std::string kNs = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";

const std::string kStrings = "<sst " + kNs + "><si><t>零</t></si><si><t>一</t></si></sst>";

std::string sheetPart(const std::string& inner) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<worksheet " + kNs +
           "><dimension ref=\"A1:C3\"/><sheetFormatPr defaultRowHeight=\"15\"/><cols><col "
           "min=\"1\" "
           "max=\"2\" width=\"12\" customWidth=\"1\"/></cols>" +
           inner + "<mergeCells count=\"1\"><mergeCell ref=\"A1:B1\"/></mergeCells></worksheet>";
}

// Everything the reader builds, as text: equal texts mean equal models.
std::string describe(const Workbook& wb) {
    std::string out;
    for (const auto& sh : wb.sheets) {
        out += "sheet " + sh.name + " complete=" + std::to_string(sh.complete) + "\n";
        if (sh.dimension)
            out += " dim " + std::to_string(sh.dimension->firstRow) + " " +
                   std::to_string(sh.dimension->lastRow) + "\n";
        out += " defaultColWidth " + std::to_string(sh.defaultColWidth) + "\n";
        for (const auto& c : sh.cells) {
            out += " cell " + std::to_string(c.row) + "," + std::to_string(c.col) + " t" +
                   std::to_string(int(c.type)) + " small" + std::to_string(c.small) + " s" +
                   std::to_string(c.style) + " n" +
                   std::to_string(std::bit_cast<uint64_t>(c.number));
            if (c.type == CellType::Text) out += " text[" + wb.text(c) + "]";
            out += "\n";
        }
        for (const auto& r : sh.rows)
            out += " row " + std::to_string(r.row) + " h" + std::to_string(r.height) + " hidden" +
                   std::to_string(r.hidden) + "\n";
        for (const auto& c : sh.cols)
            out += " col " + std::to_string(c.first) + "-" + std::to_string(c.last) + " w" +
                   std::to_string(c.width) + "\n";
        for (const auto& m : sh.merged)
            out += " merge " + std::to_string(m.firstRow) + "," + std::to_string(m.firstCol) + ":" +
                   std::to_string(m.lastRow) + "," + std::to_string(m.lastCol) + "\n";
    }
    out += "strings " + std::to_string(wb.strings.size()) + "\n";
    return out;
}

std::string readAs(const std::vector<uint8_t>& bytes, bool scan, const ReadOptions& opt) {
    detail::setSheetScanEnabled(scan);
    std::string out;
    try {
        out = describe(readWorkbookBytes(bytes, "hand.xlsx", opt));
    } catch (const shuhui::Error& e) {
        out = "error " + std::to_string(int(e.kind())) + " " + e.what();
    }
    detail::setSheetScanEnabled(true);
    return out;
}

enum class Way { Scanned, GaveUp, NotScanned };

struct Case {
    const char* name;
    std::string part;  // the whole worksheet part
    Way way;
};

std::vector<Case> cases() {
    auto in = [](const std::string& s) { return sheetPart(s); };
    return {
        {"plain numbers and shared strings",
         in("<sheetData><row r=\"1\" spans=\"1:3\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" "
            "s=\"1\"><v>1.5</v></c><c r=\"C1\"><v>-2E-3</v></c></row></sheetData>"),
         Way::Scanned},
        {"attributes in any order, either quote, spaces around =",
         in("<sheetData><row ht = '20' customHeight=\"1\" r='2'><c t='s' s = \"3\" r=\"B2\">"
            "<v>1</v></c><c\n s='2'\tr='D2'><v> 7 </v></c></row></sheetData>"),
         Way::Scanned},
        {"cells and rows without r",
         in("<sheetData><row><c><v>1</v></c><c><v>2</v></c><c r=\"E1\"><v>3</v></c><c><v>4</v></c>"
            "</row><row><c><v>5</v></c></row><row r=\"7\"><c><v>6</v></c></row></sheetData>"),
         Way::Scanned},
        {"entities and character references in texts",
         in("<sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>a&amp;b&lt;c&gt;d&quot;e"
            "&apos;f&#65;&#x4E2D;&#X41;</t></is></c></row></sheetData>"),
         Way::GaveUp},  // &#X is not a reference (expat refuses the part)
        {"good references",
         in("<sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>a&amp;b&lt;c&gt;d&quot;e"
            "&apos;f&#65;&#x4E2D;&#x1F600;&#9;&#13;</t></is></c></row></sheetData>"),
         Way::Scanned},
        {"rich runs, phonetic runs, xml:space",
         in("<sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\" s=\"4\"><is><r><rPr><b/><sz "
            "val=\"11\"/><color rgb=\"FFFF0000\"/><rFont val=\"宋体\"/></rPr><t xml:space="
            "\"preserve\">富 </t></r><r><t>文本</t></r><rPh sb=\"0\" eb=\"1\"><t>ふ</t></rPh>"
            "<phoneticPr fontId=\"1\"/></is></c></row></sheetData>"),
         Way::GaveUp},  // rFont value is not ASCII: expat's way
        {"rich runs, ASCII attributes",
         in("<sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\" s=\"4\"><is><r><rPr><b/><sz "
            "val=\"11\"/><color rgb=\"FFFF0000\"/></rPr><t xml:space=\"preserve\">富 </t></r><r>"
            "<t>文本</t></r><rPh sb=\"0\" eb=\"1\"><t>ふ</t></rPh></is></c></row></sheetData>"),
         Way::Scanned},
        {"formatted blanks, empty values, self-closing rows",
         in("<sheetData><row r=\"1\" ht=\"30\" customHeight=\"1\"/><row r=\"2\" hidden=\"1\"><c "
            "r=\"A2\" s=\"5\"/><c r=\"B2\"><v/></c><c r=\"C2\" t=\"s\"><v></v></c><c r=\"D2\" "
            "t=\"b\"/></row><row r=\"3\" hidden=\"true\" ht=\"12.5\"/></sheetData>"),
         Way::Scanned},
        {"booleans, errors, formulas with string results, dates",
         in("<sheetData><row r=\"1\"><c r=\"A1\" t=\"b\"><v>1</v></c><c r=\"B1\" t=\"b\"><v>0</v>"
            "</c><c r=\"C1\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c><c r=\"D1\" t=\"str\"><f "
            "t=\"shared\" ref=\"D1:D3\" si=\"0\">A1&amp;\"x\"</f><v>TRUEx</v></c><c r=\"E1\" "
            "t=\"d\"><v>2024-01-02T00:00:00</v></c><c r=\"F1\" t=\"n\"><f>1+1</f><v>2</v></c><c "
            "r=\"G1\" t=\"e\"><v>#N/A</v></c></row></sheetData>"),
         Way::Scanned},
        {"whitespace and CR LF between elements",
         in("<sheetData>\r\n  <row r=\"1\">\r\n    <c r=\"A1\" t=\"inlineStr\"><is><t>a\r\nb\rc"
            "</t></is></c>\r\n  </row>\r\n</sheetData>"),
         Way::Scanned},
        {"an unknown but plain element inside a cell",
         in("<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v><extLst><ext uri=\"x\"/></extLst></c>"
            "</row></sheetData>"),
         Way::Scanned},
        {"a cell value that is no number",
         in("<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c><c r=\"B1\"><v>12abc</v></c></row>"
            "</sheetData>"),
         Way::GaveUp},
        {"a shared-string index that is no number",
         in("<sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>x</v></c></row></sheetData>"),
         Way::GaveUp},
        {"too many columns without r",
         in("<sheetData><row r=\"1\"><c r=\"XFD1\"><v>1</v></c><c><v>2</v></c></row></sheetData>"),
         Way::GaveUp},
        {"namespace-prefixed elements",
         "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
         "<x:sheetData><x:row r=\"1\"><x:c r=\"A1\"><x:v>1</x:v></x:c></x:row></x:sheetData>"
         "</x:worksheet>",
         Way::NotScanned},
        {"prefixed cells inside an unprefixed sheetData",
         in("<sheetData xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
            "<x:row r=\"1\"><x:c r=\"A1\"><x:v>1</x:v></x:c></x:row></sheetData>"),
         Way::NotScanned},  // sheetData has attributes: expat reads it all
        {"prefixed cells",
         in("<sheetData><row r=\"1\"><x:c xmlns:x=\"urn:x\" r=\"A1\"><x:v>1</x:v></x:c></row>"
            "</sheetData>"),
         Way::GaveUp},
        {"CDATA in a value",
         in("<sheetData><row r=\"1\"><c r=\"A1\" t=\"str\"><v><![CDATA[a<b]]></v></c></row>"
            "</sheetData>"),
         Way::GaveUp},
        {"a comment and a processing instruction",
         in("<sheetData><!-- note --><row r=\"1\"><?pi x?><c r=\"A1\"><v>1</v></c></row>"
            "</sheetData>"),
         Way::GaveUp},
        {"sheetData named in a comment before the real one",
         in("<!-- <sheetData> --><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
            "</sheetData>"),
         Way::Scanned},
        {"a DOCTYPE that gives cells a default type",
         "<?xml version=\"1.0\"?><!DOCTYPE worksheet [<!ATTLIST c t CDATA \"b\">]><worksheet " +
             kNs +
             "><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row></sheetData></worksheet>",
         Way::NotScanned},
        {"an encoding other than UTF-8",
         "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><worksheet " + kNs +
             "><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>\xE9</t></is></c></row>"
             "</sheetData></worksheet>",
         Way::NotScanned},
        {"mismatched end tag",
         in("<sheetData><row r=\"1\"><c r=\"A1\"><v>1</c></v></row></sheetData>"), Way::GaveUp},
        {"duplicate attribute",
         in("<sheetData><row r=\"1\"><c r=\"A1\" r=\"B1\"><v>1</v></c>"
            "</row></sheetData>"),
         Way::GaveUp},
        {"unknown entity",
         in("<sheetData><row r=\"1\"><c r=\"A1\" t=\"str\"><v>&nbsp;</v></c>"
            "</row></sheetData>"),
         Way::GaveUp},
        {"character reference to NUL",
         in("<sheetData><row r=\"1\"><c r=\"A1\" t=\"str\"><v>&#0;</v></c></row></sheetData>"),
         Way::GaveUp},
        {"bad UTF-8",
         in("<sheetData><row r=\"1\"><c r=\"A1\" t=\"str\"><v>\xC0\xAF</v></c></row>"
            "</sheetData>"),
         Way::GaveUp},
        {"attributes without space between them",
         in("<sheetData><row r=\"1\"><c r=\"A1\"s=\"1\"><v>1</v></c></row></sheetData>"),
         Way::GaveUp},
        {"]]> in text",
         in("<sheetData><row r=\"1\"><c r=\"A1\" t=\"str\"><v>a]]>b</v></c></row>"
            "</sheetData>"),
         Way::GaveUp},
        {"the part ends inside sheetData",
         "<worksheet " + kNs + "><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c>", Way::GaveUp},
        {"a column element inside sheetData (the handler reads it anywhere)",
         in("<sheetData><col min=\"3\" max=\"3\" width=\"5\"/><row r=\"1\"><c r=\"A1\"><v>1</v>"
            "</c></row></sheetData>"),
         Way::Scanned},
        {"broken XML after sheetData",
         "<worksheet " + kNs +
             "><sheetData><row r=\"1\"><c r=\"A1\"><v>1</v></c></row>"
             "</sheetData><mergeCells><mergeCell ref=\"A1:B1\"></mergeCells></worksheet>",
         Way::GaveUp},
        {"an empty sheetData", in("<sheetData/>"), Way::NotScanned},
        {"a nested cell stopped early",
         in("<sheetData><row r=\"1\"><c r=\"A1\"><v>1</v><c r=\"A2\"/></c></row><row r=\"3\" "
            "hidden=\"1\"><c r=\"A3\"><v>3</v><c r=\"A4\"/></c></row></sheetData>"),
         Way::Scanned},
    };
}

TEST(SheetScan, SameModelAsExpat) {
    for (const auto& c : cases()) {
        auto bytes = shuhui::test::makeHandXlsx(tempPath("scan.xlsx"), c.part, kStrings);
        for (std::optional<uint32_t> maxRows :
             {std::optional<uint32_t>(), std::optional<uint32_t>(1), std::optional<uint32_t>(2)}) {
            ReadOptions opt;
            opt.maxRows = maxRows;
            auto before = detail::sheetScanCounts();
            std::string fast = readAs(bytes, true, opt);
            auto after = detail::sheetScanCounts();
            std::string slow = readAs(bytes, false, opt);
            EXPECT_EQ(fast, slow) << c.name << " maxRows=" << maxRows.value_or(0);
            if (maxRows) continue;  // a stop before sheetData's end may skip what gives up
            uint64_t scanned = after.scanned - before.scanned;
            uint64_t gaveUp = after.gaveUp - before.gaveUp;
            switch (c.way) {
                case Way::Scanned:
                    EXPECT_EQ(scanned, 2u) << c.name << "\n" << fast;  // both sheets use the part
                    EXPECT_EQ(gaveUp, 0u) << c.name;
                    EXPECT_EQ(fast.rfind("error", 0), std::string::npos) << c.name << fast;
                    break;
                case Way::GaveUp:
                    EXPECT_EQ(scanned, 0u) << c.name;
                    EXPECT_GE(gaveUp, 1u) << c.name << "\n" << fast;
                    break;
                case Way::NotScanned:
                    EXPECT_EQ(scanned + gaveUp, 0u) << c.name;
                    break;
            }
        }
    }
}

// A sheet of a few megabytes (inflated in chunks on the second thread) with texts, references and
// cells of every kind, so that chunk ends fall inside every kind of token.
TEST(SheetScan, LargeSheetAcrossChunks) {
    std::string inner = "<sheetData>";
    for (int r = 1; r <= 40000; ++r) {
        inner += "<row r=\"" + std::to_string(r) + "\"" + (r % 7 == 0 ? " hidden=\"1\"" : "") + ">";
        inner += "<c r=\"A" + std::to_string(r) + "\" s=\"" + std::to_string(r % 5) + "\"><v>" +
                 std::to_string(r * 1.25) + "</v></c>";
        inner += "<c t=\"inlineStr\"><is><t>名字&amp;" + std::to_string(r) + "</t></is></c>";
        inner += "<c t=\"b\"><v>" + std::to_string(r % 2) + "</v></c><c s=\"2\"/>";
        inner += "<c t=\"str\"><f>A1&amp;\"x\"</f><v>行 " + std::to_string(r) + "&#x41;</v></c>";
        inner += "</row>\n";
    }
    inner += "</sheetData>";
    auto bytes = shuhui::test::makeHandXlsx(tempPath("large.xlsx"), sheetPart(inner));
    for (std::optional<uint32_t> maxRows :
         {std::optional<uint32_t>(), std::optional<uint32_t>(30000)}) {
        ReadOptions opt;
        opt.maxRows = maxRows;
        auto before = detail::sheetScanCounts();
        std::string fast = readAs(bytes, true, opt);
        auto after = detail::sheetScanCounts();
        EXPECT_EQ(after.scanned - before.scanned, 2u);
        EXPECT_EQ(fast, readAs(bytes, false, opt));
    }
}

// The scanner alone: events written down as text.
struct Recorder {
    std::string log;
    uint32_t stopAt = 0, starts = 0;
    template <class X>
    void start(X* x, std::string_view name, const char** atts) {
        log += "<" + std::string(name);
        for (size_t i = 0; atts[i]; i += 2) log += " " + std::string(atts[i]) + "=" + atts[i + 1];
        log += ">";
        if (++starts == stopAt) x->stop();
    }
    template <class X>
    void end(X*, std::string_view name) {
        log += "</" + std::string(name) + ">";
    }
    void text(const char* s, size_t n) { log += "[" + std::string(s, n) + "]"; }
};

using Scanner = detail::SheetDataScanner<Recorder>;

// Feeds `data` in the given pieces; the log, the result and the rest handed back.
std::string scanInPieces(const std::string& data, const std::vector<size_t>& cuts,
                         uint32_t stopAt = 0) {
    Recorder rec;
    rec.stopAt = stopAt;
    Scanner sc(rec);
    size_t from = 0;
    std::string out;
    for (size_t i = 0; i <= cuts.size(); ++i) {
        size_t to = i < cuts.size() ? cuts[i] : data.size();
        bool last = i == cuts.size();
        auto r = sc.feed(data.data() + from, to - from, last);
        from = to;
        if (r == Scanner::Result::More) continue;
        out = rec.log + " result " + std::to_string(int(r));
        if (r == Scanner::Result::Done)  // the rest of the chunk, then the chunks not fed
            out += " rest " + std::string(sc.rest()) + data.substr(to);
        return out;
    }
    return rec.log + " unfinished";
}

TEST(SheetScan, EveryCutGivesTheSameEvents) {
    const std::string snippets[] = {
        "<row r=\"1\" ht = '2'><c r=\"A1\" t=\"s\"><v>12</v></c><c s=\"1\"/></row></sheetData>"
        "<mergeCells/></worksheet>",
        "<row><c t=\"inlineStr\"><is><r><rPr><b/></rPr><t xml:space=\"preserve\"> a&amp;&#x4E2D;"
        "中\r\n</t></r></is></c></row>\n</sheetData >",
        "<row><c><v>1</v></c><!-- x --></row></sheetData>",
        "<row><c><v>1</v></c></row><row/></sheetData>",
        "<row><c><v>1</v></c></row></sheet>",
    };
    for (const auto& s : snippets) {
        std::string whole = scanInPieces(s, {});
        for (size_t cut = 0; cut <= s.size(); ++cut)
            EXPECT_EQ(scanInPieces(s, {cut}), whole) << s << " cut at " << cut;
        for (size_t cut = 0; cut + 3 <= s.size(); ++cut)
            EXPECT_EQ(scanInPieces(s, {cut, cut + 1, cut + 3}), whole) << s << " cut at " << cut;
    }
    // the end of an empty element is reported when its start stops the scan
    EXPECT_EQ(scanInPieces("<row><c/><c/></row></sheetData>", {}, 2), "<row><c></c> result 2");
}

}  // namespace

namespace {

// Sheet data with bytes replaced, inserted and removed (a fixed seed, the same cases every run):
// whatever the scanner takes or gives up on, the model or the error is the expat path's.
TEST(SheetScan, MutatedSheetsSameAsExpat) {
    const std::string base =
        "<sheetData><row r=\"1\" ht=\"20\" customHeight=\"1\"><c r=\"A1\" t=\"s\" s=\"1\"><v>1</v>"
        "</c><c t=\"inlineStr\"><is><r><rPr><b/></rPr><t xml:space=\"preserve\">a&amp;b&#x41;"
        "中</t></r></is></c><c t=\"b\"><v>1</v></c><c r=\"E1\" s=\"2\"/></row><row hidden=\"1\">"
        "<c t=\"str\"><f>A1&amp;\"x\"</f><v>t</v></c><c t=\"e\"><v>#N/A</v></c><c><v>2.5</v></c>"
        "</row></sheetData>";
    const char* pieces[] = {"<",  ">",  "/",        "&",         ";",   "\"",   "'",  "=",
                            " ",  ":",  "\r",       "]]>",       "&#x", "&lt;", "x:", "<v>",
                            "</", "/>", "\xE4\xB8", "<![CDATA[", "<c>", "r=\"", "1",  "#"};
    std::mt19937 rng(20261211);
    int scanned = 0;
    for (int i = 0; i < 400; ++i) {
        std::string s = base;
        int edits = 1 + int(rng() % 3);
        for (int k = 0; k < edits; ++k) {
            size_t at = rng() % s.size();
            switch (rng() % 3) {
                case 0:
                    s.insert(at, pieces[rng() % std::size(pieces)]);
                    break;
                case 1:
                    s.erase(at, 1 + rng() % 4);
                    break;
                default:
                    s[at] = pieces[rng() % std::size(pieces)][0];
                    break;
            }
        }
        auto bytes = shuhui::test::makeHandXlsx(tempPath("mutated.xlsx"), sheetPart(s), kStrings);
        for (std::optional<uint32_t> maxRows :
             {std::optional<uint32_t>(), std::optional<uint32_t>(1)}) {
            ReadOptions opt;
            opt.maxRows = maxRows;
            auto before = detail::sheetScanCounts();
            std::string fast = readAs(bytes, true, opt);
            scanned += int(detail::sheetScanCounts().scanned - before.scanned);
            ASSERT_EQ(fast, readAs(bytes, false, opt)) << i << ": " << s;
        }
    }
    EXPECT_GT(scanned, 100);  // most of them still go through the scanner
}

}  // namespace
