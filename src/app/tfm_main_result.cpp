// The result grid's population: RebuildResultGrid and ConfigureResultColumns of the main window.
//
// RebuildResultGrid() is what every producer of rows calls right after opening adoExcel: it drops
// the grid's columns, empties the six summary lists and, when the result has rows, creates one
// column per field and calls ConfigureResultColumns(adoExcel). ConfigureResultColumns() gives the
// current columns their default widths, count and sum summaries and money formats through the
// engine (grid/summary_panel.h) and appends the numeric columns to the lists; it never empties
// them.
#include <QCheckBox>
#include <QListWidget>

#include "app/tfm_main.h"
#include "grid/view/grid_table_view.h"

void TfmMain::RebuildResultGrid() {
    shuhui::grid::GridView& view = cxGrid1Level1->engine();
    view.clearColumns();
    summaryTable.clear();
    syncSummaryLists();
    view.setResult(adoExcel.sharedResult());
    if (adoExcel.recordCount() > 0) {
        const shuhui::workbooks::Result& r = adoExcel.result();
        for (size_t i = 0; i < r.fieldCount(); ++i) view.addColumn(r.field(i).name());
        ConfigureResultColumns(adoExcel);
    }
    cxGrid1Level1->refresh();
}

void TfmMain::ConfigureResultColumns(shuhui::workbooks::Query& query) {
    shuhui::grid::GridView& view = cxGrid1Level1->engine();
    // A closed query leaves the columns without fields: none of them counts as numeric then.
    if (view.result() != query.sharedResult()) view.setResult(query.sharedResult());
    shuhui::grid::configureResultColumns(view, summaryTable, rzchckbx_format->isChecked());
    syncSummaryLists();
    cxGrid1Level1->refresh();
}
