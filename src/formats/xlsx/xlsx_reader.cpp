// The .xlsx/.xlsm reader: a zip archive (minizip over the bytes in memory) of XML parts, each
// inflated in chunks straight into an expat parser; no part is held whole and no DOM is built.
// Its layers: the zip container with its inflate thread (zip_container.h), the expat wrapper
// (xml_part.h), styles and theme (styles.h), one worksheet part with the sheet-data scanner
// (sheet_part.h, sheet_scan.h); this file holds the package's relationships, workbook.xml,
// sharedStrings.xml and the order in which the parts are read.
//
// Order: _rels/.rels → workbook part and its rels (sheet names, states, targets, 1904 flag) →
// the sheets' cells (shared-string indices kept as they are) → sharedStrings, parsed only up to
// the largest index the loaded cells use → styles.xml (numFmts, fonts, fills, borders, cellXfs)
// and the theme's colours. A sheet stops after ReadOptions::maxRows rows by stopping expat and
// inflating no further.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <string_view>

#include "formats/numfmt.h"
#include "formats/read_errors.h"
#include "formats/read_limits.h"
#include "formats/xlsx/sheet_part.h"
#include "formats/xlsx/styles.h"
#include "formats/xlsx/xml_part.h"
#include "formats/xlsx/zip_container.h"

namespace shuhui::formats::detail {
namespace xlsx {
namespace {

// ---------------------------------------------------------------------------------------------
// Relationships.

struct Rel {
    std::string target, type;
};

struct RelsHandler {
    std::map<std::string, Rel> rels;
    template <class X>
    void start(X*, std::string_view name, const char** atts) {
        if (name != "Relationship") return;
        const char* id = attr(atts, "Id");
        const char* target = attr(atts, "Target");
        const char* type = attr(atts, "Type");
        if (id && target) rels[id] = Rel{target, type ? type : ""};
    }
    template <class X>
    void end(X*, std::string_view) {}
    void text(const char*, size_t) {}
};

bool typeIs(const std::string& type, std::string_view tail) {
    return type.size() >= tail.size() &&
           std::string_view(type).substr(type.size() - tail.size()) == tail;
}

// "worksheets/sheet1.xml" relative to "xl/" → "xl/worksheets/sheet1.xml"
std::string resolve(const std::string& baseDir, const std::string& target) {
    std::string path = target.size() && target[0] == '/' ? target.substr(1) : baseDir + target;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        std::string part = path.substr(start, slash - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    std::string out;
    for (auto& p : parts) {
        if (!out.empty()) out += '/';
        out += p;
    }
    return out;
}

std::string relsPathOf(const std::string& part) {
    size_t slash = part.rfind('/');
    std::string dir = slash == std::string::npos ? "" : part.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? part : part.substr(slash + 1);
    return dir + "_rels/" + base + ".rels";
}

// ---------------------------------------------------------------------------------------------
// workbook.xml

struct WorkbookHandler {
    struct Entry {
        std::string name, rid;
        SheetState state = SheetState::Visible;
    };
    std::vector<Entry> sheets;
    bool date1904 = false;
    template <class X>
    void start(X*, std::string_view name, const char** atts) {
        if (name == "sheet") {
            Entry e;
            if (const char* n = attr(atts, "name")) e.name = n;
            if (const char* st = attr(atts, "state")) {
                if (std::strcmp(st, "hidden") == 0) e.state = SheetState::Hidden;
                if (std::strcmp(st, "veryHidden") == 0) e.state = SheetState::VeryHidden;
            }
            if (const char* r = relId(atts)) e.rid = r;
            sheets.push_back(std::move(e));
        } else if (name == "workbookPr") {
            date1904 = truthy(attr(atts, "date1904"));
        }
    }
    template <class X>
    void end(X*, std::string_view) {}
    void text(const char*, size_t) {}
};

// ---------------------------------------------------------------------------------------------
// sharedStrings.xml: <si> with a <t>, or rich-text runs <r><t>; phonetic runs <rPh> are skipped.

struct SharedStringsHandler {
    SharedStringsHandler(std::vector<std::string>& o, size_t l, const std::string& f)
        : out(o), limit(l), file(f) {}
    std::vector<std::string>& out;
    size_t limit;  // stop after this many strings
    const std::string& file;
    bool inSi = false, inT = false;
    int inRph = 0;
    std::string cur;

    template <class X>
    void start(X* x, std::string_view name, const char**) {
        if (name == "si") {
            if (out.size() >= limit) {
                x->stop();
                return;
            }
            inSi = true;
            cur.clear();
        } else if (name == "t") {
            inT = inSi && inRph == 0;
        } else if (name == "rPh") {
            ++inRph;
        } else if (name == "sst") {
            // no count-based reservation: the count attribute is not trusted
        }
    }
    template <class X>
    void end(X*, std::string_view name) {
        if (name == "si") {
            out.push_back(std::move(cur));
            cur = std::string();
            inSi = false;
        } else if (name == "t") {
            inT = false;
        } else if (name == "rPh") {
            --inRph;
        }
    }
    void text(const char* s, size_t n) {
        if (!inT) return;
        if (cur.size() + n > kMaxTextBytes)
            fail(ErrorKind::TooLarge, file,
                 "共享字符串 #" + std::to_string(out.size()) + " 超过 " +
                     groupedNumber(kMaxTextBytes) +
                     " 字节（一个单元格最多 32,767 个字符），不是正常的工作簿");
        cur.append(s, n);
    }
};

class XlsxReader {
  public:
    // Several sheets may name one worksheet part, and each is then read from it again. What that
    // inflates in all is bounded by twice what reading each part once inflates, plus 16 MiB (so
    // that a few sheets over one small part stay readable); checked before anything is read.
    void checkSharedParts(const std::vector<std::string>& targets) {
        std::map<std::string, std::pair<uint64_t, size_t>> parts;  // size, sheets using it
        uint64_t once = 0, total = 0;
        for (size_t i = 0; i < wb_.sheets.size(); ++i) {
            const Sheet& sh = wb_.sheets[i];
            if (sh.kind != SheetKind::Worksheet || targets[i].empty()) continue;
            if (opt_.sheet && sh.name != *opt_.sheet) continue;
            auto [it, added] = parts.try_emplace(targets[i], 0, 0);
            if (added) {
                it->second.first = zip_.uncompressedSize(targets[i]);
                once += it->second.first;
            }
            ++it->second.second;
            total += it->second.first;
        }
        const uint64_t limit = 2 * once + (uint64_t(16) << 20);
        if (total <= limit) return;
        auto most = std::max_element(parts.begin(), parts.end(), [](const auto& a, const auto& b) {
            return a.second.first * a.second.second < b.second.first * b.second.second;
        });
        std::string first;
        for (size_t i = 0; i < wb_.sheets.size() && first.empty(); ++i)
            if (targets[i] == most->first) first = wb_.sheets[i].name;
        fail(ErrorKind::TooLarge, file_,
             "工作簿太大（工作表“" + first + "”等 " + groupedNumber(most->second.second) +
                 " 张工作表共用 " + most->first + "，读出全部工作表要解压 " + groupedNumber(total) +
                 " 字节，超过了上限 " + groupedNumber(limit) +
                 " 字节，即每个部分各解压一次所需的两倍加 16 MiB）");
    }

    XlsxReader(std::span<const uint8_t> bytes, const std::string& file, const ReadOptions& opt)
        : zip_(bytes, file), file_(file), opt_(opt) {}

    Workbook run() {
        // the workbook part
        std::string wbPart = "xl/workbook.xml";
        {
            RelsHandler root;
            if (parsePart(zip_, "_rels/.rels", root, file_))
                for (auto& [id, rel] : root.rels)
                    if (typeIs(rel.type, "/officeDocument")) wbPart = resolve("", rel.target);
        }
        WorkbookHandler wbh;
        if (!parsePart(zip_, wbPart, wbh, file_)) {
            if (zip_.has("word/document.xml") || zip_.has("ppt/presentation.xml"))
                fail(ErrorKind::NotWorkbook, file_,
                     "不是 Excel 工作簿（这是 Word 或 PowerPoint 文档）");
            fail(ErrorKind::NotWorkbook, file_,
                 "不是 Excel 工作簿（zip 压缩包中没有 " + wbPart + "）");
        }
        wb_.format = FileFormat::Xlsx;
        wb_.date1904 = wbh.date1904;
        size_t slash = wbPart.rfind('/');
        std::string baseDir = slash == std::string::npos ? "" : wbPart.substr(0, slash + 1);
        RelsHandler rels;
        parsePart(zip_, relsPathOf(wbPart), rels, file_);

        std::vector<std::string> targets;
        bool found = !opt_.sheet;
        for (auto& e : wbh.sheets) {
            Sheet sh;
            sh.name = e.name;
            sh.state = e.state;
            sh.loaded = false;
            std::string target;
            auto it = rels.rels.find(e.rid);
            if (it != rels.rels.end()) {
                const std::string& type = it->second.type;
                if (typeIs(type, "/worksheet"))
                    sh.kind = SheetKind::Worksheet;
                else if (typeIs(type, "/chartsheet"))
                    sh.kind = SheetKind::Chart;
                else if (typeIs(type, "/macrosheet") || typeIs(type, "/xlMacrosheet"))
                    sh.kind = SheetKind::Macro;
                else
                    sh.kind = SheetKind::Other;
                target = resolve(baseDir, it->second.target);
            }
            if (opt_.sheet && sh.name == *opt_.sheet) found = true;
            wb_.sheets.push_back(std::move(sh));
            targets.push_back(target);
        }
        if (!found && opt_.missingSheetIsError) noSuchSheet(file_, *opt_.sheet);
        if (!opt_.cells || !found) return std::move(wb_);  // the sheet list only

        checkSharedParts(targets);

        // cells
        std::vector<std::string> inlineStrings;
        uint64_t maxShared = 0;
        for (size_t i = 0; i < wb_.sheets.size(); ++i) {
            Sheet& sh = wb_.sheets[i];
            if (sh.kind != SheetKind::Worksheet || (opt_.sheet && sh.name != *opt_.sheet)) continue;
            if (targets[i].empty())
                fail(ErrorKind::Corrupt, file_,
                     "文件已损坏（找不到工作表“" + sh.name + "”的数据部分）");
            // the dimension is only a claim: reserve no more cells than the compressed part could
            // plausibly hold (a cell takes well over 2 compressed bytes in real sheets)
            const size_t reserveCap = size_t(
                std::min<uint64_t>(zip_.compressedSize(targets[i]) / 2 + 1024, uint64_t(1) << 24));
            const SheetPartRead read = readSheetPart(zip_, targets[i], sh, inlineStrings, file_,
                                                     opt_, reserveCap, wb_.date1904);
            if (!read.found)
                fail(ErrorKind::Corrupt, file_,
                     "文件已损坏（压缩包中缺少工作表“" + sh.name + "”的 " + targets[i] + "）");
            sh.loaded = true;
            sh.complete = !read.stopped;
            maxShared = std::max(maxShared, read.maxShared);
            sh.normalizeCells();
        }

        // shared strings: only as many as the cells refer to
        std::string sstPart, stylesPart, themePart;
        for (auto& [id, rel] : rels.rels) {
            if (typeIs(rel.type, "/sharedStrings"))
                sstPart = resolve(baseDir, rel.target);
            else if (typeIs(rel.type, "/styles"))
                stylesPart = resolve(baseDir, rel.target);
            else if (typeIs(rel.type, "/theme"))
                themePart = resolve(baseDir, rel.target);
        }
        if (maxShared > 0) {
            if (sstPart.empty()) sstPart = baseDir + "sharedStrings.xml";
            SharedStringsHandler sh(wb_.strings, size_t(maxShared), file_);
            parsePart(zip_, sstPart, sh, file_, opt_.maxRows.has_value());
            if (wb_.strings.size() < maxShared)
                fail(ErrorKind::Corrupt, file_,
                     "文件已损坏（单元格引用了不存在的共享字符串 #" +
                         std::to_string(maxShared - 1) + "）");
        }
        const uint32_t shared = uint32_t(wb_.strings.size());
        if (!inlineStrings.empty()) {
            wb_.strings.reserve(wb_.strings.size() + inlineStrings.size());
            for (auto& s : inlineStrings) wb_.strings.push_back(std::move(s));
            for (Sheet& sh : wb_.sheets)
                for (Cell& c : sh.cells)
                    if (c.type == CellType::Text && c.small == kInline) {
                        c.text += shared;
                        c.small = 0;
                    }
        }

        // styles
        if (stylesPart.empty()) stylesPart = baseDir + "styles.xml";
        wb_.styles = readStyles(zip_, stylesPart, themePart, opt_.styles, file_);
        giveIsoDatesDateStyles();
        return std::move(wb_);
    }

  private:
    // A t="d" cell shows a date whatever its style says: a style without a date format is copied
    // once with "yyyy-mm-dd" (or "yyyy-mm-dd hh:mm:ss" for a time of day) in its place.
    void giveIsoDatesDateStyles() {
        std::map<std::pair<uint32_t, bool>, uint32_t> copies;
        for (Sheet& sh : wb_.sheets)
            for (Cell& c : sh.cells) {
                if (c.type != CellType::Number || c.small != kIsoDate) continue;
                c.small = 0;
                if (isDateFormat(wb_.style(c).numFmt)) continue;
                const bool withTime = c.number != std::floor(c.number);
                const uint32_t from = c.style < wb_.styles.size() ? c.style : 0;
                auto [it, added] = copies.try_emplace({from, withTime}, 0);
                if (added) {
                    CellStyle st = wb_.styles[from];
                    st.numFmt = withTime ? "yyyy-mm-dd hh:mm:ss" : "yyyy-mm-dd";
                    it->second = uint32_t(wb_.styles.size());
                    wb_.styles.push_back(std::move(st));
                }
                c.style = it->second;
            }
    }

    Zip zip_;
    const std::string& file_;
    const ReadOptions& opt_;
    Workbook wb_;
};

}  // namespace
}  // namespace xlsx

Workbook readXlsx(std::span<const uint8_t> bytes, const std::string& file,
                  const ReadOptions& options) {
    xlsx::XlsxReader reader(bytes, file, options);
    return reader.run();
}

}  // namespace shuhui::formats::detail
