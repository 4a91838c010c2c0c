# The distributable folder (dist/ beside bin/): what a user with the keyboard copies to run the programs.
# It holds the programs, the files of resources/dist and the real HID service library (target quorvex_hid,
# built straight into it). The virtual keyboard (target quorvex) stays in bin/, where the run command and
# the tests use it, so it never ships by mistake.
if(TARGET quorvex_hid)
  set(kv_dist_copies)
  set(kv_dist_programs)
  foreach(t Kelvane Tirvane kvtool)
    if(TARGET ${t})
      list(APPEND kv_dist_copies COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${t}>
           $<TARGET_FILE_DIR:quorvex_hid>)
      list(APPEND kv_dist_programs ${t})
    endif()
  endforeach()
  add_custom_target(kv_dist ALL
    ${kv_dist_copies}
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${KV_ROOT}/resources/dist $<TARGET_FILE_DIR:quorvex_hid>
    COMMENT "Gathering the distributable folder")
  add_dependencies(kv_dist quorvex_hid ${kv_dist_programs})
endif()
