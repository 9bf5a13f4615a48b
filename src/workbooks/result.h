// Query results: named, typed columns of values, stored column by column.
//
// The provider fills a Result from a query; the grid reads it and edits it in place. A column keeps
// one kind byte and one 8-byte slot per row and its texts in one arena, so a 1,000,000-row result
// costs no heap object per cell. Dates are serial day numbers of the 1900 date system.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace shuhui::workbooks {

// The field types callers see; the names follow the data-access convention ("ftFloat", ...).
enum class FieldType : uint8_t {
    String,
    Smallint,
    Integer,
    Word,
    Boolean,
    Float,
    Currency,
    BCD,
    Date,
    Time,
    DateTime,
    Largeint,
    AutoInc,
    Memo,
};
const char* fieldTypeName(FieldType type);  // "ftString", "ftFloat", ...
// Integer, Word, Float and Currency count as numbers; every other type does not.
bool isNumeric(FieldType type);

enum class ValueKind : uint8_t { Null, Number, Text, Bool, Date };

// One value, for passing single cells around (not for storage).
struct Value {
    ValueKind kind = ValueKind::Null;
    double number = 0;  // Number, Date (serial), Bool (0 or 1)
    std::string text;   // Text

    static Value null() { return {}; }
    static Value fromNumber(double v) { return {ValueKind::Number, v, {}}; }
    static Value fromText(std::string_view t) { return {ValueKind::Text, 0, std::string(t)}; }
    static Value fromBool(bool b) { return {ValueKind::Bool, b ? 1.0 : 0.0, {}}; }
    static Value fromDate(double serial) { return {ValueKind::Date, serial, {}}; }
    bool operator==(const Value&) const = default;
};

// A date serial as the grid shows it: "2010-01-01" for a whole day, "2010-01-01 12:30:00" with a
// time of day.
std::string dateDisplayText(double serial, bool date1904 = false);

class Column {
  public:
    Column(std::string name, FieldType type) : name_(std::move(name)), type_(type) {}

    const std::string& name() const { return name_; }
    FieldType type() const { return type_; }
    void setType(FieldType type) { type_ = type; }
    size_t size() const { return kinds_.size(); }
    void reserve(size_t rows);

    ValueKind kind(size_t row) const { return kinds_[row]; }
    bool isNull(size_t row) const { return kinds_[row] == ValueKind::Null; }
    double number(size_t row) const;          // Number, Date, Bool; 0 for Null and Text
    std::string_view text(size_t row) const;  // Text; empty for the other kinds
    Value value(size_t row) const;
    // The value as the grid shows it unformatted: numbers in General format, dates as
    // dateDisplayText, booleans as "True"/"False", Null as the empty text.
    std::string displayText(size_t row) const;

    // Room for texts of that many bytes in all (each takes 4 bytes more for its length).
    void reserveText(size_t bytes) { arena_.reserve(bytes); }

    void appendNull() {
        kinds_.push_back(ValueKind::Null);
        slots_.push_back(0);
    }
    void appendNumber(double v) {
        kinds_.push_back(ValueKind::Number);
        slots_.push_back(std::bit_cast<uint64_t>(v));
    }
    void appendText(std::string_view t) {
        kinds_.push_back(ValueKind::Text);
        slots_.push_back(storeText(t));
    }
    void appendBool(bool b);
    void appendDate(double serial);
    void append(const Value& v);

    void set(size_t row, const Value& v);
    void insert(size_t row, const Value& v);
    void erase(size_t row);

    size_t memoryBytes() const;

  private:
    uint64_t storeText(std::string_view t) {
        const uint64_t off = arena_.size();
        const uint32_t len = static_cast<uint32_t>(t.size());
        arena_.append(reinterpret_cast<const char*>(&len), sizeof len);
        arena_.append(t.data(), t.size());
        return off;
    }

    std::string name_;
    FieldType type_;
    std::vector<ValueKind> kinds_;
    std::vector<uint64_t> slots_;  // the double's bits, or the text's offset into arena_
    std::string arena_;            // texts: 4-byte length, then the bytes
};

class Result {
  public:
    size_t fieldCount() const { return columns_.size(); }
    size_t rowCount() const { return rows_; }
    bool empty() const { return rows_ == 0; }

    const Column& field(size_t i) const { return columns_[i]; }
    Column& field(size_t i) { return columns_[i]; }
    // Index of the field of that name, letter case ignored; -1 when there is none.
    int fieldIndex(std::string_view name) const;

    Column& addField(std::string name, FieldType type);
    // Call after appending one value to every column.
    void commitRow() { ++rows_; }
    // Keep rows_ in step after editing columns directly.
    void setRowCount(size_t rows) { rows_ = rows; }

    void insertRow(size_t at);  // a row of Nulls
    void removeRow(size_t at);

    size_t memoryBytes() const;

  private:
    std::vector<Column> columns_;
    size_t rows_ = 0;
};

}  // namespace shuhui::workbooks
