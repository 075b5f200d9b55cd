// The conformance target of the NTFS reader: a fresh volume image per case, its content laid out
// through the ntfs-3g mount, then read by the reader's file services as drive C:. Laying out more
// content mounts the image again; the next use of the services opens it afresh. The services only read,
// so the cases that change content skip.

#include "conformance/ConformanceTarget.h"
#include "ntfs/NtfsFixture.h"

#include <cwctype>

namespace conformance {
namespace {

using namespace ntfstest;

class TNtfsTarget final : public TConformanceTarget {
public:
    TNtfsTarget() {
        if (!toolsUnavailableReason().empty()) {
            return;
        }
        FImage = FScratch.path() / "conformance.img";
        FMountPoint = FScratch.path() / "mnt";
        std::filesystem::create_directory(FMountPoint);
        if (!makeImage(FImage, 8, "Conformance")) {
            throw std::runtime_error("mkntfs failed");
        }
        makeFolder(root());
    }
    ~TNtfsTarget() override {
        plat::installFileServices(nullptr);
        FMount.reset();
    }

    std::string unavailableReason() override { return toolsUnavailableReason(); }
    bool readOnly() override { return true; }

    plat::TFileServices& services() override {
        if (FMount || !FServices) {
            if (FMount && !FMount->unmount()) {
                throw std::runtime_error("ntfs-3g did not unmount the conformance volume");
            }
            FMount.reset();
            if (FServices) {
                FRetired.push_back(std::move(FServices)); // a case may still hold its handles
            }
            FServices = openServices(FImage, L'C');
            if (!FServices) {
                throw std::runtime_error("the reader cannot open the conformance volume");
            }
            plat::installFileServices(FServices.get());
        }
        return *FServices;
    }
    std::wstring root() override { return L"C:\\case"; }

    void makeFolder(const std::wstring& path) override { std::filesystem::create_directories(host(path)); }
    void makeFile(const std::wstring& path, const std::string& data) override {
        writeBytes(host(path), data);
        giveShortName(path);
    }
    void makeStream(const std::wstring& filePath, const std::wstring& name,
                    const std::string& data) override {
        writeBytes(host(filePath + L":" + name), data);
    }
    void setAttributes(const std::wstring& path, plat::DWORD attributes) override {
        ntfstest::setAttributes(host(path), attributes);
    }
    void setTimes(const std::wstring& path, const plat::FILETIME& creation,
                  const plat::FILETIME& lastWrite) override {
        ntfstest::setTimes(host(path), creation, lastWrite);
    }
    bool streamsSupported() override { return true; }
    std::string noStreamsReason() override { return {}; }
    std::shared_ptr<void> holdWithoutReadSharing(const std::wstring&) override { return nullptr; }

private:
    // The host path of a path on C:, with the image mounted for writing.
    std::filesystem::path host(const std::wstring& path) {
        if (!FMount) {
            FMount = std::make_unique<TMount>(FImage, FMountPoint, "streams_interface=windows");
            if (!FMount->mounted()) {
                throw std::runtime_error("ntfs-3g cannot mount the conformance volume");
            }
        }
        return FMount->at(path.substr(3));
    }

    // Windows gives a long name an 8.3 name beside it (NAME~N.EXT); ntfs-3g leaves that to its user.
    void giveShortName(const std::wstring& path) {
        const std::wstring name = path.substr(path.rfind(L'\\') + 1);
        const auto dot = name.rfind(L'.');
        const std::wstring base = name.substr(0, dot);
        const std::wstring extension = dot == std::wstring::npos ? std::wstring() : name.substr(dot + 1);
        auto clean = [](const std::wstring& text, std::size_t length) {
            std::wstring out;
            for (wchar_t c : text) {
                if (std::iswalnum(c) && c < 0x80 && out.size() < length) {
                    out += static_cast<wchar_t>(std::towupper(c));
                }
            }
            return out;
        };
        auto upper = [](std::wstring text) {
            for (wchar_t& c : text) {
                c = static_cast<wchar_t>(std::towupper(c));
            }
            return text;
        };
        // A name that is an 8.3 name already (in any case) gets none.
        const bool fits = base.size() <= 8 && extension.size() <= 3 && clean(base, 8) == upper(base) &&
                          clean(extension, 3) == upper(extension) && name.find(L'.') == dot;
        if (fits || base.empty()) {
            return;
        }
        const std::wstring extensionPart = extension.empty() ? L"" : L"." + clean(extension, 3);
        ntfstest::setShortName(host(path),
                               clean(base, 6) + L"~" + std::to_wstring(++FShortNames) + extensionPart);
    }

    TScratchFolder FScratch;
    std::filesystem::path FImage;
    std::filesystem::path FMountPoint;
    std::unique_ptr<TMount> FMount;
    std::unique_ptr<plat::ntfs::TNtfsFileServices> FServices;
    std::vector<std::unique_ptr<plat::ntfs::TNtfsFileServices>> FRetired;
    int FShortNames = 0;
};

} // namespace

std::unique_ptr<TConformanceTarget> makeConformanceTarget() {
    return std::make_unique<TNtfsTarget>();
}

} // namespace conformance
