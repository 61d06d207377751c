#pragma once
// What each service of the Linux backend forgets when the backend is reset.
namespace platform::linux_backend {

void forget_hid_records();

}  // namespace platform::linux_backend
