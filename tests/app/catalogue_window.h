// A shown main window with scripted prompts, for the tests that open workbooks into the catalogue
// (the catalogue's own tests and the preview's).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QStringList>
#include <QTreeWidget>
#include <memory>

#include "app/tfm_main.h"
#include "scripted_prompts.h"

// A fixture workbook of the provider's set.
inline QString Book(const char* name) {
    return QString::fromUtf8(SHUHUI_FIXTURES "/workbooks/") + QString::fromUtf8(name);
}

class CatalogueWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fm = std::make_unique<TfmMain>(nullptr, QStringLiteral("/nonexistent-dir/curVer.txt"));
        fm->show();
        QApplication::processEvents();
        tree = fm->RzCheckTree1;
    }

    // The open button with the dialog answering `files` (empty: cancelled).
    void Open(const QStringList& files) {
        prompts.openAnswer = files;
        fm->RzBmpButton7Click();
    }

    ScriptedPrompts prompts;
    std::unique_ptr<TfmMain> fm;
    QTreeWidget* tree = nullptr;
};
