#include "ntfs/NtfsScaleVolumes.h"

#include "ntfs/NtfsImage.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <stdexcept>

namespace ntfstest {

namespace fs = std::filesystem;

namespace {

// The volume from the build folder, or made there first: written under a name of this process's own
// (two test programs may make it at once) and renamed when whole.
TScaleVolume cachedVolume(const std::string& name, int sizeMiB,
                          const std::function<void(const TMount&)>& fill) {
    TScaleVolume volume;
    volume.unavailable = toolsUnavailableReason();
    if (!volume.unavailable.empty()) {
        return volume;
    }
    const fs::path cache = fs::path(KW_TEST_CACHE);
    volume.image = cache / (name + ".img");
    if (fs::exists(volume.image)) {
        return volume;
    }
    fs::create_directories(cache);
    const fs::path partial = cache / (name + ".partial." + std::to_string(::getpid()));
    if (!makeImage(partial, sizeMiB, name)) {
        volume.unavailable = "mkntfs failed";
        return volume;
    }
    {
        const TScratchFolder scratch;
        fs::create_directories(scratch.path() / "mount");
        TMount mount(partial, scratch.path() / "mount", "streams_interface=windows");
        if (!mount.mounted()) {
            volume.unavailable = "ntfs-3g could not mount " + partial.filename().string();
        } else {
            try {
                fill(mount);
            } catch (const std::exception& error) {
                volume.unavailable = error.what();
            }
            if (!mount.unmount() && volume.unavailable.empty()) {
                volume.unavailable = "ntfs-3g did not unmount " + partial.filename().string();
            }
        }
    }
    if (!volume.unavailable.empty()) {
        fs::remove(partial);
        return volume;
    }
    fs::rename(partial, volume.image);
    return volume;
}

// An empty file, and a stream of it with the bytes.
void writeWithStream(const TMount& mount, const std::wstring& file, const std::wstring& stream,
                     const std::string& bytes) {
    std::ofstream(mount.at(file)).close();
    writeBytes(mount.at(file + L":" + stream), bytes);
}

} // namespace

std::wstring caseVariantName(int index) {
    std::wstring name = L"casevariantname";
    for (std::size_t letter = 0; letter < name.size(); ++letter) {
        if ((index >> letter) & 1) {
            name[letter] = static_cast<wchar_t>(name[letter] - L'a' + L'A');
        }
    }
    return name;
}

std::string caseVariantTag(int index) {
    return "variant " + std::to_string(index) + " of casevariantname\n";
}

const TScaleVolume& caseVariantsVolume() {
    static const TScaleVolume volume = cachedVolume("case-variants-20k-v1", 64, [](const TMount& mount) {
        fs::create_directories(mount.at(L"cases"));
        for (int i = 0; i < kCaseVariants; ++i) {
            writeWithStream(mount, L"cases\\" + caseVariantName(i), L"tag", caseVariantTag(i));
        }
    });
    return volume;
}

std::wstring manyStreamName(int index) {
    wchar_t name[8];
    std::swprintf(name, 8, L"s%04d", index);
    return name;
}

std::string manyStreamBytes(int index) {
    return "stream " + std::to_string(index) + std::string(static_cast<std::size_t>(index % 37), '.') + "\n";
}

const TScaleVolume& manyStreamsVolume() {
    static const TScaleVolume volume = cachedVolume("many-streams-1k-v1", 32, [](const TMount& mount) {
        std::ofstream(mount.at(L"many.bin")).close();
        fs::create_directories(mount.at(L"single"));
        for (int i = 0; i < kManyStreams; ++i) {
            writeBytes(mount.at(L"many.bin:" + manyStreamName(i)), manyStreamBytes(i));
            writeWithStream(mount, L"single\\f" + manyStreamName(i).substr(1) + L".bin", manyStreamName(i),
                            manyStreamBytes(i));
        }
    });
    return volume;
}

} // namespace ntfstest
