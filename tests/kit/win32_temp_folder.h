#pragma once
// A fresh folder of the test's own under the user's temporary folder, removed with everything in
// it when the object goes. Paths are UTF-16 here, UTF-8 where the product takes them.
#include <string>

namespace cvinst::testkit {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool Made() const { return made_; }
    const std::wstring& Path() const { return path_; }
    std::wstring At(const std::wstring& relative) const { return path_ + L"\\" + relative; }
    std::string AtUtf8(const std::wstring& relative) const;

private:
    std::wstring path_;
    bool made_ = false;
};

// Removes a folder and everything in it; nothing when it does not exist.
void RemoveTree(const std::wstring& folder);
bool Exists(const std::wstring& path);
// The whole content of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::wstring& path);

}  // namespace cvinst::testkit
