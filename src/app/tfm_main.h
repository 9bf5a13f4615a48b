// TfmMain: the main window. It derives from the borderless TForm1, owns every control of the
// program for the whole run and holds the handlers of its buttons, lists and tree.
//
// Order: construct (the layout is built, then FormCreate hides the analysis pages' tabs); the
// first show runs FormShow (tabs hidden, query page active, result panel placed at 231,85,
// version appended to the caption); destruction runs FormDestroy.
//
// Layout construction lives in tfm_main_layout.cpp; the catalogue handlers in
// tfm_main_catalogue.cpp; the result-grid handlers in tfm_main_grid.cpp; the one-row-header
// vertical merge in tfm_main_vmerge*.cpp; the irregular-header merge in tfm_main_irregular*.cpp;
// the horizontal merge page in tfm_main_hmerge_layout.cpp and its handlers in tfm_main_hmerge.cpp.
#pragma once

#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "app/catalogue_tree.h"
#include "frame/frame_controls.h"
#include "frame/tform1.h"
#include "frame/ttranspnl.h"
#include "grid/summary_panel.h"
#include "grid/view/result_grid.h"
#include "merge/horizontal/field_page.h"
#include "merge/horizontal/join_plan.h"
#include "sheet/automation.h"
#include "merge/horizontal/key_diagnosis.h"
#include "workbooks/catalogue.h"
#include "workbooks/provider.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMouseEvent;
class QPlainTextEdit;
class TabRows;
class QRadioButton;
class QTabWidget;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;

class TfmMain : public TForm1 {
    Q_OBJECT
  public:
    // `versionFile`: the INI file read for the caption; empty means curVer.txt beside the program.
    explicit TfmMain(QWidget* parent = nullptr, const QString& versionFile = QString());
    ~TfmMain() override;

    // ---- the window's state that other parts use ----
    QTreeWidgetItem* ClickedNode = nullptr;  // node under the pointer at the last tree press
    // The result application of the newest irregular-header merge; empty until the first run.
    std::unique_ptr<shuhui::sheet::Application> ExcelApp;
    // Starts spreadsheet applications; the embedded one unless a test sets another first.
    std::unique_ptr<shuhui::sheet::ApplicationFactory> ExcelFactory;
    QString JoinSelectList;
    QString JoinFromClause;
    QString JoinWhereClause;
    QString JoinTableList;
    QString JoinQuery;

    // ---- the data provider: one connection, the result query and two first-row queries ----
    shuhui::workbooks::Connection adoc_Excel;
    shuhui::workbooks::Query adoExcel{adoc_Excel};  // its result feeds the grid
    shuhui::workbooks::Query qry_get_field{adoc_Excel};
    shuhui::workbooks::Query qry_temp{adoc_Excel};

    // ---- mode bar ----
    QButtonGroup* modeGroup;
    TBmpButton* RzBmpButton6;  // "  查询汇总"
    TBmpButton* RzBmpButton4;  // "  横向合并"
    TBmpButton* RzBmpButton5;  // "  纵向合并"
    QTabWidget* RzPageControl1;
    QWidget* tsFind;
    QWidget* tsHX;
    QWidget* tsZx;
    QLabel* rlbInfo;

    // ---- catalogue (RzPanel3) ----
    QRadioButton* rrb2003;
    QRadioButton* rrb2007;
    QCheckBox* rcbClear;
    TBmpButton* RzBmpButton7;  // "  打开文件"
    QTreeWidget* RzCheckTree1;

    // ---- horizontal merge page ----
    QTabWidget* rzpg_fields;
    QTabWidget* rzpg_fenxi;
    QWidget* rztbsht_public_select_field_1;
    QWidget* rztbsht_public_field_set;
    QWidget* rztbsht_public_test_result;
    QCheckBox* rzchckbx_format;
    // (tfm_main_hmerge_layout.cpp, handlers in tfm_main_hmerge.cpp)
    TabRows* rzpg_fields_tabs;  // the tabs of rzpg_fields, in rows
    TImage* img_botom;          // strip across the top of the page
    QLabel* lbl_hov_memo;
    QButtonGroup* hmergeStepGroup;     // the three step buttons
    TBmpButton* btn_get_sheet_field;   // "①取选中表表头"
    TBmpButton* btn_set_public_field;  // "②设置共有字段"
    TBmpButton* btn_Enter;             // "③设置生成结果"
    TBmpButton* btn_all_select;        // "< 全选"
    TBmpButton* btn_all_clear;         // "< 全清"
    TPanel* rzpnl_kz1;
    QPlainTextEdit* edt_select_field1;  // usage notes
    TPanel* rzpnl_title1;
    QLineEdit* edt_public_field_name;
    QLineEdit* edt_memo;
    TBmpButton* btn_get_auto;  // "智能获取共有字段"
    QPlainTextEdit* mmo_count;
    QComboBox* comList;  // never shown: item texts = names, item data = counts (decimal text)
    TPanel* rzpnl_kz2;
    QPlainTextEdit* mmo_fxjg;
    TBmpButton* btn_left_right;  // "加显表1而表2无的数据"
    TBmpButton* btn_Gen;         // "④显示生成结果"
    TBmpButton* btn_all_join;    // "显示所有表头数据"
    QPlainTextEdit* edt_select_field2;
    // The field pages of the last capture, by page number: the tab sheet (caption = sheet name,
    // tool tip = page number, properties "tag" = tree index, "workbookPath", "sheetName") and its
    // check list tcheck<n>. An entry is null when its page was never made (a failed capture).
    std::vector<QPointer<QWidget>> FieldPages;
    std::vector<QPointer<QListWidget>> FieldLists;
    // The plan of the last complete step ③.
    shuhui::merge::horizontal::JoinPlan LastJoinPlan;
    // Key-match diagnosis on the page 测试结果 (tfm_main_diagnosis.cpp): the button, the normalised
    // matching switch, and a line under the grid with the summary or the reconciliation.
    TBmpButton* btn_key_diagnosis;  // "匹配诊断"
    QCheckBox* rzchckbx_key_fold;   // "忽略空格、全半角与大小写差异"
    QLabel* lbl_key_check;          // under the result grid
    // The diagnosis of the plan the last result variant ran (for its reconciliation).
    std::optional<shuhui::merge::horizontal::KeyDiagnosis> LastDiagnosis;

    // ---- vertical merge page ----
    QButtonGroup* verModeGroup;
    TBmpButton* btn_verhb_btn2;  // "规则表头合并"
    TBmpButton* btn_ver_hbbtn3;  // "不规则表头合并"
    QTabWidget* rzpg_ver_hb;
    QWidget* rztbs_ver_hb_Tab_1;
    QWidget* rztbs_ver_hb_Tab_2;
    // page 2, irregular header (tfm_main_irregular_layout.cpp, tfm_main_irregular.cpp). An entry
    // of lst_vert_hb2_stName keeps its workbook path and sheet name as data (kEntryPathRole,
    // kEntrySheetRole); entry i of lst_vert_hb2_regioninfo is the region of that sheet.
    QLabel* lbl_ver_hb_2;
    QTextEdit* edt_ver_hb_22;
    QLabel* lbl_ver_hb_2bb;
    QLabel* lbl_xls_name;
    QLabel* lbl_regon_lab;
    QListWidget* lst_vert_hb2_stName;
    QListWidget* lst_vert_hb2_regioninfo;
    QLabel* lbl_hshead;
    QLineEdit* edt_field_hs;
    QLabel* lbl_KKhh;
    QLineEdit* edt_ver_hb_kh;
    TBmpButton* btn_ver_hb_bgz_1;   // "设置行数"
    TBmpButton* btn_vert_hb_entry;  // "生成合并表"
    static constexpr int kEntryPathRole = Qt::UserRole;
    static constexpr int kEntrySheetRole = Qt::UserRole + 1;
    TPanel* rzpnl_Field_order;
    TPanel* rzpnl_field_sort_top;
    TTransPnl* trnspnl_over_order;
    // page 1, one-row header (tfm_main_vmerge_layout.cpp, tfm_main_vmerge.cpp). An entry of
    // lst_ver_hb_1 keeps its workbook path as Qt::UserRole data and its sheet name as
    // Qt::UserRole + 1 data; an entry of edt_ver_hb_text keeps its field names as a QStringList
    // in Qt::UserRole data.
    QLabel* lbl_ver_hj_2;
    QTextEdit* rp_ver_hb_1_memo;
    QLabel* lbl_Ver_hb_1;
    QListWidget* lst_ver_hb_1;
    QLabel* lbl_ver_hb_4;
    QListWidget* lst_Field_order_shtname;
    QListWidget* edt_ver_hb_text;
    QListWidget* lst_field_order_count;
    TBmpButton* btn_all_selectAdd;  // "①合并检查"
    TBmpButton* btn_field_verhb;    // "②生成结果"
    TBmpButton* btn_field_order_close;
    TBmpButton* btn_up;
    TBmpButton* btn_down;
    TBmpButton* btn_field_order_del;
    TBmpButton* btn_centry_field_order;  // "确定"
    QListWidget* lst_Field_order_list;

    // ---- result panel ----
    TPanel* rzpnl_kz_cxgrid;
    TPanel* rzpnl_kz4;  // title strip
    TImage* img9;
    TImage* img10;
    TImage* img11;
    QLabel* lbl_kz4_title;  // "合并表格操作区"
    TBmpButton* btn_cxGrid_close;
    TImage* img6;
    TImage* img7;
    TImage* img_cx;  // toolbar background
    TBmpButton* btn_option;
    TBmpButton* btn_sum_option;
    TBmpButton* btn_gen_sum;
    TBmpButton* btn_export;
    QCheckBox* rzchckbx_zd_zk;
    QWidget* cxGrid1;  // container of the grid widget (QVBoxLayout, margins 0)
    QVBoxLayout* cxGrid1Layout;
    // The grid widget inside cxGrid1 (it owns the engine); its table view is cxGrid1DBTableView1.
    shuhui::grid::view::ResultGrid* cxGrid1Level1 = nullptr;
    shuhui::grid::view::GridTableView* cxGrid1DBTableView1 = nullptr;
    // The six summary lists as one table, and the summary panel's logic over it
    // (tfm_main_grid.cpp).
    shuhui::grid::SummaryTable summaryTable;
    std::unique_ptr<shuhui::grid::SummaryPanel> summaryPanel;
    TImage* img1;
    TImage* img_cx_bottom;
    TImage* img5;
    TImage* img4;

    // view options panel
    TPanel* rzpnl_kz;
    TPanel* rzpnl_kz_top;
    TBmpButton* btn_option_close;
    QCheckBox* rzchckbx_field_filter;
    QCheckBox* rzchckbx_col_AutoWidth;
    QCheckBox* rzchckbx_foot;
    QCheckBox* rzchckbx_group_foot;
    QCheckBox* rzchckbx_group_box;
    QCheckBox* rzchckbx_fot_filter;

    // summary control panel
    TPanel* rzpnl_sum_kz;
    TPanel* rzpnl_sum_option;
    TBmpButton* btn_sum_option_close;
    QListWidget* lst_num_Field;
    QListWidget* lst_num_Field_sum_type;
    QListWidget* lst_num_Field_xsws;
    QListWidget* lst_num_Field_id;
    QListWidget* lst_num_Field_hbfh;
    QListWidget* lst_num_Field_align;
    TPanel* rzpnl_Field_edit;
    QLineEdit* edt_field_name;
    QComboBox* cbb_sum_type;
    QComboBox* cbb_xsws;
    QComboBox* cbb_hbfh;
    QComboBox* cbb_align;
    TBmpButton* btn_ok;
    TBmpButton* btn_edit_show_close;
    TTransPnl* trnspnl_over;

    // loading notice, with the button that stops a long query
    TPanel* rzpnl_loading;
    TBmpButton* btn_loading_cancel;

    // ---- shared operations ----
    // Sets the text of adoExcel and opens it behind the loading notice, which offers "取消" while
    // the query runs (tfm_main_run.cpp). Returns false when the user cancelled: then "已取消" has
    // been said and adoExcel holds its earlier text and result again, so the grid stays as it was.
    // A failure of the query is thrown, as Query::open throws it.
    bool OpenResultQuery(const std::string& sql);
    void ShowResultPanel();
    // Rebuilds the grid's columns from the open result of adoExcel with their default widths,
    // summaries and money formats, and refills the six summary lists (tfm_main_result.cpp).
    void RebuildResultGrid();
    void ConfigureResultColumns(shuhui::workbooks::Query& query);
    int ShowWarning(const QString& text, const QString& caption);
    int AskConfirm(const QString& text, const QString& caption);
    QStringList SplitText(const QString& text, const QString& separator);
    void setVersionFilePath(const QString& path) { versionFile_ = path; }

    // ---- lifecycle ----
    void FormCreate();
    void FormShow();
    void FormDestroy();

    // ---- mode buttons ----
    void RzBmpButton6Click();
    void RzBmpButton4Click();
    void RzBmpButton5Click();

    // ---- result panel frame and floating panels ----
    void btn_cxGrid_closeClick();
    void img10MouseDown(QMouseEvent* event);
    void img5MouseDown(QMouseEvent* event);
    void img6MouseDown(QMouseEvent* event);
    void img7MouseDown(QMouseEvent* event);
    void img_cxMouseDown(QMouseEvent* event);
    void rzpnl_kz_topMouseDown(QMouseEvent* event);
    void rzpnl_sum_optionMouseDown(QMouseEvent* event);
    void rzpnl_Field_editMouseDown(QMouseEvent* event);
    void rzpnl_field_sort_topMouseDown(QMouseEvent* event);

    // ---- catalogue (tfm_main_catalogue.cpp) ----
    void RzBmpButton7Click();
    void RzCheckTree1MouseDown(QMouseEvent* event);
    void RzCheckTree1DblClick();
    // "Excel 8.0" while rrb2003 is checked, "Excel 12.0" while rrb2007 is; read afresh each time.
    QString DriverText() const;
    // Points adoc_Excel at the workbook and appends its node and sheet nodes; a provider error
    // propagates (no node, connection left closed on that file).
    void AddWorkbook(const QString& path);
    // Opens workbooks as "打开文件" does once its dialog is answered: the clear box empties the
    // tree first, then each file in turn (the first failing one stops the rest, its error goes on).
    void OpenWorkbookFiles(const QStringList& files);
    // Files named on the command line, opened (as absolute paths) once the loop runs, so that a
    // failure reaches the error report like any other.
    void OpenCommandLineFiles(const QStringList& files);
    // The checked sheets in tree order: workbook path and table name (with the node's absolute
    // index), as the engine takes them.
    std::vector<shuhui::workbooks::CheckedSheet> CheckedSheets() const;

    // ---- vertical merge, one-row header (tfm_main_vmerge.cpp) ----
    void btn_verhb_btn2Click();
    void btn_all_selectAddClick();
    void btn_field_verhbClick();
    void edt_ver_hb_textDblClick();
    void edt_ver_hb_textClick();
    void lst_Field_order_shtnameClick();
    void lst_field_order_countClick();
    void btn_upClick();
    void btn_downClick();
    void btn_field_order_delClick();
    void btn_centry_field_orderClick();
    void btn_field_order_closeClick();

    // ---- horizontal merge (tfm_main_hmerge.cpp) ----
    void btn_get_sheet_fieldClick();
    void btn_all_selectClick();
    void btn_all_clearClick();
    void btn_set_public_fieldClick();
    void btn_get_autoClick();
    void btn_EnterClick();
    void btn_GenClick();
    void btn_all_joinClick();
    void btn_left_rightClick();
    void btn_key_diagnosisClick();  // tfm_main_diagnosis.cpp
    // The field pages as they stand now: path, sheet, items and check states.
    std::vector<shuhui::merge::horizontal::FieldPage> CurrentFieldPages() const;

    // ---- result grid: view options, summary control, export (tfm_main_grid.cpp) ----
    void btn_optionClick();
    void btn_option_closeClick();
    void rzchckbx_field_filterClick();
    void rzchckbx_col_AutoWidthClick();
    void rzchckbx_footClick();
    void rzchckbx_group_footClick();
    void rzchckbx_group_boxClick();
    void rzchckbx_fot_filterClick();
    void rzchckbx_zd_zkClick();
    void SelectSummaryRow(int i);
    void btn_sum_optionClick();
    void btn_sum_option_closeClick();
    void lst_num_FieldClick();
    void lst_num_Field_sum_typeClick();
    void lst_num_Field_xswsClick();
    void lst_num_Field_hbfhClick();
    void lst_num_Field_alignClick();
    void lst_num_FieldDblClick();
    void cbb_sum_typeClick();
    void cbb_xswsClick();
    void cbb_hbfhClick();
    void btn_okClick();
    void btn_edit_show_closeClick();
    void btn_gen_sumClick();
    void btn_exportClick();

    // ---- vertical merge, irregular header (tfm_main_irregular.cpp) ----
    void btn_ver_hbbtn3Click();
    void btn_ver_hb_bgz_1Click();
    void lst_vert_hb2_stNameClick();
    void lst_vert_hb2_regioninfoClick();
    void btn_vert_hb_entryClick();

  protected:
    // Files dropped from a file manager open as OpenWorkbookFiles opens them.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // tfm_main_layout.cpp
    void buildCatalogue();
    void buildModeBar();
    void buildPages();
    void buildResultPanel();
    void buildOptionsPanel();
    void buildSummaryPanel();
    void buildLoadingNotice();
    void buildHorizontalMergePage();  // tfm_main_hmerge_layout.cpp
    // tfm_main_diagnosis.cpp: the diagnosis controls (after the page and the grid exist); the
    // diagnosis of LastJoinPlan (throws); the guard before ④ and 显示所有表头数据 (false when the
    // user stops); a variant's text under the normalised matching switch; the reconciliation line.
    void buildKeyDiagnosis();
    shuhui::merge::horizontal::KeyDiagnosis DiagnoseLastPlan();
    bool ConfirmJoinSize();
    std::string KeyFolded(const std::string& sql) const;
    void ShowReconciliation(shuhui::merge::horizontal::JoinVariant variant);
    // Runs `sql` on adoExcel (OpenResultQuery) into the grid and shows the result panel; on failure
    // shows `failure` (the provider's message when empty). Inside a loading notice
    // (tfm_main_hmerge.cpp).
    void RunMergeResult(const std::string& sql, const QString& failure);
    void connectHandlers();
    void connectGridHandlers();       // tfm_main_grid.cpp
    void buildResultGrid();           // tfm_main_grid.cpp: the grid widget into cxGrid1
    void syncSummaryLists();          // tfm_main_grid.cpp: the six lists from summaryTable
    bool summaryListEmptyDoubleClick(QObject* watched, QEvent* event);  // tfm_main_grid.cpp
    void connectCatalogueHandlers();  // tfm_main_catalogue.cpp
    void buildRegularHeaderPage();    // tfm_main_vmerge_layout.cpp
    void connectRegularHeaderHandlers();  // tfm_main_vmerge.cpp
    void selectFieldRowInStep(QListWidget* from);  // tfm_main_vmerge.cpp

    void placeResultPanelAtHome();
    void placeStatusText();
    void beginPanelMove(QWidget* panel, QMouseEvent* event);
    void buildIrregularPage();                               // tfm_main_irregular_layout.cpp
    void connectIrregularHandlers();                         // tfm_main_irregular.cpp
    shuhui::sheet::ApplicationFactory& SheetApplications();  // ExcelFactory, made on first use
    // Program end: every unsaved result window asks to be saved, then ExcelApp's workbooks are
    // closed and it quits, each failure ignored; ExcelApp is emptied.
    void ShutDownExcelApp();
    bool syncingRegionLists_ = false;

    QString versionFile_;
    bool shown_ = false;
    bool syncingLists_ = false;  // the six summary lists are being set as one
    QSize lastSize_;
};
