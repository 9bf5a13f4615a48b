// Query text scanning and rewriting (see sql_rewrite.h).
#include "workbooks/sql_rewrite.h"

#include <sys/stat.h>

#include <cctype>
#include <cstring>

#include "formats/error.h"
#include "workbooks/no_case.h"

namespace shuhui::workbooks {

namespace {

// The name inside a double-quoted token ("a""b" reads a"b).
std::string unquotedName(const std::string& q) {
    std::string out;
    for (size_t k = 1; k + 1 < q.size(); ++k) {
        out += q[k];
        if (q[k] == '"') ++k;
    }
    return out;
}

// A text with each ' doubled, for use inside a single-quoted literal.
std::string singleQuoted(const std::string& text) {
    std::string out;
    for (char ch : text) {
        out += ch;
        if (ch == '\'') out += '\'';
    }
    return out;
}

size_t ifind(std::string_view hay, std::string_view needle) {
    if (needle.size() > hay.size()) return std::string_view::npos;
    for (size_t i = 0; i + needle.size() <= hay.size(); ++i)
        if (equalsNoCase(hay.substr(i, needle.size()), needle)) return i;
    return std::string_view::npos;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

bool isWordStart(unsigned char c) {
    return std::isalpha(c) || c == '_' || c >= 0x80;
}
bool isWordChar(unsigned char c) {
    return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80;
}

// Skips a literal, quoted name or comment starting at i; returns the position after it, or i when
// nothing of the kind starts there.
size_t skipNonCode(std::string_view s, size_t i) {
    const char c = s[i];
    if (c == '\'' || c == '"') {
        size_t j = i + 1;
        while (j < s.size()) {
            if (s[j] == c) {
                if (j + 1 < s.size() && s[j + 1] == c) {
                    j += 2;
                    continue;
                }
                return j + 1;
            }
            ++j;
        }
        return s.size();
    }
    if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
        size_t j = s.find('\n', i);
        return j == std::string_view::npos ? s.size() : j;
    }
    if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
        size_t j = s.find("*/", i + 2);
        return j == std::string_view::npos ? s.size() : j + 2;
    }
    return i;
}

const char* const kNotAlias[] = {"where",   "union", "inner", "left",   "right",    "join",
                                 "on",      "order", "group", "having", "limit",    "cross",
                                 "natural", "full",  "outer", "except", "intersect"};

bool isClauseWord(std::string_view w) {
    for (const char* k : kNotAlias)
        if (equalsNoCase(w, k)) return true;
    return false;
}

struct Token {
    enum Kind { Space, Word, Number, Text, Quoted, Punct } kind;
    std::string text;
};

std::vector<Token> tokenize(std::string_view s) {
    std::vector<Token> out;
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        size_t j = skipNonCode(s, i);
        if (j != i) {
            const Token::Kind k = c == '\'' || c == '"' ? Token::Text : Token::Space;
            if (c == '"' && j - i >= 2 && s[j - 1] == '"') {
                // A double-quoted text is a text, not a name (brackets are the way to write a
                // name): written as a single-quoted literal so that the engine never has to guess.
                std::string literal(1, '\'');
                literal += singleQuoted(unquotedName(std::string(s.substr(i, j - i))));
                literal += '\'';
                out.push_back({Token::Text, std::move(literal)});
            } else {
                out.push_back(
                    {k, k == Token::Space ? std::string(" ") : std::string(s.substr(i, j - i))});
            }
            i = j;
        } else if (std::isspace(c)) {
            j = i;
            while (j < s.size() && std::isspace(static_cast<unsigned char>(s[j]))) ++j;
            out.push_back({Token::Space, std::string(s.substr(i, j - i))});
            i = j;
        } else if (isWordStart(c)) {
            j = i;
            while (j < s.size() && isWordChar(static_cast<unsigned char>(s[j]))) ++j;
            out.push_back({Token::Word, std::string(s.substr(i, j - i))});
            i = j;
        } else if (std::isdigit(c)) {
            j = i;
            while (j < s.size() && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '.'))
                ++j;
            out.push_back({Token::Number, std::string(s.substr(i, j - i))});
            i = j;
        } else if (c == '[') {
            // A bracketed name; "]]" inside stands for "]". Written as a quoted name.
            std::string name;
            j = i + 1;
            while (j < s.size()) {
                if (s[j] == ']') {
                    if (j + 1 < s.size() && s[j + 1] == ']') {
                        name += ']';
                        j += 2;
                        continue;
                    }
                    break;
                }
                if (s[j] == '"') name += '"';
                name += s[j++];
            }
            if (j >= s.size())
                throw Error(ErrorKind::Syntax, "SQL 语句有误：第 " + std::to_string(i + 1) +
                                                   " 个字符处的“[”没有对应的“]”：" +
                                                   std::string(s.substr(i, 40)));
            out.push_back({Token::Quoted, "\"" + name + "\""});
            i = j < s.size() ? j + 1 : j;
        } else {
            out.push_back({Token::Punct, std::string(1, s[i])});
            ++i;
        }
    }
    return out;
}

size_t nextCode(const std::vector<Token>& t, size_t i) {
    while (i < t.size() && t[i].kind == Token::Space) ++i;
    return i;
}

bool isWord(const std::vector<Token>& t, size_t i, std::string_view w) {
    return i < t.size() && t[i].kind == Token::Word && equalsNoCase(t[i].text, w);
}

bool isCompoundWord(const Token& t) {
    return t.kind == Token::Word &&
           (equalsNoCase(t.text, "union") || equalsNoCase(t.text, "all") ||
            equalsNoCase(t.text, "except") || equalsNoCase(t.text, "intersect"));
}

// Rewrites every "select [distinct] top N" of the token list into LIMIT form.
void rewriteTop(std::vector<Token>& t) {
    for (;;) {
        size_t sel = t.size(), top = 0, num = 0;
        for (size_t i = 0; i < t.size(); ++i) {
            if (!isWord(t, i, "select")) continue;
            size_t k = nextCode(t, i + 1);
            if (isWord(t, k, "distinct") || isWord(t, k, "all")) k = nextCode(t, k + 1);
            if (!isWord(t, k, "top")) continue;
            const size_t n = nextCode(t, k + 1);
            if (n >= t.size() || t[n].kind != Token::Number) continue;
            sel = i;
            top = k;
            num = n;
            break;
        }
        if (sel == t.size()) return;
        const std::string count = t[num].text;
        t[top] = {Token::Space, ""};
        t[num] = {Token::Space, ""};

        size_t end = t.size();
        bool endsAtCompound = false;
        int depth = 0;
        for (size_t j = num + 1; j < t.size(); ++j) {
            if (t[j].kind == Token::Punct) {
                if (t[j].text == "(")
                    ++depth;
                else if (t[j].text == ")") {
                    if (depth == 0) {
                        end = j;
                        break;
                    }
                    --depth;
                } else if (t[j].text == ";" && depth == 0) {
                    end = j;
                    break;
                }
            } else if (depth == 0 && t[j].kind == Token::Word &&
                       (equalsNoCase(t[j].text, "union") || equalsNoCase(t[j].text, "except") ||
                        equalsNoCase(t[j].text, "intersect"))) {
                end = j;
                endsAtCompound = true;
                break;
            }
        }
        bool compound = endsAtCompound;
        for (size_t p = sel; p-- > 0;) {
            if (t[p].kind == Token::Space) continue;
            compound = compound || isCompoundWord(t[p]);
            break;
        }
        if (compound) {
            t[sel].text = "select * from (" + t[sel].text;
            t.insert(t.begin() + static_cast<std::ptrdiff_t>(end),
                     {Token::Space, " limit " + count + ") "});
        } else {
            t.insert(t.begin() + static_cast<std::ptrdiff_t>(end),
                     {Token::Space, " limit " + count + " "});
        }
    }
}

}  // namespace

void checkSingleStatement(std::string_view sql, const std::vector<SheetRef>& refs) {
    // References are blanked first: a workbook path may hold "[", "]" or ";".
    std::string text;
    size_t pos = 0;
    for (const SheetRef& r : refs) {
        text.append(sql.substr(pos, r.begin - pos));
        text += " shuhui_ref ";
        pos = r.end;
    }
    text.append(sql.substr(pos));
    const std::vector<Token> t = tokenize(text);
    int depth = 0;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind != Token::Punct) continue;
        if (t[i].text == "(") ++depth;
        if (t[i].text == ")") --depth;
        if (t[i].text != ";" || depth > 0) continue;
        size_t k = i + 1;
        while (k < t.size() && (t[k].kind == Token::Space ||
                                (t[k].kind == Token::Punct && t[k].text == ";")))
            ++k;
        if (k == t.size()) return;
        std::string rest;
        for (size_t r = k; r < t.size() && rest.size() < 40; ++r) rest += t[r].text;
        throw Error(ErrorKind::Syntax,
                    "一次只能执行一条 SQL 语句：分号“;”之后还有第二条语句“" + rest + "”");
    }
}

std::vector<SheetRef> findSheetReferences(std::string_view s) {
    std::vector<SheetRef> refs;
    size_t i = 0;
    while (i < s.size()) {
        const size_t j = skipNonCode(s, i);
        if (j != i) {
            i = j;
            continue;
        }
        if (s[i] != '[') {
            ++i;
            continue;
        }
        size_t close = s.find(']', i + 1);
        if (close == std::string_view::npos) break;
        {
            // A workbook path may itself hold "]" (a folder 报表[2010], a file 工资表[1].xls):
            // the database part ends at the first "]" that is followed by ".[" (blanks allowed)
            // and names an existing file, else at the first such "]" at all.
            const size_t db = ifind(s.substr(i + 1, close - i - 1), "database=");
            const size_t semi = s.substr(i + 1, close - i - 1).find(';');
            if (db != std::string_view::npos && semi != std::string_view::npos && semi < db) {
                size_t first = std::string_view::npos;
                for (size_t c = close; c != std::string_view::npos; c = s.find(']', c + 1)) {
                    size_t k = c + 1;
                    while (k < s.size() && std::isspace(static_cast<unsigned char>(s[k]))) ++k;
                    if (k >= s.size() || s[k] != '.') continue;
                    ++k;
                    while (k < s.size() && std::isspace(static_cast<unsigned char>(s[k]))) ++k;
                    if (k >= s.size() || s[k] != '[') continue;
                    if (first == std::string_view::npos) first = c;
                    const std::string path(s.substr(i + 1 + db + 9, c - i - 1 - db - 9));
                    struct stat st {};
                    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
                        first = c;
                        break;
                    }
                }
                if (first != std::string_view::npos) close = first;
            }
        }
        const std::string_view inside = s.substr(i + 1, close - i - 1);
        const size_t db = ifind(inside, "database=");
        const size_t semi = inside.find(';');
        if (db == std::string_view::npos || semi == std::string_view::npos || semi > db) {
            i = close + 1;
            continue;
        }
        if (inside.substr(0, semi).find('[') != std::string_view::npos) {
            // "[姓名 from [Excel 8.0;database=...": an unclosed name before a reference, not a
            // driver; the reference starts at the later "[".
            ++i;
            continue;
        }
        SheetRef ref;
        ref.begin = i;
        ref.driver = std::string(trim(inside.substr(0, semi)));
        std::string_view path = inside.substr(db + 9);
        ref.path = std::string(path);
        size_t k = close + 1;
        while (k < s.size() && std::isspace(static_cast<unsigned char>(s[k]))) ++k;
        if (k >= s.size() || s[k] != '.') {
            throw Error(ErrorKind::Syntax, "SQL 语句中工作簿“" + ref.path +
                                               "”的引用后缺少“.[表名]”：" +
                                               std::string(s.substr(i, close + 1 - i)));
        }
        ++k;
        while (k < s.size() && std::isspace(static_cast<unsigned char>(s[k]))) ++k;
        if (k >= s.size() || s[k] != '[' || s.find(']', k) == std::string_view::npos) {
            throw Error(ErrorKind::Syntax,
                        "SQL 语句中工作簿“" + ref.path + "”的表名没有写在方括号中或方括号没有闭合");
        }
        const size_t sheetEnd = s.find(']', k);
        std::string_view sheet = s.substr(k + 1, sheetEnd - k - 1);
        if (sheet.size() >= 2 && sheet.front() == '\'' && sheet.back() == '\'')
            sheet = sheet.substr(1, sheet.size() - 2);
        ref.sheet = std::string(sheet);
        ref.end = sheetEnd + 1;

        // The alias: "T0" or "as T0" after the reference.
        size_t a = ref.end;
        auto word = [&](size_t from, size_t& stop) {
            while (from < s.size() && std::isspace(static_cast<unsigned char>(s[from]))) ++from;
            size_t e = from;
            if (e < s.size() && isWordStart(static_cast<unsigned char>(s[e])))
                while (e < s.size() && isWordChar(static_cast<unsigned char>(s[e]))) ++e;
            stop = e;
            return s.substr(from, e - from);
        };
        size_t stop;
        std::string_view w = word(a, stop);
        if (equalsNoCase(w, "as")) w = word(stop, stop);
        if (!w.empty() && !isClauseWord(w)) ref.alias = std::string(w);

        refs.push_back(std::move(ref));
        i = sheetEnd + 1;
    }
    return refs;
}

std::string rewriteQuery(std::string_view sql, const std::vector<SheetRef>& refs,
                         const std::vector<std::string>& tables) {
    std::string replaced;
    size_t pos = 0;
    for (size_t i = 0; i < refs.size(); ++i) {
        replaced.append(sql.substr(pos, refs[i].begin - pos));
        replaced += ' ';
        replaced += tables[i];
        replaced += ' ';
        pos = refs[i].end;
    }
    replaced.append(sql.substr(pos));

    std::vector<Token> tokens = tokenize(replaced);
    rewriteTop(tokens);
    std::string out;
    out.reserve(replaced.size() + 32);
    for (const Token& t : tokens) out += t.text;
    return out;
}

namespace {

// The query's tokens without blanks, each reference replaced by the word shuhui_ref_<i>.
struct CompactTokens {
    std::vector<Token> all;
    std::vector<const Token*> t;

    CompactTokens(std::string_view sql, const std::vector<SheetRef>& refs) {
        std::string text;
        size_t pos = 0;
        for (size_t i = 0; i < refs.size(); ++i) {
            text.append(sql.substr(pos, refs[i].begin - pos));
            text += " shuhui_ref_" + std::to_string(i) + " ";
            pos = refs[i].end;
        }
        text.append(sql.substr(pos));
        all = tokenize(text);
        for (const Token& tok : all)
            if (tok.kind != Token::Space) t.push_back(&tok);
        while (!t.empty() && t.back()->kind == Token::Punct && t.back()->text == ";") t.pop_back();
    }
    bool word(size_t i, std::string_view w) const {
        return i < t.size() && t[i]->kind == Token::Word && equalsNoCase(t[i]->text, w);
    }
    bool punct(size_t i, std::string_view p) const {
        return i < t.size() && t[i]->kind == Token::Punct && t[i]->text == p;
    }
    // A field or alias name: a word that is no clause keyword, or a quoted name.
    bool name(size_t i, std::string& out) const {
        if (i >= t.size()) return false;
        if (t[i]->kind == Token::Word) {
            if (equalsNoCase(t[i]->text, "from") || equalsNoCase(t[i]->text, "select") ||
                isClauseWord(t[i]->text) || equalsNoCase(t[i]->text, "and"))
                return false;
            out = t[i]->text;
            return true;
        }
        if (t[i]->kind == Token::Quoted) {
            out = unquotedName(t[i]->text);
            return true;
        }
        return false;
    }
    // shuhui_ref_<i> at i: the reference index.
    std::optional<size_t> ref(size_t i) const {
        if (i >= t.size() || t[i]->kind != Token::Word || t[i]->text.rfind("shuhui_ref_", 0) != 0)
            return std::nullopt;
        return static_cast<size_t>(std::stoul(t[i]->text.substr(11)));
    }
};

}  // namespace

std::optional<PlainJoin> plainJoin(std::string_view sql, const std::vector<SheetRef>& refs) {
    if (refs.size() < 2) return std::nullopt;
    const CompactTokens c(sql, refs);
    PlainJoin j;
    size_t i = 0;
    if (!c.word(i++, "select")) return std::nullopt;
    for (;;) {
        PlainJoin::Item item;
        if (!c.name(i, item.qualifier) || !c.punct(i + 1, ".")) return std::nullopt;
        if (!c.punct(i + 2, "*") && !c.name(i + 2, item.field)) return std::nullopt;
        j.items.push_back(std::move(item));
        i += 3;
        if (!c.punct(i, ",")) break;
        ++i;
    }
    if (!c.word(i++, "from")) return std::nullopt;
    for (;;) {
        const auto r = c.ref(i);
        std::string alias;
        if (!r) return std::nullopt;
        ++i;
        if (c.word(i, "as")) ++i;
        if (!c.name(i, alias) || refs[*r].alias.empty()) return std::nullopt;
        ++i;
        j.tables.push_back(*r);
        if (!c.punct(i, ",")) break;
        ++i;
    }
    if (!c.word(i++, "where")) return std::nullopt;
    for (;;) {
        PlainJoin::Equality e;
        if (!c.name(i, e.leftQualifier) || !c.punct(i + 1, ".") || !c.name(i + 2, e.leftField))
            return std::nullopt;
        i += 3;
        if (c.word(i, "collate")) {
            if (!c.name(i + 1, e.collation)) return std::nullopt;
            i += 2;
        }
        if (!c.punct(i, "=") || !c.name(i + 1, e.rightQualifier) || !c.punct(i + 2, ".") ||
            !c.name(i + 3, e.rightField))
            return std::nullopt;
        j.equalities.push_back(std::move(e));
        i += 4;
        if (!c.word(i, "and")) break;
        ++i;
    }
    if (i != c.t.size()) return std::nullopt;
    return j;
}

std::optional<std::vector<PlainSelect>> plainUnion(std::string_view sql,
                                                   const std::vector<SheetRef>& refs) {
    if (refs.empty()) return std::nullopt;
    const CompactTokens c(sql, refs);
    const auto& t = c.t;

    std::vector<PlainSelect> branches;
    size_t i = 0;
    for (;;) {
        PlainSelect b;
        if (!c.word(i, "select")) return std::nullopt;
        ++i;
        if (c.word(i, "top")) {
            if (i + 1 >= t.size() || t[i + 1]->kind != Token::Number) return std::nullopt;
            for (char ch : t[i + 1]->text)
                if (!std::isdigit(static_cast<unsigned char>(ch))) return std::nullopt;
            b.top = static_cast<size_t>(std::stoul(t[i + 1]->text));
            i += 2;
        }
        if (c.punct(i, "*")) {
            ++i;
        } else {
            for (;;) {
                std::string first, second;
                if (!c.name(i, first)) return std::nullopt;
                if (c.punct(i + 1, ".")) {
                    if (!c.name(i + 2, second)) return std::nullopt;
                    b.qualifiers.push_back(first);
                    b.fields.push_back(second);
                    i += 3;
                } else {
                    b.qualifiers.emplace_back();
                    b.fields.push_back(first);
                    i += 1;
                }
                if (!c.punct(i, ",")) break;
                ++i;
            }
        }
        const auto r = c.ref(i + 1);
        if (!c.word(i, "from") || !r) return std::nullopt;
        b.ref = *r;
        i += 2;
        if (c.word(i, "as")) ++i;
        if (i < t.size() && t[i]->kind == Token::Word && !isClauseWord(t[i]->text)) ++i;
        branches.push_back(std::move(b));
        if (i == t.size()) break;
        if (!c.word(i, "union") || !c.word(i + 1, "all")) return std::nullopt;
        i += 2;
    }
    return branches;
}

}  // namespace shuhui::workbooks
