#pragma once
// One move-only owner per handle kind: the handle, its empty value and how it is released.
#include <windows.h>

#include <utility>

namespace cvinst::win {

template <typename T>
struct ZeroIsEmpty {
    static T value() { return T{}; }
};
struct InvalidHandleIsEmpty {
    static HANDLE value() { return INVALID_HANDLE_VALUE; }
};

template <typename T, auto Close, typename EmptyValue = ZeroIsEmpty<T>>
class UniqueHandle {
    static inline const T Empty = EmptyValue::value();

public:
    UniqueHandle() = default;
    explicit UniqueHandle(T h) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& o) noexcept : h_(std::exchange(o.h_, Empty)) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        if (this != &o) reset(std::exchange(o.h_, Empty));
        return *this;
    }
    ~UniqueHandle() { reset(); }

    T get() const { return h_; }
    explicit operator bool() const { return h_ != Empty; }
    T release() { return std::exchange(h_, Empty); }
    void reset(T h = Empty) {
        if (h_ != Empty) Close(h_);
        h_ = h;
    }
    // For out-parameters of the API: releases what is held and hands out the slot.
    T* put() {
        reset();
        return &h_;
    }

private:
    T h_ = Empty;
};

namespace detail {
inline void CloseKey(HKEY k) { RegCloseKey(k); }
inline void CloseHandleFn(HANDLE h) { CloseHandle(h); }
inline void CloseFind(HANDLE h) { FindClose(h); }
inline void DeleteGdi(HGDIOBJ o) { DeleteObject(o); }
inline void DeleteBitmapFn(HBITMAP b) { DeleteObject(b); }
inline void DeleteDcFn(HDC dc) { DeleteDC(dc); }
inline void DestroyWindowFn(HWND w) { DestroyWindow(w); }
inline void LocalFreeFn(HLOCAL m) { LocalFree(m); }
}  // namespace detail

using unique_hkey = UniqueHandle<HKEY, detail::CloseKey>;
using unique_handle = UniqueHandle<HANDLE, detail::CloseHandleFn>;
using unique_hfind = UniqueHandle<HANDLE, detail::CloseFind, InvalidHandleIsEmpty>;
using unique_hfile =
    UniqueHandle<HANDLE, detail::CloseHandleFn, InvalidHandleIsEmpty>;  // CreateFile
using unique_hbitmap = UniqueHandle<HBITMAP, detail::DeleteBitmapFn>;
using unique_gdiobj = UniqueHandle<HGDIOBJ, detail::DeleteGdi>;
using unique_hdc = UniqueHandle<HDC, detail::DeleteDcFn>;  // CreateCompatibleDC / CreateDC
using unique_hwnd = UniqueHandle<HWND, detail::DestroyWindowFn>;
using unique_hlocal =
    UniqueHandle<HLOCAL, detail::LocalFreeFn>;  // what the API gave with LocalAlloc

// Both handles of a started process.
struct unique_process_information {
    unique_handle process;
    unique_handle thread;
};

// GetDC / ReleaseDC.
class ScopedGetDC {
public:
    explicit ScopedGetDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;
    ~ScopedGetDC() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// SelectObject that puts back what it replaced.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;
    ~ScopedSelect() {
        if (old_ && old_ != HGDI_ERROR) SelectObject(dc_, old_);
    }

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace cvinst::win
