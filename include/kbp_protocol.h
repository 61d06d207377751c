/* kbp_protocol: the numbers a host shares with the keyboard and its libraries.
 *
 * Plain C, for host programs as much as for kbpi32, kbpusb and their tools. */
#ifndef KBP_PROTOCOL_H
#define KBP_PROTOCOL_H

/* A configuration image file begins with these four bytes; keyboard memory
 * follows from address KBP_IMAGE_FIRST_ADDRESS, so that file offset k holds
 * keyboard address k. */
#define KBP_IMAGE_MAGIC "Kelm"
#define KBP_IMAGE_MAGIC_SIZE 4
#define KBP_IMAGE_FIRST_ADDRESS 4

/* The image end, the image's last keyboard address, big-endian at this
 * address and the next. */
#define KBP_IMAGE_END_FIELD 6

/* The keyboard's memory: all that 16-bit addresses reach. */
#define KBP_KEYBOARD_MEMORY_SIZE 65536

/* The smallest image file a download accepts, and the largest: one that fills
 * the keyboard's memory. */
#define KBP_IMAGE_MIN_SIZE 302
#define KBP_IMAGE_MAX_SIZE KBP_KEYBOARD_MEMORY_SIZE

/* Image bytes per download frame, and per frame over USB. */
#define KBP_DOWNLOAD_BLOCK 64
#define KBP_DOWNLOAD_USB_BLOCK 16

/* An upload reads keyboard memory into a buffer of this size, chunk by chunk
 * (smaller chunks over USB), each stored whole. */
#define KBP_UPLOAD_BUFFER_SIZE 9000
#define KBP_UPLOAD_CHUNK 16
#define KBP_UPLOAD_USB_CHUNK 8

/* The last image address an upload in chunks of `chunk` bytes can read: the
 * last chunk must end inside the buffer. */
#define KBP_UPLOAD_MAX_END(chunk) (KBP_UPLOAD_BUFFER_SIZE / (chunk) * (chunk) - 1)

/* The image end an upload reads up to until it has read the image's own end
 * field, and keeps when that field is below KBP_UPLOAD_SMALLEST_END. */
#define KBP_UPLOAD_FIRST_END 1000
#define KBP_UPLOAD_SMALLEST_END 10

/* The USB transport library kbpi32 loads by name, and its two routines. */
#define KBP_USB_LIBRARY_NAME "KBPUSB.DLL"
#define KBP_USB_SEND_ROUTINE "snddata_USB"
#define KBP_USB_CLOSE_ROUTINE "Close_USB"

/* The USB vendor identifier of the keyboard's HID device. */
#define KBP_USB_VENDOR_ID 0x053A

#endif /* KBP_PROTOCOL_H */
