// Helpers shared by the provider and catalogue tests: fixture paths, query runs, rows as text.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "formats/error.h"
#include "workbooks/provider.h"

namespace shuhui::workbooks::test {

inline std::string fixture(const std::string& name) {
    return std::string(SHUHUI_FIXTURES) + "/workbooks/" + name;
}

inline std::string ref8(const std::string& file, const std::string& sheet) {
    return sheetReference("Excel 8.0", fixture(file), sheet);
}

// One row as "a|b|c", values as the grid shows them unformatted.
inline std::string rowText(const Result& r, size_t row) {
    std::string s;
    for (size_t c = 0; c < r.fieldCount(); ++c) {
        if (c) s += '|';
        s += r.field(c).displayText(row);
    }
    return s;
}

inline std::vector<std::string> rows(const Result& r, bool sorted = false) {
    std::vector<std::string> out;
    for (size_t i = 0; i < r.rowCount(); ++i) out.push_back(rowText(r, i));
    if (sorted) std::sort(out.begin(), out.end());
    return out;
}

inline std::vector<std::string> fieldNames(const Result& r) {
    std::vector<std::string> out;
    for (size_t c = 0; c < r.fieldCount(); ++c) out.push_back(r.field(c).name());
    return out;
}

inline std::vector<std::string> fieldTypes(const Result& r) {
    std::vector<std::string> out;
    for (size_t c = 0; c < r.fieldCount(); ++c) out.push_back(fieldTypeName(r.field(c).type()));
    return out;
}

// Opens `sql` on `query` and expects an Error of `kind` whose message holds `words`; the query is
// left closed.
inline void expectQueryError(Query& query, const std::string& sql, ErrorKind kind,
                             const std::string& words) {
    query.setSql(sql);
    try {
        query.open();
        ADD_FAILURE() << "no error for: " << sql;
    } catch (const Error& e) {
        EXPECT_EQ(int(e.kind()), int(kind)) << sql << "\n" << e.what();
        EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << sql << "\n" << e.what();
    }
    EXPECT_FALSE(query.active()) << sql;
}

// A connection opened on a fixture workbook of the provider's set.
inline void openOn(Connection& conn, const std::string& file) {
    conn.setConnectionString(connectionString(fixture(file), "Excel 8.0"));
    conn.open();
}

// A temporary folder removed at the end of the test.
struct TempDir {
    std::filesystem::path path;
    TempDir() {
        path = std::filesystem::temp_directory_path() /
               ("shuhui_wb_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempDir() { std::filesystem::remove_all(path); }
};

}  // namespace shuhui::workbooks::test
