#include "commands/keyboards.h"

#include "cli/numbers.h"

namespace kbptool {
std::vector<UsbKeyboard> usb_keyboards(const Library& library) {
    std::vector<UsbKeyboard> keyboards;
    for (const FoundDevice& d : host::devices(library))
        if (d.keyboard) keyboards.push_back({int(keyboards.size()) + 1, d.name, d.detail});
    return keyboards;
}

std::string keyboards_listed(const std::vector<UsbKeyboard>& keyboards) {
    if (keyboards.empty()) return "no keyboard of the vendor is on USB";
    std::string list;
    for (const UsbKeyboard& k : keyboards)
        list += (list.empty() ? "" : ", ") + std::to_string(k.number) + ": " + k.path +
                (k.detail.empty() ? "" : " (" + k.detail + ")");
    return list;
}

std::optional<UsbKeyboard> keyboard_named(const std::string& given, const std::vector<UsbKeyboard>& keyboards,
                                          Failure& refusal) {
    const ReadNumber number = read_number(given, NumberRange{1, 9999});
    for (const UsbKeyboard& k : keyboards)
        if ((number.value && *number.value == std::uint64_t(k.number)) || (!number.value && host::same_device(given, k.path)))
            return k;
    refusal = {"--device " + given + " names no USB keyboard",
               (number.value ? "there is no keyboard " + given : given + " is no HID device of the keyboard's vendor") +
                   "; found: " + keyboards_listed(keyboards),
               keyboards.empty() ? "plug the keyboard in; `kbptool detect` lists what it finds"
                                 : "name one as `kbptool detect` lists it: --device " + keyboards.front().path +
                                       " or --device 1"};
    return std::nullopt;
}

Failure several_keyboards(const std::vector<UsbKeyboard>& keyboards) {
    return {std::to_string(keyboards.size()) + " keyboards are on USB, and the command line names none of them",
            "found: " + keyboards_listed(keyboards),
            "name the one you mean with --device (its device or its number: --device 1), or program them all with "
            "download --all"};
}
}  // namespace kbptool
