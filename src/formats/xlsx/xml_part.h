// The expat wrapper of the .xlsx reader: one XML part of the package streamed from the zip
// container into a handler's start/end/text events, with the small attribute and number helpers
// the handlers share.
#pragma once

#include <expat.h>

#include <charconv>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

#include "formats/read_errors.h"
#include "formats/xlsx/zip_container.h"

namespace shuhui::formats::detail::xlsx {

// The name after a namespace prefix ("x:c" → "c"), in one pass without library calls: this runs for
// every element of a sheet.
inline std::string_view localName(const char* name) {
    const char* start = name;
    const char* p = name;
    for (; *p; ++p)
        if (*p == ':') start = p + 1;
    return std::string_view(start, size_t(p - start));
}

inline const char* attr(const char** atts, std::string_view want) {
    for (size_t i = 0; atts[i]; i += 2)
        if (localName(atts[i]) == want) return atts[i + 1];
    return nullptr;
}

// attribute whose prefixed name ends in ":id" (r:id, whatever the prefix)
inline const char* relId(const char** atts) {
    for (size_t i = 0; atts[i]; i += 2) {
        std::string_view n(atts[i]);
        if (n.size() > 3 && n.substr(n.size() - 3) == ":id") return atts[i + 1];
    }
    return nullptr;
}

inline bool truthy(const char* v) {
    return v && (std::strcmp(v, "1") == 0 || std::strcmp(v, "true") == 0);
}

template <class T>
inline bool parseNumber(std::string_view s, T& out) {
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

inline double toDouble(const char* v, double fallback) {
    double d;
    if (v && parseNumber(std::string_view(v), d)) return d;
    return fallback;
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

}  // namespace shuhui::formats::detail::xlsx
