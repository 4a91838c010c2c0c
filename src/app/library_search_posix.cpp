#include "app/library_search.h"

namespace kv {

void RestrictLibrarySearch() {}

}  // namespace kv
