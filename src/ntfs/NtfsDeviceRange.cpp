#include "ntfs/NtfsDeviceRange.h"

namespace ntfs {

namespace {

class TDeviceRange final : public TNtfsDevice {
public:
    TDeviceRange(std::shared_ptr<TNtfsDevice> base, std::uint64_t offset, std::uint64_t length)
        : FBase(std::move(base)), FOffset(offset), FLength(length) {}

    bool read(std::uint64_t offset, void* buffer, std::size_t count) override {
        return inside(offset, count) && FBase->read(FOffset + offset, buffer, count);
    }
    const std::uint8_t* view(std::uint64_t offset, std::size_t count) const override {
        return inside(offset, count) ? FBase->view(FOffset + offset, count) : nullptr;
    }
    std::uint64_t size() const override { return FLength; }

private:
    bool inside(std::uint64_t offset, std::size_t count) const {
        return offset <= FLength && count <= FLength - offset;
    }

    std::shared_ptr<TNtfsDevice> FBase;
    std::uint64_t FOffset;
    std::uint64_t FLength;
};

} // namespace

std::unique_ptr<TNtfsDevice> openDeviceRange(std::shared_ptr<TNtfsDevice> base, std::uint64_t offset,
                                             std::uint64_t length) {
    if (!base || offset > UINT64_MAX - length) {
        return nullptr;
    }
    const std::uint64_t baseSize = base->size();
    if (baseSize != TNtfsDevice::kUnknownSize && offset + length > baseSize) {
        return nullptr;
    }
    return std::make_unique<TDeviceRange>(std::move(base), offset, length);
}

} // namespace ntfs
