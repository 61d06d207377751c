/* kbpusb: the keyboard over USB, one HID output report per byte.
 *
 * kbpi32.dll loads kbpusb.dll by name when the USB path is used; a program
 * may also call it directly. Byte results are 8 bits wide. */
#ifndef KBPUSB_H
#define KBPUSB_H

#if defined(_WIN32) && !defined(_WIN64)
#define KBPUSB_CALL __stdcall
#else
#define KBPUSB_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Sends the low 8 bits of value to the keyboard (USB vendor KBP_USB_VENDOR_ID,
 * kbp_protocol.h), opening it first when none is open: 0 sent, 1 no keyboard
 * or the write failed (the device is then closed and the next call searches
 * again). */
unsigned char KBPUSB_CALL snddata_USB(int value);
/* Closes the keyboard: 0 when one was open, 1 when none was. */
unsigned char KBPUSB_CALL Close_USB(void);
/* Chooses the keyboard among several: `path` is the HID device path later
 * sends open (on Windows as SetupAPI gives it, on Linux the hidraw node), and
 * only when its vendor is the keyboard's; NULL or "" chooses the first of the
 * vendor, as without this call. An open keyboard is closed when the choice
 * changes. 0 done, 1 when `path` is too long to be a device path (the choice
 * stays as it was). */
unsigned char KBPUSB_CALL SetDevice_USB(const char *path);

#ifdef __cplusplus
}
#endif

#endif /* KBPUSB_H */
