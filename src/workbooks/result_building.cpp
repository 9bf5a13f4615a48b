// Building result columns (see result_building.h).
#include "workbooks/result_building.h"

#include <map>

#include "workbooks/no_case.h"
#include "workbooks/run_limits.h"
#include "workbooks/sql_errors.h"

namespace shuhui::workbooks {
namespace {

std::string valueAsText(const Column& c, size_t row) {
    switch (c.kind(row)) {
        case ValueKind::Null:
            return {};
        case ValueKind::Number:
            return formats::formatGeneral(c.number(row));
        case ValueKind::Date:
            return dateDisplayText(c.number(row));
        case ValueKind::Bool:
            return c.number(row) != 0 ? "TRUE" : "FALSE";
        case ValueKind::Text:
            return std::string(c.text(row));
    }
    return {};
}

}  // namespace

FieldType typeOfDecl(const char* decl, bool& known) {
    known = decl != nullptr;
    if (!decl) return FieldType::String;
    const std::string_view d(decl);
    if (equalsNoCase(d, "FLOAT")) return FieldType::Float;
    if (equalsNoCase(d, "CURRENCY")) return FieldType::Currency;
    if (equalsNoCase(d, "DATETIME")) return FieldType::DateTime;
    if (equalsNoCase(d, "BOOLEAN")) return FieldType::Boolean;
    return FieldType::String;
}

void demoteToText(Column& c) {
    Column text(c.name(), FieldType::String);
    text.reserve(c.size());
    for (size_t r = 0; r < c.size(); ++r) {
        if (c.isNull(r))
            text.appendNull();
        else if (c.kind(r) == ValueKind::Text)
            text.appendText(c.text(r));
        else
            text.appendText(valueAsText(c, r));
    }
    c = std::move(text);
}

// Result field names made unique: a name that occurs twice (T0.*,T1.* both hold 姓名) is told
// apart by its table's alias (T0.姓名, T1.姓名); what is still repeated gets a numeric suffix.
std::vector<std::string> uniqueFieldNames(std::vector<std::string> names,
                                          const std::vector<std::string>& aliases) {
    const size_t n = names.size();
    auto dup = [&](const std::string& nm, size_t self) {
        for (size_t k = 0; k < n; ++k)
            if (k != self && equalsNoCase(names[k], nm)) return true;
        return false;
    };
    std::vector<bool> repeated(n);
    for (size_t i = 0; i < n; ++i) repeated[i] = dup(names[i], i);
    for (size_t i = 0; i < n; ++i) {
        if (!repeated[i] || aliases[i].empty()) continue;
        const std::string candidate = aliases[i] + "." + names[i];
        if (!dup(candidate, i)) names[i] = candidate;
    }
    for (size_t i = 0; i < n; ++i) {
        for (size_t k = 0; k < i; ++k) {
            if (!equalsNoCase(names[k], names[i])) continue;
            for (int s = 1;; ++s) {
                std::string candidate = names[i] + std::to_string(s);
                bool clash = false;
                for (size_t j = 0; j < n && !clash; ++j)
                    clash = j != i && equalsNoCase(names[j], candidate);
                if (!clash) {
                    names[i] = candidate;
                    break;
                }
            }
            break;
        }
    }
    return names;
}

std::shared_ptr<Result> resultOfStatement(sqlite3_stmt* stmt, const std::vector<SheetRef>& refs,
                                          const std::vector<std::string>& names,
                                          size_t expectedRows) {
    auto result = std::make_shared<Result>();
    const int n = sqlite3_column_count(stmt);
    std::vector<bool> known(static_cast<size_t>(n));
    std::map<std::string, std::string> aliasOf;  // our table name -> the alias the query gave it
    for (size_t i = 0; i < refs.size(); ++i)
        if (!refs[i].alias.empty()) aliasOf.emplace(names[i], refs[i].alias);
    std::vector<std::string> fieldNames;
    for (int i = 0; i < n; ++i) {
        std::string name = sqlite3_column_name(stmt, i) ? sqlite3_column_name(stmt, i) : "";
        const char* origin = sqlite3_column_origin_name(stmt, i);
        if (!origin &&
            (name.empty() || name.front() == '\'' || name.find('(') != std::string::npos))
            name = "Expr" + std::to_string(1000 + i);
        fieldNames.push_back(std::move(name));
    }
    std::vector<std::string> aliases(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const char* table = sqlite3_column_table_name(stmt, i);
        auto a = table ? aliasOf.find(table) : aliasOf.end();
        if (a != aliasOf.end()) aliases[static_cast<size_t>(i)] = a->second;
    }
    fieldNames = uniqueFieldNames(std::move(fieldNames), aliases);
    for (int i = 0; i < n; ++i) {
        const std::string& nm = fieldNames[static_cast<size_t>(i)];
        bool isKnown;
        const FieldType t = typeOfDecl(sqlite3_column_decltype(stmt, i), isKnown);
        known[static_cast<size_t>(i)] = isKnown;
        result->addField(nm, t).reserve(expectedRows);
    }

    const RunLimits& limits = RunLimits::instance();
    const size_t fields = static_cast<size_t>(n);
    for (size_t rows = 0;; ++rows) {
        const int rc = sqlite3_step(stmt);
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) throwSqlError(sqlite3_db_handle(stmt), rc, 0, refs, names);
        if ((rows & 1023) == 0 && limits.tooLarge(rows + 1, fields))
            limits.refuseSize(rows + 1, fields, true);
        for (int i = 0; i < n; ++i) {
            Column& col = result->field(static_cast<size_t>(i));
            const int vt = sqlite3_column_type(stmt, i);
            if (vt == SQLITE_NULL) {
                col.appendNull();
                continue;
            }
            if (!known[static_cast<size_t>(i)]) {
                // An expression: the first value decides, later ones may still demote to text.
                col.setType(vt == SQLITE_TEXT || vt == SQLITE_BLOB ? FieldType::String
                                                                   : FieldType::Float);
                known[static_cast<size_t>(i)] = true;
            }
            if (vt == SQLITE_INTEGER || vt == SQLITE_FLOAT) {
                appendNumberAs(col, sqlite3_column_double(stmt, i));
                continue;
            }
            // The blob form of a text needs no terminating NUL, so SQLite hands over its buffer
            // without copying it.
            const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt, i));
            appendTextAs(col, std::string_view(p ? p : "",
                                               static_cast<size_t>(sqlite3_column_bytes(stmt, i))));
        }
        result->commitRow();
    }
    if (limits.tooLarge(result->rowCount(), fields))
        limits.refuseSize(result->rowCount(), fields, false);
    return result;
}

}  // namespace shuhui::workbooks
