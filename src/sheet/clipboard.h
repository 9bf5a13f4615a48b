// The clipboard of the spreadsheet application: one styled block, replaced by every copy.
//
// Clipboard is the seam: applications of one process share processClipboard() unless they are
// given another one (the window layer gives one that goes through the system clipboard, so a copy
// can be pasted into another program too).
#pragma once

#include <memory>
#include <optional>

#include "sheet/block.h"

namespace shuhui::sheet {

class Clipboard {
  public:
    virtual ~Clipboard() = default;
    virtual void setBlock(const StyledBlock& block) = 0;
    // What a paste would put down; nullopt when the clipboard holds nothing to paste.
    virtual std::optional<StyledBlock> block() const = 0;
};

class LocalClipboard : public Clipboard {
  public:
    void setBlock(const StyledBlock& block) override { block_ = block; }
    std::optional<StyledBlock> block() const override { return block_; }

  private:
    std::optional<StyledBlock> block_;
};

// The clipboard shared by the applications of this process.
std::shared_ptr<Clipboard> processClipboard();

}  // namespace shuhui::sheet
