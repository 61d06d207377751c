// The exports of kbpi32: the C entry points host programs call.
#include "include/kbpi32.h"

#include <cstdint>

#include "kbpi32/api/interface_state.h"
#include "kbpi32/channel/byte_channel.h"

extern "C" {

unsigned char KBPI32_CALL kbp_set_interface(int kind) { return kbp::set_interface(kind); }

unsigned char KBPI32_CALL kbp_get_interface(void) { return kbp::get_interface(); }

void KBPI32_CALL kbp_chk_interface(int) {}

unsigned char KBPI32_CALL kbp_snd_interface(int byte) { return kbp::kbd_send_byte(byte); }

}  // extern "C"
