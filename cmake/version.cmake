# The product version, from project(): a header for the code (kv_version.h) and, on Windows, a version
# resource in each program and library that ships.
set(KV_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/version/kv_version.h.in ${KV_GENERATED_DIR}/kv_version.h @ONLY)

# kv_version_resources(): the header for the core and its front ends, and a VERSIONINFO resource for every
# shipped binary of this build (Windows only).
function(kv_version_resources)
  target_include_directories(kvcore PUBLIC ${KV_GENERATED_DIR})
  if(NOT WIN32)
    return()
  endif()
  # target  file name  type  description
  set(rows
    "Kelvane|Kelvane.exe|VFT_APP|Kelvane keyboard configuration"
    "kelvane_testbuild|Kelvane.exe|VFT_APP|Kelvane keyboard configuration (test build)"
    "Tirvane|Tirvane.exe|VFT_APP|Kelvane companion"
    "kvtool|kvtool.exe|VFT_APP|Kelvane command-line tool"
    "quorvex|Quorvex.dll|VFT_DLL|Kelvane HID service (virtual keyboard)"
    "quorvex_hid|Quorvex.dll|VFT_DLL|Kelvane HID service")
  foreach(row ${rows})
    string(REPLACE "|" ";" fields "${row}")
    list(GET fields 0 target)
    list(GET fields 1 KV_VI_FILENAME)
    list(GET fields 2 KV_VI_TYPE)
    list(GET fields 3 KV_VI_DESCRIPTION)
    if(TARGET ${target})
      set(rc ${KV_GENERATED_DIR}/version_${target}.rc)
      configure_file(${KV_ROOT}/cmake/version/version.rc.in ${rc} @ONLY)
      target_sources(${target} PRIVATE ${rc})
    endif()
  endforeach()
endfunction()
