#pragma once
// The one interface between the libraries' logic and the operating system.
//
// Every slot of the headers below is implemented by three backends:
// platform/win32 on the Windows API, platform/sim on a simulated PC that
// tests set up and inspect, and platform/linux on a real Linux system
// (termios, hidraw, evdev). The two without Windows underneath reproduce its
// behaviour from one model, platform/windows_model. The backends are built
// with -Werror=missing-declarations, so a backend function whose signature
// drifts from this contract fails to compile, and a slot a backend forgets
// fails to link; the behaviour suite (tests/behaviour) runs one set of cases
// on every backend the machine can run.
//
// Each slot states what the libraries rely on. Values and layouts are those of
// the Windows calls named, so the Win32 backend is a thin translation and the
// other two behave the way the real system does.
#include "platform/version_clock.h"
#include "platform/ports.h"
#include "platform/devices_files.h"
#include "platform/serial.h"
#include "platform/loading.h"
#include "platform/timers_messages.h"
#include "platform/message_boxes.h"
#include "platform/hid.h"
