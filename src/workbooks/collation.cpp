#include "workbooks/collation.h"

#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <cstring>
#include <vector>

namespace shuhui::workbooks {

namespace {

// UTF-8 to UTF-16 for the key functions; invalid bytes become U+FFFD.
std::u16string toUtf16(std::string_view text) {
    std::u16string out(text.size() + 1, u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), static_cast<int32_t>(out.size()),
                         &length, text.data(), static_cast<int32_t>(text.size()), 0xFFFD, nullptr,
                         &status);
    if (U_FAILURE(status)) return std::u16string(text.begin(), text.end());
    out.resize(static_cast<size_t>(length));
    return out;
}

}  // namespace

Collation::Collation(const char* locale) {
    UErrorCode status = U_ZERO_ERROR;
    collator_ = ucol_open(locale, &status);
    if (U_FAILURE(status)) {
        collator_ = nullptr;  // fall back to byte order (code point order for UTF-8)
    }
}

Collation::~Collation() {
    if (collator_) ucol_close(collator_);
}

const Collation& Collation::chinese() {
    static const Collation instance("zh");
    return instance;
}

int Collation::compare(std::string_view a, std::string_view b) const {
    if (collator_) {
        UErrorCode status = U_ZERO_ERROR;
        UCollationResult r =
            ucol_strcollUTF8(collator_, a.data(), static_cast<int32_t>(a.size()), b.data(),
                             static_cast<int32_t>(b.size()), &status);
        if (U_SUCCESS(status) && r != UCOL_EQUAL) return r == UCOL_LESS ? -1 : 1;
    }
    int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::string Collation::sortKey(std::string_view text) const {
    std::string key;
    if (collator_) {
        std::u16string u = toUtf16(text);
        const auto* src = reinterpret_cast<const UChar*>(u.data());
        auto n = static_cast<int32_t>(u.size());
        key.resize(u.size() * 4 + 16);
        int32_t need = ucol_getSortKey(collator_, src, n, reinterpret_cast<uint8_t*>(key.data()),
                                       static_cast<int32_t>(key.size()));
        if (need > static_cast<int32_t>(key.size())) {
            key.resize(static_cast<size_t>(need));
            need = ucol_getSortKey(collator_, src, n, reinterpret_cast<uint8_t*>(key.data()),
                                   static_cast<int32_t>(key.size()));
        }
        // The key ends with a 0 byte; the text after it breaks ties between texts the collation
        // calls equal.
        key.resize(need > 0 ? static_cast<size_t>(need) : 0);
    } else {
        key.push_back('\0');
    }
    key.append(text);
    return key;
}

}  // namespace shuhui::workbooks
