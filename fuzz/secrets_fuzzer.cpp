// A known secret planted into any text must not survive the mask: the fuzzer's bytes are the text
// around it, and pick the secret's name, the form of its value and where it stands. The
// sanitizers watch the scan, and a text without any assignment is left as it is.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "support/secrets.h"
#include "support/strings.h"

namespace {

constexpr std::string_view kNames[] = {"PASSWORD", "db.password", "Db_Pwd", "ApiToken",
                                       "PIDKEY",   "cvworkkey",   "A"};
// The secret's words are ZQ1 and ZQ2; the text around it holds no Z, so any ZQ left is theirs.
constexpr std::string_view kValues[] = {"ZQ1", "'ZQ1 ZQ2'", R"("ZQ1 ZQ2")", R"(a"ZQ1 ZQ2"b)",
                                        R"("ZQ1 ""ZQ2"" ")"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const cvinst::SecretMask mask({"CVWORKKEY", "A"});
    if (size < 3) return 0;
    const std::string_view name = kNames[data[0] % std::size(kNames)];
    const std::string_view value = kValues[data[1] % std::size(kValues)];
    std::string text(reinterpret_cast<const char*>(data + 3), size - 3);
    for (char& c : text) {
        if (c == 'Z' || c == 'z') c = 'y';
    }
    if (text.find('=') == std::string::npos && mask(text) != text) std::abort();
    const size_t at = text.empty() ? 0 : data[2] % (text.size() + 1);
    text.insert(at, " " + std::string(name) + "=" + std::string(value) + " ");

    const std::string masked = mask(text);
    if (cvinst::UpperAscii(masked).find("ZQ") != std::string::npos) std::abort();
    return 0;
}
