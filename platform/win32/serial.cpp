// Serial ports: GetCommState, SetCommState, SetupComm, Get/SetCommTimeouts, PurgeComm.
#include <windows.h>

#include <cstddef>
#include <cstring>

#include "platform/serial.h"

namespace platform {

static_assert(sizeof(CommState) == sizeof(DCB));
static_assert(offsetof(CommState, BaudRate) == offsetof(DCB, BaudRate));
static_assert(offsetof(CommState, wReserved) == offsetof(DCB, wReserved));
static_assert(offsetof(CommState, ByteSize) == offsetof(DCB, ByteSize));
static_assert(offsetof(CommState, Parity) == offsetof(DCB, Parity));
static_assert(offsetof(CommState, StopBits) == offsetof(DCB, StopBits));
static_assert(offsetof(CommState, EvtChar) == offsetof(DCB, EvtChar));
static_assert(sizeof(CommTimeouts) == sizeof(COMMTIMEOUTS));
static_assert(offsetof(CommTimeouts, ReadTotalTimeoutConstant) == offsetof(COMMTIMEOUTS, ReadTotalTimeoutConstant));
static_assert(offsetof(CommTimeouts, WriteTotalTimeoutConstant) ==
              offsetof(COMMTIMEOUTS, WriteTotalTimeoutConstant));
static_assert(kNoParity == NOPARITY && kOddParity == ODDPARITY && kEvenParity == EVENPARITY);
static_assert(kOneStopBit == ONESTOPBIT);
static_assert(kPurgeTxClear == PURGE_TXCLEAR && kPurgeRxClear == PURGE_RXCLEAR);

bool get_comm_state(Handle port, CommState& state) {
    return GetCommState(port, reinterpret_cast<DCB*>(&state)) != FALSE;
}

bool set_comm_state(Handle port, const CommState& state) {
    DCB dcb;
    static_assert(sizeof dcb == sizeof state);
    std::memcpy(&dcb, &state, sizeof dcb);
    return SetCommState(port, &dcb) != FALSE;
}

bool setup_comm(Handle port, std::uint32_t in_queue, std::uint32_t out_queue) {
    return SetupComm(port, in_queue, out_queue) != FALSE;
}

bool get_comm_timeouts(Handle port, CommTimeouts& timeouts) {
    return GetCommTimeouts(port, reinterpret_cast<COMMTIMEOUTS*>(&timeouts)) != FALSE;
}

bool set_comm_timeouts(Handle port, const CommTimeouts& timeouts) {
    COMMTIMEOUTS t{timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                   timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                   timeouts.WriteTotalTimeoutConstant};
    return SetCommTimeouts(port, &t) != FALSE;
}

bool purge_comm(Handle port, std::uint32_t flags) { return PurgeComm(port, flags) != FALSE; }

}  // namespace platform
