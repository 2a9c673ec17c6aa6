// The argument text of an unattended start, checked against the test kit's own model of the
// command-line language: every reader must answer what the text asks for.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cmdline_oracle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string difference = cvinst::testkit::CommandLineDifference(input);
    if (!difference.empty()) {
        std::fprintf(stderr, "wrong answer: %s\n", difference.c_str());
        std::abort();
    }
    return 0;
}
