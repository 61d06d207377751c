#pragma once
// The one interface between the libraries' logic and the operating system.
//
// Every slot below is implemented twice: by platform/win32 on the Windows API,
// and by platform/sim on a simulated PC that tests set up and inspect. The
// backends are built with -Werror=missing-declarations, so a backend function
// whose signature drifts from this contract fails to compile, and a slot a
// backend forgets fails to link.
//
// Each slot states what the libraries rely on. Values and layouts are those of
// the Windows calls named, so the Win32 backend is a thin translation and the
// simulated PC behaves the way the real system does.
#include <cstdint>

#include "abi.h"

namespace platform {

// ---------------------------------------------------------------------------
// Handles

// An open device, COM port or HID interface (a Win32 HANDLE).
using Handle = void*;
// What a failed open returns (INVALID_HANDLE_VALUE).
inline Handle invalid_handle() { return reinterpret_cast<Handle>(~std::uintptr_t{0}); }

// A loaded library (HMODULE). LoadLibraryA's null on failure; callers treat a
// value of 32 or less as "not loaded".
using Module = void*;

// ---------------------------------------------------------------------------
// Windows version (GetVersionExA)

// Same layout as OSVERSIONINFOA: 148 bytes.
struct OsVersionInfo {
    std::uint32_t size;
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t build;
    std::uint32_t platform_id;
    char service_pack[128];
};
static_assert(sizeof(OsVersionInfo) == 148);

constexpr std::uint32_t kPlatformWin32s = 0;
constexpr std::uint32_t kPlatformWin9x = 1;
constexpr std::uint32_t kPlatformNt = 2;

// Fills `info` (whose size field the caller has set) as GetVersionExA does.
// Returns false when the call failed; the record is then left as it was.
bool get_version(OsVersionInfo& info);

// ---------------------------------------------------------------------------
// Clock (GetTickCount)

// Milliseconds since the system started, wrapping at 2^32.
std::uint32_t tick_count();

// ---------------------------------------------------------------------------
// Keyboard controller ports (x86 in/out)

// Whether this process may execute byte-wide port I/O. Decided once, without
// ever faulting the process; where it answers false, port_read and port_write
// must not be called.
bool port_io_permitted();
std::uint8_t port_read(std::uint16_t port);
void port_write(std::uint16_t port, std::uint8_t value);

// ---------------------------------------------------------------------------
// Devices and files (CreateFileA, DeviceIoControl, ReadFile, WriteFile, CloseHandle)

constexpr std::uint32_t kGenericRead = 0x80000000u;
constexpr std::uint32_t kGenericWrite = 0x40000000u;
constexpr std::uint32_t kShareNone = 0;
constexpr std::uint32_t kShareRead = 1;
constexpr std::uint32_t kShareWrite = 2;

// CreateFileA(name, access, share, no security, OPEN_EXISTING, no flags, no
// template). invalid_handle() when the device cannot be opened.
Handle open_device(const char* name, std::uint32_t access, std::uint32_t share);
bool close_handle(Handle handle);
// DeviceIoControl without overlapped I/O.
bool device_control(Handle handle, std::uint32_t code, const void* in, std::uint32_t in_size,
                    void* out, std::uint32_t out_size, std::uint32_t* returned);
// Synchronous WriteFile / ReadFile; `done` receives the count moved.
bool write_file(Handle handle, const void* data, std::uint32_t size, std::uint32_t* done);
bool read_file(Handle handle, void* data, std::uint32_t size, std::uint32_t* done);

// Image files: the C runtime's buffered files in binary mode (fopen, fread,
// fwrite, fseek, ftell, fclose).
using File = void*;  // a FILE*; null when a file could not be opened
// fopen: null when the file cannot be opened. `mode` is "rb" or "wb".
File file_open(const char* path, const char* mode);
// fread / fwrite of `size` bytes: the count moved.
std::uint32_t file_read(File file, void* data, std::uint32_t size);
std::uint32_t file_write(File file, const void* data, std::uint32_t size);
// fseek with SEEK_SET (0) or SEEK_END (2): true on success.
bool file_seek(File file, std::int32_t offset, int origin);
// ftell: the position, -1 on failure.
std::int32_t file_tell(File file);
// fclose: true when the file was closed (it is gone either way).
bool file_close(File file);

// ---------------------------------------------------------------------------
// Serial ports (GetCommState, SetCommState, SetupComm, Get/SetCommTimeouts, PurgeComm)

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

// ---------------------------------------------------------------------------
// Run-time loading (LoadLibraryA, GetProcAddress)

// The system's usual search for a library by bare name; null when it fails.
Module load_library(const char* name);
// Null when the library does not export `name`.
void* find_symbol(Module module, const char* name);

// ---------------------------------------------------------------------------
// Thread timers and the calling thread's message queue

using TimerId = std::uintptr_t;
using TimerProc = void(KBP_STDCALL*)(void* window, unsigned message, TimerId timer,
                                     unsigned long time);

// SetTimer with no window and identifier 0: `proc` runs when the timer message
// is dispatched from this thread's queue, every `milliseconds` until killed.
// 0 when no timer could be started.
TimerId set_timer(std::uint32_t milliseconds, TimerProc proc);
bool kill_timer(TimerId timer);

// Same layout as MSG.
struct Message {
    void* window;
    std::uint32_t message;
    std::uintptr_t wparam;
    std::intptr_t lparam;
    std::uint32_t time;
    std::int32_t x;
    std::int32_t y;
};
constexpr std::uint32_t kWmQuit = 0x0012;
constexpr std::uint32_t kWmTimer = 0x0113;

// GetMessageA for any window of this thread: > 0 a message, 0 WM_QUIT, -1 error.
int get_message(Message& message);
// PeekMessageA with PM_REMOVE: true when a message was taken.
bool peek_message(Message& message);
// PeekMessageA with PM_REMOVE for WM_TIMER only: true when a timer message was
// taken. Every other message stays queued, so a wait that lets timer procedures
// run leaves the caller's own messages (WM_QUIT among them) where they are.
bool peek_timer_message(Message& message);
void translate_message(const Message& message);
void dispatch_message(const Message& message);

// ---------------------------------------------------------------------------
// Message boxes (MessageBoxA with no owner window)

constexpr std::uint32_t kMbOkCancel = 0x00000001;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

int message_box(const char* text, const char* caption, std::uint32_t type);

// ---------------------------------------------------------------------------
// HID devices (HidD_*, HidP_GetCaps, SetupDi*)

// Same layout as GUID.
struct Guid {
    std::uint32_t data1;
    std::uint16_t data2;
    std::uint16_t data3;
    std::uint8_t data4[8];
};

// A device-information set (HDEVINFO); invalid_handle() when none was made.
using DeviceInfoSet = void*;

// Same layout as SP_DEVICE_INTERFACE_DATA (28 bytes in a 32-bit process).
struct DeviceInterfaceData {
    std::uint32_t cbSize;
    Guid InterfaceClassGuid;
    std::uint32_t Flags;
    std::uintptr_t Reserved;
};

// Same layout as SP_DEVICE_INTERFACE_DETAIL_DATA_A: cbSize, then the path.
struct DeviceInterfaceDetail {
    std::uint32_t cbSize;
    char DevicePath[1];
};

// Same layout as HIDD_ATTRIBUTES.
struct HidAttributes {
    std::uint32_t Size;
    std::uint16_t VendorID;
    std::uint16_t ProductID;
    std::uint16_t VersionNumber;
};

// Same layout as HIDP_CAPS.
struct HidCaps {
    std::uint16_t Usage;
    std::uint16_t UsagePage;
    std::uint16_t InputReportByteLength;
    std::uint16_t OutputReportByteLength;
    std::uint16_t FeatureReportByteLength;
    std::uint16_t Reserved[17];
    std::uint16_t counts[10];
};
static_assert(sizeof(HidCaps) == 64);

using PreparsedData = void*;

constexpr std::uint32_t kDigcfPresent = 0x02;
constexpr std::uint32_t kDigcfDeviceInterface = 0x10;

void hid_get_guid(Guid& guid);
// SetupDiGetClassDevsA(guid, no enumerator, no window, flags).
DeviceInfoSet get_class_devices(const Guid& guid, std::uint32_t flags);
// SetupDiEnumDeviceInterfaces(set, no element, guid, index, data); false at the end.
bool enum_device_interfaces(DeviceInfoSet set, const Guid& guid, std::uint32_t index,
                            DeviceInterfaceData& data);
// SetupDiGetDeviceInterfaceDetailA(set, data, detail, size, required, no element).
bool get_device_interface_detail(DeviceInfoSet set, DeviceInterfaceData& data,
                                 DeviceInterfaceDetail* detail, std::uint32_t detail_size,
                                 std::uint32_t* required_size);
bool destroy_device_info_list(DeviceInfoSet set);
bool hid_get_attributes(Handle device, HidAttributes& attributes);
bool hid_get_preparsed_data(Handle device, PreparsedData& data);
// HidP_GetCaps: the NTSTATUS it returns (HIDP_STATUS_SUCCESS on success).
std::int32_t hid_get_caps(PreparsedData data, HidCaps& caps);
bool hid_free_preparsed_data(PreparsedData data);

}  // namespace platform
