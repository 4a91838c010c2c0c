# kv_collect(<out-var> <dir>...) gathers the .cpp files of the given folders that belong to this build's side:
# on Windows the portable files and *_win.cpp, natively the portable files and *_posix.cpp. Entry points
# (*_main.cpp, *_main_win.cpp, *_main_posix.cpp) are left out; programs name theirs explicitly.
function(kv_collect out)
  set(files)
  foreach(dir ${ARGN})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(APPEND files ${found})
  endforeach()
  list(FILTER files EXCLUDE REGEX "_main(_win|_posix)?\\.cpp$")
  if(WIN32)
    list(FILTER files EXCLUDE REGEX "_posix\\.cpp$")
  else()
    list(FILTER files EXCLUDE REGEX "_win\\.cpp$")
  endif()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# kv_portable(<out-var> <dir>...) gathers only the portable files (no *_win / *_posix).
function(kv_portable out)
  kv_collect(files ${ARGN})
  list(FILTER files EXCLUDE REGEX "_(win|posix)\\.cpp$")
  set(${out} ${files} PARENT_SCOPE)
endfunction()
