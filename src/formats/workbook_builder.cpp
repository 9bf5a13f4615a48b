// The workbook builder (see workbook_builder.h).
#include "formats/workbook_builder.h"

#include <functional>

namespace shuhui::formats {
namespace {

uint64_t styleHash(const CellStyle& s) {
    uint64_t h = std::hash<std::string>{}(s.numFmt);
    auto add = [&h](uint64_t v) { h = (h ^ v) * 0x100000001b3ull; };
    add(std::hash<std::string>{}(s.font.name));
    add(std::hash<double>{}(s.font.size));
    add(uint64_t(s.font.bold) | uint64_t(s.font.italic) << 1 | uint64_t(s.font.underline) << 2);
    add(s.font.color);
    add(s.fill);
    for (const Border* b : {&s.left, &s.right, &s.top, &s.bottom})
        add(uint64_t(b->style) << 32 | b->color);
    add(uint64_t(s.halign) | uint64_t(s.valign) << 8 | uint64_t(s.wrap) << 16);
    return h;
}

}  // namespace

WorkbookBuilder::WorkbookBuilder() {
    wb_.styles.push_back(CellStyle{});
    styles_.emplace(styleHash(wb_.styles[0]), 0);
}

WorkbookBuilder::WorkbookBuilder(Workbook workbook) : wb_(std::move(workbook)) {
    if (wb_.styles.empty()) wb_.styles.push_back(CellStyle{});
    for (uint32_t i = 0; i < wb_.styles.size(); ++i) {
        const uint64_t h = styleHash(wb_.styles[i]);
        auto [it, end] = styles_.equal_range(h);
        while (it != end && !(wb_.styles[it->second] == wb_.styles[i])) ++it;
        if (it == end) styles_.emplace(h, i);  // a repeated style keeps its first index
    }
    size_t size = slots_.size();
    while (wb_.strings.size() * 2 > size) size *= 2;
    slots_.assign(size, Slot{});
    mask_ = size - 1;
    for (uint32_t id = 0; id < wb_.strings.size(); ++id) {
        const uint64_t h = std::hash<std::string_view>{}(wb_.strings[id]);
        size_t i = h & mask_;
        while (slots_[i].id != kEmpty &&
               !(slots_[i].hash == h && wb_.strings[slots_[i].id] == wb_.strings[id]))
            i = (i + 1) & mask_;
        if (slots_[i].id == kEmpty)
            slots_[i] = Slot{h, id};  // a repeated text keeps its first index
    }
}

uint32_t WorkbookBuilder::text(std::string_view s) {
    const uint64_t h = std::hash<std::string_view>{}(s);
    size_t i = h & mask_;
    for (;;) {
        const Slot& slot = slots_[i];
        if (slot.id == kEmpty) break;
        if (slot.hash == h && wb_.strings[slot.id] == s) return slot.id;
        i = (i + 1) & mask_;
    }
    const uint32_t id = uint32_t(wb_.strings.size());
    wb_.strings.emplace_back(s);
    slots_[i] = Slot{h, id};
    if (wb_.strings.size() * 2 > slots_.size()) grow();
    return id;
}

void WorkbookBuilder::grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(old.size() * 2, Slot{});
    mask_ = slots_.size() - 1;
    for (const Slot& o : old) {
        if (o.id == kEmpty) continue;
        size_t i = o.hash & mask_;
        while (slots_[i].id != kEmpty) i = (i + 1) & mask_;
        slots_[i] = o;
    }
}

uint32_t WorkbookBuilder::style(const CellStyle& style) {
    const uint64_t h = styleHash(style);
    auto [it, end] = styles_.equal_range(h);
    for (; it != end; ++it)
        if (wb_.styles[it->second] == style) return it->second;
    const uint32_t id = uint32_t(wb_.styles.size());
    wb_.styles.push_back(style);
    styles_.emplace(h, id);
    return id;
}

Sheet& WorkbookBuilder::addSheet(std::string name) {
    Sheet& s = wb_.sheets.emplace_back();
    s.name = std::move(name);
    return s;
}

}  // namespace shuhui::formats
