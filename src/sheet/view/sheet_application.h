// The two entry points of the embedded spreadsheet application for the main window.
//
//   auto factory = shuhui::sheetview::CreateApplicationFactory(this);   // once, at start-up
//   std::unique_ptr<shuhui::sheet::Application> app = factory->Create();
//   ...                                    // Visible(true) opens a result window of its own;
//                                          // Copy and Paste go through the system clipboard
//   shuhui::sheetview::SaveOrDiscardOpenResults(this);                   // at program end
//
// Every Visible(true) opens a new result window (owned by `owner`'s lifetime, not by the
// application): earlier windows stay open, and a window keeps its workbook after the application
// that showed it is released or quits.
#pragma once

#include <memory>

#include "sheet/automation.h"

class QWidget;

namespace shuhui::sheetview {

// Applications whose Visible(true) opens a result window parented to nothing but destroyed with
// `owner`, and whose Copy/Paste go through QClipboard (our own MIME type, tab-separated text and
// an HTML table).
std::unique_ptr<shuhui::sheet::ApplicationFactory> CreateApplicationFactory(QWidget* owner);

// At program end: for every open result window whose workbook is unsaved, asks whether to save it
// ("是" saves through "另存为", "否" discards, "取消" leaves that window open); then closes the
// windows that are done.
void SaveOrDiscardOpenResults(QWidget* owner);

}  // namespace shuhui::sheetview
