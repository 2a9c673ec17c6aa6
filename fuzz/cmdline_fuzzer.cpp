// The argument text of an unattended start, checked against the test kit's own model of the
// command-line language: every reader must answer what the text asks for. The inputs are built
// mostly from pieces of real command lines in valid UTF-8, as deployment tools write them.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "cmdline_oracle.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace {

// Pieces of real command lines, between bars.
constexpr std::string_view kPieces =
    "/I|/i|/U|/u|/P:|/p:|M|W|S|E|m|e|A|x|/T|/t|/SHOW|/show|/SH|OW|/MSI=|/msi=|\"| |  |\t|/|:|=|?|"
    "/LOG=|/log=|/WAIT:|/wait:|0|7|600|1000000|1000001|10m|1e3|1.5|+5|-|/qn|/qb-|"
    " ALLUSERS=2|REBOOT=ReallySuppress|"
    "TARGETDIR=C:\\Program Files\\Corvane|/l*v|C:\\Logs\\run.log|\\\\?\\C:\\x.log|CVInst.exe|"
    "\"C:\\Program Files\\CVInst.exe\"|ä|Ü|ß|ÿ|µ|ı|ſ|ŉ|я|Ё|ӏ|ς|Ω|ϐ|ǆ|日本|😀";

std::string_view AnyPiece(std::minstd_rand& random) {
    static const std::vector<std::string_view> pieces = [] {
        std::vector<std::string_view> split;
        for (size_t start = 0, bar = 0; bar != std::string_view::npos; start = bar + 1) {
            bar = kPieces.find('|', start);
            split.push_back(kPieces.substr(start, bar - start));
        }
        return split;
    }();
    return pieces[random() % pieces.size()];
}

// Any character but a surrogate, mostly one of the two-byte ones that upper-casing maps.
std::string AnyCharacter(std::minstd_rand& random) {
    const uint32_t limits[] = {0x7FF, 0x7FF, 0xFFFF, 0x10FFFF};
    uint32_t c = 0x80 + random() % (limits[random() % 4] - 0x7F);
    if (c >= 0xD800 && c <= 0xDFFF) c = 0xFFFD;
    std::string text;
    if (c < 0x800) {
        text += static_cast<char>(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | (c >> 12));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (c >> 18));
        text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    text += static_cast<char>(0x80 | (c & 0x3F));
    return text;
}

// A position between two characters (never inside a UTF-8 sequence).
size_t Boundary(const std::string& line, size_t position) {
    while (position > 0 && position < line.size() &&
           (static_cast<unsigned char>(line[position]) & 0xC0U) == 0x80U) {
        --position;
    }
    return position;
}

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize,
                                          unsigned int seed) {
    std::minstd_rand random(seed);
    const auto below = [&](size_t n) { return n == 0 ? 0 : random() % n; };
    // Now and then byte-level changes, for the text that is not valid UTF-8 as well.
    if (below(8) == 0) return LLVMFuzzerMutate(data, size, maxSize);

    std::string line(reinterpret_cast<const char*>(data), size);
    const size_t at = Boundary(line, below(line.size() + 1));
    switch (below(5)) {
    case 0:  // a piece
    case 1:
        line.insert(at, AnyPiece(random));
        break;
    case 2:
        line.insert(at, AnyCharacter(random));
        break;
    case 3: {  // a few characters fewer
        size_t end = at;
        for (size_t n = 1 + below(8); n > 0 && end < line.size(); --n) {
            ++end;
            while (end < line.size() && (static_cast<unsigned char>(line[end]) & 0xC0U) == 0x80U) {
                ++end;
            }
        }
        line.erase(at, end - at);
        break;
    }
    default: {  // a part of the line once more, which lets lines grow to real lengths
        const size_t from = Boundary(line, below(line.size() + 1));
        const size_t to = Boundary(line, from + below(line.size() - from + 1));
        line.insert(at, line.substr(from, to - from));
        break;
    }
    }
    if (line.size() > maxSize) line.resize(Boundary(line, maxSize));
    std::memcpy(data, line.data(), line.size());
    return line.size();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string difference = cvinst::testkit::CommandLineDifference(input);
    if (!difference.empty()) {
        std::fprintf(stderr, "wrong answer: %s\n", difference.c_str());
        std::abort();
    }
    return 0;
}
