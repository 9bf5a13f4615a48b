#include "merge/irregular/messages.h"

namespace shuhui::irregular {

std::string ConfirmCarrierText(const std::string& entryText) {
    return "当前选中的表为[" + entryText + "],\n" +
           "最后的合并表需要一个做为数据粘贴表,目前所选表\n" + "是您要作为最终合并数据承载表吗?";
}

std::string HeaderRowsNotWholeNumber(const std::string& text) {
    return "表头占用行数\"" + text + "\"不是整数,请设置一个具体的数值!";
}

std::string GapRowsNotWholeNumber(const std::string& text) {
    return "各表数据间空几行\"" + text + "\"不是整数,请设置一个具体的数值!";
}

std::string SingleCellRegionSkipped(const std::string& entryText, const std::string& region) {
    return "工作表[" + entryText + "]的数据区域" + region +
           "只有一个单元格,无法按表头行数下移,该表的数据区域未改变!";
}

}  // namespace shuhui::irregular
