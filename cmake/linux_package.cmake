# What the Linux packages (release.sh) ask of the native build: the library and
# the programs hardened as Debian builds its own, and kbptool-sim's man page.
include_guard(GLOBAL)
include(CheckPIESupported)

# kbp_harden(TARGET...): glibc's checked variants of the string and memory
# calls (_FORTIFY_SOURCE=2, which needs optimisation, so not in Debug), the
# strong stack protector; for what is linked, relocations read-only after
# loading and all bound at start (relro, now), executables position-independent.
# Give the libraries a program or library is linked from as well, for their
# objects' calls. Not in the sanitizer or fuzz builds, nor for Windows.
function(kbp_harden)
  if(WIN32 OR KBP_SANITIZE OR KBP_FUZZ)
    return()
  endif()
  # With it CMake links an executable of POSITION_INDEPENDENT_CODE with -pie.
  check_pie_supported(LANGUAGES C CXX)
  foreach(target ${ARGN})
    target_compile_options(${target} PRIVATE -fstack-protector-strong)
    target_compile_definitions(${target} PRIVATE $<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:_FORTIFY_SOURCE=2>)
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "EXECUTABLE" OR type STREQUAL "SHARED_LIBRARY")
      target_link_options(${target} PRIVATE -Wl,-z,relro,-z,now)
    endif()
    if(type STREQUAL "EXECUTABLE")
      set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON)
    endif()
  endforeach()
endfunction()

# kbp_man_page(TOOL): TOOL's man page from its own --help, as kbptool's is made
# (cmake/kbptool_man.cmake), installed beside it; where cmake/install_linux.cmake
# installs, and help2man is there.
function(kbp_man_page tool)
  find_program(KBP_HELP2MAN help2man)
  if(NOT KBP_HELP2MAN OR NOT KBP_LINUX_BACKEND OR KBP_SANITIZE)
    return()
  endif()
  include(GNUInstallDirs)  # here: its directories are variables of the scope it is included in
  set(man ${CMAKE_BINARY_DIR}/install/${tool}.1.gz)
  add_custom_command(OUTPUT ${man}
    COMMAND ${CMAKE_COMMAND} -DHELP2MAN=${KBP_HELP2MAN} -DTOOL=$<TARGET_FILE:${tool}> -DOUT=${man}
      -P ${CMAKE_SOURCE_DIR}/cmake/kbptool_man.cmake
    DEPENDS ${tool} ${CMAKE_SOURCE_DIR}/cmake/kbptool_man.cmake
    COMMENT "${tool}'s man page" VERBATIM)
  string(REPLACE "-" "_" name ${tool})
  add_custom_target(${name}_man ALL DEPENDS ${man})
  install(FILES ${man} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()
