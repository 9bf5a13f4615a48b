// TfmMain: lifecycle, operation modes, result panel placement, panel moves and shared prompts.
#include "app/tfm_main.h"

#include <QButtonGroup>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <algorithm>

#include "app/prompts.h"
#include "app/version.h"
#include "frame/pointer_drag.h"

TfmMain::TfmMain(QWidget* parent, const QString& versionFile)
    : TForm1(parent), versionFile_(versionFile) {
    NameControl(this, "fmMain", QStringLiteral("凌川数汇"));
    setWindowTitle(QStringLiteral("凌川数汇"));
    RzLabel1->setText(windowTitle());
    RzLabel1->setAttribute(Qt::WA_TransparentForMouseEvents);  // presses reach the drag area
    resize(985, 648);

    buildCatalogue();
    buildModeBar();
    buildPages();
    buildIrregularPage();
    buildResultPanel();
    buildLoadingNotice();
    connectHandlers();
    connectCatalogueHandlers();
    connectGridHandlers();
    connectRegularHeaderHandlers();
    connectIrregularHandlers();
    buildKeyDiagnosis();
    lastSize_ = size();
    placeStatusText();

    FormCreate();
}

TfmMain::~TfmMain() {
    FormDestroy();
}

void TfmMain::connectHandlers() {
    connect(RzBmpButton6, &TBmpButton::Click, this, &TfmMain::RzBmpButton6Click);
    connect(RzBmpButton4, &TBmpButton::Click, this, &TfmMain::RzBmpButton4Click);
    connect(RzBmpButton5, &TBmpButton::Click, this, &TfmMain::RzBmpButton5Click);

    connect(btn_cxGrid_close, &QPushButton::clicked, this, &TfmMain::btn_cxGrid_closeClick);
    connect(img10, &TImage::mouseDown, this, &TfmMain::img10MouseDown);
    connect(img10, &TImage::dblClick, this, &TfmMain::Image3DblClick);
    connect(img5, &TImage::mouseDown, this, &TfmMain::img5MouseDown);
    connect(img6, &TImage::mouseDown, this, &TfmMain::img6MouseDown);
    connect(img7, &TImage::mouseDown, this, &TfmMain::img7MouseDown);
    connect(img_cx, &TImage::mouseDown, this, &TfmMain::img_cxMouseDown);
    // The result panel's corner grips act on the window itself.
    connect(img9, &TImage::mouseDown, this, &TfmMain::Image2MouseDown);
    connect(img11, &TImage::mouseDown, this, &TfmMain::Image4MouseDown);
    connect(img1, &TImage::mouseDown, this, &TfmMain::Image10MouseDown);
    connect(img4, &TImage::mouseDown, this, &TfmMain::Image12MouseDown);

    connect(rzpnl_kz_top, &TPanel::mouseDown, this, &TfmMain::rzpnl_kz_topMouseDown);
    connect(rzpnl_sum_option, &TPanel::mouseDown, this, &TfmMain::rzpnl_sum_optionMouseDown);
    connect(rzpnl_Field_edit, &TPanel::mouseDown, this, &TfmMain::rzpnl_Field_editMouseDown);
    connect(rzpnl_field_sort_top, &TPanel::mouseDown, this,
            &TfmMain::rzpnl_field_sort_topMouseDown);
}

// ---- lifecycle --------------------------------------------------------------------------------

void TfmMain::FormCreate() {
    TForm1::FormCreate();
    // Hiding the tab bar keeps the pages (hiding single tabs would move the current page).
    rzpg_fenxi->tabBar()->hide();
}

void TfmMain::FormShow() {
    RzPageControl1->tabBar()->hide();
    rzpg_ver_hb->tabBar()->hide();
    RzPageControl1->setCurrentIndex(0);
    rzpnl_kz_cxgrid->move(231, 85);
    const QString path = versionFile_.isEmpty() ? VersionFilePath() : versionFile_;
    setWindowTitle(CaptionWithVersion(windowTitle(), ReadVersion(path)));
    SetLabelText(RzLabel1, windowTitle());
    RzLabel1->adjustSize();
    setAccessibleName(windowTitle());
}

void TfmMain::FormDestroy() {
    ShutDownExcelApp();
}

void TfmMain::showEvent(QShowEvent* event) {
    if (!shown_) {
        shown_ = true;
        if (QScreen* screen = this->screen()) {
            const QRect avail = screen->availableGeometry();
            move(avail.center() - QPoint(width() / 2, height() / 2));
        }
        FormShow();
    }
    TForm1::showEvent(event);
    rzpnl_kz_cxgrid->raise();
    rzpnl_loading->raise();
}

void TfmMain::resizeEvent(QResizeEvent* event) {
    TForm1::resizeEvent(event);
    // The result panel is anchored to all four sides: it keeps its distances to the edges.
    const QSize now = size();
    if (lastSize_.isValid() && rzpnl_kz_cxgrid) {
        const QSize d = now - lastSize_;
        rzpnl_kz_cxgrid->resize(rzpnl_kz_cxgrid->width() + d.width(),
                                rzpnl_kz_cxgrid->height() + d.height());
    }
    lastSize_ = now;
    placeStatusText();
}

void TfmMain::placeStatusText() {
    // The status text runs along the whole status bar, so a long workbook path is not cut short
    // at a fixed width; the grips at the right end stay free (the label lets presses through).
    if (rlbInfo) rlbInfo->setGeometry(16, 7, std::max(0, width() - 16 - 20), 16);
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event) {
    if (RzCheckTree1 && watched == RzCheckTree1->viewport()) {
        if (event->type() == QEvent::MouseButtonPress)
            RzCheckTree1MouseDown(static_cast<QMouseEvent*>(event));
        else if (event->type() == QEvent::MouseButtonDblClick)
            RzCheckTree1DblClick();
    }
    if (summaryListEmptyDoubleClick(watched, event)) return true;
    return TForm1::eventFilter(watched, event);
}

// ---- modes ------------------------------------------------------------------------------------

void TfmMain::placeResultPanelAtHome() {
    rzpnl_kz_cxgrid->setGeometry(231, 85, 744, 526);
}

void TfmMain::RzBmpButton6Click() {
    RzPageControl1->setCurrentWidget(tsFind);
    RzPanel6->setCaption(QStringLiteral(" 当前操作类型 > 查询汇总   "));
    rzpnl_kz_cxgrid->show();
    rzpnl_kz_cxgrid->raise();
    btn_cxGrid_close->hide();
    placeResultPanelAtHome();
}

void TfmMain::RzBmpButton4Click() {
    RzPageControl1->setCurrentWidget(tsHX);
    RzPanel6->setCaption(QStringLiteral(" 当前操作类型 > 横向合并   "));
    rzpnl_kz_cxgrid->hide();
    btn_cxGrid_close->show();
}

void TfmMain::RzBmpButton5Click() {
    RzPageControl1->setCurrentWidget(tsZx);
    RzPanel6->setCaption(QStringLiteral(" 当前操作类型 > 纵向合并   "));
    rzpnl_kz_cxgrid->hide();
    btn_cxGrid_close->show();
}

// ---- result panel -----------------------------------------------------------------------------

void TfmMain::ShowResultPanel() {
    // The window is borderless, so its outer size is its client size.
    rzpnl_kz_cxgrid->resize(width() - 40, height() - 40);
    rzpnl_kz_cxgrid->move((width() - rzpnl_kz_cxgrid->width()) / 2,
                          (height() - rzpnl_kz_cxgrid->height()) / 2);
    rzpnl_kz_cxgrid->show();
    rzpnl_kz_cxgrid->raise();
    rzpnl_kz_cxgrid->repaint();
}

void TfmMain::btn_cxGrid_closeClick() {
    rzpnl_kz_cxgrid->hide();
}

void TfmMain::beginPanelMove(QWidget* panel, QMouseEvent* event) {
    auto* handle = qobject_cast<QWidget*>(sender());
    PointerDrag::Begin(handle ? handle : panel, panel, event->globalPosition().toPoint(),
                       PointerDrag::Mode::MovePanel, {}, event->button());
}

void TfmMain::img10MouseDown(QMouseEvent* event) {
    beginPanelMove(rzpnl_kz_cxgrid, event);
}

void TfmMain::img5MouseDown(QMouseEvent* event) {
    PointerDrag::Begin(img5, rzpnl_kz_cxgrid, event->globalPosition().toPoint(),
                       PointerDrag::Mode::ResizePanel, {}, event->button());
}

void TfmMain::img6MouseDown(QMouseEvent*) {}
void TfmMain::img7MouseDown(QMouseEvent*) {}
void TfmMain::img_cxMouseDown(QMouseEvent*) {}

void TfmMain::rzpnl_kz_topMouseDown(QMouseEvent* event) {
    beginPanelMove(rzpnl_kz, event);
}

void TfmMain::rzpnl_sum_optionMouseDown(QMouseEvent* event) {
    beginPanelMove(rzpnl_sum_kz, event);
}

void TfmMain::rzpnl_Field_editMouseDown(QMouseEvent* event) {
    beginPanelMove(rzpnl_Field_edit, event);
}

void TfmMain::rzpnl_field_sort_topMouseDown(QMouseEvent* event) {
    beginPanelMove(rzpnl_Field_order, event);
}

// ---- prompts ----------------------------------------------------------------------------------

int TfmMain::ShowWarning(const QString& text, const QString& caption) {
    return ::ShowWarning(text, caption);
}

int TfmMain::AskConfirm(const QString& text, const QString& caption) {
    return ::AskConfirm(text, caption);
}

QStringList TfmMain::SplitText(const QString& text, const QString& separator) {
    return ::SplitText(text, separator);
}
