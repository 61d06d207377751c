// <root>/dev and <root>/dev/input: the nodes of the devices still plugged in.
// Nothing is cached, so a device pulled out is gone at the next look-up.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <optional>

#include "device_files.h"

namespace kbdsim_hid {

namespace {

const std::time_t kStarted = std::time(nullptr);

struct Entry {
    std::string name;
    fuse_ino_t inode;
};

bool plugged(const DeviceFiles& files, std::size_t device) {
    return device < files.devices.size() && !files.devices[device].unplugged;
}

bool is_folder(fuse_ino_t ino) { return ino == FUSE_ROOT_ID || ino == kInputFolder; }

bool exists(const DeviceFiles& files, fuse_ino_t ino) {
    return is_folder(ino) || (ino >= hidraw_inode(0) && plugged(files, (ino - hidraw_inode(0)) / 2));
}

struct stat attributes_of(fuse_ino_t ino) {
    struct stat st {};
    st.st_ino = ino;
    st.st_mode = is_folder(ino) ? S_IFDIR | 0755 : S_IFREG | 0660;
    st.st_nlink = is_folder(ino) ? 2 : 1;
    st.st_uid = getuid();
    st.st_gid = getgid();
    st.st_atime = st.st_mtime = st.st_ctime = kStarted;
    return st;
}

std::vector<Entry> entries_of(const DeviceFiles& files, fuse_ino_t folder) {
    std::vector<Entry> entries{{".", folder}, {"..", FUSE_ROOT_ID}};
    if (folder == FUSE_ROOT_ID) entries.push_back({"input", kInputFolder});
    const char* prefix = folder == FUSE_ROOT_ID ? "hidraw" : "event";
    for (std::size_t d = 0; d < files.devices.size(); ++d)
        if (plugged(files, d))
            entries.push_back({prefix + std::to_string(d), folder == FUSE_ROOT_ID ? hidraw_inode(d) : event_inode(d)});
    return entries;
}

// The number of "<prefix>N", written as the kernel writes it.
std::optional<std::size_t> number_in(const char* name, const char* prefix) {
    const std::size_t length = std::strlen(prefix);
    if (std::strncmp(name, prefix, length) != 0) return std::nullopt;
    const char* digits = name + length;
    const char* end = digits + std::strlen(digits);
    std::size_t n = 0;
    const auto [stop, error] = std::from_chars(digits, end, n);
    if (error != std::errc() || stop != end || (digits[0] == '0' && end - digits > 1)) return std::nullopt;
    return n;
}

}  // namespace

void lookup_node(fuse_req_t req, fuse_ino_t parent, const char* name) {
    const DeviceFiles& files = files_of(req);
    fuse_ino_t found = 0;
    if (parent == FUSE_ROOT_ID && std::strcmp(name, "input") == 0) {
        found = kInputFolder;
    } else if (parent == FUSE_ROOT_ID || parent == kInputFolder) {
        const auto n = number_in(name, parent == FUSE_ROOT_ID ? "hidraw" : "event");
        if (n && plugged(files, *n)) found = parent == FUSE_ROOT_ID ? hidraw_inode(*n) : event_inode(*n);
    }
    if (found == 0) {
        fuse_reply_err(req, ENOENT);
        return;
    }
    fuse_entry_param entry{};
    entry.ino = found;
    entry.attr = attributes_of(found);
    fuse_reply_entry(req, &entry);
}

void get_node_attributes(fuse_req_t req, fuse_ino_t ino, fuse_file_info*) {
    if (!exists(files_of(req), ino)) {
        fuse_reply_err(req, ENOENT);
        return;
    }
    const struct stat st = attributes_of(ino);
    fuse_reply_attr(req, &st, 0);
}

void read_folder(fuse_req_t req, fuse_ino_t ino, std::size_t size, off_t offset, fuse_file_info*) {
    if (!is_folder(ino)) {
        fuse_reply_err(req, ENOTDIR);
        return;
    }
    const std::vector<Entry> entries = entries_of(files_of(req), ino);
    std::string buffer(size, '\0');
    std::size_t used = 0;
    for (std::size_t i = std::size_t(offset); i < entries.size(); ++i) {
        const struct stat st = attributes_of(entries[i].inode);
        const std::size_t n = fuse_add_direntry(req, buffer.data() + used, size - used, entries[i].name.c_str(), &st,
                                                off_t(i + 1));
        if (n > size - used) break;
        used += n;
    }
    fuse_reply_buf(req, buffer.data(), used);
}

}  // namespace kbdsim_hid
