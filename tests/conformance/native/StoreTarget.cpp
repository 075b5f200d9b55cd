// The conformance target of the native build: a fresh simulated store with an NTFS drive C:,
// installed as the process's file services for the case's lifetime.

#include "conformance/ConformanceTarget.h"
#include "platform/store/SimStore.h"

#include <atomic>

namespace conformance {
namespace {

class TStoreTarget : public TConformanceTarget {
public:
    TStoreTarget() {
        static std::atomic<int> caseNumber{0};
        FStore.addDrive(L'C', plat::DRIVE_FIXED, L"System", L"NTFS");
        FRoot = L"C:\\conf\\case" + std::to_wstring(++caseNumber);
        FStore.addFolder(FRoot);
        plat::installFileServices(&FStore);
    }
    ~TStoreTarget() override { plat::installFileServices(nullptr); }

    plat::TFileServices& services() override { return FStore; }
    std::wstring root() override { return FRoot; }
    void makeFolder(const std::wstring& path) override { FStore.addFolder(path); }
    void makeFile(const std::wstring& path, const std::string& data) override { FStore.addFile(path, data); }
    void makeStream(const std::wstring& filePath, const std::wstring& name,
                    const std::string& data) override {
        FStore.addStream(filePath, name, data);
    }
    void setAttributes(const std::wstring& path, plat::DWORD attributes) override {
        FStore.setAttributes(path, attributes);
    }
    void setTimes(const std::wstring& path, const plat::FILETIME& creation,
                  const plat::FILETIME& lastWrite) override {
        FStore.setTimes(path, creation, lastWrite, lastWrite);
    }
    std::string makeFileLink(const std::wstring& path, const std::wstring& target) override {
        FStore.addLink(path, target, plat::store::TLinkKind::fileSymbolicLink);
        return {};
    }
    bool streamsSupported() override { return true; }
    std::string noStreamsReason() override { return {}; }
    std::shared_ptr<void> holdWithoutReadSharing(const std::wstring& path) override {
        const int id = FStore.holdOpen(path, plat::GENERIC_READ, 0);
        plat::store::TSimStore* store = &FStore;
        return std::shared_ptr<void>(nullptr, [store, id](void*) { store->release(id); });
    }

private:
    plat::store::TSimStore FStore;
    std::wstring FRoot;
};

} // namespace

std::unique_ptr<TConformanceTarget> makeConformanceTarget() {
    return std::make_unique<TStoreTarget>();
}

} // namespace conformance
