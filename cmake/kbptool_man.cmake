# cmake -DHELP2MAN=help2man -DTOOL=kbptool -DOUT=kbptool.1.gz -P kbptool_man.cmake
# kbptool's man page from its own --help, each command's --help and --version:
# the NAME line is the help's first line, the version the tool's own. Compressed
# without a time stamp, as Debian keeps man pages.
cmake_minimum_required(VERSION 3.20)
function(tool_output out_var)
  execute_process(COMMAND ${TOOL} ${ARGN} OUTPUT_VARIABLE text RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${TOOL} ${ARGN} failed (exit ${rc})")
  endif()
  set(${out_var} "${text}" PARENT_SCOPE)
endfunction()

tool_output(help --help)
if(NOT help MATCHES "^kbptool: ([^\n]+)")
  message(FATAL_ERROR "${TOOL} --help does not begin with 'kbptool: '")
endif()
set(name "${CMAKE_MATCH_1}")
# --version's line names the tool's version after "kbptool ".
tool_output(version_text --version)
if(NOT version_text MATCHES "kbptool ([0-9][^ ;\n]*)")
  message(FATAL_ERROR "${TOOL} --version names no version: ${version_text}")
endif()
set(version "${CMAKE_MATCH_1}")

# A COMMANDS section: each command's own help, as it prints it.
string(REGEX MATCH "\nSubcommands:\n(  [^\n]*\n)+" listing "${help}")
string(REGEX MATCHALL "\n  [a-z]+" commands "${listing}")
set(include "[COMMANDS]\n")
foreach(command ${commands})
  string(STRIP "${command}" command)
  tool_output(text ${command} --help)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  string(APPEND include ".SS ${command}\n.nf\n${text}.fi\n")
endforeach()
string(REGEX REPLACE "\\.gz$" "" page "${OUT}")
file(WRITE ${page}.include "${include}")

execute_process(COMMAND ${HELP2MAN} --no-info --name "${name}" --version-string "${version}"
  --include ${page}.include --output ${page} ${TOOL} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "help2man on ${TOOL} failed")
endif()
execute_process(COMMAND gzip -9nf ${page} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "gzip ${page} failed")
endif()
