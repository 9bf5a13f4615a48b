// The texts the irregular-header merge shows, in one place. Texts of the window's own prompts
// (caption "信息提示") and the messages of the errors this library throws.
#pragma once

#include <string>

namespace shuhui::irregular {

inline constexpr char kCaption[] = "信息提示";
// No spreadsheet application could be started for a sheet's survey.
inline constexpr char kNoApplication[] = "您的电脑未安装Excel!";
inline constexpr char kHeaderRowsNotPositive[] = "表头行数不能为0,请设置一个具体的数值!";
inline constexpr char kNoCarrierSelected[] = "请您在上框中选择一项作为最终合并数据承载表!";

// The question before the copy, three lines.
std::string ConfirmCarrierText(const std::string& entryText);

// A field of the page holds a text that is not a whole number.
std::string HeaderRowsNotWholeNumber(const std::string& text);
std::string GapRowsNotWholeNumber(const std::string& text);

// The header-row shift skipped a region that is a single cell.
std::string SingleCellRegionSkipped(const std::string& entryText, const std::string& region);

}  // namespace shuhui::irregular
