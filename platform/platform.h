#pragma once
// The one interface between the libraries' logic and the operating system.
//
// Every slot of the headers below is implemented twice: by platform/win32 on the Windows API,
// and by platform/sim on a simulated PC that tests set up and inspect. The
// backends are built with -Werror=missing-declarations, so a backend function
// whose signature drifts from this contract fails to compile, and a slot a
// backend forgets fails to link.
//
// Each slot states what the libraries rely on. Values and layouts are those of
// the Windows calls named, so the Win32 backend is a thin translation and the
// simulated PC behaves the way the real system does.
#include "platform/version_clock.h"
#include "platform/ports.h"
#include "platform/devices_files.h"
#include "platform/serial.h"
#include "platform/loading.h"
#include "platform/timers_messages.h"
#include "platform/message_boxes.h"
#include "platform/hid.h"
