#include "library_state.h"

#include "kbpi32/channel/interface_state.h"
#include "kbpi32/channel/led_tunnel.h"
#include "kbpi32/channel/serial_port.h"
#include "kbpi32/channel/tick_wait.h"
#include "kbpi32/channel/usb_binding.h"
#include "kbpi32/common/held_quit.h"
#include "kbpi32/common/last_transfer.h"
#include "kbpi32/common/pending_timer.h"
#include "kbpi32/common/status.h"
#include "kbpi32/download/download_engine.h"
#include "kbpi32/upload/function_library.h"
#include "kbpi32/upload/read_transaction.h"
#include "kbpi32/upload/upload_engine.h"

namespace kbp {

void reset_library_state() {
    interface_state = InterfaceState{};
    status_state = StatusState{};
    led_tunnel_state = LedTunnelState{};
    clock_state = ClockState{};
    serial_state = SerialState{};
    timer_state = TimerState{};
    quit_state = QuitState{};
    usb_binding_state = UsbBindingState{};
    function_library_state = FunctionLibraryState{};
    capture_state = CaptureState{};
    upload_state = UploadState{};
    download_state = DownloadState{};
    last_transfer_state = LastTransferState{};
}

}  // namespace kbp
