# libkbpi32.so.1 exports the C API of kbpi32.h and kbpi32_linux.h, and nothing
# else: a host program can use no name beside these.
#   cmake -DLIBRARY=<libkbpi32.so.1> -P exports.cmake
set(expected
  TimeoutTimerProc UploadTimerProc
  kbp_chk_interface kbp_download kbp_get_interface kbp_get_last_transfer kbp_read_port_text kbp_set_interface
  kbp_snd_interface kbp_upload
  kbp_linux_hid_node kbp_linux_interrupt kbp_linux_keyboard_input_device kbp_linux_last_device_error kbp_linux_map_com_port
  kbp_linux_set_box_callback kbp_linux_set_com_port kbp_linux_set_device_roots kbp_linux_set_input_device
  kbp_linux_set_usb_device
  vdd_EF_available vdd_EF_get vdd_kbd_capture vdd_kbd_clr vdd_kbd_release vdd_sendbyte
  vdd_translate_off vdd_translate_on)
execute_process(COMMAND nm -D --defined-only ${LIBRARY} OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "nm cannot read ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^ \n]+@@KBPI32_1" versioned "${listing}")
set(exported "")
foreach(name ${versioned})
  string(REPLACE "@@KBPI32_1" "" name ${name})
  list(APPEND exported ${name})
endforeach()
string(REGEX REPLACE "[^\n]* [A-Za-z] KBPI32_1\n" "" others "${listing}")
string(REGEX REPLACE "[^\n]*@@KBPI32_1\n" "" others "${others}")
list(SORT exported)
list(SORT expected)
if(NOT exported STREQUAL expected OR NOT others STREQUAL "")
  message(FATAL_ERROR "${LIBRARY} exports\n  ${exported}\nand without the version\n${others}\nbut should export\n  ${expected}")
endif()
