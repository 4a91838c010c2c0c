#include <windows.h>

#include "app/library_search.h"

namespace kv {

void RestrictLibrarySearch() {
    // A failure leaves the system's default search; the program goes on, as there is nothing better to do.
    (void)SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
    (void)SetDllDirectoryW(L"");  // the working directory also leaves the classic search order
}

}  // namespace kv
