// The exports of kbpusb.
#include "include/kbpusb.h"

#include "kbpusb/usb_device.h"
#include "platform/abi.h"

extern "C" {

unsigned char KBP_STDCALL snddata_USB(int value) { return kbpusb::send_byte(value); }

unsigned char KBP_STDCALL Close_USB(void) { return kbpusb::close_device(); }

unsigned char KBP_STDCALL SetDevice_USB(const char* path) { return kbpusb::choose_device(path); }

}  // extern "C"
