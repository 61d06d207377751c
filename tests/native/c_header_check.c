/* Host programs include the public headers from C. */
#include "include/kbpi32.h"
#include "include/kbpusb.h"

int kbp_c_header_check(void);
int kbp_c_header_check(void) {
    unsigned char (*set)(int) = kbp_set_interface;
    unsigned char (*get_byte)(void) = vdd_EF_get;
    void (*timer_proc)(void *, unsigned int, uintptr_t, unsigned long) = TimeoutTimerProc;
    unsigned char (*send_usb)(int) = snddata_USB;
    return set != 0 && get_byte != 0 && timer_proc != 0 && send_usb != 0 && KBP_INTERFACE_USB == 4;
}
