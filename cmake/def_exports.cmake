# kbp_def_export_names(def out_var): the names a .def file exports, without
# the argument sizes of the 32-bit standard-call names (kbp_download@12).
function(kbp_def_export_names def out_var)
  file(STRINGS ${def} lines REGEX "^[ \t]+[A-Za-z_]")
  set(names "")
  foreach(line ${lines})
    string(REGEX REPLACE "^[ \t]+([A-Za-z_][A-Za-z0-9_]*).*" "\\1" name "${line}")
    list(APPEND names ${name})
  endforeach()
  set(${out_var} ${names} PARENT_SCOPE)
endfunction()
