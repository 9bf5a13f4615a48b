// The SQLite virtual table module "shuhui_sheet": a cached SheetTable served to SQL without a copy.
//
//   registerSheetModule(db);            // once per database handle
//   uint64_t id = publishSheet(table);  // CREATE VIRTUAL TABLE x USING shuhui_sheet(<id>)
//   ... DROP TABLE x; unpublishSheet(id);
//
// Columns are declared FLOAT, CURRENCY, DATETIME, BOOLEAN or TEXT COLLATE NOCASE after the field
// types, so a result's declared column types give back the field types. An equality constraint on
// any column is answered from the column's hash index (built on first use and kept with the table);
// SQLite still checks every row it is given, so the index only has to offer a superset of matches.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>

#include "workbooks/sheet_table.h"

namespace shuhui::workbooks {

void registerSheetModule(sqlite3* db);
// The collations KEYFOLD, KEYFOLD_NUM, KEYFOLD_ZERO and KEYFOLD_NUM_ZERO (key_fold.h): texts
// compared after foldKey, in the byte order of the folded texts. The module's index walks serve
// equalities under them from a folded index.
void registerKeyFoldCollations(sqlite3* db);
uint64_t publishSheet(std::shared_ptr<const SheetTable> table);
void unpublishSheet(uint64_t id);

// The declared SQL type of a field type, and back (String for anything unknown).
const char* declaredType(FieldType type);

}  // namespace shuhui::workbooks
