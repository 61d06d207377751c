/* Host programs include the public headers from C. */
#include "include/kbp_protocol.h"
#include "include/kbpi32.h"
#include "include/kbpusb.h"

int kbp_c_header_check(void);
int kbp_c_header_check(void) {
    unsigned char (*set)(int) = kbp_set_interface;
    unsigned char (*get_byte)(void) = vdd_EF_get;
    void (*timer_proc)(void *, unsigned int, uintptr_t, unsigned long) = TimeoutTimerProc;
    unsigned char (*send_usb)(int) = snddata_USB;
    int (*read_port)(const char *, struct kbp_port_text *) = kbp_read_port_text;
    int (*last)(struct kbp_last_transfer *) = kbp_get_last_transfer;
    return set != 0 && read_port != 0 && last != 0 && get_byte != 0 && timer_proc != 0 && send_usb != 0 && KBP_INTERFACE_USB == 4 &&
           KBP_UPLOAD_MAX_END(KBP_UPLOAD_CHUNK) < KBP_UPLOAD_BUFFER_SIZE && sizeof KBP_IMAGE_MAGIC == KBP_IMAGE_MAGIC_SIZE + 1 &&
           KBP_IMAGE_MAX_SIZE > KBP_IMAGE_MIN_SIZE && KBP_USB_VENDOR_ID != 0;
}
