// The .xlsx/.xlsm reader: a zip archive (minizip over the bytes in memory) of XML parts, each
// inflated in chunks straight into an expat parser; no part is held whole and no DOM is built.
//
// Order: _rels/.rels → workbook part and its rels (sheet names, states, targets, 1904 flag) →
// the sheets' cells (shared-string indices kept as they are) → sharedStrings, parsed only up to
// the largest index the loaded cells use → styles.xml (numFmts, fonts, fills, borders, cellXfs)
// and the theme's colours. A sheet stops after ReadOptions::maxRows rows by stopping expat and
// inflating no further.
#include <expat.h>
#include <minizip/unzip.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <map>
#include <mutex>
#include <string_view>
#include <thread>

#include "formats/biff_records.h"
#include "formats/numfmt.h"
#include "formats/read_errors.h"
#include "formats/xlsx/sheet_scan.h"

namespace shuhui::formats::detail {
namespace {

constexpr uint32_t kMaxRows = 1048576;
constexpr uint32_t kMaxCols = 16384;

// ---------------------------------------------------------------------------------------------
// Zip over memory.

struct MemFile {
    std::span<const uint8_t> data;
    uint64_t pos = 0;
};

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

class Zip {
  public:
    Zip(std::span<const uint8_t> bytes, const std::string& file) : file_(file) {
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
        if (!zf_) {
            if (!hasEndOfCentralDirectory(bytes))
                fail(ErrorKind::Truncated, file,
                     "文件不完整（找不到 zip 压缩包的目录，文件可能被截断）");
            fail(ErrorKind::Corrupt, file, "文件已损坏（zip 压缩包的目录无法解析）");
        }
    }
    ~Zip() {
        if (zf_) unzClose(zf_);
    }
    Zip(const Zip&) = delete;
    Zip& operator=(const Zip&) = delete;

    bool has(const std::string& name) { return unzLocateFile(zf_, name.c_str(), 2) == UNZ_OK; }

    // 0 when the member does not exist
    uint64_t compressedSize(const std::string& name) {
        unz_file_info64 info{};
        if (unzLocateFile(zf_, name.c_str(), 2) != UNZ_OK) return 0;
        if (unzGetCurrentFileInfo64(zf_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            return 0;
        return info.compressed_size;
    }

    // Inflates `name` in chunks into `sink(data, size, last)`; sink returns false to stop early.
    // Returns false when the member does not exist. A large member is inflated by a second thread
    // while the caller's thread parses (a small ring of buffers between them).
    template <class Sink>
    bool read(const std::string& name, Sink&& sink, bool mayStopEarly = false) {
        if (unzLocateFile(zf_, name.c_str(), 2) != UNZ_OK) return false;
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zf_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK)
            fail(ErrorKind::Corrupt, file_, "文件已损坏（无法读取压缩包中 " + name + " 的信息）");
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

  private:
    static constexpr uint64_t kPipelineFrom = 4u << 20;

    [[noreturn]] void inflateFailed(const std::string& name) {
        fail(ErrorKind::Corrupt, file_, "文件已损坏（解压 " + name + " 失败，文件可能被截断）");
    }

    // true when the sink stopped early
    template <class Sink>
    bool readDirect(const std::string& name, Sink& sink, bool small) {
        std::vector<char> buf(small ? 32 * 1024 : 256 * 1024);
        while (true) {
            int n = unzReadCurrentFile(zf_, buf.data(), unsigned(buf.size()));
            if (n < 0) inflateFailed(name);
            if (!sink(buf.data(), size_t(n), n == 0)) return true;
            if (n == 0) return false;
        }
    }

    template <class Sink>
    bool readPipelined(const std::string& name, Sink& sink) {
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

    const std::string& file_;
    MemFile mem_;
    unzFile zf_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Expat plumbing.

// The name after a namespace prefix ("x:c" → "c"), in one pass without library calls: this runs for
// every element of a sheet.
std::string_view localName(const char* name) {
    const char* start = name;
    const char* p = name;
    for (; *p; ++p)
        if (*p == ':') start = p + 1;
    return std::string_view(start, size_t(p - start));
}

const char* attr(const char** atts, std::string_view want) {
    for (size_t i = 0; atts[i]; i += 2)
        if (localName(atts[i]) == want) return atts[i + 1];
    return nullptr;
}

// attribute whose prefixed name ends in ":id" (r:id, whatever the prefix)
const char* relId(const char** atts) {
    for (size_t i = 0; atts[i]; i += 2) {
        std::string_view n(atts[i]);
        if (n.size() > 3 && n.substr(n.size() - 3) == ":id") return atts[i + 1];
    }
    return nullptr;
}

bool truthy(const char* v) {
    return v && (std::strcmp(v, "1") == 0 || std::strcmp(v, "true") == 0);
}

template <class T>
bool parseNumber(std::string_view s, T& out) {
    while (!s.empty() &&
           (s.front() == ' ' || s.front() == '\t' || s.front() == '\n' || s.front() == '\r'))
        s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\n' || s.back() == '\r'))
        s.remove_suffix(1);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

double toDouble(const char* v, double fallback) {
    double d;
    if (v && parseNumber(std::string_view(v), d)) return d;
    return fallback;
}

// "B3" → row 2, col 1; false when it is not a cell reference
bool parseRef(std::string_view s, uint32_t& row, uint32_t& col) {
    size_t i = 0;
    uint64_t c = 0, r = 0;
    if (i < s.size() && s[i] == '$') ++i;
    size_t letters = 0;
    while (i < s.size() && ((s[i] >= 'A' && s[i] <= 'Z') || (s[i] >= 'a' && s[i] <= 'z'))) {
        c = c * 26 + uint64_t((s[i] | 0x20) - 'a' + 1);
        if (++letters > 3) return false;
        ++i;
    }
    if (i < s.size() && s[i] == '$') ++i;
    size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
        r = r * 10 + uint64_t(s[i] - '0');
        if (++digits > 7) return false;
        ++i;
    }
    if (i != s.size() || letters == 0 || digits == 0 || r == 0 || c == 0) return false;
    if (r > kMaxRows || c > kMaxCols) return false;
    row = uint32_t(r - 1);
    col = uint32_t(c - 1);
    return true;
}

bool parseRangeRef(std::string_view s, Range& out) {
    size_t colon = s.find(':');
    uint32_t r1, c1, r2, c2;
    if (colon == std::string_view::npos) {
        if (!parseRef(s, r1, c1)) return false;
        out = Range{r1, c1, r1, c1};
        return true;
    }
    if (!parseRef(s.substr(0, colon), r1, c1) || !parseRef(s.substr(colon + 1), r2, c2))
        return false;
    out = Range{std::min(r1, r2), std::min(c1, c2), std::max(r1, r2), std::max(c1, c2)};
    return true;
}

// Drives one part through expat. Handler has start(name, atts), end(name), text(s, len) and may
// set `stop` to end the parse early.
template <class Handler>
class XmlPart {
  public:
    XmlPart(Handler& h, const std::string& file, const std::string& part)
        : h_(h), file_(file), part_(part) {
        p_ = XML_ParserCreate(nullptr);
        if (!p_) fail(ErrorKind::Internal, file, "无法创建 XML 解析器");
        XML_SetUserData(p_, this);
        XML_SetElementHandler(p_, &XmlPart::onStart, &XmlPart::onEnd);
        XML_SetCharacterDataHandler(p_, &XmlPart::onText);
        XML_SetStartDoctypeDeclHandler(p_, &XmlPart::onDoctype);
    }
    ~XmlPart() { XML_ParserFree(p_); }

    // false: the handler stopped the parse
    bool feed(const char* data, size_t n, bool last) {
        if (XML_Parse(p_, data, int(n), last) == XML_STATUS_ERROR) {
            if (error_) std::rethrow_exception(error_);
            if (XML_GetErrorCode(p_) == XML_ERROR_ABORTED) return false;
            fail(ErrorKind::Corrupt, file_,
                 "文件已损坏（" + part_ + " 不是有效的 XML，第 " +
                     std::to_string(XML_GetCurrentLineNumber(p_)) + " 行：" +
                     XML_ErrorString(XML_GetErrorCode(p_)) + "）");
        }
        return true;
    }
    void stop() { XML_StopParser(p_, XML_FALSE); }
    // offset in the bytes fed so far of the event being reported (inside a handler)
    int64_t byteIndex() const { return int64_t(XML_GetCurrentByteIndex(p_)); }
    bool sawDoctype() const { return sawDoctype_; }

  private:
    // Exceptions never cross expat's C frames: a handler's error is kept, the parse is stopped,
    // and feed() rethrows it once XML_Parse has returned.
    template <class F>
    static void guarded(void* self, F&& f) {
        auto* x = static_cast<XmlPart*>(self);
        if (x->error_) return;
        try {
            f(x);
        } catch (...) {
            x->error_ = std::current_exception();
            XML_StopParser(x->p_, XML_FALSE);
        }
    }
    static void XMLCALL onStart(void* self, const char* name, const char** atts) {
        guarded(self, [&](XmlPart* x) { x->h_.start(x, localName(name), atts); });
    }
    static void XMLCALL onEnd(void* self, const char* name) {
        guarded(self, [&](XmlPart* x) { x->h_.end(x, localName(name)); });
    }
    static void XMLCALL onText(void* self, const char* s, int len) {
        guarded(self, [&](XmlPart* x) { x->h_.text(s, size_t(len)); });
    }
    static void XMLCALL onDoctype(void* self, const char*, const char*, const char*, int) {
        static_cast<XmlPart*>(self)->sawDoctype_ = true;
    }

    Handler& h_;
    const std::string& file_;
    std::string part_;
    XML_Parser p_;
    std::exception_ptr error_;
    bool sawDoctype_ = false;
};

// Parse a whole part; returns false when it does not exist.
template <class Handler>
bool parsePart(Zip& zip, const std::string& name, Handler& h, const std::string& file,
               bool mayStopEarly = false) {
    XmlPart<Handler> xml(h, file, name);
    return zip.read(
        name, [&](const char* d, size_t n, bool last) { return xml.feed(d, n, last); },
        mayStopEarly);
}

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
    SharedStringsHandler(std::vector<std::string>& o, size_t l) : out(o), limit(l) {}
    std::vector<std::string>& out;
    size_t limit;  // stop after this many strings
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
        if (inT) cur.append(s, n);
    }
};

// ---------------------------------------------------------------------------------------------
// Colours: indexed palette, theme, ARGB.

// Indexed colours 0-7 repeat the first eight palette entries; 8-63 are the default palette.
constexpr std::array<uint32_t, 64> kIndexed = [] {
    std::array<uint32_t, 64> a{};
    for (size_t i = 0; i < 8; ++i) a[i] = biff::kDefaultPalette[i];
    for (size_t i = 0; i < 56; ++i) a[8 + i] = biff::kDefaultPalette[i];
    return a;
}();

// Theme colour slots as cells refer to them: lt1, dk1, lt2, dk2, accent1..6, hlink, folHlink
// (the Office theme's values until the workbook's theme is read).
using Theme = std::array<uint32_t, 12>;
constexpr Theme kOfficeTheme = {0xFFFFFF, 0x000000, 0xE7E6E6, 0x44546A, 0x4472C4, 0xED7D31,
                                0xA5A5A5, 0xFFC000, 0x5B9BD5, 0x70AD47, 0x0563C1, 0x954F72};

struct ThemeHandler {
    Theme theme = kOfficeTheme;
    int depth = 0;  // inside clrScheme
    int slot = -1;
    // file order: dk1, lt1, dk2, lt2, accent1..6, hlink, folHlink → slots 1, 0, 3, 2, 4..11
    static int slotOf(std::string_view n) {
        static const std::pair<std::string_view, int> kSlots[] = {
            {"dk1", 1},     {"lt1", 0},     {"dk2", 3},     {"lt2", 2},
            {"accent1", 4}, {"accent2", 5}, {"accent3", 6}, {"accent4", 7},
            {"accent5", 8}, {"accent6", 9}, {"hlink", 10},  {"folHlink", 11},
        };
        for (auto& [k, v] : kSlots)
            if (k == n) return v;
        return -1;
    }
    template <class X>
    void start(X*, std::string_view name, const char** atts) {
        if (name == "clrScheme") {
            depth = 1;
            return;
        }
        if (!depth) return;
        int s = slotOf(name);
        if (s >= 0) {
            slot = s;
            return;
        }
        if (slot < 0) return;
        const char* v = nullptr;
        if (name == "srgbClr") v = attr(atts, "val");
        if (name == "sysClr") v = attr(atts, "lastClr");
        if (v && std::strlen(v) == 6) {
            uint32_t c;
            if (std::from_chars(v, v + 6, c, 16).ec == std::errc()) theme[size_t(slot)] = c;
        }
    }
    template <class X>
    void end(X*, std::string_view name) {
        if (name == "clrScheme") depth = 0;
        if (slotOf(name) >= 0) slot = -1;
    }
    void text(const char*, size_t) {}
};

uint32_t colorOf(const char** atts, const Theme& theme) {
    if (const char* rgb = attr(atts, "rgb")) {
        size_t n = std::strlen(rgb);
        uint32_t c;
        if (n >= 6 && std::from_chars(rgb + n - 6, rgb + n, c, 16).ec == std::errc()) return c;
    }
    if (const char* t = attr(atts, "theme")) {
        unsigned i;
        if (std::from_chars(t, t + std::strlen(t), i).ec == std::errc() && i < theme.size())
            return theme[i];
    }
    if (const char* ix = attr(atts, "indexed")) {
        unsigned i;
        if (std::from_chars(ix, ix + std::strlen(ix), i).ec == std::errc() && i < kIndexed.size())
            return kIndexed[i];
    }
    return kNoColor;
}

// ---------------------------------------------------------------------------------------------
// styles.xml

BorderStyle borderStyle(std::string_view s) {
    static const std::pair<std::string_view, BorderStyle> kStyles[] = {
        {"thin", BorderStyle::Thin},
        {"medium", BorderStyle::Medium},
        {"dashed", BorderStyle::Dashed},
        {"dotted", BorderStyle::Dotted},
        {"thick", BorderStyle::Thick},
        {"double", BorderStyle::Double},
        {"hair", BorderStyle::Hair},
        {"mediumDashed", BorderStyle::MediumDashed},
        {"dashDot", BorderStyle::DashDot},
        {"mediumDashDot", BorderStyle::MediumDashDot},
        {"dashDotDot", BorderStyle::DashDotDot},
        {"mediumDashDotDot", BorderStyle::MediumDashDotDot},
        {"slantDashDot", BorderStyle::SlantDashDot},
    };
    for (auto& [k, v] : kStyles)
        if (k == s) return v;
    return BorderStyle::None;
}

HAlign hAlign(std::string_view s) {
    if (s == "left") return HAlign::Left;
    if (s == "center") return HAlign::Center;
    if (s == "right") return HAlign::Right;
    if (s == "fill") return HAlign::Fill;
    if (s == "justify") return HAlign::Justify;
    if (s == "centerContinuous") return HAlign::CenterAcross;
    if (s == "distributed") return HAlign::Distributed;
    return HAlign::General;
}

VAlign vAlign(std::string_view s) {
    if (s == "top") return VAlign::Top;
    if (s == "center") return VAlign::Center;
    if (s == "justify") return VAlign::Justify;
    if (s == "distributed") return VAlign::Distributed;
    return VAlign::Bottom;
}

struct StylesHandler {
    StylesHandler(const Theme& t, bool with) : theme(t), withStyles(with) {}
    const Theme& theme;
    bool withStyles;
    std::map<uint32_t, std::string> numFmts;
    std::vector<Font> fonts;
    std::vector<uint32_t> fills;
    std::vector<std::array<Border, 4>> borders;
    struct Xf {
        uint32_t numFmt = 0, font = 0, fill = 0, border = 0;
        HAlign h = HAlign::General;
        VAlign v = VAlign::Bottom;
        bool wrap = false;
    };
    std::vector<Xf> xfs;

    enum class In { None, Fonts, Fills, Borders, CellXfs, Other } in = In::None;
    int side = -1;  // border side being read

    static uint32_t u32(const char* v) {
        uint32_t x = 0;
        if (v) std::from_chars(v, v + std::strlen(v), x);
        return x;
    }

    template <class X>
    void start(X*, std::string_view name, const char** atts) {
        if (name == "numFmt") {
            const char* id = attr(atts, "numFmtId");
            const char* code = attr(atts, "formatCode");
            if (id && code) numFmts[u32(id)] = code;
        } else if (name == "fonts") {
            in = In::Fonts;
        } else if (name == "fills") {
            in = In::Fills;
        } else if (name == "borders") {
            in = In::Borders;
        } else if (name == "cellXfs") {
            in = In::CellXfs;
        } else if (name == "cellStyleXfs" || name == "dxfs" || name == "cellStyles") {
            in = In::Other;
        } else if (in == In::Fonts) {
            if (name == "font") {
                fonts.emplace_back();
                fonts.back().name = "Calibri";
                fonts.back().size = 11;
                return;
            }
            if (fonts.empty()) return;
            Font& f = fonts.back();
            const char* val = attr(atts, "val");
            if (name == "b")
                f.bold = !val || truthy(val);
            else if (name == "i")
                f.italic = !val || truthy(val);
            else if (name == "u")
                f.underline = !val                                  ? 1
                              : std::strcmp(val, "none") == 0       ? 0
                              : std::strncmp(val, "double", 6) == 0 ? 2
                                                                    : 1;
            else if (name == "sz")
                f.size = toDouble(val, 11);
            else if (name == "name")
                f.name = val ? val : "";
            else if (name == "color")
                f.color = colorOf(atts, theme);
        } else if (in == In::Fills) {
            if (name == "fill") {
                fills.push_back(kNoColor);
            } else if (name == "patternFill" && !fills.empty()) {
                const char* pt = attr(atts, "patternType");
                fills.back() =
                    (pt && std::strcmp(pt, "none") != 0) ? 0xFFFFFEu : kNoColor;  // colour follows
            } else if (name == "fgColor" && !fills.empty() && fills.back() != kNoColor) {
                fills.back() = colorOf(atts, theme);
            }
        } else if (in == In::Borders) {
            if (name == "border") {
                borders.emplace_back();
            } else if (!borders.empty()) {
                int s = name == "left" || name == "start"  ? 0
                        : name == "right" || name == "end" ? 1
                        : name == "top"                    ? 2
                        : name == "bottom"                 ? 3
                                                           : -1;
                if (s >= 0) {
                    side = s;
                    const char* st = attr(atts, "style");
                    borders.back()[size_t(s)].style = st ? borderStyle(st) : BorderStyle::None;
                } else if (name == "color" && side >= 0) {
                    borders.back()[size_t(side)].color = colorOf(atts, theme);
                }
            }
        } else if (in == In::CellXfs) {
            if (name == "xf") {
                Xf x;
                x.numFmt = u32(attr(atts, "numFmtId"));
                x.font = u32(attr(atts, "fontId"));
                x.fill = u32(attr(atts, "fillId"));
                x.border = u32(attr(atts, "borderId"));
                xfs.push_back(x);
            } else if (name == "alignment" && !xfs.empty()) {
                if (const char* h = attr(atts, "horizontal")) xfs.back().h = hAlign(h);
                if (const char* v = attr(atts, "vertical")) xfs.back().v = vAlign(v);
                xfs.back().wrap = truthy(attr(atts, "wrapText"));
            }
        }
    }
    template <class X>
    void end(X*, std::string_view name) {
        if (name == "fonts" || name == "fills" || name == "borders" || name == "cellXfs" ||
            name == "cellStyleXfs" || name == "dxfs" || name == "cellStyles")
            in = In::None;
        else if (in == In::Borders && (name == "left" || name == "right" || name == "top" ||
                                       name == "bottom" || name == "start" || name == "end"))
            side = -1;
        else if (in == In::Fills && name == "fill" && !fills.empty() && fills.back() == 0xFFFFFEu)
            fills.back() = kNoColor;  // a pattern without a colour
    }
    void text(const char*, size_t) {}

    std::vector<CellStyle> build() const {
        std::vector<CellStyle> out;
        out.reserve(std::max<size_t>(xfs.size(), 1));
        for (const Xf& x : xfs) {
            CellStyle st;
            auto it = numFmts.find(x.numFmt);
            st.numFmt = it != numFmts.end()
                            ? it->second
                            : builtinFormat(int(std::min<uint32_t>(x.numFmt, 1000)));
            if (withStyles) {
                if (x.font < fonts.size()) st.font = fonts[x.font];
                if (x.fill < fills.size()) st.fill = fills[x.fill];
                if (x.border < borders.size()) {
                    st.left = borders[x.border][0];
                    st.right = borders[x.border][1];
                    st.top = borders[x.border][2];
                    st.bottom = borders[x.border][3];
                }
                st.halign = x.h;
                st.valign = x.v;
                st.wrap = x.wrap;
            }
            out.push_back(std::move(st));
        }
        if (out.empty()) out.emplace_back();
        return out;
    }
};

// ---------------------------------------------------------------------------------------------
// A worksheet.

uint8_t errorCode(std::string_view s) {
    static const std::pair<std::string_view, uint8_t> kCodes[] = {
        {"#NULL!", 0x00}, {"#DIV/0!", 0x07}, {"#VALUE!", 0x0F}, {"#REF!", 0x17},
        {"#NAME?", 0x1D}, {"#NUM!", 0x24},   {"#N/A", 0x2A},    {"#GETTING_DATA", 0x2B},
    };
    for (auto& [k, v] : kCodes)
        if (k == s) return v;
    return 0x2A;
}

// Cells of type Text refer to shared strings by index while a sheet is read; an inline string is
// marked with small = kInline and indexes `inlineStrings` until the pools are joined.
constexpr uint8_t kInline = 1;

struct SheetHandler {
    SheetHandler(Sheet& s, std::vector<std::string>& inl, const std::string& f,
                 const std::string& p, std::optional<uint32_t> max)
        : sheet(s), inlineStrings(inl), file(f), part(p), maxRows(max) {}
    Sheet& sheet;
    std::vector<std::string>& inlineStrings;
    const std::string& file;
    const std::string& part;
    std::optional<uint32_t> maxRows;
    uint64_t maxShared = 0;  // 1 + the largest shared-string index seen
    size_t reserveCap = 0;   // most cells to reserve from the declared dimension
    bool stopped = false;

    enum class T : uint8_t { Number, Shared, Str, Inline, Bool, Error, Date };
    int64_t curRow = -1;
    int64_t nextCol = 0;
    uint32_t rowsSeen = 0;
    int64_t lastCountedRow = -1;
    bool inCell = false, inV = false, inIs = false, inT = false;
    int inRph = 0;
    T type = T::Number;
    Cell cell;
    std::string buf;

    template <class X>
    void start(X* x, std::string_view name, const char** atts) {
        const char c0 = name[0];
        if (c0 == 'c' && name.size() == 1) {
            startCell(x, atts);
        } else if (c0 == 'v' && name.size() == 1) {
            inV = inCell;
            buf.clear();
        } else if (c0 == 't' && name.size() == 1) {
            inT = inIs && inRph == 0;
        } else if (name == "is") {
            inIs = inCell;
            buf.clear();
        } else if (name == "row") {
            const char* r = attr(atts, "r");
            uint32_t rr;
            if (r) {
                const char* end = r + std::strlen(r);
                auto [p, ec] = std::from_chars(r, end, rr);
                if (ec != std::errc() || p != end || rr < 1 || rr > kMaxRows)
                    outOfRange("行号“" + std::string(r) + "”");
                curRow = int64_t(rr) - 1;
            } else {
                curRow = curRow + 1;
                if (curRow >= int64_t(kMaxRows))
                    outOfRange("第 " + std::to_string(curRow + 1) + " 行");
            }
            nextCol = 0;
            const char* ht = attr(atts, "ht");
            bool hidden = truthy(attr(atts, "hidden"));
            bool custom = truthy(attr(atts, "customHeight"));
            if (hidden || (custom && ht))
                sheet.rows.push_back(RowInfo{uint32_t(std::min<int64_t>(curRow, kMaxRows - 1)),
                                             toDouble(ht, 15), hidden});
        } else if (name == "rPh") {
            ++inRph;
        } else if (name == "dimension") {
            Range r;
            if (const char* ref = attr(atts, "ref"); ref && parseRangeRef(ref, r)) {
                sheet.dimension = r;
                size_t want =
                    size_t(r.lastRow - r.firstRow + 1) * size_t(r.lastCol - r.firstCol + 1);
                if (!maxRows) sheet.cells.reserve(std::min(want, reserveCap));
            }
        } else if (name == "col") {
            ColInfo ci;
            uint32_t mn = 0, mx = 0;
            const char* a = attr(atts, "min");
            const char* b = attr(atts, "max");
            if (!a || !b || std::from_chars(a, a + std::strlen(a), mn).ec != std::errc() ||
                std::from_chars(b, b + std::strlen(b), mx).ec != std::errc() || mn < 1 || mx < mn)
                return;
            mx = std::min(mx, kMaxCols);
            if (mn > mx) return;
            ci.first = uint16_t(mn - 1);
            ci.last = uint16_t(mx - 1);
            const char* w = attr(atts, "width");
            ci.width = w ? displayedWidth(toDouble(w, 0)) : sheet.defaultColWidth;
            ci.hidden = truthy(attr(atts, "hidden"));
            ci.style = uint32_t(toDouble(attr(atts, "style"), 0));
            sheet.cols.push_back(ci);
        } else if (name == "mergeCell") {
            Range r;
            if (const char* ref = attr(atts, "ref"); ref && parseRangeRef(ref, r))
                sheet.merged.push_back(r);
        } else if (name == "sheetFormatPr") {
            if (const char* w = attr(atts, "defaultColWidth"))
                sheet.defaultColWidth = displayedWidth(toDouble(w, 9.140625));
            else if (const char* bw = attr(atts, "baseColWidth"))
                sheet.defaultColWidth = displayedWidthFromChars(toDouble(bw, 8));
        }
    }

    [[noreturn]] void outOfRange(const std::string& what) {
        fail(ErrorKind::Corrupt, file,
             "工作表“" + sheet.name + "”中的" + what +
                 "超出了工作表的范围（最多 1,048,576 行、16,384 列，从 A1 起），这个工作表无法读取");
    }

    template <class X>
    void startCell(X* x, const char** atts) {
        const char* r = nullptr;
        const char* t = nullptr;
        const char* s = nullptr;
        for (size_t i = 0; atts[i]; i += 2) {
            const char* n = atts[i];
            if (n[1] != 0) continue;
            if (n[0] == 'r')
                r = atts[i + 1];
            else if (n[0] == 't')
                t = atts[i + 1];
            else if (n[0] == 's')
                s = atts[i + 1];
        }
        uint32_t row, col;
        if (r) {
            // A reference past the sheet's last row or column, or one that is not a reference at
            // all, is refused: putting the cell anywhere else would move data without a word.
            if (!parseRef(r, row, col)) outOfRange("单元格引用“" + std::string(r) + "”");
        } else {
            if (curRow < 0) curRow = 0;
            if (curRow >= int64_t(kMaxRows))
                outOfRange("第 " + std::to_string(curRow + 1) + " 行的单元格");
            if (nextCol >= kMaxCols)
                fail(ErrorKind::Corrupt, file,
                     "文件已损坏（" + part + " 中一行的单元格超过了 16384 列）");
            row = uint32_t(curRow);
            col = uint32_t(nextCol);
        }
        curRow = row;
        nextCol = int64_t(col) + 1;
        if (int64_t(row) != lastCountedRow) {
            if (maxRows && rowsSeen >= *maxRows) {
                stopped = true;
                x->stop();
                return;
            }
            ++rowsSeen;
            lastCountedRow = row;
        }
        cell = Cell{};
        cell.row = row;
        cell.col = uint16_t(col);
        if (s) {
            uint32_t si = 0;
            std::from_chars(s, s + std::strlen(s), si);
            cell.style = si;
        }
        type = T::Number;
        if (t) {
            switch (t[0]) {
                case 's':
                    type = t[1] == 't' ? T::Str : T::Shared;
                    break;  // "str" / "s"
                case 'i':
                    type = T::Inline;
                    break;
                case 'b':
                    type = T::Bool;
                    break;
                case 'e':
                    type = T::Error;
                    break;
                case 'd':
                    type = T::Date;
                    break;
                default:
                    type = T::Number;
                    break;
            }
        }
        inCell = true;
        buf.clear();
    }

    template <class X>
    void end(X*, std::string_view name) {
        const char c0 = name[0];
        if (c0 == 'c' && name.size() == 1) {
            if (inCell) finishCell();
            inCell = false;
        } else if (c0 == 'v' && name.size() == 1) {
            inV = false;
        } else if (c0 == 't' && name.size() == 1) {
            inT = false;
        } else if (name == "is") {
            inIs = false;
        } else if (name == "rPh") {
            --inRph;
        }
    }

    void text(const char* s, size_t n) {
        if (inV || inT) buf.append(s, n);
    }

    void finishCell() {
        switch (type) {
            case T::Number:
                if (buf.empty()) {
                    cell.type = CellType::Blank;
                } else {
                    cell.type = CellType::Number;
                    if (!parseNumber(std::string_view(buf), cell.number))
                        fail(ErrorKind::Corrupt, file,
                             "文件已损坏（" + part + " 中单元格 " + columnLetters(cell.col) +
                                 std::to_string(cell.row + 1) + " 的数值“" + buf.substr(0, 40) +
                                 "”无法识别）");
                }
                break;
            case T::Shared: {
                uint64_t idx;
                if (buf.empty()) {
                    cell.type = CellType::Blank;
                    break;
                }
                if (!parseNumber(std::string_view(buf), idx) || idx > 0xFFFFFFFEu)
                    fail(ErrorKind::Corrupt, file,
                         "文件已损坏（" + part + " 中单元格 " + columnLetters(cell.col) +
                             std::to_string(cell.row + 1) + " 的共享字符串编号无效）");
                cell.type = CellType::Text;
                cell.text = uint32_t(idx);
                maxShared = std::max<uint64_t>(maxShared, idx + 1);
                break;
            }
            case T::Str:
            case T::Inline:
            case T::Date:
                cell.type = CellType::Text;
                cell.small = kInline;
                cell.text = uint32_t(inlineStrings.size());
                inlineStrings.push_back(buf);
                break;
            case T::Bool:
                if (buf.empty()) {
                    cell.type = CellType::Blank;
                    break;
                }
                cell.type = CellType::Bool;
                cell.small = (buf == "1" || buf == "true") ? 1 : 0;
                break;
            case T::Error:
                cell.type = CellType::Error;
                cell.small = errorCode(buf);
                break;
        }
        sheet.cells.push_back(cell);
    }
};

// ---------------------------------------------------------------------------------------------
// A worksheet part read by expat up to and including the <sheetData> start tag, by the scanner of
// sheet_scan.h inside it, and by expat again from </sheetData> on (expat then sees an empty
// sheetData). The same handler gets the events of all three. When the scanner gives up, the sink
// stops and gaveUp() tells the caller to read the part again through expat alone.

struct SheetGate {
    SheetHandler& h;
    int64_t sheetDataAt = -1;
    template <class X>
    void start(X* x, std::string_view name, const char** atts) {
        if (name == "sheetData") sheetDataAt = x->byteIndex();
        h.start(x, name, atts);
    }
    template <class X>
    void end(X* x, std::string_view name) {
        h.end(x, name);
    }
    void text(const char* s, size_t n) { h.text(s, n); }
};

class ScannedSheetPart {
  public:
    ScannedSheetPart(SheetHandler& h, const std::string& file, const std::string& part)
        : gate_{h}, xml_(gate_, file, part), scanner_(h) {}

    // the zip sink: false stops inflating
    bool feed(const char* d, size_t n, bool last) {
        switch (mode_) {
            case Mode::Before:
                return before(d, n, last);
            case Mode::Inside:
                return inside(d, n, last);
            case Mode::After:
                break;
        }
        return expat(d, n, last);
    }
    bool gaveUp() const { return gaveUp_; }
    bool scanned() const { return scanned_; }

  private:
    enum class Mode { Before, Inside, After };  // After: expat only, to the end

    static bool isSpace(char c) { return c == ' ' || c == '\n' || c == '\t' || c == '\r'; }

    bool expat(const char* d, size_t n, bool last) {
        fed_ += int64_t(n);
        return xml_.feed(d, n, last);
    }

    // Scanning only UTF-8 text: a declared encoding must be UTF-8, and no UTF-16.
    static bool plainUtf8(std::string_view s) {
        if (s.size() >= 3 && s.substr(0, 3) == "\xEF\xBB\xBF") s.remove_prefix(3);
        for (size_t i = 0; i < std::min<size_t>(s.size(), 4); ++i)
            if (s[i] == 0 || uint8_t(s[i]) >= 0xFE) return false;
        if (s.substr(0, 5) != "<?xml") return true;
        size_t end = s.find("?>");
        if (end == std::string_view::npos || end > 1024) return false;
        std::string_view decl = s.substr(0, end);
        size_t enc = decl.find("encoding");
        if (enc == std::string_view::npos) return true;
        size_t q = decl.find_first_of("\"'", enc);
        if (q == std::string_view::npos) return false;
        size_t q2 = decl.find(decl[q], q + 1);
        if (q2 == std::string_view::npos) return false;
        std::string_view v = decl.substr(q + 1, q2 - q - 1);
        if (v.size() != 5) return false;
        for (size_t i = 0; i < 5; ++i)
            if ((v[i] | 0x20) != "utf-8"[i]) return false;
        return true;
    }

    bool before(const char* d, size_t n, bool last) {
        pre_.append(d, n);
        if (!checkedDecl_) {
            checkedDecl_ = true;
            if (!plainUtf8(pre_)) return toExpat(last);
        }
        size_t from = 0;
        while (true) {
            size_t pos = pre_.find("<sheetData", from);
            if (pos == std::string::npos) break;
            size_t j = pos + 10;
            while (j < pre_.size() && isSpace(pre_[j])) ++j;
            if (j == pre_.size()) {
                if (last || pre_.size() > (1u << 20)) return toExpat(last);  // endless spaces
                bool go = expat(pre_.data(), pos, false);
                pre_.erase(0, pos);
                return go;
            }
            char c = pre_[j];
            if (c != '>') {
                if (std::isalnum(uint8_t(c)) || c == '_' || c == '-' || c == '.' || c == ':') {
                    from = pos + 1;  // another element whose name starts so
                    continue;
                }
                return toExpat(last);  // attributes or an empty sheetData
            }
            int64_t at = fed_ + int64_t(pos);
            if (!expat(pre_.data(), j + 1, false)) return false;
            pre_.erase(0, j + 1);
            if (xml_.sawDoctype()) return toExpat(last);
            if (gate_.sheetDataAt != at) {  // the name inside a comment or the like
                from = 0;
                continue;
            }
            mode_ = Mode::Inside;
            scanned_ = true;
            std::string rest = std::move(pre_);
            pre_ = std::string();
            return inside(rest.data(), rest.size(), last);
        }
        if (last) return toExpat(true);
        constexpr size_t kKeep = 64;  // a cut "<sheetData" stays for the next chunk
        if (pre_.size() > kKeep) {
            size_t cut = pre_.size() - kKeep;
            bool go = expat(pre_.data(), cut, false);
            pre_.erase(0, cut);
            return go;
        }
        return true;
    }

    bool toExpat(bool last) {
        mode_ = Mode::After;
        std::string all = std::move(pre_);
        pre_ = std::string();
        return expat(all.data(), all.size(), last);
    }

    bool inside(const char* d, size_t n, bool last) {
        using R = SheetDataScanner<SheetHandler>::Result;
        switch (scanner_.feed(d, n, last)) {
            case R::More:
                return true;
            case R::Stopped:
                return false;
            case R::GiveUp:
                gaveUp_ = true;
                return false;
            case R::Done:
                break;
        }
        mode_ = Mode::After;
        std::string_view rest = scanner_.rest();
        return expat(rest.data(), rest.size(), last);
    }

    SheetGate gate_;
    XmlPart<SheetGate> xml_;
    SheetDataScanner<SheetHandler> scanner_;
    Mode mode_ = Mode::Before;
    std::string pre_;
    int64_t fed_ = 0;
    bool checkedDecl_ = false, gaveUp_ = false, scanned_ = false;
};

class XlsxReader {
  public:
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
        if (!found)
            throw Error(ErrorKind::SheetNotFound,
                        "工作簿 " + file_ + " 中没有名为“" + *opt_.sheet + "”的工作表");
        if (!opt_.cells) return std::move(wb_);

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
            const bool mayStop = opt_.maxRows.has_value();
            bool found = false, stopped = false;
            uint64_t sheetShared = 0;
            bool done = false;
            if (sheetScanEnabled()) {
                // read with the scanner; on its giving up (or any error) the part is read again
                // by expat alone from a clean state, which also gives the errors their wording
                const Sheet before = sh;
                const size_t inlineBefore = inlineStrings.size();
                bool gaveUp = false, scanned = false;
                try {
                    SheetHandler h(sh, inlineStrings, file_, targets[i], opt_.maxRows);
                    h.reserveCap = reserveCap;
                    ScannedSheetPart part(h, file_, targets[i]);
                    found = zip_.read(
                        targets[i],
                        [&](const char* d, size_t n, bool last) { return part.feed(d, n, last); },
                        mayStop);
                    gaveUp = part.gaveUp();
                    scanned = part.scanned();
                    stopped = h.stopped;
                    sheetShared = h.maxShared;
                } catch (...) {
                    gaveUp = true;
                    scanned = true;
                }
                if (scanned) countSheetScan(gaveUp);
                if (gaveUp) {
                    sh = before;
                    inlineStrings.resize(inlineBefore);
                } else {
                    done = true;
                }
            }
            if (!done) {
                SheetHandler h(sh, inlineStrings, file_, targets[i], opt_.maxRows);
                h.reserveCap = reserveCap;
                found = parsePart(zip_, targets[i], h, file_, mayStop);
                stopped = h.stopped;
                sheetShared = h.maxShared;
            }
            if (!found)
                fail(ErrorKind::Corrupt, file_,
                     "文件已损坏（压缩包中缺少工作表“" + sh.name + "”的 " + targets[i] + "）");
            sh.loaded = true;
            sh.complete = !stopped;
            maxShared = std::max(maxShared, sheetShared);
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
            SharedStringsHandler sh(wb_.strings, size_t(maxShared));
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
        ThemeHandler theme;
        if (opt_.styles && !themePart.empty()) parsePart(zip_, themePart, theme, file_);
        StylesHandler styles(theme.theme, opt_.styles);
        if (stylesPart.empty()) stylesPart = baseDir + "styles.xml";
        parsePart(zip_, stylesPart, styles, file_);
        wb_.styles = styles.build();
        return std::move(wb_);
    }

  private:
    Zip zip_;
    const std::string& file_;
    const ReadOptions& opt_;
    Workbook wb_;
};

}  // namespace

Workbook readXlsx(std::span<const uint8_t> bytes, const std::string& file,
                  const ReadOptions& options) {
    XlsxReader reader(bytes, file, options);
    return reader.run();
}

}  // namespace shuhui::formats::detail
