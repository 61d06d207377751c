/* kbpi32 on Linux: what a Linux host tells the library beyond kbpi32.h.
 *
 * libkbpi32.so.1 runs the same transfers as kbpi32.dll over the devices Linux
 * has: USB keyboards through their hidraw node (the answers of an upload come
 * from the keyboard's input device) and serial devices. The keyboard
 * controller ports and the two keyboard drivers exist only on Windows.
 *
 * A port text names a serial device by its path: kbp_download takes
 * "/dev/ttyUSB0:9600,N,8,1" or "/dev/ttyUSB0" (the line settings searched),
 * and its texts name the device as written ("unable to open /dev/ttyUSB0");
 * such a status buffer must hold 64 bytes more than the text. COM1..COM9 name
 * the devices a host gave them with kbp_linux_set_com_port, as on Windows.
 * kbp_read_port_text refuses a COM port no device stands for
 * (KBP_PORT_OTHER_SYSTEM) and a device without its folder (KBP_PORT_NO_FOLDER,
 * "ttyUSB0"), with a port text to write instead. */
#ifndef KBPI32_LINUX_H
#define KBPI32_LINUX_H

#include "kbpi32.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Makes COM`number` (1..9) stand for the serial device `device`
 * ("/dev/ttyUSB0"); NULL or "" leaves the number naming nothing. 0 done, 1 when
 * `number` is outside 1..9. A COM number no device stands for opens nothing. */
int kbp_linux_set_com_port(int number, const char *device);

/* The COM number that stands for `device`: the one it has, else the first free
 * one, which from now on names it; 0 when all nine name other devices. */
int kbp_linux_map_com_port(const char *device);

/* The keyboard's input device (/dev/input/eventN) an upload reads the
 * keyboard's answers from; NULL or "": the one on the same USB device as the
 * keyboard's hidraw node, found through sysfs. */
void kbp_linux_set_input_device(const char *device);

/* Chooses the USB keyboard among several: its hidraw node ("/dev/hidraw3", as
 * kbp_linux_hid_node gives it), which the USB path opens and whose input
 * device an upload reads (unless kbp_linux_set_input_device names another).
 * NULL or "": the first node of the keyboard's vendor, as without this call.
 * A node that is not the vendor's opens nothing: the USB path then fails. 0
 * done, 1 when `device` is too long to be a path. */
int kbp_linux_set_usb_device(const char *device);

/* Ctrl-C for the library: non-zero makes every device read and write fail
 * from now on, as if the keyboard were pulled out, so the transfer under way
 * ends at once with its own result and cause (kbp_get_last_transfer tells how
 * far it got); 0 lets the devices work again. Safe to call from a signal
 * handler. */
void kbp_linux_interrupt(int on);

/* Answers one of the library's message boxes (what kbpi32.dll shows on
 * Windows): non-zero for OK, 0 for Cancel. `offers_cancel` is non-zero when the
 * box has both buttons. `context` is the value given with the callback. */
typedef int (*kbp_linux_box_callback)(const char *text, const char *caption, int offers_cancel, void *context);

/* Who answers the boxes. Without a callback (NULL) a box is answered OK, or
 * Cancel when it offers Cancel. The library never prints. */
void kbp_linux_set_box_callback(kbp_linux_box_callback callback, void *context);

/* Why the last device operation that failed (opening a serial device or a
 * hidraw node, a read, a write) failed, as an errno value: ENOENT for a COM
 * number no device stands for, ENOTTY for a device that is no terminal, EBUSY
 * for a device another program holds. 0 while none has failed. */
int kbp_linux_last_device_error(void);

/* Where sysfs and /dev stand ("/sys" and "/dev" unless set): for containers and
 * tests that build their own trees. NULL keeps the one set. */
void kbp_linux_set_device_roots(const char *sysfs_root, const char *dev_root);

/* The input device an upload would read now (the one set, or the one found),
 * copied into `buffer` of `size` bytes with its terminating zero. Returns its
 * length; 0 when there is none or it does not fit. */
int kbp_linux_keyboard_input_device(char *buffer, int size);

/* The `index`-th hidraw node sysfs describes (from 0): its path into `path` of
 * `size` bytes, its USB vendor and product. 1 while there is one, 0 past the
 * last (or when the path does not fit). */
int kbp_linux_hid_node(int index, char *path, int size, unsigned short *vendor, unsigned short *product);

#ifdef __cplusplus
}
#endif

#endif /* KBPI32_LINUX_H */
