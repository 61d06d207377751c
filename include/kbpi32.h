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
 * Returns the file's size on success, else one of kbp_download_result;
 * `status` then holds the one-line result text (make it at least 64 bytes).
 * kbp_get_last_transfer tells which of the causes a result covers it was.
 * `progress` may be null. */
enum kbp_download_result {
    KBP_DOWNLOAD_NO_FILE_NAME = -1,
    KBP_DOWNLOAD_COM_PORT_FAILED = -2,    /* not opened or not set up, or not one of COM1..COM9 */
    KBP_DOWNLOAD_NOT_A_COM_PORT = -3,     /* the port text names no COM port */
    KBP_DOWNLOAD_COM_PORT_NOT_CLOSED = -4,
    KBP_DOWNLOAD_STOPPED = -5,            /* the transfer stopped */
    KBP_DOWNLOAD_NOT_AN_IMAGE = -6,
    KBP_DOWNLOAD_FILE_NOT_OPENED = -7
};
int KBPI32_CALL kbp_download(const char *file, char *status, kbp_progress_callback progress);

/* Reads the keyboard's configuration image and writes it to `file` as the
 * magic "Kelm" followed by keyboard bytes 4..end: under a temporary name in the
 * same folder, which replaces `file` only once the whole image is on disk (a
 * failed upload leaves `file` as it was). Over USB when `status` begins with
 * "USB", else over the chosen path. Returns the image's end address (the file
 * has one byte more), else one of kbp_upload_result with the reason in
 * `status`, which must hold at least 64 bytes plus the file name.
 * `progress` may be null. Both transfers pump the thread's messages while they
 * wait; a quit message taken meanwhile is posted again before they return. */
enum kbp_upload_result { KBP_UPLOAD_FAILED = 0, KBP_UPLOAD_NO_FILE_NAME = -1 };
int KBPI32_CALL kbp_upload(const char *file, char *status, kbp_progress_callback progress);

/* What went wrong in the last kbp_download or kbp_upload: the first thing that
 * did, where one result covers several causes. */
enum kbp_cause {
    KBP_CAUSE_NONE = 0,               /* nothing went wrong */
    KBP_CAUSE_NO_FILE_NAME = 1,
    KBP_CAUSE_COM_NUMBER = 2,         /* COM10 and up: only COM1..COM9 can be named */
    KBP_CAUSE_COM_NOT_OPENED = 3,
    KBP_CAUSE_COM_NOT_SET_UP = 4,     /* opened, but its line state, queues, time-outs or buffers failed */
    KBP_CAUSE_COM_NO_ECHO = 5,        /* the search found no keyboard at any of its 24 line settings */
    KBP_CAUSE_NOT_A_COM_PORT = 6,
    KBP_CAUSE_COM_NOT_CLOSED = 7,
    KBP_CAUSE_USB_LIBRARY = 8,        /* KBPUSB.DLL or its send routine cannot be loaded */
    KBP_CAUSE_CAPTURE_LIBRARY = 9,    /* KBPFUNC.DLL cannot be loaded, or lacks a routine */
    KBP_CAUSE_OPENING_CHECK = 10,     /* no keyboard answered before the first block */
    KBP_CAUSE_BLOCK_NOT_TAKEN = 11,
    KBP_CAUSE_NOT_AN_IMAGE = 12,
    KBP_CAUSE_FILE_NOT_OPENED = 13,   /* the image file cannot be opened for reading */
    KBP_CAUSE_NO_ANSWER = 14,         /* the keyboard's answers failed and UPLOAD ERROR was answered Cancel */
    KBP_CAUSE_IMAGE_TOO_LONG = 15,    /* the keyboard's image ends past what an upload can read */
    KBP_CAUSE_FILE_NOT_CREATED = 16,  /* the upload's file cannot be created */
    KBP_CAUSE_FILE_NOT_WRITTEN = 17   /* not all of the upload's file reached the disk (a full disk) */
};

/* What the last kbp_download or kbp_upload did besides its result. */
struct kbp_last_transfer {
    int32_t cause;           /* enum kbp_cause */
    int32_t bytes_sent;      /* download: image bytes from address 4 on that the path took */
    char line_settings[16];  /* the line settings a download set its COM port up with, as
                                "9600,N,8,1" (given, or found by the search); "" for none */
};
/* Fills `last`: 0, or 1 when it is null. */
int KBPI32_CALL kbp_get_last_transfer(struct kbp_last_transfer *last);

/* A port text as kbp_download reads it, for a host that takes one from a
 * person: the path it names, the serial port and its line settings, and
 * whether the library takes them as written. */
enum kbp_port_path {
    KBP_PORT_CHOSEN = 0,  /* "" or "AT": the path kbp_set_interface chose */
    KBP_PORT_USB = 1,     /* "USB" */
    KBP_PORT_SERIAL = 2,  /* a serial port: "COM5:9600,N,8,1" */
    KBP_PORT_NONE = 3     /* no port text: kbp_download returns -3 */
};
enum kbp_port_problem {
    KBP_PORT_AS_WRITTEN = 0,
    KBP_PORT_SETTINGS = 1,      /* line settings it would not set as written (it would search instead) */
    KBP_PORT_COM_NUMBER = 2,    /* not one of COM1..COM9: kbp_download gives -2 */
    KBP_PORT_OTHER_SYSTEM = 3,  /* a name of another system (COM5 on Linux where no host set it up) */
    KBP_PORT_NO_FOLDER = 4      /* a device named without its folder (ttyUSB0) */
};
struct kbp_port_text {
    int32_t path;            /* enum kbp_port_path */
    int32_t problem;         /* enum kbp_port_problem */
    uint32_t line_rate;      /* the rate the line is set to; 0 where the settings are searched */
    char port[260];          /* the serial port: "COM5", "/dev/ttyUSB0" */
    char settings[24];       /* its line settings as written; "" where they are searched */
    char reason[160];        /* a problem in words */
    char hint[200];          /* what the library takes instead, in words */
    char instead[260];       /* a port text the library takes in its place; "" where none is known */
};
/* Reads `text` into `port`: 0, or 1 when either is null. */
int KBPI32_CALL kbp_read_port_text(const char *text, struct kbp_port_text *port);

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
