/* kbpi32: host-side interface to the programmable keyboards.
 *
 * Load kbpi32.dll (the 32-bit or the 64-bit one, as the host process is) and
 * call these exports. Every call runs on the caller's thread; calls must not
 * overlap. Byte results are 8 bits wide. */
#ifndef KBPI32_H
#define KBPI32_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define KBPI32_CALL __stdcall
#else
#define KBPI32_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* The path to the keyboard, as passed to kbp_set_interface and returned by
 * kbp_get_interface. */
enum kbp_interface_kind {
    KBP_INTERFACE_AUTOMATIC = 0,     /* chosen from the Windows version */
    KBP_INTERFACE_PORTS = 1,         /* keyboard controller ports 0x60/0x64 */
    KBP_INTERFACE_CLASS_DRIVER = 2,  /* \\.\KEYBOARD */
    KBP_INTERFACE_PORT_DRIVER = 3,   /* \\.\KelmKbpDrv */
    KBP_INTERFACE_USB = 4            /* USB HID through kbpusb.dll */
};

/* Called with the percentage done (0..100) during a transfer. */
typedef void (KBPI32_CALL *kbp_progress_callback)(int percent);

/* Sends the configuration image `file` ("Kelm", then keyboard memory from
 * address 4) into the keyboard: 64-byte blocks, 16 over USB. On entry
 * `status` names the path: "USB", "AT" (the chosen path), a COM port such as
 * "COM1:9600,N,8,1" (settings searched when absent), or "" (the chosen path).
 * Returns the file's size on success, else -1 no file name, -2 the COM port
 * cannot be opened or set up (or is not one of COM1..COM9), -3 the port text
 * names no COM port, -4 the COM port cannot be closed, -5 the transfer
 * stopped, -6 not an image file, -7 the file cannot be opened; `status` then
 * holds the one-line result text (make it at least 64 bytes). `progress` may
 * be null. */
int KBPI32_CALL kbp_download(const char *file, char *status, kbp_progress_callback progress);

/* Reads the keyboard's configuration image and writes it to `file` as the
 * magic "Kelm" followed by keyboard bytes 4..end: under a temporary name in the
 * same folder, which replaces `file` only once the whole image is on disk (a
 * failed upload leaves `file` as it was). Over USB when `status` begins with
 * "USB", else over the chosen path. Returns the image's end address (the file
 * has one byte more); 0 on failure and -1 without a file name, with the reason
 * in `status`, which must hold at least 64 bytes plus the file name.
 * `progress` may be null. Both transfers pump the thread's messages while they
 * wait; a quit message taken meanwhile is posted again before they return. */
int KBPI32_CALL kbp_upload(const char *file, char *status, kbp_progress_callback progress);

/* Chooses the path (low 8 bits of kind); 0 accepted, 1 when outside 0..4. */
unsigned char KBPI32_CALL kbp_set_interface(int kind);
/* The path in use, 0 when none has been chosen. Makes no choice itself. */
unsigned char KBPI32_CALL kbp_get_interface(void);
/* Accepted for compatibility; does nothing. */
void KBPI32_CALL kbp_chk_interface(int value);
/* Sends one byte (low 8 bits) to the keyboard: 0 sent, else the path's failure
 * code. On the controller ports 0xEC and 0xEF switch the tunnel mode and send
 * nothing. */
unsigned char KBPI32_CALL kbp_snd_interface(int byte);

/* The keyboard class driver \\.\KEYBOARD, one control call each; the device is
 * opened and closed around every call. Unless said otherwise the result is -1
 * when the device cannot be opened, else the result of closing it (1). */
int KBPI32_CALL vdd_translate_on(void);
int KBPI32_CALL vdd_translate_off(void);
/* Capture the keyboard's bytes for the caller / end the capture / discard the bytes held. */
int KBPI32_CALL vdd_kbd_capture(void);
int KBPI32_CALL vdd_kbd_release(void);
int KBPI32_CALL vdd_kbd_clr(void);
/* Non-zero when a byte from the keyboard is held; 0 when the device cannot be opened. */
int KBPI32_CALL vdd_EF_available(void);
/* The next byte held; 0xFF when the device cannot be opened or gives no byte. */
unsigned char KBPI32_CALL vdd_EF_get(void);
/* Sends the low 8 bits of value. -1 (nothing sent) when the device cannot be opened. */
int KBPI32_CALL vdd_sendbyte(int value);

/* The timer procedure of the library's reply wait (a Windows TIMERPROC: window,
 * message, timer identifier of pointer size, time): ends the library's timer.
 * The arguments are ignored. */
void KBPI32_CALL TimeoutTimerProc(void *window, unsigned int message, uintptr_t timer, unsigned long time);

/* The timer procedure of the upload's read wait, likewise. */
void KBPI32_CALL UploadTimerProc(void *window, unsigned int message, uintptr_t timer, unsigned long time);

#ifdef __cplusplus
}
#endif

#endif /* KBPI32_H */
