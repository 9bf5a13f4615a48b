// libFuzzer target: arbitrary bytes through the .xlsx reader (seeds are zip archives, several of
// them with stored members so that mutations reach the XML).
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return shuhui::fuzz::readOne(data, size, "fuzz.xlsx");
}
