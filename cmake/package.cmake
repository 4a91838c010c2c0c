# What ships: the Windows setup program (target kv_setup, NSIS) and, natively, the Debian package of kvtool
# (CPack, `cpack -G DEB` in the native build folder). Both carry the version of project().
set(KV_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)

if(WIN32 AND TARGET kv_dist)
  set(KV_SETUP_FILE ${KV_PACKAGE_DIR}/Kelvane-${PROJECT_VERSION}-setup.exe)
  add_custom_target(kv_setup
    COMMAND ${CMAKE_COMMAND} -DKV_VERSION=${PROJECT_VERSION} -DKV_DIST=$<TARGET_FILE_DIR:quorvex_hid> -DKV_BIN=${CMAKE_BINARY_DIR}/bin
            -DKV_SOURCE=${KV_ROOT} -DKV_WORK=${CMAKE_BINARY_DIR}/installer -DKV_OUTFILE=${KV_SETUP_FILE}
            -P ${KV_ROOT}/cmake/make_setup.cmake
    COMMENT "Making the setup program Kelvane-${PROJECT_VERSION}-setup.exe"
    VERBATIM)
  add_dependencies(kv_setup kv_dist)
endif()

if(NOT WIN32 AND TARGET quorvex_hid)
  # kvtool binds the HID service library from its own folder only: both live in /usr/lib/kelvane, and
  # /usr/bin/kvtool is a relative link to the program there.
  set(kv_private_dir lib/kelvane)
  install(TARGETS kvtool RUNTIME DESTINATION ${kv_private_dir} COMPONENT kvtool)
  install(TARGETS quorvex_hid LIBRARY DESTINATION ${kv_private_dir} COMPONENT kvtool)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/deb)
  file(CREATE_LINK ../${kv_private_dir}/kvtool ${CMAKE_BINARY_DIR}/deb/kvtool SYMBOLIC)
  install(FILES ${CMAKE_BINARY_DIR}/deb/kvtool DESTINATION bin COMPONENT kvtool)
  install(FILES ${KV_ROOT}/resources/linux/70-kelvane-keyboard.rules DESTINATION /lib/udev/rules.d COMPONENT kvtool)
  # The manual page: its command list comes from kvtool's own usage text; compressed as Debian keeps them
  # (gzip -n: the same bytes at every build).
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/deb/kvtool.1.gz
    COMMAND ${Python3_EXECUTABLE} ${KV_ROOT}/resources/linux/make_manpage.py $<TARGET_FILE:kvtool>
            ${KV_ROOT}/resources/linux/kvtool.1.in ${PROJECT_VERSION} ${CMAKE_BINARY_DIR}/deb/kvtool.1
    COMMAND gzip -9nf ${CMAKE_BINARY_DIR}/deb/kvtool.1
    DEPENDS kvtool ${KV_ROOT}/resources/linux/kvtool.1.in ${KV_ROOT}/resources/linux/make_manpage.py
    VERBATIM)
  add_custom_target(kv_manpage ALL DEPENDS ${CMAKE_BINARY_DIR}/deb/kvtool.1.gz)
  install(FILES ${CMAKE_BINARY_DIR}/deb/kvtool.1.gz DESTINATION share/man/man1 COMPONENT kvtool)
  install(FILES ${KV_ROOT}/resources/linux/copyright DESTINATION share/doc/kvtool COMPONENT kvtool)

  # `cpack` must not build everything (tests, benchmarks): package.sh builds kvtool and the library first.
  set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
  set(CPACK_GENERATOR DEB)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_PACKAGE_NAME kvtool)
  set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
  set(CPACK_PACKAGE_VENDOR Halvorn)
  set(CPACK_PACKAGE_CONTACT "Halvorn <support@halvorn.example>")
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "command-line tool for the Kelvane mechanical gaming keyboard")
  set(CPACK_PACKAGE_DESCRIPTION "kvtool reads the Kelvane keyboard's firmware version, profiles and key\n\
tables, backs its key tables and macros up and restores them, and checks and\n\
converts profile data files. The package holds the keyboard's HID service\n\
library and a udev rule that lets the user at the seat open the keyboard\n\
without root.")
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_PACKAGE_DIRECTORY ${KV_PACKAGE_DIR})
  set(CPACK_DEB_COMPONENT_INSTALL OFF)
  set(CPACK_COMPONENTS_ALL kvtool)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE amd64)
  # Dependencies from the binaries (dpkg-shlibdeps): the C and C++ runtimes and, through the library, the
  # hidraw flavour of hidapi.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "udev")
  set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${KV_ROOT}/resources/linux/postinst ${KV_ROOT}/resources/linux/postrm)
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  include(CPack)
endif()
