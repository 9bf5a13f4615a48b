// The catalogue model (see catalogue.h).
#include "workbooks/catalogue.h"

#include "formats/error.h"
#include "workbooks/provider.h"

namespace shuhui::workbooks {

std::vector<std::string> openWorkbookTables(const std::string& path, const std::string& driver,
                                            Connection& connection) {
    connection.close();
    connection.setConnectionString(connectionString(path, driver));
    connection.open();  // on failure: closed, pointed at `path`
    return connection.tableNames();
}

void Catalogue::addWorkbook(const std::string& path, const std::string& driver,
                            Connection& connection) {
    appendWorkbook(path, openWorkbookTables(path, driver, connection));  // nothing added on failure
}

void Catalogue::appendWorkbook(const std::string& path, const std::vector<std::string>& sheets) {
    const int parent = static_cast<int>(nodes_.size());
    nodes_.push_back({0, path, CheckState::Unchecked, -1});
    for (const auto& s : sheets) nodes_.push_back({1, s, CheckState::Unchecked, parent});
}

void Catalogue::clear() {
    nodes_.clear();
}

const CatalogueNode* Catalogue::nodeAt(int index) const {
    if (index < 0 || index >= static_cast<int>(nodes_.size())) return nullptr;
    return &nodes_[static_cast<size_t>(index)];
}

int Catalogue::workbookCount() const {
    int n = 0;
    for (const auto& node : nodes_) n += node.level == 0;
    return n;
}

CheckState Catalogue::state(int index) const {
    const CatalogueNode* node = nodeAt(index);
    if (!node)
        throw Error(ErrorKind::Internal,
                    "内部错误：目录树中没有第 " + std::to_string(index) + " 个节点");
    return node->state;
}

void Catalogue::toggle(int index) {
    setChecked(index, state(index) != CheckState::Checked);
}

void Catalogue::setChecked(int index, bool checked) {
    state(index);  // validates the index
    const CheckState s = checked ? CheckState::Checked : CheckState::Unchecked;
    CatalogueNode& node = nodes_[static_cast<size_t>(index)];
    node.state = s;
    if (node.level == 0) {
        for (size_t i = static_cast<size_t>(index) + 1; i < nodes_.size() && nodes_[i].level == 1;
             ++i)
            nodes_[i].state = s;
    } else {
        updateParent(node.parent);
    }
}

void Catalogue::updateParent(int workbook) {
    size_t checked = 0, total = 0;
    for (size_t i = static_cast<size_t>(workbook) + 1; i < nodes_.size() && nodes_[i].level == 1;
         ++i) {
        ++total;
        checked += nodes_[i].state == CheckState::Checked;
    }
    nodes_[static_cast<size_t>(workbook)].state = checked == 0       ? CheckState::Unchecked
                                                  : checked == total ? CheckState::Checked
                                                                     : CheckState::Partly;
}

std::vector<CheckedSheet> Catalogue::checkedSheets() const {
    std::vector<CheckedSheet> out;
    for (size_t i = 0; i < nodes_.size(); ++i) {
        const CatalogueNode& n = nodes_[i];
        if (n.level != 1 || n.state != CheckState::Checked) continue;
        out.push_back({nodes_[static_cast<size_t>(n.parent)].text, n.text, static_cast<int>(i)});
    }
    return out;
}

}  // namespace shuhui::workbooks
