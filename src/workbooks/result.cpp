#include "workbooks/result.h"

#include <cstring>

#include "formats/numfmt.h"
#include "workbooks/no_case.h"

namespace shuhui::workbooks {

const char* fieldTypeName(FieldType type) {
    switch (type) {
        case FieldType::String:
            return "ftString";
        case FieldType::Smallint:
            return "ftSmallint";
        case FieldType::Integer:
            return "ftInteger";
        case FieldType::Word:
            return "ftWord";
        case FieldType::Boolean:
            return "ftBoolean";
        case FieldType::Float:
            return "ftFloat";
        case FieldType::Currency:
            return "ftCurrency";
        case FieldType::BCD:
            return "ftBCD";
        case FieldType::Date:
            return "ftDate";
        case FieldType::Time:
            return "ftTime";
        case FieldType::DateTime:
            return "ftDateTime";
        case FieldType::Largeint:
            return "ftLargeint";
        case FieldType::AutoInc:
            return "ftAutoInc";
        case FieldType::Memo:
            return "ftMemo";
    }
    return "ftUnknown";
}

bool isNumeric(FieldType type) {
    return type == FieldType::Integer || type == FieldType::Word || type == FieldType::Float ||
           type == FieldType::Currency;
}

namespace {
uint64_t bitsOf(double v) {
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}
double doubleOf(uint64_t b) {
    double v;
    std::memcpy(&v, &b, sizeof v);
    return v;
}
}  // namespace

void Column::reserve(size_t rows) {
    kinds_.reserve(rows);
    slots_.reserve(rows);
}

double Column::number(size_t row) const {
    switch (kinds_[row]) {
        case ValueKind::Number:
        case ValueKind::Date:
        case ValueKind::Bool:
            return doubleOf(slots_[row]);
        default:
            return 0;
    }
}

std::string_view Column::text(size_t row) const {
    if (kinds_[row] != ValueKind::Text) return {};
    const uint64_t off = slots_[row];
    uint32_t len;
    std::memcpy(&len, arena_.data() + off, sizeof len);
    return std::string_view(arena_.data() + off + sizeof len, len);
}

Value Column::value(size_t row) const {
    switch (kinds_[row]) {
        case ValueKind::Null:
            return Value::null();
        case ValueKind::Number:
            return Value::fromNumber(number(row));
        case ValueKind::Text:
            return Value::fromText(text(row));
        case ValueKind::Bool:
            return Value::fromBool(number(row) != 0);
        case ValueKind::Date:
            return Value::fromDate(number(row));
    }
    return {};
}

std::string dateDisplayText(double serial, bool date1904) {
    std::string s = formats::serialToIso(serial, date1904);
    if (const size_t t = s.find('T'); t != std::string::npos) s[t] = ' ';
    return s;
}

std::string Column::displayText(size_t row) const {
    switch (kinds_[row]) {
        case ValueKind::Null:
            return {};
        case ValueKind::Number:
            return formats::formatGeneral(number(row));
        case ValueKind::Text:
            return std::string(text(row));
        case ValueKind::Bool:
            return number(row) != 0 ? "True" : "False";
        case ValueKind::Date:
            return dateDisplayText(number(row));
    }
    return {};
}

void Column::appendBool(bool b) {
    kinds_.push_back(ValueKind::Bool);
    slots_.push_back(bitsOf(b ? 1.0 : 0.0));
}
void Column::appendDate(double serial) {
    kinds_.push_back(ValueKind::Date);
    slots_.push_back(bitsOf(serial));
}
void Column::append(const Value& v) {
    switch (v.kind) {
        case ValueKind::Null:
            appendNull();
            break;
        case ValueKind::Number:
            appendNumber(v.number);
            break;
        case ValueKind::Text:
            appendText(v.text);
            break;
        case ValueKind::Bool:
            appendBool(v.number != 0);
            break;
        case ValueKind::Date:
            appendDate(v.number);
            break;
    }
}

void Column::set(size_t row, const Value& v) {
    kinds_[row] = v.kind;
    slots_[row] = v.kind == ValueKind::Text   ? storeText(v.text)
                  : v.kind == ValueKind::Null ? 0
                                              : bitsOf(v.number);
}

void Column::insert(size_t row, const Value& v) {
    kinds_.insert(kinds_.begin() + static_cast<std::ptrdiff_t>(row), ValueKind::Null);
    slots_.insert(slots_.begin() + static_cast<std::ptrdiff_t>(row), 0);
    set(row, v);
}

void Column::erase(size_t row) {
    kinds_.erase(kinds_.begin() + static_cast<std::ptrdiff_t>(row));
    slots_.erase(slots_.begin() + static_cast<std::ptrdiff_t>(row));
}

size_t Column::memoryBytes() const {
    return kinds_.capacity() + slots_.capacity() * sizeof(uint64_t) + arena_.capacity() +
           name_.capacity();
}

namespace {}  // namespace

int Result::fieldIndex(std::string_view name) const {
    for (size_t i = 0; i < columns_.size(); ++i)
        if (equalsNoCase(columns_[i].name(), name)) return static_cast<int>(i);
    return -1;
}

Column& Result::addField(std::string name, FieldType type) {
    columns_.emplace_back(std::move(name), type);
    return columns_.back();
}

void Result::insertRow(size_t at) {
    for (auto& c : columns_) c.insert(at, Value::null());
    ++rows_;
}

void Result::removeRow(size_t at) {
    for (auto& c : columns_) c.erase(at);
    --rows_;
}

size_t Result::memoryBytes() const {
    size_t n = sizeof(*this);
    for (const auto& c : columns_) n += c.memoryBytes() + sizeof(Column);
    return n;
}

}  // namespace shuhui::workbooks
