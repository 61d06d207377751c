/* Host programs include the public headers from C. */
#include "include/kbpi32.h"

int kbp_c_header_check(void);
int kbp_c_header_check(void) {
    unsigned char (*set)(int) = kbp_set_interface;
    return set != 0 && KBP_INTERFACE_USB == 4;
}
