// The result grid's population: RebuildResultGrid and ConfigureResultColumns of the main window.
#include "app/tfm_main.h"

void TfmMain::RebuildResultGrid() {}

void TfmMain::ConfigureResultColumns(shuhui::workbooks::Query&) {}
