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

/* The USB vendor identifier of the keyboard's HID device. */
#define KBP_USB_VENDOR_ID 0x053A

/* The USB transport library, loaded by this bare name at the first need, and
 * its two routines: one byte out, and closing the device; and the one a host
 * calls to choose among several keyboards. */
#define KBP_USB_LIBRARY_NAME "KBPUSB.DLL"
#define KBP_USB_SEND_ROUTINE "snddata_USB"
#define KBP_USB_CLOSE_ROUTINE "Close_USB"
#define KBP_USB_CHOOSE_ROUTINE "SetDevice_USB"

/* The outside keyboard function library, loaded by this bare name for the
 * capture of the keystrokes an upload (and a download's opening check) reads. */
#define KBP_CAPTURE_LIBRARY_NAME "KBPFUNC.DLL"

/* The port texts the transfers read from their status buffer: one beginning
 * with "USB" puts the frames on USB, one beginning with "COM" on that COM port
 * (downloads only), "AT" leaves them on the chosen path. */
#define KBP_PORT_TEXT_USB "USB"
#define KBP_PORT_TEXT_COM "COM"
#define KBP_PORT_TEXT_CHOSEN "AT"

/* Keyboard commands and replies: single bytes on the keyboard link. */

/* The keyboard took the byte. */
#define KBP_ACKNOWLEDGE 0xFA
/* The keyboard asks for the byte again. */
#define KBP_RESEND 0xFE
/* The echo command; a keyboard that hears it sends the same byte back. */
#define KBP_ECHO 0xEE
/* The enable command, a plain keyboard command; a download that sent blocks
 * closes with it. */
#define KBP_ENABLE 0xF4
/* The set-LED command; the byte after it is the LED data. */
#define KBP_SET_LEDS 0xED

/* A transfer frame: the start byte, a command byte, then upper-case ASCII hex
 * digits, two per byte, high nibble first, so no byte after the command is
 * ever a keyboard command or reply. */
#define KBP_FRAME_START 0xEF
/* Address, count, header checksum, the data, the data checksum. */
#define KBP_FRAME_WRITE_BLOCK 0x0F
/* Address and count of the bytes the keyboard is to type back, header checksum. */
#define KBP_FRAME_READ_REQUEST 0x0E
/* Nothing after the command: the download is over. */
#define KBP_FRAME_END_OF_DOWNLOAD 0x12

/* The start byte and the command byte that open every frame. */
#define KBP_FRAME_OPENING_BYTES 2
/* Hex digits of one byte, and of the 16-bit address. */
#define KBP_FRAME_DIGITS_PER_BYTE 2
#define KBP_FRAME_ADDRESS_DIGITS 4
/* The header after the command byte: address, count, header checksum. */
#define KBP_FRAME_HEADER_DIGITS (KBP_FRAME_ADDRESS_DIGITS + KBP_FRAME_DIGITS_PER_BYTE + KBP_FRAME_DIGITS_PER_BYTE)
/* Bytes of a read-request frame. */
#define KBP_READ_REQUEST_FRAME_BYTES (KBP_FRAME_OPENING_BYTES + KBP_FRAME_HEADER_DIGITS)
/* Bytes of a write-block frame carrying n image bytes: the read request's
 * layout, then the data and the data checksum. */
#define KBP_WRITE_BLOCK_FRAME_BYTES(n) (KBP_READ_REQUEST_FRAME_BYTES + KBP_FRAME_DIGITS_PER_BYTE * ((n) + 1))
/* Bytes of the end-of-download command. */
#define KBP_END_OF_DOWNLOAD_BYTES KBP_FRAME_OPENING_BYTES
/* Keys the keyboard types in answer to a read request for n bytes: the
 * digits of the data, then of the data checksum. */
#define KBP_READ_ANSWER_KEYS(n) (KBP_FRAME_DIGITS_PER_BYTE * ((n) + 1))

/* The LED tunnel: on the controller-port path the keyboard takes nothing but
 * its own commands, so every byte rides as two set-LED commands, each followed
 * by LED data that carries one nibble under a tag in bits 5-4, low nibble
 * first. Four acknowledged keyboard-link bytes per byte. */
#define KBP_TUNNEL_LINK_BYTES 4
/* The tag's bits and the two above it, which tunnel data keeps 0. */
#define KBP_TUNNEL_TAG_MASK 0xF0
#define KBP_TUNNEL_LOW_NIBBLE_TAG 0x10
#define KBP_TUNNEL_HIGH_NIBBLE_TAG 0x20
/* The high nibble's tag in ec mode. */
#define KBP_TUNNEL_HIGH_NIBBLE_EC_TAG 0x30
/* On that path this byte is not sent: it turns ec mode on, and the frame
 * start, which is not sent either, turns it off. */
#define KBP_TUNNEL_EC_MODE 0xEC

/* The keyboard port driver takes a byte as a request of two little-endian
 * 16-bit words: this marker, then the byte. */
#define KBP_PORT_DRIVER_REQUEST_MARKER 0x00EF

#endif /* KBP_PROTOCOL_H */
