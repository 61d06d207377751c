#pragma once
// Loads a DLL from the test program's folder and finds its exports by their
// plain names, the way a host program does.
#include <windows.h>

#include <gtest/gtest.h>

class Dll {
public:
    explicit Dll(const char* name) : module_(LoadLibraryA(name)) {}
    ~Dll() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    Dll(const Dll&) = delete;
    Dll& operator=(const Dll&) = delete;

    bool loaded() const { return module_ != nullptr; }

    // The export `name` as a pointer of type F; null when it is not exported.
    template <typename F>
    F find(const char* name) const {
        return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};
