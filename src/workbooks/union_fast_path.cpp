// The union fast path (see union_fast_path.h).
#include "workbooks/union_fast_path.h"

#include "workbooks/run_limits.h"

#include <algorithm>

#include "workbooks/no_case.h"
#include "workbooks/result_building.h"

namespace shuhui::workbooks {

// Plain selects of whole sheets stacked with "union all" are copied from the cached tables
// straight into the result, under the same naming and typing rules as the engine's path. Anything
// this path does not resolve (an unknown field, a wrong alias, branches of different widths, a
// repeated name) goes to the engine, which gives the answer or the error.
std::shared_ptr<Result> runPlain(const std::vector<PlainSelect>& branches,
                                 const std::vector<SheetRef>& refs,
                                 const std::vector<std::shared_ptr<const SheetTable>>& tables) {
    std::vector<std::vector<size_t>> columns(branches.size());
    size_t width = 0, total = 0;
    for (size_t b = 0; b < branches.size(); ++b) {
        const PlainSelect& br = branches[b];
        const SheetTable& t = *tables[br.ref];
        const std::string& alias = refs[br.ref].alias;
        if (br.fields.empty()) {
            for (size_t k = 0; k < t.width(); ++k) columns[b].push_back(k);
        } else {
            for (size_t k = 0; k < br.fields.size(); ++k) {
                if (!br.qualifiers[k].empty() && !equalsNoCase(br.qualifiers[k], alias))
                    return nullptr;
                size_t found = t.width();
                for (size_t f = 0; f < t.width(); ++f)
                    if (equalsNoCase(t.fields[f].name, br.fields[k])) {
                        found = f;
                        break;
                    }
                if (found == t.width()) return nullptr;
                columns[b].push_back(found);
            }
        }
        if (b == 0) width = columns[0].size();
        if (columns[b].size() != width) return nullptr;
        total += br.top ? std::min(*br.top, t.rows) : t.rows;
    }
    const SheetTable& first = *tables[branches[0].ref];
    for (size_t a = 0; a < width; ++a)
        for (size_t c = a + 1; c < width; ++c)
            if (equalsNoCase(first.fields[columns[0][a]].name, first.fields[columns[0][c]].name))
                return nullptr;

    RunLimits::instance().checkCells(total, width);
    auto result = std::make_shared<Result>();
    for (size_t k = 0; k < width; ++k) {
        const SheetField& f = first.fields[columns[0][k]];
        result->addField(f.name, f.type).reserve(total);
    }
    for (size_t b = 0; b < branches.size(); ++b) {
        const SheetTable& t = *tables[branches[b].ref];
        const size_t rows = branches[b].top ? std::min(*branches[b].top, t.rows) : t.rows;
        for (size_t k = 0; k < width; ++k) {
            Column& col = result->field(k);
            const size_t src = columns[b][k];
            for (size_t r = 0; r < rows; ++r) {
                switch (t.kind(r, src)) {
                    case ValueKind::Null:
                        col.appendNull();
                        break;
                    case ValueKind::Text:
                        appendTextAs(col, t.text(r, src));
                        break;
                    default:
                        appendNumberAs(col, t.number(r, src));
                        break;
                }
            }
        }
    }
    result->setRowCount(total);
    return result;
}

}  // namespace shuhui::workbooks
