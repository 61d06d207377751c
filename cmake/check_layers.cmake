# Fails when a file of kbpi32 includes a header of a layer above its own.
# The layers, lowest first; each may include its own headers and those below.
#   cmake -DROOT=<source dir> -P check_layers.cmake
set(layers common channel upload download api)

set(violations "")
list(LENGTH layers layer_count)
math(EXPR last "${layer_count} - 1")
foreach(index RANGE ${last})
  list(GET layers ${index} layer)
  file(GLOB_RECURSE files "${ROOT}/kbpi32/${layer}/*.h" "${ROOT}/kbpi32/${layer}/*.cpp")
  foreach(file ${files})
    file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"kbpi32/")
    foreach(line ${includes})
      string(REGEX REPLACE ".*\"kbpi32/([a-z_]+)/.*" "\\1" target "${line}")
      list(FIND layers ${target} target_index)
      if(target_index GREATER index)
        file(RELATIVE_PATH shown ${ROOT} ${file})
        string(APPEND violations "  ${shown} (layer ${layer}) includes a header of ${target}: ${line}\n")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  message(FATAL_ERROR "kbpi32's layers point one way: ${layers}, each using only those before it.\n${violations}")
endif()
