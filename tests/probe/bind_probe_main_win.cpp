// A child process for the Windows binding tests: binds the HID service library exactly as the program does
// (a failure ends the process silently with exit code 0), then creates a window like the program would, writes
// the file name of the library it bound to the file named by its argument and exits with code 42. Like every
// program of the project it first restricts where libraries are looked for; given a second argument, a bare
// library name, it then asks the system for that library as a delayed load would, and exits with code 43 when
// the system found one.
#include <windows.h>

#include <cstdio>
#include <string>

#include "app/library_search.h"
#include "device/hid_binding.h"

int wmain(int argc, wchar_t** argv) {
    kv::RestrictLibrarySearch();
    if (argc < 2) return 2;
    (void)kv::BindHidService();

    HWND window = CreateWindowExW(0, L"STATIC", L"probe", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (window == nullptr) return 3;
    DestroyWindow(window);

    FILE* out = _wfopen(argv[1], L"wb");
    if (out == nullptr) return 4;
    const std::wstring bound = kv::BoundLibraryFile().wstring();
    std::fwrite(bound.data(), sizeof(wchar_t), bound.size(), out);
    std::fclose(out);
    if (argc > 2 && LoadLibraryW(argv[2]) != nullptr) return 43;
    return 42;
}
