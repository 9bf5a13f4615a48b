// Why keys do not meet: the key-match diagnosis, the cardinality guard and the reconciliation of
// the horizontal merge, computed from the provider's cached sheets without running the join.
//
//   DiagnosisInput in{"Excel 8.0", "姓名", {{path0, "工资$", 0, {"基本工资"}},
//                                          {path1, "考勤$", 1, {"考勤扣款"}}}};
//   KeyDiagnosis d = diagnoseKeys(in);          // throws shuhui::Error like the provider
//   d.joinRows                                  // the rows the join will return, exactly
//   if (d.needsConfirmation()) ask(d.confirmationText());
//   auto report = diagnosisReport(d);           // a record set for the result grid
//   std::string text = diagnosisSummary(d);     // a few lines for a message or panel
//   auto lines = reconcile(d, JoinVariant::Join, *result);  // after a result variant ran
//
// The sheets form the join chain in order: sheet i is joined to sheet i - 1 on the key field. Keys
// are compared as the provider compares them: texts without regard to ASCII case, numbers by value,
// a text against a number by the number it spells, empty cells never; with matchFolds set, texts
// after foldKey (the provider's KEYFOLD collations). From the keys of each pair the diagnosis
// counts how many result rows every source row ends up in (its multiplicity); the predicted row
// count, the amounts counted more than once, the amounts that drop out and the reconciliation all
// follow from those multiplicities.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "workbooks/result.h"

namespace shuhui::merge::horizontal {

struct DiagnosisSheet {
    std::string path;   // workbook path
    std::string sheet;  // sheet name as the catalogue lists it, "工资$"
    int page = 0;       // field page; the alias is "T" + page
    // The columns to check, such as the checked fields; those that are not numbers are passed over.
    std::vector<std::string> numberFields;
};

struct DiagnosisInput {
    std::string driver = "Excel 8.0";
    std::string keyField;  // the common field, already cut at "#"
    std::vector<DiagnosisSheet> sheets;
    uint32_t matchFolds = 0;  // 0: the provider's own comparison; else the folds of the option
};

struct SheetKeyStats {
    std::string label;  // "T0 工资$"
    size_t rows = 0;
    size_t distinct = 0;       // distinct non-empty keys
    size_t empty = 0;          // rows whose key is empty or blanks only
    size_t duplicateKeys = 0;  // keys held by more than one row
    size_t duplicateRows = 0;  // rows holding such keys
};

enum class Cardinality { OneToOne, OneToMany, ManyToOne, ManyToMany };
const char* cardinalityText(Cardinality c);  // "1:1", "1:N", "N:1", "N:M"

// A key of one side of a pair that the other side lacks, and what it meets after folding.
struct UnmatchedKey {
    size_t pair = 0;
    bool left = true;  // on the left sheet of the pair
    std::string key;   // as the sheet holds it
    size_t rows = 0;
    std::vector<std::string> meets;  // keys of the other side it meets after folding (a few)
    uint32_t causes = 0;             // KeyCause bits; 0 when it meets nothing
    bool safe = false;               // meets under the safe folds alone (the check box's matching)
};

// A key that matched although one side holds it as a number and the other as a text.
struct MixedTypeMatch {
    size_t pair = 0;
    std::string left, right;
};

struct PairStats {
    size_t left = 0, right = 0;                       // sheet indexes
    size_t matched = 0, onlyLeft = 0, onlyRight = 0;  // distinct keys
    size_t matchedLeftRows = 0, matchedRightRows = 0;
    double matchRate = 0;  // matched / (matched + onlyLeft + onlyRight), 0..1
    Cardinality cardinality = Cardinality::OneToOne;
};

// A key that more than one row of a sheet holds, among the keys the join matches.
struct DuplicateKey {
    size_t sheet = 0;
    std::string key;
    size_t rows = 0;
};

// One number column of a sheet: its total, and what the join makes of it.
struct AmountCheck {
    size_t sheet = 0;
    std::string field;
    size_t sourceRows = 0;
    double source = 0;           // total of the sheet
    double joined = 0;           // total the join's result will show
    double doubled = 0;          // counted more than once: sum of value * (multiplicity - 1)
    double dropped = 0;          // rows the join leaves out: sum of their values
    double leftRightJoined = 0;  // total of the two-sheet left/right variant
    // The keys behind the difference: amount added (+, duplicates) or lost (-, unmatched).
    std::vector<std::pair<std::string, double>> keys;
};

struct KeyDiagnosis {
    std::string keyField;
    uint32_t matchFolds = 0;
    std::vector<SheetKeyStats> sheets;
    std::vector<PairStats> pairs;
    std::vector<UnmatchedKey> unmatched;
    std::vector<MixedTypeMatch> mixedTypes;
    std::vector<DuplicateKey> duplicates;
    std::vector<AmountCheck> amounts;
    uint64_t joinRows = 0;       // rows of "④显示生成结果" and "显示所有表头数据"
    uint64_t leftRightRows = 0;  // rows of "加显表1而表2无的数据" (two sheets only)
    size_t largestSheet = 0;     // index of the sheet with the most rows
    size_t largestRows = 0;

    bool needsConfirmation() const { return joinRows > largestRows; }
    std::string confirmationText() const;
};

KeyDiagnosis diagnoseKeys(const DiagnosisInput& input);

// The report as a record set: one row per finding, columns 类别, 表, 键值, 对方键值, 原因, 行数,
// 金额, 说明, so it can be grouped by 类别, filtered and exported like any result.
std::shared_ptr<workbooks::Result> diagnosisReport(const KeyDiagnosis& d);
// A few lines: rows, match rates, causes found, the rows the join will give, double counting.
std::string diagnosisSummary(const KeyDiagnosis& d);

// Normalised matching: what the join texts carry right after the left side of each key equality
// ("T0.姓名 collate KEYFOLD= T1.姓名") and of each "not in" when the option is on; "" when it is
// off, so the texts stay exactly those of the join step. `folds` as DiagnosisInput::matchFolds.
std::string keyFoldClause(uint32_t folds);
// A query text of the join step or of a result variant with keyFoldClause(folds) put after every
// key field that stands left of "=" or of " not in(": "T0.姓名= T1.姓名" becomes
// "T0.姓名 collate KEYFOLD= T1.姓名". `keyField` as the texts write it (already cut at "#", in
// brackets when it needs them). Sheet references are left alone; with folds 0 the text is returned
// unchanged.
std::string withKeyFold(const std::string& sql, const std::string& keyField, uint32_t folds);

enum class JoinVariant { Join, AllFields, LeftRight };

// After a result variant ran: for each checked number column, the source total against the total
// of its column in the result.
struct ReconcileLine {
    std::string column;  // the result's column name
    std::string sheet;   // "T0 工资$"
    double source = 0, result = 0, difference = 0;
    size_t sourceRows = 0, resultRows = 0;
    bool found = false;                                // the result has the column
    std::vector<std::pair<std::string, double>> keys;  // what causes the difference
    std::string text;  // one line for the footer or the summary panel
};
std::vector<ReconcileLine> reconcile(const KeyDiagnosis& d, JoinVariant variant,
                                     const workbooks::Result& result);

}  // namespace shuhui::merge::horizontal
