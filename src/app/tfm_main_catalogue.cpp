// The catalogue handlers of the main window: opening workbooks into the check tree, the tree's
// mouse press (ClickedNode) and double-click (preview). Stubs until the catalogue is built.
#include <QMouseEvent>
#include <QTreeWidget>

#include "app/tfm_main.h"

void TfmMain::connectCatalogueHandlers() {
    connect(RzBmpButton7, &QPushButton::clicked, this, &TfmMain::RzBmpButton7Click);
    // Presses and double-clicks on the tree arrive through TfmMain::eventFilter.
    RzCheckTree1->viewport()->installEventFilter(this);
}

void TfmMain::RzBmpButton7Click() {}

void TfmMain::RzCheckTree1MouseDown(QMouseEvent* event) {
    ClickedNode = RzCheckTree1->itemAt(event->position().toPoint());
}

void TfmMain::RzCheckTree1DblClick() {}
