#include "merge/horizontal/name_list.h"

#include <unicode/uchar.h>
#include <unicode/ustring.h>

#include <algorithm>

#include "workbooks/collation.h"

namespace shuhui::merge::horizontal {

std::string foldCase(std::string_view text) {
    bool ascii = true;
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) ascii = false;
    if (ascii) {
        std::string out(text);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return out;
    }
    UErrorCode status = U_ZERO_ERROR;
    std::u16string u(text.size() + 1, u'\0');
    int32_t n = 0;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(u.data()), static_cast<int32_t>(u.size()), &n,
                         text.data(), static_cast<int32_t>(text.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) return std::string(text);
    u.resize(static_cast<size_t>(n));
    std::u16string folded(u.size() * 3 + 1, u'\0');
    status = U_ZERO_ERROR;
    n = u_strFoldCase(reinterpret_cast<UChar*>(folded.data()), static_cast<int32_t>(folded.size()),
                      reinterpret_cast<const UChar*>(u.data()), static_cast<int32_t>(u.size()),
                      U_FOLD_CASE_DEFAULT, &status);
    if (U_FAILURE(status)) return std::string(text);
    folded.resize(static_cast<size_t>(n));
    std::string out(folded.size() * 3 + 1, '\0');
    status = U_ZERO_ERROR;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &n,
                reinterpret_cast<const UChar*>(folded.data()), static_cast<int32_t>(folded.size()),
                &status);
    if (U_FAILURE(status)) return std::string(text);
    out.resize(static_cast<size_t>(n));
    return out;
}

bool sameName(std::string_view a, std::string_view b) {
    return a == b || foldCase(a) == foldCase(b);
}

namespace {

std::string keyOf(std::string_view name) {
    return workbooks::Collation::chinese().sortKey(foldCase(name));
}

}  // namespace

size_t NameList::add(std::string_view name) {
    std::string key = keyOf(name);
    auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                               [](const Entry& e, const std::string& k) { return e.key < k; });
    if (it != entries_.end() && it->key == key) return static_cast<size_t>(it - entries_.begin());
    it = entries_.insert(it, Entry{std::move(key), std::string(name)});
    return static_cast<size_t>(it - entries_.begin());
}

std::optional<size_t> NameList::find(std::string_view name) const {
    const std::string key = keyOf(name);
    auto it = std::lower_bound(entries_.begin(), entries_.end(), key,
                               [](const Entry& e, const std::string& k) { return e.key < k; });
    if (it != entries_.end() && it->key == key) return static_cast<size_t>(it - entries_.begin());
    return std::nullopt;
}

std::vector<std::string> NameList::names() const {
    std::vector<std::string> out;
    out.reserve(entries_.size());
    for (const Entry& e : entries_) out.push_back(e.text);
    return out;
}

}  // namespace shuhui::merge::horizontal
