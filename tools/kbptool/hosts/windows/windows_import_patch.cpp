#include "hosts/windows/windows_import_patch.h"

namespace kbptool {

namespace {

bool write_slot(ULONG_PTR& slot, FARPROC replacement) {
    DWORD old = 0;
    if (!VirtualProtect(&slot, sizeof slot, PAGE_READWRITE, &old)) return false;
    slot = reinterpret_cast<ULONG_PTR>(replacement);
    VirtualProtect(&slot, sizeof slot, old, &old);
    return true;
}

}  // namespace

bool replace_import(HMODULE module, FARPROC function, FARPROC replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (module == nullptr || function == nullptr || dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (nt->Signature != IMAGE_NT_SIGNATURE || imports.VirtualAddress == 0) return false;
    bool replaced = false;
    // The bound slots are compared by address, so imports by name and by ordinal are both found.
    for (auto* dll = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name != 0;
         ++dll)
        for (auto* slot = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk); slot->u1.Function != 0; ++slot)
            if (slot->u1.Function == reinterpret_cast<ULONG_PTR>(function))
                replaced = write_slot(slot->u1.Function, replacement) || replaced;
    return replaced;
}

}  // namespace kbptool
