#include "sheet/view/clipboard_bridge.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include "sheet/block.h"

namespace shuhui::sheetview {

QMimeData* MimeDataForBlock(const sheet::StyledBlock& block) {
    auto* data = new QMimeData;
    data->setData(kBlockMimeType, QByteArray::fromStdString(sheet::encodeBlock(block)));
    data->setText(QString::fromStdString(sheet::blockToTsv(block)));
    data->setHtml(QString::fromStdString(sheet::blockToHtml(block)));
    return data;
}

std::optional<sheet::StyledBlock> BlockFromMimeData(const QMimeData* data) {
    if (!data) return std::nullopt;
    if (data->hasFormat(kBlockMimeType))
        return sheet::decodeBlock(data->data(kBlockMimeType).toStdString());
    if (data->hasText()) {
        sheet::StyledBlock b = sheet::blockFromTsv(data->text().toStdString());
        if (b.rows > 0) return b;
    }
    return std::nullopt;
}

void SystemClipboard::setBlock(const sheet::StyledBlock& block) {
    QApplication::clipboard()->setMimeData(MimeDataForBlock(block));
}

std::optional<sheet::StyledBlock> SystemClipboard::block() const {
    return BlockFromMimeData(QApplication::clipboard()->mimeData());
}

}  // namespace shuhui::sheetview
