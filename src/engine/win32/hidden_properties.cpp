#include "engine/win32/hidden_properties.h"

#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include "base/win32/handles.h"
#include "base/win32/system_error.h"
#include "base/win32/text.h"
#include "support/secrets.h"

namespace cvinst {

namespace {

// msi.dll is no known DLL: imported at load time, it could be taken from the folder CVInst starts
// from, which others can write to. It is loaded from the system folder when first needed and
// stays for the process.
struct MsiApi {
    decltype(&::MsiOpenDatabaseW) OpenDatabase = nullptr;
    decltype(&::MsiDatabaseOpenViewW) OpenView = nullptr;
    decltype(&::MsiViewExecute) Execute = nullptr;
    decltype(&::MsiViewFetch) Fetch = nullptr;
    decltype(&::MsiRecordGetStringW) GetString = nullptr;
    decltype(&::MsiCloseHandle) Close = nullptr;

    bool Loaded() const {
        return OpenDatabase && OpenView && Execute && Fetch && GetString && Close;
    }
};

template <typename Function>
void Bind(HMODULE dll, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(dll, name)));
}

const MsiApi& Msi() {
    static const MsiApi api = [] {
        MsiApi loaded;
        if (HMODULE dll = LoadLibraryExW(L"msi.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
            Bind(dll, "MsiOpenDatabaseW", loaded.OpenDatabase);
            Bind(dll, "MsiDatabaseOpenViewW", loaded.OpenView);
            Bind(dll, "MsiViewExecute", loaded.Execute);
            Bind(dll, "MsiViewFetch", loaded.Fetch);
            Bind(dll, "MsiRecordGetStringW", loaded.GetString);
            Bind(dll, "MsiCloseHandle", loaded.Close);
        }
        return loaded;
    }();
    return api;
}

// Only a handle msi.dll gave out is ever closed, so the API is there.
void CloseMsiHandle(MSIHANDLE handle) { Msi().Close(handle); }
using unique_msihandle = win::UniqueHandle<MSIHANDLE, CloseMsiHandle>;

// The first field of a record as text; nothing when it cannot be read.
std::string FirstField(const MsiApi& msi, MSIHANDLE record) {
    std::wstring text(256, L'\0');
    DWORD size = static_cast<DWORD>(text.size());
    UINT status = msi.GetString(record, 1, text.data(), &size);
    if (status == ERROR_MORE_DATA) {
        text.resize(++size);
        status = msi.GetString(record, 1, text.data(), &size);
    }
    if (status != ERROR_SUCCESS) return {};
    text.resize(size);
    return win::Utf8(text);
}

}  // namespace

HiddenProperties PackageHiddenProperties(const std::string& msiPathUtf8) {
    const MsiApi& msi = Msi();
    if (!msi.Loaded()) return {{}, "msi.dll cannot be loaded"};
    unique_msihandle database, view, record;
    UINT status =
        msi.OpenDatabase(win::Wide(msiPathUtf8).c_str(), MSIDBOPEN_READONLY, database.put());
    if (status != ERROR_SUCCESS)
        return {{}, "cannot be read (" + win::SystemErrorText(status) + ")"};
    status = msi.OpenView(database.get(),
                          L"SELECT `Value` FROM `Property` WHERE `Property`='MsiHiddenProperties'",
                          view.put());
    if (status == ERROR_SUCCESS) status = msi.Execute(view.get(), 0);
    if (status != ERROR_SUCCESS)
        return {{}, "cannot be read (" + win::SystemErrorText(status) + ")"};
    status = msi.Fetch(view.get(), record.put());
    if (status == ERROR_NO_MORE_ITEMS) return {};
    if (status != ERROR_SUCCESS)
        return {{}, "cannot be read (" + win::SystemErrorText(status) + ")"};
    return {SplitPropertyList(FirstField(msi, record.get())), {}};
}

}  // namespace cvinst
