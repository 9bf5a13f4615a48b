// The spreadsheet application as the irregular-header merge drives it: an application with its
// open workbooks, worksheets and ranges, and exactly the members that merge calls.
//
//   std::unique_ptr<Application> app = factory.Create();     // "create": new, hidden
//   app->WorkBooks().Open(path);                              // the file becomes the active
//   workbook app->WorkSheets("一月")->Activate();                      // by name, or by position
//   from 1 std::string a = app->ActiveSheet()->UsedRange()->Address();   // "$A$1:$H$20", one cell
//   "$A$1" app->ActiveSheet()->Range(a)->Copy();                     // onto the clipboard
//   other->ActiveSheet()->Range("A14")->Select();             // the paste target
//   other->ActiveSheet()->Paste();                            // the clipboard at the selection
//   app->ActiveWorkBook()->Saved(true); app->WorkBooks().Close(); app->Quit();
//
// Every member may fail; a failure is thrown as shuhui::Error with a Chinese message that says
// what was asked and why it could not be done (a missing file, no sheet of that name, a reference
// that is not a range). Objects handed out stay valid while their application lives; using one
// after its application quit or its workbook closed fails with such an error, never crashes.
//
// The code that drives an application (survey, carrier copy) uses only this header, so a test
// double can stand in for the real application and fail at any member.
#pragma once

#include <memory>
#include <string>

namespace shuhui::sheet {

class Range {
  public:
    virtual ~Range() = default;
    // Absolute reference of the rectangle: "$A$1:$H$20"; a single cell "$A$1".
    virtual std::string Address() = 0;
    // Puts the range (values, styles, merges inside it, column widths, row heights) on the
    // clipboard, replacing what was there.
    virtual void Copy() = 0;
    // Makes the range the paste target of its worksheet (and the worksheet the active one).
    virtual void Select() = 0;
};

class Worksheet {
  public:
    virtual ~Worksheet() = default;
    virtual void Activate() = 0;
    // The rectangle of every cell that holds a value or a format other than the default;
    // "$A$1" for an empty sheet.
    virtual std::shared_ptr<sheet::Range> UsedRange() = 0;
    // "A1", "$B$3:$H$20", "B3:H20".
    virtual std::shared_ptr<sheet::Range> Range(const std::string& reference) = 0;
    // Pastes the clipboard with its top-left cell at the selected range's top-left cell.
    virtual void Paste() = 0;
};

class Workbook {
  public:
    virtual ~Workbook() = default;
    // true marks the workbook as unchanged, so closing it asks nothing.
    virtual void Saved(bool saved) = 0;
};

class Workbooks {
  public:
    virtual ~Workbooks() = default;
    // Opens a .xls or .xlsx file as the active workbook.
    virtual void Open(const std::string& path) = 0;
    // Adds a new empty workbook (worksheets Sheet1, Sheet2, Sheet3) as the active workbook.
    virtual void Add() = 0;
    // Closes every open workbook.
    virtual void Close() = 0;
};

class Application {
  public:
    virtual ~Application() = default;
    virtual Workbooks& WorkBooks() = 0;
    // A worksheet of the active workbook by its name, or by its position counted from 1.
    virtual std::shared_ptr<Worksheet> WorkSheets(const std::string& name) = 0;
    virtual std::shared_ptr<Worksheet> WorkSheets(int position) = 0;
    virtual std::shared_ptr<Worksheet> ActiveSheet() = 0;
    virtual std::shared_ptr<Workbook> ActiveWorkBook() = 0;
    // true shows the active workbook to the user in a window of its own; the window keeps its
    // document alive after the application is released.
    virtual void Visible(bool visible) = 0;
    virtual void Quit() = 0;
};

// "create": a new, hidden application; fails when none can be started.
class ApplicationFactory {
  public:
    virtual ~ApplicationFactory() = default;
    virtual std::unique_ptr<Application> Create() = 0;
};

}  // namespace shuhui::sheet
