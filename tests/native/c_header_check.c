/* Host programs include the public headers from C. */
#include "include/kbp_protocol.h"
#include "include/kbpi32.h"
#include "include/kbpusb.h"

/* The numbers a host stores and other languages mirror (the Python package's
 * Cause, its ctypes structures): none may move. C99 has no static assertion:
 * an array of size -1 stops the build. */
typedef char kbp_causes_pinned[(KBP_CAUSE_NONE == 0 && KBP_CAUSE_NO_FILE_NAME == 1 && KBP_CAUSE_COM_NUMBER == 2 &&
                   KBP_CAUSE_COM_NOT_OPENED == 3 && KBP_CAUSE_COM_NOT_SET_UP == 4 && KBP_CAUSE_COM_NO_ECHO == 5 &&
                   KBP_CAUSE_NOT_A_COM_PORT == 6 && KBP_CAUSE_COM_NOT_CLOSED == 7 && KBP_CAUSE_USB_LIBRARY == 8 &&
                   KBP_CAUSE_CAPTURE_LIBRARY == 9 && KBP_CAUSE_OPENING_CHECK == 10 && KBP_CAUSE_BLOCK_NOT_TAKEN == 11 &&
                   KBP_CAUSE_NOT_AN_IMAGE == 12 && KBP_CAUSE_FILE_NOT_OPENED == 13 && KBP_CAUSE_NO_ANSWER == 14 &&
                   KBP_CAUSE_IMAGE_TOO_LONG == 15 && KBP_CAUSE_FILE_NOT_CREATED == 16 && KBP_CAUSE_FILE_NOT_WRITTEN == 17) ? 1 : -1];
typedef char kbp_port_text_numbers_pinned[(KBP_PORT_CHOSEN == 0 && KBP_PORT_USB == 1 && KBP_PORT_SERIAL == 2 && KBP_PORT_NONE == 3 &&
                   KBP_PORT_AS_WRITTEN == 0 && KBP_PORT_SETTINGS == 1 && KBP_PORT_COM_NUMBER == 2 &&
                   KBP_PORT_OTHER_SYSTEM == 3 && KBP_PORT_NO_FOLDER == 4) ? 1 : -1];
typedef char kbp_layouts_pinned[(sizeof(struct kbp_last_transfer) == 24 && sizeof(struct kbp_port_text) == 916) ? 1 : -1];

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
