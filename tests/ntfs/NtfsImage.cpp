#include "ntfs/NtfsImage.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace ntfstest {

namespace fs = std::filesystem;

namespace {

std::string findProgram(const std::string& name) {
    std::string folders = "/usr/sbin:/sbin:/usr/bin:/bin";
    if (const char* path = std::getenv("PATH")) {
        folders = std::string(path) + ":" + folders;
    }
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const fs::path candidate = fs::path(folders.substr(start, end - start)) / name;
        if (end > start && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate.string();
        }
        start = end + 1;
    }
    return {};
}

// Starts a program with its output going nowhere; -1 when it cannot start.
pid_t spawn(const std::vector<std::string>& arguments) {
    const std::string program = findProgram(arguments.at(0));
    if (program.empty()) {
        return -1;
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int failed = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed == 0 ? child : -1;
}

bool waitFor(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return false;
        }
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string missingProgram(std::initializer_list<const char*> programs) {
    for (const char* program : programs) {
        if (findProgram(program).empty()) {
            return std::string(program) + " is not installed (scripts/setup.sh installs ntfs-3g)";
        }
    }
    return {};
}

std::string computeUnavailableReason() {
    if (std::string missing = missingProgram({"mkntfs", "ntfscp", "ntfs-3g"}); !missing.empty()) {
        return missing;
    }
    if (const char* off = std::getenv("KW_NTFS_NO_MOUNT"); off != nullptr && *off != '\0') {
        return "KW_NTFS_NO_MOUNT is set, so ntfs-3g does not mount here";
    }
    if (::geteuid() != 0) {
        return "mounting an NTFS image with ntfs-3g needs root here";
    }
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
        return "/dev/fuse is not available, so ntfs-3g cannot mount";
    }
    // Try it once: make a tiny volume and mount it.
    TScratchFolder scratch;
    const fs::path image = scratch.path() / "probe.img";
    if (!makeImage(image, 2, "probe")) {
        return "mkntfs cannot make a volume in an image file here";
    }
    const fs::path mountPoint = scratch.path() / "mnt";
    fs::create_directory(mountPoint);
    TMount mount(image, mountPoint, "streams_interface=windows");
    if (!mount.mounted()) {
        return "ntfs-3g cannot mount an image here (FUSE refused)";
    }
    if (!mount.unmount()) {
        return "ntfs-3g did not unmount cleanly here";
    }
    return {};
}

} // namespace

const std::string& copyToolsUnavailableReason() {
    static const std::string reason = missingProgram({"mkntfs", "ntfscp"});
    return reason;
}

const std::string& toolsUnavailableReason() {
    static const std::string reason = computeUnavailableReason();
    return reason;
}

bool run(const std::vector<std::string>& arguments) {
    const pid_t child = spawn(arguments);
    return child > 0 && waitFor(child);
}

bool tearRecordOf(std::string& volume, const std::wstring& name) {
    if (volume.size() < 512) {
        return false;
    }
    const auto byte = [&volume](std::size_t at) {
        return static_cast<std::size_t>(static_cast<unsigned char>(volume[at]));
    };
    // The record size: clusters per record, or 2 to the power of minus that when it is negative.
    const std::size_t cluster = (byte(0x0B) | byte(0x0C) << 8) * byte(0x0D);
    const auto perRecord = static_cast<signed char>(volume[0x40]);
    const std::size_t recordSize =
        perRecord < 0 ? std::size_t{1} << -perRecord : cluster * static_cast<std::size_t>(perRecord);
    std::string utf16;
    for (const wchar_t c : name) {
        utf16 += static_cast<char>(c & 0xFF);
        utf16 += static_cast<char>((c >> 8) & 0xFF);
    }
    for (std::size_t at = volume.find(utf16); at != std::string::npos; at = volume.find(utf16, at + 1)) {
        const std::size_t record = at - at % recordSize;
        const std::size_t number = byte(record + 0x2C) | byte(record + 0x2D) << 8 | byte(record + 0x2E) << 16;
        // A file's own record (past the system files and the root folder), not a folder's index of it.
        if (volume.compare(record, 4, "FILE") == 0 && number > 11) {
            volume[record + 510] = static_cast<char>(volume[record + 510] ^ 0xFF);
            return true;
        }
    }
    return false;
}

std::string utf8(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        const auto u = static_cast<std::uint32_t>(c);
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else if (u < 0x10000) {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (u >> 18));
            out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

std::wstring fromUtf8(const std::string& text) {
    std::wstring out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
        std::uint32_t u = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra && i + k < text.size(); ++k) {
            u = (u << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        out += static_cast<wchar_t>(u);
        i += 1 + extra;
    }
    return out;
}

TScratchFolder::TScratchFolder() {
    std::string pattern = (fs::temp_directory_path() / "kwntfs-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot make a scratch folder");
    }
    FPath = pattern;
}

TScratchFolder::~TScratchFolder() {
    std::error_code ignored;
    fs::remove_all(FPath, ignored);
}

bool makeImage(const fs::path& image, int sizeMiB, const std::string& label, int clusterSize,
               int sectorSize) {
    { std::ofstream create(image, std::ios::binary | std::ios::trunc); }
    std::error_code error;
    fs::resize_file(image, static_cast<std::uintmax_t>(sizeMiB) * 1024 * 1024, error);
    if (error) {
        return false;
    }
    std::vector<std::string> arguments = {"mkntfs", "-F", "-f", "-q", "-L", label};
    if (clusterSize > 0) {
        arguments.insert(arguments.end(), {"-c", std::to_string(clusterSize)});
    }
    if (sectorSize > 0) {
        arguments.insert(arguments.end(), {"-s", std::to_string(sectorSize)});
    }
    arguments.push_back(image.string());
    return run(arguments);
}

bool ntfscp(const fs::path& image, const fs::path& source, const std::wstring& destination,
            const std::wstring& stream) {
    std::vector<std::string> arguments = {"ntfscp", "-f"};
    if (!stream.empty()) {
        arguments.insert(arguments.end(), {"-N", utf8(stream)});
    }
    arguments.insert(arguments.end(), {image.string(), source.string(), utf8(destination)});
    return run(arguments);
}

TMount::TMount(const fs::path& image, const fs::path& mountPoint, const std::string& options)
    : FMountPoint(mountPoint) {
    struct stat before {};
    if (::stat(mountPoint.c_str(), &before) != 0) {
        return;
    }
    FDriver = spawn({"ntfs-3g", "-o", "no_detach," + options, image.string(), mountPoint.string()});
    if (FDriver <= 0) {
        return;
    }
    // Mounted once the mount point is on another device; a driver that ended has failed.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        struct stat now {};
        if (::stat(mountPoint.c_str(), &now) == 0 && now.st_dev != before.st_dev) {
            FMounted = true;
            return;
        }
        int status = 0;
        if (::waitpid(FDriver, &status, WNOHANG) == FDriver) {
            FDriver = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

TMount::~TMount() {
    unmount();
}

fs::path TMount::at(const std::wstring& volumePath) const {
    std::wstring relative = volumePath;
    for (wchar_t& c : relative) {
        if (c == L'\\') {
            c = L'/';
        }
    }
    return FMountPoint / utf8(relative);
}

bool TMount::unmount() {
    if (FDriver <= 0) {
        return false;
    }
    bool unmounted = !FMounted;
    for (int attempt = 0; attempt < 100 && !unmounted; ++attempt) {
        unmounted = ::umount2(FMountPoint.c_str(), 0) == 0;
        if (!unmounted) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    if (!unmounted) {
        ::umount2(FMountPoint.c_str(), MNT_DETACH);
    }
    FMounted = false;
    const bool ended = waitFor(FDriver); // the driver writes everything back before it ends
    FDriver = -1;
    return unmounted && ended;
}

void writeBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string readBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

namespace {

void setAttribute(const fs::path& path, const char* name, const std::string& value) {
    if (::setxattr(path.c_str(), name, value.data(), value.size(), 0) != 0) {
        throw std::runtime_error(std::string("cannot set ") + name + " of " + path.string());
    }
}

std::string littleEndian(std::uint64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return out;
}

std::uint64_t ticks(const plat::FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

} // namespace

void setAttributes(const fs::path& path, plat::DWORD attributes) {
    setAttribute(path, "system.ntfs_attrib", littleEndian(attributes, 4));
}

void setShortName(const fs::path& path, const std::wstring& shortName) {
    setAttribute(path, "system.ntfs_dos_name", utf8(shortName));
}

void setTimes(const fs::path& path, const plat::FILETIME& creation, const plat::FILETIME& lastWrite) {
    // ntfs-3g's order: creation, last write, last access (the change time is its own).
    setAttribute(path, "system.ntfs_times",
                 littleEndian(ticks(creation), 8) + littleEndian(ticks(lastWrite), 8) +
                     littleEndian(ticks(lastWrite), 8));
}

std::vector<std::wstring> listStreamNames(const fs::path& path) {
    std::vector<std::wstring> streams;
    const ssize_t size = ::listxattr(path.c_str(), nullptr, 0);
    if (size <= 0) {
        return streams;
    }
    std::string names(static_cast<std::size_t>(size), '\0');
    const ssize_t got = ::listxattr(path.c_str(), names.data(), names.size());
    names.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    std::size_t start = 0;
    while (start < names.size()) {
        const std::string name = names.c_str() + start;
        start += name.size() + 1;
        if (name.rfind("user.", 0) == 0) {
            streams.push_back(fromUtf8(name.substr(5)));
        }
    }
    return streams;
}

} // namespace ntfstest
