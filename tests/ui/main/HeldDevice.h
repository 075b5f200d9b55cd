#pragma once
// A device whose reads the test holds: the reader's read with a chosen number waits until the test
// releases it, so that the test acts (a click on the stop button) at a known point of a volume's
// opening; every read is counted.

#include "ntfs/NtfsDevice.h"

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

namespace scancommands {

class THeldReads {
public:
    // holdAt: the number (from 1) of the read that waits.
    explicit THeldReads(std::uint64_t holdAt) : FHoldAt(holdAt) {}

    // Called by the reader before each read.
    void reading() {
        std::unique_lock<std::mutex> lock(FLock);
        if (++FReads != FHoldAt) {
            return;
        }
        FWaiting = true;
        FChanged.wait(lock, [&] { return FReleased; });
        FWaiting = false;
    }
    // The held read waits now.
    bool waiting() {
        std::lock_guard<std::mutex> lock(FLock);
        return FWaiting;
    }
    std::uint64_t reads() {
        std::lock_guard<std::mutex> lock(FLock);
        return FReads;
    }
    void release() {
        std::lock_guard<std::mutex> lock(FLock);
        FReleased = true;
        FChanged.notify_all();
    }

private:
    std::mutex FLock;
    std::condition_variable FChanged;
    const std::uint64_t FHoldAt;
    std::uint64_t FReads = 0;
    bool FWaiting = false;
    bool FReleased = false;
};

class THeldDevice : public ntfs::TNtfsDevice {
public:
    THeldDevice(std::unique_ptr<ntfs::TNtfsDevice> inner, std::shared_ptr<THeldReads> held)
        : FInner(std::move(inner)), FHeld(std::move(held)) {}
    bool read(std::uint64_t offset, void* buffer, std::size_t count) override {
        FHeld->reading();
        return FInner->read(offset, buffer, count);
    }
    std::uint64_t size() const override { return FInner->size(); }

private:
    std::unique_ptr<ntfs::TNtfsDevice> FInner;
    std::shared_ptr<THeldReads> FHeld;
};

} // namespace scancommands
