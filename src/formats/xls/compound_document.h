// The compound-document input of the .xls reader: libgsf opens the OLE2 compound document
// (MS-CFB) held in memory and finds the workbook stream, "Workbook" (BIFF8) or "Book" (BIFF5/7).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace shuhui::formats::detail::xls {

class WorkbookStream {
  public:
    // Opens the compound document in `bytes` and its workbook stream; failures (not a compound
    // document, cut short, encrypted, no workbook stream) are reading errors of `file`.
    WorkbookStream(std::span<const uint8_t> bytes, const std::string& file);
    ~WorkbookStream();
    WorkbookStream(const WorkbookStream&) = delete;
    WorkbookStream& operator=(const WorkbookStream&) = delete;

    // The stream's bytes, valid while this object lives.
    std::span<const uint8_t> bytes() const { return data_; }
    // True for a "Book" stream: BIFF5/7 (the BOF record has the last word).
    bool biff5() const { return biff5_; }

  private:
    struct GObjectUnref {
        void operator()(void* p) const;
    };
    using GsfPtr = std::unique_ptr<void, GObjectUnref>;
    GsfPtr input_, ole_, stream_;  // released in reverse order
    std::span<const uint8_t> data_;
    bool biff5_ = false;
};

}  // namespace shuhui::formats::detail::xls
