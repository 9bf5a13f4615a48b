// Step ①, the header capture: the field names of a sheet, read from its first row.
//
//   headerQuery("Excel 8.0", "D:\\data\\工资.xls", "工资$")
//     == "select top 1 * from [Excel 8.0;database=D:\\data\\工资.xls].[工资$]"
//   std::vector<std::string> names = readFieldNames(query, driver, path, sheet);  // throws
#pragma once

#include <string>
#include <vector>

#include "workbooks/provider.h"

namespace shuhui::merge::horizontal {

std::string headerQuery(const std::string& driver, const std::string& path,
                        const std::string& sheet);

// Sets the header query on `query`, opens it and returns the result's field names in field order.
// The provider's error (file moved away, wrong driver, sheet gone) is thrown as it is.
std::vector<std::string> readFieldNames(workbooks::Query& query, const std::string& driver,
                                        const std::string& path, const std::string& sheet);

}  // namespace shuhui::merge::horizontal
