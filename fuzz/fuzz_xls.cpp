// libFuzzer target: arbitrary bytes through the .xls reader (seeds are compound documents).
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return shuhui::fuzz::readOne(data, size, "fuzz.xls");
}
