#include "merge/irregular/survey.h"

#include <exception>
#include <memory>

#include "merge/irregular/sheet_entry.h"
#include "merge/irregular/source_application.h"

namespace shuhui::irregular {

std::optional<std::string> SurveySheetRegion(sheet::ApplicationFactory& factory,
                                             const std::string& path, const std::string& sheet) {
    std::unique_ptr<SourceApplication> source;
    try {
        source = std::make_unique<SourceApplication>(factory);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    (*source)->WorkBooks().Open(path);
    std::string region = (*source)->WorkSheets(ApplicationSheetName(sheet))->UsedRange()->Address();
    source->Close();
    return region;
}

}  // namespace shuhui::irregular
