// CVInst.exe is started from folders that others can write to (Downloads): every DLL it imports at
// load time must be one that Windows always takes from the system folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<unsigned char> ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename T>
T At(const std::vector<unsigned char>& image, size_t offset) {
    T value{};
    if (offset + sizeof(T) <= image.size()) std::memcpy(&value, image.data() + offset, sizeof(T));
    return value;
}

// The load-time imports of a 32-bit PE file, lower-cased.
std::vector<std::string> Imports(const std::vector<unsigned char>& image) {
    auto dos = At<IMAGE_DOS_HEADER>(image, 0);
    auto nt = At<IMAGE_NT_HEADERS32>(image, static_cast<size_t>(dos.e_lfanew));
    std::vector<IMAGE_SECTION_HEADER> sections;
    size_t first = static_cast<size_t>(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) +
                   nt.FileHeader.SizeOfOptionalHeader;
    for (int i = 0; i < nt.FileHeader.NumberOfSections; ++i)
        sections.push_back(At<IMAGE_SECTION_HEADER>(image, first + i * sizeof(IMAGE_SECTION_HEADER)));
    auto fileOffset = [&](DWORD rva) -> size_t {
        for (const auto& s : sections)
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData))
                return rva - s.VirtualAddress + s.PointerToRawData;
        return image.size();
    };
    std::vector<std::string> names;
    DWORD rva = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (size_t at = fileOffset(rva);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        auto desc = At<IMAGE_IMPORT_DESCRIPTOR>(image, at);
        if (desc.Name == 0 || at >= image.size()) break;
        std::string name;
        for (size_t p = fileOffset(desc.Name); p < image.size() && image[p]; ++p)
            name += static_cast<char>(std::tolower(image[p]));
        names.push_back(name);
    }
    return names;
}

TEST(Imports, OnlyKnownDllsAreImportedAtLoadTime) {
    auto image = ReadFile(CVINST_EXE);
    ASSERT_GT(image.size(), 4096u) << CVINST_EXE;
    auto names = Imports(image);
    ASSERT_FALSE(names.empty());
    EXPECT_NE(std::find(names.begin(), names.end(), "kernel32.dll"), names.end());
    // Windows' KnownDLLs list: these are always mapped from the system folder.
    const std::set<std::string> known = {
        "advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "user32.dll", "ole32.dll",
        "oleaut32.dll", "shell32.dll", "shlwapi.dll", "comdlg32.dll", "imm32.dll", "rpcrt4.dll",
        "sechost.dll", "combase.dll", "ws2_32.dll", "psapi.dll", "setupapi.dll", "ntdll.dll"};
    for (const auto& name : names) EXPECT_TRUE(known.count(name)) << name << " is not a known DLL";
    EXPECT_EQ(std::count(names.begin(), names.end(), "version.dll"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "comctl32.dll"), 0);
}

}  // namespace
