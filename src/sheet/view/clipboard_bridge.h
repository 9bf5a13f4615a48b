// The spreadsheet application's clipboard on the system clipboard (QClipboard).
//
// A copy puts three forms there: our own MIME type kBlockMimeType (values, styles, merges, column
// widths, row heights), tab-separated text (text/plain) and an HTML table (text/html), so the
// cells can be pasted into another program as well. A paste reads our own form back when it is
// there and otherwise takes the text form as tab-separated values.
#pragma once

#include <QString>
#include <optional>

#include "sheet/clipboard.h"

class QMimeData;

namespace shuhui::sheetview {

inline const QString kBlockMimeType = QStringLiteral("application/x-shuhui-cells");

// A new QMimeData with the three forms of `block` (the caller owns it).
QMimeData* MimeDataForBlock(const sheet::StyledBlock& block);
// Our own form when present, else the text form; nullopt when neither is there.
std::optional<sheet::StyledBlock> BlockFromMimeData(const QMimeData* data);

class SystemClipboard : public sheet::Clipboard {
  public:
    void setBlock(const sheet::StyledBlock& block) override;
    std::optional<sheet::StyledBlock> block() const override;
};

}  // namespace shuhui::sheetview
