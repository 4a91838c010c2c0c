// The first call of every program of the project: libraries are looked for only in the system folder and
// the program's own folder, never in the working directory or along PATH, also when the system itself loads
// one later. The programs run with administrator rights, so a library planted there must never be taken.
// Natively the loader never searches the working directory; there is nothing to do.
#pragma once

namespace kv {

void RestrictLibrarySearch();

}  // namespace kv
