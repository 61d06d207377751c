/* libkbpi32.so.1 as a C host program sees it: the header compiles as C and
 * the Linux calls keep their word at the edges. */
#include <errno.h>
#include <stdio.h>
#include <string.h>

#include "include/kbpi32_linux.h"

static int failures = 0;
#define CHECK(what)                                                  \
    do {                                                             \
        if (!(what)) {                                               \
            fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #what); \
            ++failures;                                              \
        }                                                            \
    } while (0)

static int boxes = 0;
static int count_box(const char *text, const char *caption, int offers_cancel, void *context) {
    (void)text, (void)caption, (void)offers_cancel;
    ++*(int *)context;
    return 1;
}

int main(int argc, char **argv) {
    char text[64];
    char status[256];
    struct kbp_last_transfer last;
    struct kbp_port_text port;
    const char *image = argc > 1 ? argv[1] : "sample.kbp";
    int n;

    /* COM numbers 1..9 only; a device keeps its number; the tenth device finds none. */
    CHECK(kbp_linux_set_com_port(0, "/dev/ttyUSB0") == 1);
    CHECK(kbp_linux_set_com_port(10, "/dev/ttyUSB0") == 1);
    CHECK(kbp_linux_set_com_port(1, "/dev/ttyUSB0") == 0);
    CHECK(kbp_linux_set_com_port(1, NULL) == 0);
    CHECK(kbp_linux_set_com_port(9, "/dev/ttyUSB9") == 0);
    CHECK(kbp_linux_map_com_port("/dev/ttyUSB9") == 9);
    CHECK(kbp_linux_map_com_port(NULL) == 0);
    CHECK(kbp_linux_map_com_port("/dev/ttyUSB1") == 1);
    CHECK(kbp_linux_map_com_port("/dev/ttyUSB1") == 1);
    for (n = 2; n <= 8; ++n) {
        snprintf(text, sizeof text, "/dev/ttyACM%d", n);
        CHECK(kbp_linux_map_com_port(text) == n);
    }
    CHECK(kbp_linux_map_com_port("/dev/ttyACM99") == 0);
    CHECK(kbp_linux_set_com_port(9, NULL) == 0);
    CHECK(kbp_linux_map_com_port("/dev/ttyACM99") == 9);

    /* A text is handed out only whole, with its zero, and never past the buffer. */
    kbp_linux_set_input_device("/dev/input/event7");
    memset(text, '#', sizeof text);
    CHECK(kbp_linux_keyboard_input_device(NULL, 64) == 0);
    CHECK(kbp_linux_keyboard_input_device(text, 17) == 0);
    CHECK(kbp_linux_keyboard_input_device(text, 18) == 17 && strcmp(text, "/dev/input/event7") == 0);
    CHECK(text[18] == '#');
    kbp_linux_set_device_roots("/nonexistent/sys", "/nonexistent/dev");
    kbp_linux_set_input_device(NULL);
    CHECK(kbp_linux_keyboard_input_device(text, sizeof text) == 0);
    CHECK(kbp_linux_hid_node(0, text, sizeof text, NULL, NULL) == 0);
    CHECK(kbp_linux_hid_node(-1, text, sizeof text, NULL, NULL) == 0);

    /* A device that is not there: the download says the port cannot be opened, and errno why. */
    CHECK(kbp_linux_last_device_error() == 0);
    kbp_linux_set_box_callback(count_box, &boxes);
    CHECK(kbp_linux_set_com_port(3, "/nonexistent/ttyUSB0") == 0);
    strcpy(status, "COM3:9600,N,8,1");
    CHECK(kbp_download(image, status, NULL) == -2);
    CHECK(kbp_linux_last_device_error() == ENOENT);
    kbp_linux_set_box_callback(NULL, NULL);

    /* A device named by its path is named so in the texts; the COM number a
     * download takes for it is given back, and without one free it opens nothing. */
    strcpy(status, "/nonexistent/ttyS7:9600,N,8,1");
    CHECK(kbp_download(image, status, NULL) == KBP_DOWNLOAD_COM_PORT_FAILED);
    CHECK(strcmp(status, "unable to open /nonexistent/ttyS7") == 0);
    CHECK(kbp_get_last_transfer(&last) == 0 && last.cause == KBP_CAUSE_COM_NOT_OPENED);
    CHECK(kbp_linux_set_com_port(5, NULL) == 0);
    strcpy(status, "/nonexistent/ttyS7");
    CHECK(kbp_download(image, status, NULL) == KBP_DOWNLOAD_COM_PORT_FAILED);
    CHECK(strcmp(status, "unable to open /nonexistent/ttyS7") == 0);
    CHECK(kbp_linux_last_device_error() == ENOENT);
    CHECK(kbp_linux_map_com_port("/dev/ttyUSB5") == 5);
    CHECK(kbp_get_last_transfer(NULL) == 1);

    /* Port texts as a person writes them on Linux. */
    CHECK(kbp_read_port_text("/dev/ttyUSB0:4800,O,8,1", &port) == 0);
    CHECK(port.path == KBP_PORT_SERIAL && port.problem == KBP_PORT_AS_WRITTEN && port.line_rate == 4800);
    CHECK(strcmp(port.port, "/dev/ttyUSB0") == 0 && strcmp(port.settings, "4800,O,8,1") == 0);
    CHECK(kbp_read_port_text("/dev/ttyUSB0:9600,X,8,1", &port) == 0 && port.problem == KBP_PORT_SETTINGS);
    CHECK(strstr(port.reason, "the parity X is not N, O or E") != NULL);
    CHECK(kbp_read_port_text("COM4", &port) == 0 && port.problem == KBP_PORT_AS_WRITTEN); /* a host gave it a device */
    CHECK(kbp_linux_set_com_port(9, NULL) == 0);
    CHECK(kbp_read_port_text("COM9:9600,N,8,1", &port) == 0 && port.problem == KBP_PORT_OTHER_SYSTEM);
    CHECK(strcmp(port.reason, "COM9 is a Windows port name") == 0);
    CHECK(strcmp(port.instead, "/dev/ttyS8:9600,N,8,1") == 0);
    CHECK(kbp_read_port_text("com4", &port) == 0 && port.problem == KBP_PORT_OTHER_SYSTEM && port.path == KBP_PORT_NONE);
    CHECK(kbp_read_port_text("ttyUSB0:9600,N,8,1", &port) == 0 && port.problem == KBP_PORT_NO_FOLDER);
    CHECK(strcmp(port.reason, "ttyUSB0:9600,N,8,1 names no device") == 0);
    CHECK(strcmp(port.instead, "/dev/ttyUSB0:9600,N,8,1") == 0);
    CHECK(kbp_read_port_text("USB", NULL) == 1);

    /* A chosen keyboard that is not there opens nothing; a name too long for a path is refused. */
    {
        static char too_long[40000];
        memset(too_long, '/', sizeof too_long - 1);
        CHECK(kbp_linux_set_usb_device("/nonexistent/dev/hidraw3") == 0);
        CHECK(kbp_set_interface(KBP_INTERFACE_USB) == 0 && kbp_snd_interface(0xF4) == 1);
        CHECK(kbp_linux_set_usb_device(too_long) == 1);
        CHECK(kbp_linux_set_usb_device(NULL) == 0);
    }

    return failures == 0 ? 0 : 1;
}
