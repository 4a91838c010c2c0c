# Makes the Windows setup program from the distributable folder (cmake -P, run by the target kv_setup).
# In: KV_VERSION, KV_DIST, KV_BIN (the development folder with the virtual keyboard), KV_SOURCE, KV_WORK, KV_OUTFILE.
foreach(v KV_VERSION KV_DIST KV_BIN KV_SOURCE KV_WORK KV_OUTFILE)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "make_setup.cmake: ${v} is not set")
  endif()
endforeach()

# Only the library over the keyboard itself may ship: never the virtual keyboard of the development folder.
foreach(f Kelvane.exe Tirvane.exe kvtool.exe Quorvex.dll Lang0409.ini)
  if(NOT EXISTS ${KV_DIST}/${f})
    message(FATAL_ERROR "${KV_DIST}/${f} is missing: build the target kv_dist first")
  endif()
endforeach()
if(EXISTS ${KV_BIN}/Quorvex.dll)
  file(SHA256 ${KV_DIST}/Quorvex.dll dist_hash)
  file(SHA256 ${KV_BIN}/Quorvex.dll bin_hash)
  if(dist_hash STREQUAL bin_hash)
    message(FATAL_ERROR "${KV_DIST}/Quorvex.dll is the virtual keyboard; it must not ship")
  endif()
endif()

# The files that ship, staged without the folder's placeholders (dot files) and without debugging symbols.
set(stage ${KV_WORK}/stage)
file(REMOVE_RECURSE ${stage})
file(GLOB_RECURSE files RELATIVE ${KV_DIST} ${KV_DIST}/*)
list(FILTER files EXCLUDE REGEX "(^|/)\\.")
list(SORT files)
find_program(KV_STRIP NAMES x86_64-w64-mingw32-strip)
foreach(f ${files})
  get_filename_component(d ${stage}/${f} DIRECTORY)
  file(COPY ${KV_DIST}/${f} DESTINATION ${d})
  if(KV_STRIP AND f MATCHES "\\.(exe|dll)$")
    execute_process(COMMAND ${KV_STRIP} --strip-all ${stage}/${f} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "strip failed on ${f}")
    endif()
  endif()
endforeach()

# The uninstaller removes exactly what the setup puts down: one line per file, then the folders, deepest first.
set(lines "; Made by make_setup.cmake from the distributable folder.\n")
set(dirs)
foreach(f ${files})
  string(REPLACE "/" "\\" w "${f}")
  string(APPEND lines "Delete \"$INSTDIR\\${w}\"\n")
  get_filename_component(d ${f} DIRECTORY)
  while(d)
    list(APPEND dirs ${d})
    get_filename_component(d ${d} DIRECTORY)
  endwhile()
endforeach()
list(REMOVE_DUPLICATES dirs)
list(SORT dirs ORDER DESCENDING)  # a folder sorts after its parent, so descending removes children first
foreach(d ${dirs})
  string(REPLACE "/" "\\" w "${d}")
  string(APPEND lines "RMDir \"$INSTDIR\\${w}\"\n")
endforeach()
file(WRITE ${KV_WORK}/remove_list.nsh "${lines}")
get_filename_component(out_dir ${KV_OUTFILE} DIRECTORY)
file(MAKE_DIRECTORY ${out_dir})

find_program(MAKENSIS makensis)
if(NOT MAKENSIS)
  message(FATAL_ERROR "makensis not found: install the Debian package nsis (scripts/deps.sh)")
endif()
execute_process(
  COMMAND ${MAKENSIS} -V2 -WX -INPUTCHARSET UTF8
          -DKV_VERSION=${KV_VERSION} -DKV_DIST=${stage} -DKV_REMOVE_LIST=${KV_WORK}/remove_list.nsh
          -DKV_ICON=${KV_SOURCE}/resources/icons/kelvane.ico -DKV_OUTFILE=${KV_OUTFILE}
          ${KV_SOURCE}/resources/installer/kelvane.nsi
  WORKING_DIRECTORY ${KV_SOURCE}/resources/installer
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "makensis failed (${rc})")
endif()
message(STATUS "Setup program: ${KV_OUTFILE}")
