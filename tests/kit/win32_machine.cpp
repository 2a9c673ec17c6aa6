#include "win32_machine.h"

#include <gtest/gtest.h>

#include "base/win32/text.h"

namespace cvinst::testkit {

ScratchKey::ScratchKey() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name =
        test ? std::string(test->test_suite_name()) + "." + test->name() : "outside a test";
    for (char& c : name)
        if (c == '/') c = '_';
    path_ = "Software\\CVInstTests\\" + name;
    const std::wstring path = win::Wide(path_);
    RegDeleteTreeW(HKEY_CURRENT_USER, path.c_str());
    RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    key_.put(), nullptr);
}

ScratchKey::~ScratchKey() {
    key_.reset();
    RegDeleteTreeW(HKEY_CURRENT_USER, win::Wide(path_).c_str());
}

void PrintTo(const StoredValue& value, std::ostream* os) {
    *os << "status " << value.status << ", type " << value.type << ", bytes "
        << ::testing::PrintToString(value.bytes);
}

StoredValue ReadValue(HKEY key, std::string_view name) {
    const std::wstring wide = win::Wide(name);
    StoredValue value;
    DWORD size = 0;
    value.status = RegQueryValueExW(key, wide.c_str(), nullptr, &value.type, nullptr, &size);
    if (value.status != ERROR_SUCCESS) return value;
    value.bytes.resize(size);
    value.status =
        RegQueryValueExW(key, wide.c_str(), nullptr, &value.type, value.bytes.data(), &size);
    value.bytes.resize(size);
    return value;
}

LONG WriteValue(HKEY key, std::string_view name, DWORD type, const std::vector<BYTE>& bytes) {
    return RegSetValueExW(key, win::Wide(name).c_str(), 0, type, bytes.data(),
                          static_cast<DWORD>(bytes.size()));
}

InstallationInProgress::InstallationInProgress() {
    holder_ = std::thread([this] {
        win::unique_handle mutex(CreateMutexW(nullptr, TRUE, L"Global\\_MSIExecute"));
        held_ = static_cast<bool>(mutex);
        taken_.store(true);
        while (!release_.load()) Sleep(5);
        if (mutex) ReleaseMutex(mutex.get());
    });
    while (!taken_.load()) Sleep(1);
}

InstallationInProgress::~InstallationInProgress() {
    Release();
    holder_.join();
}

}  // namespace cvinst::testkit
