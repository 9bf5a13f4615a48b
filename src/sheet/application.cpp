#include "sheet/application.h"

#include <algorithm>
#include <atomic>
#include <vector>

#include "formats/error.h"

namespace shuhui::sheet {

namespace {

std::atomic<int> gNewWorkbooks{0};

// What an application and every object it handed out share.
struct AppState {
    std::shared_ptr<Clipboard> clipboard;
    Presenter presenter;
    bool ended = false;
    bool visible = false;
    std::vector<std::shared_ptr<Document>> books;
    size_t active = 0;

    void alive() const {
        if (ended)
            throw Error(ErrorKind::NotOpen,
                        "电子表格程序已经退出,不能再使用它的工作簿、工作表或区域");
    }
    const std::shared_ptr<Document>& activeBook() const {
        alive();
        if (books.empty()) throw Error(ErrorKind::NotOpen, "电子表格程序中没有打开的工作簿");
        return books[active];
    }
    // Throws unless `doc` is still open in this application; makes it the active workbook.
    void use(const std::shared_ptr<Document>& doc) {
        alive();
        auto it = std::find(books.begin(), books.end(), doc);
        if (it == books.end())
            throw Error(ErrorKind::NotOpen, "工作簿“" + doc->name() + "”已经关闭,不能再使用它");
        active = size_t(it - books.begin());
    }
    void end() {
        ended = true;
        books.clear();
    }
};

using State = std::shared_ptr<AppState>;

class RangeImpl : public Range {
  public:
    RangeImpl(State state, std::shared_ptr<Document> doc, size_t sheet, Rect rect)
        : state_(std::move(state)), doc_(std::move(doc)), sheet_(sheet), rect_(rect) {}

    std::string Address() override {
        state_->alive();
        return addressOf(rect_);
    }
    void Copy() override {
        state_->use(doc_);
        state_->clipboard->setBlock(doc_->read(sheet_, rect_));
    }
    void Select() override {
        state_->use(doc_);
        doc_->setActiveSheet(sheet_);
        doc_->select(sheet_, rect_);
    }

  private:
    State state_;
    std::shared_ptr<Document> doc_;
    size_t sheet_;
    Rect rect_;
};

class WorksheetImpl : public Worksheet {
  public:
    WorksheetImpl(State state, std::shared_ptr<Document> doc, size_t sheet)
        : state_(std::move(state)), doc_(std::move(doc)), sheet_(sheet) {}

    void Activate() override {
        state_->use(doc_);
        doc_->setActiveSheet(sheet_);
    }
    std::shared_ptr<sheet::Range> UsedRange() override {
        state_->use(doc_);
        const std::optional<Rect> r = doc_->usedRange(sheet_);
        return std::make_shared<RangeImpl>(state_, doc_, sheet_, r.value_or(Rect{}));
    }
    std::shared_ptr<sheet::Range> Range(const std::string& reference) override {
        state_->use(doc_);
        return std::make_shared<RangeImpl>(state_, doc_, sheet_, parseReference(reference));
    }
    void Paste() override {
        state_->use(doc_);
        std::optional<StyledBlock> block = state_->clipboard->block();
        if (!block || block->rows == 0 || block->cols == 0)
            throw Error(ErrorKind::NotFound, "剪贴板上没有可以粘贴的单元格,请先复制一个区域");
        const Rect at = doc_->selection(sheet_);
        doc_->paste(sheet_, at.firstRow, at.firstCol, *block);
    }

  private:
    State state_;
    std::shared_ptr<Document> doc_;
    size_t sheet_;
};

class WorkbookImpl : public Workbook {
  public:
    WorkbookImpl(State state, std::shared_ptr<Document> doc)
        : state_(std::move(state)), doc_(std::move(doc)) {}
    void Saved(bool saved) override {
        state_->use(doc_);
        doc_->setSaved(saved);
    }

  private:
    State state_;
    std::shared_ptr<Document> doc_;
};

class WorkbooksImpl : public Workbooks {
  public:
    explicit WorkbooksImpl(State state) : state_(std::move(state)) {}
    void Open(const std::string& path) override {
        state_->alive();
        std::shared_ptr<Document> doc = Document::open(path);
        state_->books.push_back(std::move(doc));
        state_->active = state_->books.size() - 1;
    }
    void Add() override {
        state_->alive();
        state_->books.push_back(Document::blank("工作簿" + std::to_string(++gNewWorkbooks)));
        state_->active = state_->books.size() - 1;
    }
    void Close() override {
        state_->alive();
        state_->books.clear();
        state_->active = 0;
    }

  private:
    State state_;
};

class ApplicationImpl : public Application {
  public:
    explicit ApplicationImpl(State state) : state_(std::move(state)), books_(state_) {}
    ~ApplicationImpl() override { state_->end(); }

    Workbooks& WorkBooks() override {
        state_->alive();
        return books_;
    }
    std::shared_ptr<Worksheet> WorkSheets(const std::string& name) override {
        const std::shared_ptr<Document>& doc = state_->activeBook();
        const std::optional<size_t> i = doc->findSheet(name);
        if (!i)
            throw Error(ErrorKind::SheetNotFound,
                        "工作簿“" + doc->name() + "”中没有名为“" + name + "”的工作表");
        return std::make_shared<WorksheetImpl>(state_, doc, *i);
    }
    std::shared_ptr<Worksheet> WorkSheets(int position) override {
        const std::shared_ptr<Document>& doc = state_->activeBook();
        if (position < 1 || size_t(position) > doc->sheetCount())
            throw Error(ErrorKind::SheetNotFound,
                        "工作簿“" + doc->name() + "”只有 " + std::to_string(doc->sheetCount()) +
                            " 个工作表,没有第 " + std::to_string(position) + " 个");
        return std::make_shared<WorksheetImpl>(state_, doc, size_t(position - 1));
    }
    std::shared_ptr<Worksheet> ActiveSheet() override {
        const std::shared_ptr<Document>& doc = state_->activeBook();
        return std::make_shared<WorksheetImpl>(state_, doc, doc->activeSheet());
    }
    std::shared_ptr<Workbook> ActiveWorkBook() override {
        return std::make_shared<WorkbookImpl>(state_, state_->activeBook());
    }
    void Visible(bool visible) override {
        state_->alive();
        state_->visible = visible;
        if (visible && state_->presenter && !state_->books.empty())
            state_->presenter(state_->books[state_->active]);
    }
    void Quit() override {
        if (state_->ended) return;
        state_->end();
    }

  private:
    State state_;
    WorkbooksImpl books_;
};

}  // namespace

DocumentApplicationFactory::DocumentApplicationFactory(std::shared_ptr<Clipboard> clipboard,
                                                       Presenter presenter)
    : clipboard_(std::move(clipboard)), presenter_(std::move(presenter)) {}

std::unique_ptr<Application> DocumentApplicationFactory::Create() {
    auto state = std::make_shared<AppState>();
    state->clipboard = clipboard_ ? clipboard_ : processClipboard();
    state->presenter = presenter_;
    return std::make_unique<ApplicationImpl>(std::move(state));
}

}  // namespace shuhui::sheet
