// Arbitrary bytes as the argument text of an unattended start.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cmdline_fake_window.h"
#include "startup/cmdline.h"

namespace {

using cvinst::testkit::FakeCommandLineWindow;

[[noreturn]] void Broken(const char* what) {
    std::fprintf(stderr, "broken invariant: %s\n", what);
    std::abort();
}

// Both texts of the working copy must stay the same length, and every ASCII byte of the upper
// copy must be the upper case of the original's byte at the same position.
void CheckAligned(const cvinst::WorkingText& text) {
    const std::string& upper = text.upper();
    const std::string& original = text.original();
    if (upper.size() != original.size()) Broken("working texts differ in length");
    for (size_t i = 0; i < upper.size(); ++i) {
        const auto u = static_cast<unsigned char>(upper[i]);
        const auto o = static_cast<unsigned char>(original[i]);
        if ((u < 0x80) != (o < 0x80)) Broken("ASCII byte paired with a non-ASCII byte");
        if (u < 0x80 && u != ((o >= 'a' && o <= 'z') ? o - ('a' - 'A') : o)) {
            Broken("working texts out of step");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);

    const std::string upper = cvinst::UpperCaseSameLength(input);
    if (cvinst::UpperCaseSameLength(upper) != upper) Broken("upper-casing is not idempotent");

    cvinst::WorkingText text(input);
    CheckAligned(text);
    std::string params;
    if (cvinst::ParseInstallerOption(text, params)) {
        CheckAligned(text);
        text.removeAll("/SHOW");
        CheckAligned(text);
    }

    FakeCommandLineWindow windows[3];
    windows[1].checkEnabled = {true, false, true, false};
    windows[1].onProfileClick = [&w = windows[1]](int) { w.checkEnabled[3] = true; };
    windows[2].actionEnabled = {false, true};
    for (FakeCommandLineWindow& window : windows) {
        const cvinst::Acceptance result = cvinst::AcceptCommandLine(input, window);
        const std::string broken = cvinst::testkit::BrokenParseInvariant(input, window, result);
        if (!broken.empty()) Broken(broken.c_str());
    }

    const std::string arguments = cvinst::ArgumentText(input);
    if (input.compare(input.size() - arguments.size(), arguments.size(), arguments) != 0) {
        Broken("argument text is not the end of the command line");
    }
    return 0;
}
