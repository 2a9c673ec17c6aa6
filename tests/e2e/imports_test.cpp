// CVInst.exe is started from folders that others can write to (Downloads): every DLL it imports at
// load time must be one that Windows always takes from the system folder. Its manifest decides how
// Windows starts it: the execution level, the common controls, DPI awareness.
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

// The headers of a PE file of this build's own architecture (PE32 for i686, PE32+ for x86-64).
IMAGE_NT_HEADERS Headers(const std::vector<unsigned char>& image) {
    const auto dos = At<IMAGE_DOS_HEADER>(image, 0);
    return At<IMAGE_NT_HEADERS>(image, static_cast<size_t>(dos.e_lfanew));
}

// The load-time imports of a PE file of this build's architecture, lower-cased.
std::vector<std::string> Imports(const std::vector<unsigned char>& image) {
    auto dos = At<IMAGE_DOS_HEADER>(image, 0);
    auto nt = Headers(image);
    std::vector<IMAGE_SECTION_HEADER> sections;
    size_t first = static_cast<size_t>(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS, OptionalHeader) +
                   nt.FileHeader.SizeOfOptionalHeader;
    for (int i = 0; i < nt.FileHeader.NumberOfSections; ++i)
        sections.push_back(
            At<IMAGE_SECTION_HEADER>(image, first + i * sizeof(IMAGE_SECTION_HEADER)));
    auto fileOffset = [&](DWORD rva) -> size_t {
        for (const auto& s : sections)
            if (rva >= s.VirtualAddress &&
                rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData))
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
    // Built for the architecture of the tests that run it, whose headers read it.
#ifdef _WIN64
    EXPECT_EQ(Headers(image).FileHeader.Machine, IMAGE_FILE_MACHINE_AMD64);
#else
    EXPECT_EQ(Headers(image).FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
#endif
    ASSERT_EQ(Headers(image).OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR_MAGIC);
    auto names = Imports(image);
    ASSERT_FALSE(names.empty());
    EXPECT_NE(std::find(names.begin(), names.end(), "kernel32.dll"), names.end());
    // In both Windows' KnownDLLs lists, the native one (x64) and the one of WoW64's 32-bit programs
    // (x86): these are always mapped from the system folder.
    const std::set<std::string> known = {
        "advapi32.dll", "gdi32.dll",   "kernel32.dll", "msvcrt.dll",   "user32.dll",   "ole32.dll",
        "oleaut32.dll", "shell32.dll", "shlwapi.dll",  "comdlg32.dll", "imm32.dll",    "rpcrt4.dll",
        "sechost.dll",  "combase.dll", "ws2_32.dll",   "psapi.dll",    "setupapi.dll", "ntdll.dll"};
    for (const auto& name : names) EXPECT_TRUE(known.count(name)) << name << " is not a known DLL";
    EXPECT_EQ(std::count(names.begin(), names.end(), "version.dll"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "comctl32.dll"), 0);
}

// The manifest Windows reads when it starts CVInst.exe (resource 1 of type RT_MANIFEST).
std::string ProcessManifest() {
    HMODULE exe = LoadLibraryExA(CVINST_EXE, nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!exe) return {};
    std::string text;
    if (HRSRC found = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)))
        if (HGLOBAL loaded = LoadResource(exe, found))
            if (const void* data = LockResource(loaded))
                text.assign(static_cast<const char*>(data), SizeofResource(exe, found));
    FreeLibrary(exe);
    return text;
}

TEST(Manifest, StartsAsTheUserIsWithCommonControlsSixAndDpiAwareness) {
    std::string manifest = ProcessManifest();
    ASSERT_FALSE(manifest.empty()) << "no process manifest in " << CVINST_EXE;
    // An administrator is asked to elevate; a standard user runs as such and gets the program's own
    // privileges message. Any execution level turns off registry virtualisation.
    EXPECT_NE(
        manifest.find(R"(<requestedExecutionLevel level="highestAvailable" uiAccess="false"/>)"),
        std::string::npos);
    EXPECT_NE(manifest.find(R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")"),
              std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
    // Windows refuses to start a program whose manifest names another architecture.
#ifdef _WIN64
    EXPECT_NE(manifest.find(R"(processorArchitecture="amd64"/>)"), std::string::npos);
#else
    EXPECT_NE(manifest.find(R"(processorArchitecture="x86"/>)"), std::string::npos);
#endif
    EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos)
        << "Windows 10 and 11";
}

}  // namespace
