// The catalogue of opened workbooks, headless: workbooks and their sheets with three-state checks.
//
//   Catalogue cat;
//   cat.addWorkbook(path, driverText(false), connection);  // re-points the connection; throws
//   cat.toggle(index);  / cat.setChecked(index, true);     // checks cascade both ways
//   for (const CheckedSheet& s : cat.checkedSheets()) ...  // in tree order
//
// Nodes in display order: each workbook node (level 0, text = its path) followed by its sheet nodes
// (level 1, text = the table name, "工资$"). An absolute index counts workbook and sheet nodes
// alike. Checking or unchecking a workbook sets all its sheets; a sheet's change sets its workbook
// to checked (all sheets checked), unchecked (none) or partly checked. The same workbook added
// twice gets two nodes.
//
// The window's check tree (app/catalogue_tree.h) carries this cascade in its own tree items, so
// there is one cascade at run time; this model states it without widgets and is the oracle the
// tree's tests compare against. Both answer the checked sheets as CheckedSheet, and both open a
// workbook through openWorkbookTables.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace shuhui::workbooks {

class Connection;

enum class CheckState { Unchecked, Checked, Partly };

struct CatalogueNode {
    int level = 0;     // 0 workbook, 1 sheet
    std::string text;  // workbook path or table name
    CheckState state = CheckState::Unchecked;
    int parent = -1;  // absolute index of the workbook node of a sheet, -1 for a workbook
};

// One checked sheet: the workbook's path and the sheet's table name, with the node's place.
struct CheckedSheet {
    std::string path;   // the workbook's path (the parent node's text)
    std::string sheet;  // the table name ("工资$")
    int index = 0;      // absolute index of the sheet node
};

// Closes the connection, points it at `path` under `driver`, opens it and returns the workbook's
// table names. On failure the connection stays closed and pointed at `path`, and the error is
// thrown.
std::vector<std::string> openWorkbookTables(const std::string& path, const std::string& driver,
                                            Connection& connection);

class Catalogue {
  public:
    // Closes the connection, points it at `path` under `driver`, opens it and appends the workbook
    // with its table names. On failure nothing is added, the connection stays closed and pointed
    // at `path`, and the error is rethrown.
    void addWorkbook(const std::string& path, const std::string& driver, Connection& connection);
    // Adds a workbook node with the given sheets without touching any file (tests, restoring).
    void appendWorkbook(const std::string& path, const std::vector<std::string>& sheets);
    void clear();

    int nodeCount() const { return static_cast<int>(nodes_.size()); }
    // The node at an absolute index; nullptr when there is none.
    const CatalogueNode* nodeAt(int index) const;
    const std::vector<CatalogueNode>& nodes() const { return nodes_; }
    int workbookCount() const;

    // A click or the space bar: checked -> unchecked, unchecked or partly -> checked.
    void toggle(int index);
    void setChecked(int index, bool checked);
    CheckState state(int index) const;

    std::vector<CheckedSheet> checkedSheets() const;

  private:
    void updateParent(int workbook);
    std::vector<CatalogueNode> nodes_;
};

}  // namespace shuhui::workbooks
