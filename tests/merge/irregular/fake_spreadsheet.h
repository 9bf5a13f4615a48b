// A scriptable stand-in for the spreadsheet application: workbooks are files of named sheets whose
// used ranges are rectangles; a paste records a block (where it came from, where it went) and
// grows the used range of the sheet it lands on. Every member call is recorded as a line such as
// "2.Open(D:/a.xls)" or "1.Paste" (the number is the application's, counted from 1 in order of
// creation; "N.create" is the creation), and any call can be made to fail.
//
//   FakeSpreadsheet world;
//   world.AddFile("D:/a.xls", {{"一月", "$A$1:$F$12"}, {"二月", "$A$1:$F$20"}});
//   FakeFactory factory(world);                 // an ApplicationFactory over the world
//   world.FailAt("Open(D:/b.xls)");             // that call throws shuhui::Error("模拟失败: ...")
//   world.FailAt("Paste", 2);                   // the second Paste of the run fails
//   world.FailAt("create");                     // no application can be started
//
// A pattern matches a call whose text, with or without its "N." prefix, equals it or begins with
// it followed by "(".
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "formats/error.h"
#include "sheet/automation.h"

namespace fake {

struct Rect {
    int col1 = 1, row1 = 1, col2 = 1, row2 = 1;
    int rows() const { return row2 - row1 + 1; }
    int cols() const { return col2 - col1 + 1; }
    bool operator==(const Rect&) const = default;
};

inline std::string ColumnLetters(int col) {
    std::string s;
    for (; col > 0; col = (col - 1) / 26) s.insert(s.begin(), char('A' + (col - 1) % 26));
    return s;
}

// "A1", "$B$3", "$A$4:$F$20", "B3:H20" -> the rectangle; nothing for any other text.
inline std::optional<Rect> ParseReference(const std::string& ref) {
    auto cell = [](const std::string& text, int& col, int& row) {
        std::size_t i = 0;
        if (i < text.size() && text[i] == '$') ++i;
        col = 0;
        const std::size_t letters = i;
        while (i < text.size() && text[i] >= 'A' && text[i] <= 'Z')
            col = col * 26 + (text[i++] - 'A' + 1);
        if (i == letters) return false;
        if (i < text.size() && text[i] == '$') ++i;
        const std::size_t digits = i;
        row = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            row = row * 10 + (text[i++] - '0');
        return i == text.size() && i > digits && row > 0;
    };
    Rect r;
    const std::size_t colon = ref.find(':');
    if (!cell(ref.substr(0, colon), r.col1, r.row1)) return std::nullopt;
    if (colon == std::string::npos) {
        r.col2 = r.col1;
        r.row2 = r.row1;
    } else if (!cell(ref.substr(colon + 1), r.col2, r.row2)) {
        return std::nullopt;
    }
    return r;
}

inline std::string Address(const Rect& r) {
    auto cell = [](int col, int row) {
        std::string text(1, '$');
        text += ColumnLetters(col);
        text += '$';
        text += std::to_string(row);
        return text;
    };
    std::string a = cell(r.col1, r.row1);
    if (r.col1 == r.col2 && r.row1 == r.row2) return a;
    return a + ":" + cell(r.col2, r.row2);
}

// A pasted block: which sheet and rectangle it came from and where it landed.
struct Block {
    std::string from;  // "path>sheet"
    Rect source;
    Rect at;
};

struct Sheet {
    std::string name;
    std::optional<Rect> used;  // nothing for an empty sheet
    std::vector<Block> blocks;
    Rect selection;
};

struct Book {
    std::string path;  // empty for an added workbook
    std::vector<Sheet> sheets;
    int active = 0;
    bool saved = false;
};

class FakeSpreadsheet {
  public:
    // A file with sheets given as (name, used range text or "" for an empty sheet).
    void AddFile(const std::string& path,
                 const std::vector<std::pair<std::string, std::string>>& sheets) {
        Book book{path, {}, 0, true};
        for (const auto& [name, used] : sheets)
            book.sheets.push_back(
                {name, used.empty() ? std::nullopt : ParseReference(used), {}, {}});
        files[path] = book;
    }
    void FailAt(const std::string& pattern, int occurrence = 1) {
        failures.push_back({pattern, occurrence, 0});
    }

    // Called by every member: records the call, then throws when a failure is scripted for it.
    void Call(int app, const std::string& what) {
        const std::string line = std::to_string(app) + "." + what;
        calls.push_back(line);
        if (onCall) onCall(line);
        bool fail = false;
        for (Failure& f : failures)
            if ((Matches(f.pattern, what) || Matches(f.pattern, line)) && ++f.seen == f.occurrence)
                fail = true;
        if (fail) throw shuhui::Error(shuhui::ErrorKind::Internal, "模拟失败: " + line);
    }

    // The calls of application `app` without its prefix, in order.
    std::vector<std::string> CallsOf(int app) const {
        const std::string prefix = std::to_string(app) + ".";
        std::vector<std::string> out;
        for (const std::string& c : calls)
            if (c.rfind(prefix, 0) == 0) out.push_back(c.substr(prefix.size()));
        return out;
    }
    bool Quit(int app) const {
        for (const std::string& c : CallsOf(app))
            if (c == "Quit") return true;
        return false;
    }

    std::map<std::string, Book> files;
    std::vector<std::string> calls;
    std::function<void(const std::string&)> onCall;  // runs as each call is recorded
    int created = 0;                                 // applications created so far
    struct Clip {
        std::string from;
        Rect source;
    };
    std::optional<Clip> clipboard;
    // Every workbook added by Add(), kept after its application is gone (its window would be).
    std::vector<std::shared_ptr<Book>> added;

  private:
    struct Failure {
        std::string pattern;
        int occurrence;
        int seen;
    };
    static bool Matches(const std::string& pattern, const std::string& text) {
        return text == pattern || text.rfind(pattern + "(", 0) == 0;
    }
    std::vector<Failure> failures;
};

class FakeApplication;

class FakeRange : public shuhui::sheet::Range {
  public:
    FakeRange(FakeApplication& app, std::shared_ptr<Book> book, int sheet, Rect rect)
        : app_(app), book_(std::move(book)), sheet_(sheet), rect_(rect) {}
    std::string Address() override;
    void Copy() override;
    void Select() override;

  private:
    FakeApplication& app_;
    std::shared_ptr<Book> book_;
    int sheet_;
    Rect rect_;
};

class FakeWorksheet : public shuhui::sheet::Worksheet {
  public:
    FakeWorksheet(FakeApplication& app, std::shared_ptr<Book> book, int sheet)
        : app_(app), book_(std::move(book)), sheet_(sheet) {}
    void Activate() override;
    std::shared_ptr<shuhui::sheet::Range> UsedRange() override;
    std::shared_ptr<shuhui::sheet::Range> Range(const std::string& reference) override;
    void Paste() override;

  private:
    FakeApplication& app_;
    std::shared_ptr<Book> book_;
    int sheet_;
};

class FakeWorkbook : public shuhui::sheet::Workbook {
  public:
    FakeWorkbook(FakeApplication& app, std::shared_ptr<Book> book)
        : app_(app), book_(std::move(book)) {}
    void Saved(bool saved) override;

  private:
    FakeApplication& app_;
    std::shared_ptr<Book> book_;
};

class FakeApplication : public shuhui::sheet::Application, public shuhui::sheet::Workbooks {
  public:
    FakeApplication(FakeSpreadsheet& world, int id) : world(world), id(id) {}

    // Records the call; fails when scripted or when the application has quit.
    void Call(const std::string& what) {
        world.Call(id, what);
        if (quit) throw shuhui::Error(shuhui::ErrorKind::NotOpen, "电子表格程序已经退出");
    }

    shuhui::sheet::Workbooks& WorkBooks() override {
        Call("WorkBooks");
        return *this;
    }
    void Open(const std::string& path) override {
        Call("Open(" + path + ")");
        const auto it = world.files.find(path);
        if (it == world.files.end())
            throw shuhui::Error(shuhui::ErrorKind::NotFound, "找不到工作簿" + path);
        books.push_back(std::make_shared<Book>(it->second));
        active = books.back();
    }
    void Add() override {
        Call("Add");
        auto book = std::make_shared<Book>();
        for (const char* name : {"Sheet1", "Sheet2", "Sheet3"})
            book->sheets.push_back({name, {}, {}, {}});
        book->saved = false;
        books.push_back(book);
        active = book;
        world.added.push_back(book);
    }
    void Close() override {
        Call("Close");
        books.clear();
        active.reset();
    }
    std::shared_ptr<shuhui::sheet::Worksheet> WorkSheets(const std::string& name) override {
        Call("WorkSheets(" + name + ")");
        const std::shared_ptr<Book> book = ActiveBook();
        for (std::size_t i = 0; i < book->sheets.size(); ++i)
            if (book->sheets[i].name == name)
                return std::make_shared<FakeWorksheet>(*this, book, int(i));
        throw shuhui::Error(shuhui::ErrorKind::SheetNotFound, "没有名为" + name + "的工作表");
    }
    std::shared_ptr<shuhui::sheet::Worksheet> WorkSheets(int position) override {
        Call("WorkSheets(" + std::to_string(position) + ")");
        const std::shared_ptr<Book> book = ActiveBook();
        if (position < 1 || position > int(book->sheets.size()))
            throw shuhui::Error(shuhui::ErrorKind::SheetNotFound,
                                "没有第" + std::to_string(position) + "张工作表");
        return std::make_shared<FakeWorksheet>(*this, book, position - 1);
    }
    std::shared_ptr<shuhui::sheet::Worksheet> ActiveSheet() override {
        Call("ActiveSheet");
        const std::shared_ptr<Book> book = ActiveBook();
        return std::make_shared<FakeWorksheet>(*this, book, book->active);
    }
    std::shared_ptr<shuhui::sheet::Workbook> ActiveWorkBook() override {
        Call("ActiveWorkBook");
        return std::make_shared<FakeWorkbook>(*this, ActiveBook());
    }
    void Visible(bool visible) override {
        Call(std::string("Visible(") + (visible ? "true" : "false") + ")");
    }
    void Quit() override {
        Call("Quit");
        quit = true;
    }

    std::shared_ptr<Book> ActiveBook() {
        if (!active) throw shuhui::Error(shuhui::ErrorKind::NotOpen, "没有打开的工作簿");
        return active;
    }

    FakeSpreadsheet& world;
    const int id;
    bool quit = false;
    std::vector<std::shared_ptr<Book>> books;
    std::shared_ptr<Book> active;
};

inline std::string FakeRange::Address() {
    app_.Call("Address");
    return fake::Address(rect_);
}
inline void FakeRange::Copy() {
    app_.Call("Copy");
    const Sheet& s = book_->sheets[sheet_];
    app_.world.clipboard = FakeSpreadsheet::Clip{book_->path + ">" + s.name, rect_};
}
inline void FakeRange::Select() {
    app_.Call("Select");
    book_->active = sheet_;
    book_->sheets[sheet_].selection = rect_;
}

inline void FakeWorksheet::Activate() {
    app_.Call("Activate");
    book_->active = sheet_;
}
inline std::shared_ptr<shuhui::sheet::Range> FakeWorksheet::UsedRange() {
    app_.Call("UsedRange");
    return std::make_shared<FakeRange>(app_, book_, sheet_,
                                       book_->sheets[sheet_].used.value_or(Rect{}));
}
inline std::shared_ptr<shuhui::sheet::Range> FakeWorksheet::Range(const std::string& reference) {
    app_.Call("Range(" + reference + ")");
    const std::optional<Rect> r = ParseReference(reference);
    if (!r) throw shuhui::Error(shuhui::ErrorKind::Syntax, "\"" + reference + "\"不是区域引用");
    return std::make_shared<FakeRange>(app_, book_, sheet_, *r);
}
inline void FakeWorksheet::Paste() {
    app_.Call("Paste");
    if (!app_.world.clipboard) throw shuhui::Error(shuhui::ErrorKind::NotFound, "剪贴板是空的");
    Sheet& s = book_->sheets[sheet_];
    const auto& clip = *app_.world.clipboard;
    const Rect at{s.selection.col1, s.selection.row1, s.selection.col1 + clip.source.cols() - 1,
                  s.selection.row1 + clip.source.rows() - 1};
    s.blocks.push_back({clip.from, clip.source, at});
    if (!s.used) {
        s.used = at;
    } else {
        s.used = Rect{std::min(s.used->col1, at.col1), std::min(s.used->row1, at.row1),
                      std::max(s.used->col2, at.col2), std::max(s.used->row2, at.row2)};
    }
    book_->saved = false;
}

inline void FakeWorkbook::Saved(bool saved) {
    app_.Call(std::string("Saved(") + (saved ? "true" : "false") + ")");
    book_->saved = saved;
}

class FakeFactory : public shuhui::sheet::ApplicationFactory {
  public:
    explicit FakeFactory(FakeSpreadsheet& world) : world_(world) {}
    std::unique_ptr<shuhui::sheet::Application> Create() override {
        const int id = ++world_.created;
        world_.Call(id, "create");
        return std::make_unique<FakeApplication>(world_, id);
    }

  private:
    FakeSpreadsheet& world_;
};

}  // namespace fake
