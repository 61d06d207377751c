#pragma once
// What a backend built on the model of Windows defines, once each: its thread
// queue and how its thread waits, and where the capture library's keys come
// from. The model's code calls these; a backend that forgets one fails to link.
#include "platform/windows_model/capture_library.h"
#include "platform/windows_model/thread_queue.h"

namespace platform::windows_model {

ThreadQueue& thread_queue();
ThreadWaits& thread_waits();

namespace capture_keys {

// kbp_capture_data is about to arm a capture of `keystrokes`: a non-zero low
// byte refuses the arming, and is what the call returns.
int arming(int keystrokes);
// The armed capture wants its keys; false when none can be had.
bool listen(int keystrokes);
// No more keys are wanted: the capture finished, was armed again or closed.
void stop();
// A capture has all its keys; the backend may change what is delivered and
// how the completion is announced.
void completing(KeystrokeCapture& capture, Completion& completion);

}  // namespace capture_keys

}  // namespace platform::windows_model
