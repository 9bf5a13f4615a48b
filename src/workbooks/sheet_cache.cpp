// The sheet cache of the provider (see sheet_cache.h).
#include "workbooks/sheet_cache.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <future>

#include "formats/error.h"
#include "formats/reader.h"
#include "workbooks/no_case.h"
#include "workbooks/provider_text.h"
#include "workbooks/provider_trace.h"
#include "workbooks/sheet_vtab.h"

namespace shuhui::workbooks {
namespace {

// An error of the readers about `path` as it is; any other gets the path in front.
[[noreturn]] void rethrowNamingFile(const Error& e, const std::string& path) {
    if (!e.file().empty()) throw e;
    throw Error(e.kind(), "工作簿文件" + quoted(path) + "无法读取：" + e.what(), path);
}

// Reads a workbook. A sheet asked for that the workbook lacks is no error here: the reader then
// gives the sheet list alone, and the caller finds the sheet missing in it.
formats::Workbook readBook(const std::string& path, formats::ReadOptions options) {
    options.missingSheetIsError = false;
    try {
        return formats::readWorkbook(path, options);
    } catch (const Error& e) {
        rethrowNamingFile(e, path);
    }
}

// Reads the wanted tables of a workbook (all of its worksheets when more than one is wanted, since
// the file is parsed anyway) and publishes them.
LoadedBook readAndConvert(const std::string& path, const std::set<std::string>& wanted,
                          const std::set<std::string>& cached, const IndexRequests& indexes) {
    formats::ReadOptions options;
    options.styles = false;
    if (wanted.size() == 1) options.sheet = wanted.begin()->substr(0, wanted.begin()->size() - 1);
    formats::Workbook wb;
    {
        Trace t{"read", path};
        wb = readBook(path, options);
    }
    Trace convert{"convert", path};
    LoadedBook book;
    for (const auto& sh : wb.sheets)
        if (sh.kind == formats::SheetKind::Worksheet) book.tables.push_back(sh.name + "$");
    const auto strings = std::make_shared<const std::vector<std::string>>(std::move(wb.strings));
    for (const auto& sh : wb.sheets) {
        if (sh.kind != formats::SheetKind::Worksheet || !sh.loaded) continue;
        std::string name = sh.name + "$";
        if (cached.count(name)) continue;
        auto table = sheetToTable(wb, sh, strings, path);
        // The index a join will probe is built here, beside the reading of the other workbooks.
        for (const auto& [sheet, field] : indexes) {
            if (!equalsNoCase(sheet, name) && !equalsNoCase(sheet + "$", name)) continue;
            for (size_t f = 0; f < table->width(); ++f)
                if (equalsNoCase(table->fields[f].name, field)) {
                    table->index(f);
                    break;
                }
        }
        book.sheets.emplace_back(std::move(name), std::move(table));
    }
    return book;
}

}  // namespace

Driver parseDriver(const std::string& text) {
    const std::string_view t = trimmed(text);
    if (equalsNoCase(t, "Excel 8.0") || equalsNoCase(t, "Excel 5.0")) return Driver::Excel8;
    if (equalsNoCase(t, "Excel 12.0") || equalsNoCase(t, "Excel 12.0 Xml") ||
        equalsNoCase(t, "Excel 12.0 Macro"))
        return Driver::Excel12;
    throw Error(ErrorKind::Unsupported,
                "不认识的工作簿驱动" + quoted(std::string(t)) +
                    "：只能是“Excel 8.0”（Excel2003版）或“Excel 12.0”（Excel2007-2010版）");
}

void SheetCache::exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "";
        sqlite3_free(err);
        throw Error(ErrorKind::Internal, "内部错误：查询引擎无法登记工作表（" + msg + "）");
    }
}

std::string SheetCache::createVtab(uint64_t id, const char* prefix) {
    std::string name = std::string(prefix) + std::to_string(id);
    exec("CREATE VIRTUAL TABLE " + name + " USING shuhui_sheet(" + std::to_string(id) + ")");
    return name;
}

void SheetCache::dropSheets(FileEntry& entry) {
    for (auto& [name, s] : entry.sheets) {
        exec("DROP TABLE IF EXISTS " + s.sqlName);
        unpublishSheet(s.id);
    }
    entry.sheets.clear();
}

// The entry of a workbook file, checked against the file as it is now and against the driver.
FileEntry& SheetCache::file(const std::string& path, Driver driver) {
    if (path.empty()) throw Error(ErrorKind::NotFound, "没有指定工作簿文件的路径");
    // The readers' checks and messages: missing, not readable, a folder, not a regular file.
    const formats::FileStamp st = formats::checkWorkbookFile(path);
    auto it = files_.find(path);
    if (it != files_.end() && (it->second.size != st.size || it->second.mtimeNs != st.mtimeNs)) {
        dropSheets(it->second);
        files_.erase(it);
        it = files_.end();
    }
    if (it == files_.end()) {
        FileEntry entry;
        entry.size = st.size;
        entry.mtimeNs = st.mtimeNs;
        try {
            entry.format = formats::detectFormat(path);  // an empty file is the readers' error too
        } catch (const Error& e) {
            rethrowNamingFile(e, path);
        }
        it = files_.emplace(path, std::move(entry)).first;
    }
    if (driver == Driver::Excel8 && it->second.format == formats::FileFormat::Xlsx)
        throw Error(ErrorKind::WrongDriver,
                    "工作簿" + quoted(path) +
                        "是 Excel 2007 及以后版本的文件（.xlsx/.xlsm），“Excel "
                        "8.0”驱动打不开它：请选择“Excel2007-2010版”后重新打开");
    return it->second;
}

const std::string* SheetCache::findTable(const FileEntry& entry, const std::string& sheet) const {
    for (const auto& t : entry.tables)
        if (t == sheet) return &t;
    for (const auto& t : entry.tables)
        if (equalsNoCase(t, sheet)) return &t;
    // A worksheet named without its "$".
    for (const auto& t : entry.tables)
        if (t.size() == sheet.size() + 1 &&
            equalsNoCase(std::string_view(t).substr(0, sheet.size()), sheet))
            return &t;
    return nullptr;
}

void SheetCache::publish(FileEntry& entry, LoadedBook&& book) {
    ++fileReads_;
    entry.tables = std::move(book.tables);
    entry.listed = true;
    for (auto& [name, table] : book.sheets) {
        if (entry.sheets.count(name)) continue;
        if (table->fields.size() > kMaxFields) {
            // Listed, but not queryable: the error comes when a query names it.
            entry.tooWide.insert(name);
            continue;
        }
        CachedSheet c;
        c.table = std::move(table);
        c.id = publishSheet(c.table);
        c.sqlName = createVtab(c.id, "xl_sheet_");
        entry.sheets.emplace(name, std::move(c));
    }
}

std::map<std::string, std::set<std::string>> SheetCache::missingTables(
    const std::vector<SheetRef>& refs) {
    std::map<std::string, std::set<std::string>> missing;  // path -> tables to read
    for (const SheetRef& r : refs) {
        FileEntry& entry = file(r.path, parseDriver(r.driver));
        if (entry.listed) {
            const std::string* t = findTable(entry, r.sheet);
            if (t && entry.sheets.count(*t)) continue;
            if (t) {
                missing[r.path].insert(*t);
                continue;
            }
        }
        missing[r.path].insert(r.sheet.size() && r.sheet.back() == '$' ? r.sheet : r.sheet + "$");
    }
    return missing;
}

void SheetCache::readMissing(const std::map<std::string, std::set<std::string>>& missing,
                             std::map<std::string, IndexRequests>& indexRequests) {
    struct Job {
        std::string path;
        std::set<std::string> wanted, cached;
        IndexRequests indexes;
        std::future<LoadedBook> pending;
    };
    std::vector<Job> jobs;
    for (auto& [path, tables] : missing) {
        FileEntry& entry = files_.at(path);
        std::set<std::string> toRead;
        if (entry.listed) {
            for (const auto& t : tables) {
                const std::string* found = findTable(entry, t);
                if (found && !entry.sheets.count(*found)) toRead.insert(*found);
            }
        } else {
            toRead = tables;
        }
        if (toRead.empty() && entry.listed) continue;
        Job job{path, std::move(toRead), {}, indexRequests[path], {}};
        for (const auto& [name, c] : entry.sheets) job.cached.insert(name);
        jobs.push_back(std::move(job));
    }
    for (size_t k = 1; k < jobs.size(); ++k)
        jobs[k].pending = std::async(std::launch::async, readAndConvert, std::cref(jobs[k].path),
                                     std::cref(jobs[k].wanted), std::cref(jobs[k].cached),
                                     std::cref(jobs[k].indexes));
    std::vector<LoadedBook> books;
    std::exception_ptr firstError;
    for (size_t k = 0; k < jobs.size(); ++k) {
        try {
            books.push_back(k == 0 ? readAndConvert(jobs[0].path, jobs[0].wanted, jobs[0].cached,
                                                    jobs[0].indexes)
                                   : jobs[k].pending.get());
        } catch (...) {
            if (!firstError) firstError = std::current_exception();
            books.emplace_back();
        }
    }
    if (firstError) std::rethrow_exception(firstError);
    for (size_t k = 0; k < jobs.size(); ++k) publish(files_.at(jobs[k].path), std::move(books[k]));
}

const CachedSheet& SheetCache::sheet(const SheetRef& ref) {
    FileEntry& entry = files_.at(ref.path);
    const std::string* t = findTable(entry, ref.sheet);
    auto it = t ? entry.sheets.find(*t) : entry.sheets.end();
    if (it == entry.sheets.end() && t && entry.tooWide.count(*t))
        throw Error(ErrorKind::TooLarge,
                    "工作簿" + quoted(ref.path) + "的工作表" + quoted(*t) +
                        "的列数超过了查询能处理的 " + std::to_string(kMaxFields) + " 列",
                    ref.path, *t);
    if (it == entry.sheets.end()) {
        std::string list;
        for (const auto& n : entry.tables) {
            if (!list.empty()) list += "、";
            list += n;
        }
        throw Error(ErrorKind::SheetNotFound,
                    "工作簿" + quoted(ref.path) + "中没有工作表" + quoted(ref.sheet) +
                        (list.empty() ? "：这个工作簿没有工作表" : "：它的表有 " + list),
                    ref.path, ref.sheet);
    }
    return it->second;
}

std::vector<std::string> SheetCache::listTables(const std::string& path, Driver driver) {
    FileEntry& entry = file(path, driver);
    if (!entry.listed) {
        formats::ReadOptions listOnly;
        listOnly.cells = false;
        formats::Workbook wb = readBook(path, listOnly);
        entry.tables.clear();
        for (const auto& s : wb.sheets)
            if (s.kind == formats::SheetKind::Worksheet) entry.tables.push_back(s.name + "$");
        entry.listed = true;
    }
    return entry.tables;
}

void SheetCache::clear() {
    for (auto& [path, entry] : files_) dropSheets(entry);
    files_.clear();
}

CacheStats SheetCache::stats() const {
    CacheStats s;
    s.fileReads = fileReads_;
    for (auto& [path, entry] : files_)
        for (auto& [name, c] : entry.sheets) {
            ++s.sheets;
            s.bytes += c.table->memoryBytes();
        }
    return s;
}

void SheetCache::release() {
    for (auto& [path, entry] : files_)
        for (auto& [name, s] : entry.sheets) unpublishSheet(s.id);
}

}  // namespace shuhui::workbooks
