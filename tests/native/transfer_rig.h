#pragma once
// Whole downloads and uploads on the simulated PC, with one keyboard on every
// path, for the tests that run many of them: the fault matrix and the mixed run.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "include/kbpi32.h"
#include "kbpi32/api/library_state.h"
#include "kbpi32/channel/interface_state.h"
#include "kbpi32/common/pending_timer.h"
#include "kbpusb_on_sim.h"
#include "platform/sim/scenario.h"
#include "platform/sim/sim.h"

namespace kbp_test {

enum class Path { ports, class_driver, port_driver, usb, serial };

inline const char* name_of(Path p) {
    static const char* const names[] = {"ports", "class_driver", "port_driver", "usb", "serial"};
    return names[static_cast<int>(p)];
}

struct TransferRig {
    using Bytes = std::vector<std::uint8_t>;

    kbdsim::Keyboard keyboard;
    // A folder of its own, so that whatever a transfer leaves beside its files shows.
    std::string folder;
    std::string image_file;
    std::string upload_file;
    char status[512] = {};

    explicit TransferRig(const std::string& name)
        : folder(::testing::TempDir() + "kbp_rig_" + name),
          image_file(folder + "/image.kbp"),
          upload_file(folder + "/up.kbp") {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directory(folder);
        fresh();
    }
    ~TransferRig() { std::filesystem::remove_all(folder); }

    // The number of files in the rig's folder.
    std::size_t files_in_folder() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder), {}));
    }

    // A fresh PC and library; the keyboard keeps its memory.
    void fresh() {
        sim::Scenario(keyboard)
            .on(sim::KeyboardPath::controller_ports)
            .on(sim::KeyboardPath::class_driver)
            .on(sim::KeyboardPath::port_driver)
            .on(sim::KeyboardPath::usb)
            .on_com_port(1)
            .without_recording()
            .capture_library()
            .kbpusb(linked_kbpusb())
            .build();
        kbp::reset_library_state();
    }

    static int kind_of(Path p) {
        static const int kinds[] = {1, 2, 3, 4, 1};
        return kinds[static_cast<int>(p)];
    }
    static const char* port_text_of(Path p) {
        return p == Path::usb ? "USB" : p == Path::serial ? "COM1:9600,N,8,1" : "";
    }

    Bytes write_image(std::size_t size, std::uint32_t seed) {
        Bytes b(size);
        for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>((i * 131 + seed * 17) >> 3);
        b[0] = 'K', b[1] = 'e', b[2] = 'l', b[3] = 'm';
        b[6] = static_cast<std::uint8_t>((size - 1) >> 8);
        b[7] = static_cast<std::uint8_t>(size - 1);
        std::ofstream(image_file, std::ios::binary)
            .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
        return b;
    }

    int download(Path p) {
        kbp_set_interface(kind_of(p));
        std::snprintf(status, sizeof status, "%s", port_text_of(p));
        return kbp_download(image_file.c_str(), status, nullptr);
    }
    int upload(Path p) {
        kbp_set_interface(kind_of(p));
        std::snprintf(status, sizeof status, "%s", port_text_of(p));
        return kbp_upload(upload_file.c_str(), status, nullptr);
    }

    bool memory_holds(const Bytes& image) const {
        return std::equal(image.begin() + 4, image.end(), keyboard.memory.begin() + 4);
    }
    Bytes uploaded() const {
        std::ifstream in(upload_file, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    bool uploaded_exists() const { return std::ifstream(upload_file).good(); }
    // The magic, then keyboard bytes 4..end.
    Bytes expected_upload(int end) const {
        Bytes b = {'K', 'e', 'l', 'm'};
        b.insert(b.end(), keyboard.memory.begin() + 4, keyboard.memory.begin() + end + 1);
        return b;
    }

    // What the simulated PC keeps of a refused close, kill or release goes with
    // the fault (kbpusb's keyboard stays open, as it does for the process).
    static void clear_what_faults_left() {
        for (platform::Handle h : sim::devices().open_handles())
            if (h != kbpusb::usb_state.device_handle || kbpusb::usb_state.device_state == 0) platform::close_handle(h);
        while (!sim::messages().timers.empty()) platform::kill_timer(sim::messages().timers.front().id);
    }

    // Nothing of a transfer outlives it: handles (kbpusb's open keyboard
    // aside), timers, image files, the capture, the COM port.
    void expect_nothing_left(unsigned leaked_handles = 0) const {
        const unsigned usb_device = kbpusb::usb_state.device_state == 1 ? 1 : 0;
        EXPECT_LE(sim::devices().open_count(), usb_device + leaked_handles);
        EXPECT_EQ(sim::devices().stale_handle_uses, 0u);
        EXPECT_EQ(kbp::timer_state.pending_timer, 0u);
        EXPECT_TRUE(sim::messages().timers.empty());
        EXPECT_TRUE(sim::image_files().open.empty());
        EXPECT_EQ(kbp::interface_state.use_serial, 0u);
        EXPECT_EQ(sim::capture_library_calls().opens == 0 || sim::capture_library_calls().closes > 0, true);
        EXPECT_EQ(sim::hid().sets_made, sim::hid().sets_destroyed);
        EXPECT_EQ(sim::hid().preparsed_taken, sim::hid().preparsed_freed);
    }
};

}  // namespace kbp_test
