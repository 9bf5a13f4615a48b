#include "merge/irregular/carrier_copy.h"

#include "formats/error.h"
#include "merge/irregular/region_text.h"
#include "merge/irregular/source_application.h"

namespace shuhui::irregular {

namespace {

// The source application with the entry's workbook open and its sheet active.
void OpenSheet(SourceApplication& source, const SheetEntry& entry) {
    source->WorkBooks().Open(entry.path);
    source->WorkSheets(ApplicationSheetName(entry.sheet))->Activate();
}

void PasteAt(sheet::Application& result, const std::string& cell) {
    result.ActiveSheet()->Range(cell)->Select();
    result.ActiveSheet()->Paste();
}

}  // namespace

void RunCarrierCopy(sheet::ApplicationFactory& factory, const CarrierCopy& copy,
                    std::unique_ptr<sheet::Application>& resultApp,
                    const std::function<void()>& carrierPasted) {
    if (copy.carrier >= copy.entries.size())
        throw Error(ErrorKind::Internal, "没有选中作为合并数据承载表的工作表");

    // The result: the second worksheet of a new workbook, shown while it is being built.
    resultApp = factory.Create();
    sheet::Application& result = *resultApp;
    result.WorkBooks().Add();
    result.WorkSheets(2)->Activate();
    result.Visible(true);

    // The carrier gives its whole used range, header rows included.
    {
        SourceApplication source(factory);
        OpenSheet(source, copy.entries[copy.carrier]);
        const std::string used = source->ActiveSheet()->UsedRange()->Address();
        source->ActiveSheet()->Range(used)->Copy();
        PasteAt(result, "A1");
        source.Close();
    }
    if (carrierPasted) carrierPasted();

    for (std::size_t i = 0; i < copy.entries.size(); ++i) {
        if (i == copy.carrier) continue;
        const SheetEntry& entry = copy.entries[i];
        SourceApplication source(factory);
        OpenSheet(source, entry);
        if (i >= copy.regions.size())
            throw Error(ErrorKind::NotFound,
                        "工作表[" + entry.Text() + "]没有数据区域,请重新获取各表的数据区域");
        source->ActiveSheet()->Range(copy.regions[i])->Copy();
        PasteAt(result, NextPasteCell(result.ActiveSheet()->UsedRange()->Address(), copy.gapRows));
        source.Close();
    }
}

}  // namespace shuhui::irregular
