#pragma once
// The platform contract: serial ports (GetCommState, SetCommState, SetupComm,
// Get/SetCommTimeouts, PurgeComm) on handles from open_device.
#include <cstdint>

#include "platform/devices_files.h"

namespace platform {

// Same layout as DCB: 28 bytes.
struct CommState {
    std::uint32_t DCBlength;
    std::uint32_t BaudRate;
    std::uint32_t fBinary : 1;
    std::uint32_t fParity : 1;
    std::uint32_t fOutxCtsFlow : 1;
    std::uint32_t fOutxDsrFlow : 1;
    std::uint32_t fDtrControl : 2;
    std::uint32_t fDsrSensitivity : 1;
    std::uint32_t fTXContinueOnXoff : 1;
    std::uint32_t fOutX : 1;
    std::uint32_t fInX : 1;
    std::uint32_t fErrorChar : 1;
    std::uint32_t fNull : 1;
    std::uint32_t fRtsControl : 2;
    std::uint32_t fAbortOnError : 1;
    std::uint32_t fDummy2 : 17;
    std::uint16_t wReserved;
    std::uint16_t XonLim;
    std::uint16_t XoffLim;
    std::uint8_t ByteSize;
    std::uint8_t Parity;
    std::uint8_t StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    std::uint16_t wReserved1;
};
static_assert(sizeof(CommState) == 28);

constexpr std::uint8_t kNoParity = 0;
constexpr std::uint8_t kOddParity = 1;
constexpr std::uint8_t kEvenParity = 2;
constexpr std::uint8_t kOneStopBit = 0;

// Same layout as COMMTIMEOUTS.
struct CommTimeouts {
    std::uint32_t ReadIntervalTimeout;
    std::uint32_t ReadTotalTimeoutMultiplier;
    std::uint32_t ReadTotalTimeoutConstant;
    std::uint32_t WriteTotalTimeoutMultiplier;
    std::uint32_t WriteTotalTimeoutConstant;
};

constexpr std::uint32_t kPurgeTxClear = 0x0004;
constexpr std::uint32_t kPurgeRxClear = 0x0008;

bool get_comm_state(Handle port, CommState& state);
bool set_comm_state(Handle port, const CommState& state);
bool setup_comm(Handle port, std::uint32_t in_queue, std::uint32_t out_queue);
bool get_comm_timeouts(Handle port, CommTimeouts& timeouts);
bool set_comm_timeouts(Handle port, const CommTimeouts& timeouts);
bool purge_comm(Handle port, std::uint32_t flags);

}  // namespace platform
