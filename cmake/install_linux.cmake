# What `cmake --install` puts on a Linux system (release.sh packs it into the
# kbptool .deb): the tool, the library with what a program needs to build
# against it, the udev rule for the keyboard, the man page and the completion.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS kbptool kbptool-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set_target_properties(kbpi32_linux PROPERTIES EXPORT_NAME kbpi32)
target_include_directories(kbpi32_linux INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/kbpi32>)
install(TARGETS kbpi32_linux EXPORT kbpi32Targets LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES include/kbpi32.h include/kbpi32_linux.h include/kbp_protocol.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kbpi32)
# find_package(kbpi32) gives the imported target kbpi32::kbpi32.
install(EXPORT kbpi32Targets NAMESPACE kbpi32:: FILE kbpi32Config.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/kbpi32)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/install/kbpi32ConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/install/kbpi32ConfigVersion.cmake DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/kbpi32)
# The pkg-config file, with the prefix given at install time (cmake --install --prefix).
install(CODE "
  set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
  set(libdir \"${CMAKE_INSTALL_LIBDIR}\")
  set(includedir \"${CMAKE_INSTALL_INCLUDEDIR}\")
  set(version \"${PROJECT_VERSION}\")
  configure_file(\"${CMAKE_SOURCE_DIR}/packaging/linux/kbpi32.pc.in\" \"${CMAKE_BINARY_DIR}/install/kbpi32.pc\" @ONLY)")
install(FILES ${CMAKE_BINARY_DIR}/install/kbpi32.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The udev rule, with the keyboard's vendor as kbp_protocol.h defines it.
file(STRINGS ${CMAKE_SOURCE_DIR}/include/kbp_protocol.h vendor_line REGEX "^#define KBP_USB_VENDOR_ID ")
string(REGEX REPLACE ".*0[xX]([0-9A-Fa-f]+).*" "\\1" KBP_USB_VENDOR "${vendor_line}")
string(TOLOWER "${KBP_USB_VENDOR}" KBP_USB_VENDOR)
if(NOT KBP_USB_VENDOR MATCHES "^[0-9a-f][0-9a-f][0-9a-f][0-9a-f]$")
  message(FATAL_ERROR "no 4-digit KBP_USB_VENDOR_ID in include/kbp_protocol.h: '${vendor_line}'")
endif()
configure_file(packaging/linux/${KBP_UDEV_RULE}.in ${CMAKE_BINARY_DIR}/install/${KBP_UDEV_RULE} @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/install/${KBP_UDEV_RULE} DESTINATION lib/udev/rules.d)

# The man page, from the built tool's own --help and --version.
find_program(KBP_HELP2MAN help2man)
if(KBP_HELP2MAN)
  set(man ${CMAKE_BINARY_DIR}/install/kbptool.1.gz)
  add_custom_command(OUTPUT ${man}
    COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${KBP_HELP2MAN} -DTOOL=$<TARGET_FILE:kbptool> -DOUT=${man}
      -P ${CMAKE_SOURCE_DIR}/cmake/kbptool_man.cmake
    DEPENDS kbptool ${CMAKE_SOURCE_DIR}/cmake/kbptool_man.cmake
    COMMENT "kbptool's man page" VERBATIM)
  add_custom_target(kbptool_man ALL DEPENDS ${man})
  install(FILES ${man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
else()
  message(STATUS "help2man not found (apt-get install help2man): kbptool's man page is not made")
endif()

# Asks kbptool itself for its commands and options while completing.
install(FILES packaging/linux/kbptool.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
  RENAME kbptool)
