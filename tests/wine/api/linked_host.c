/* A host program's C code, built the usual way: the public headers, and the
 * import libraries of both DLLs at link time. */
#include "include/kbpi32.h"
#include "include/kbpusb.h"

void linked_host_calls(int results[8]);

void linked_host_calls(int results[8]) {
    results[0] = kbp_get_interface();
    results[1] = kbp_set_interface(KBP_INTERFACE_USB);
    results[2] = kbp_get_interface();
    kbp_chk_interface(7);
    results[3] = kbp_set_interface(5);
    results[4] = vdd_EF_get();
    results[5] = vdd_EF_available();
    results[6] = snddata_USB(0x141);
    results[7] = Close_USB();
}
