#include "sheet/clipboard.h"

namespace shuhui::sheet {

std::shared_ptr<Clipboard> processClipboard() {
    static const std::shared_ptr<Clipboard> clipboard = std::make_shared<LocalClipboard>();
    return clipboard;
}

}  // namespace shuhui::sheet
