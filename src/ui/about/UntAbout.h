#pragma once
// The About window: the product's name and version from the program's own version information,
// the maker's legal notice, links to the maker's web site and pages, and a status panel that shows
// the outcome of a background check of the program file's code signature. It is created hidden at
// start-up, kept for the whole run and shown modelessly (show()), centred over the main form each
// time, in a fixed frame with only the close box. Its components are declared in a table
// (UntAboutComponents.cpp); the signature check lives in UntAboutSignStatus.cpp.

#include "platform/Thread.h"
#include "platform/WinTypes.h"
#include "toolkit/ArtScale.h"
#include "toolkit/Form.h"
#include "toolkit/Image.h"
#include "toolkit/ImageList.h"
#include "toolkit/Label.h"
#include "toolkit/Panel.h"
#include "toolkit/Shape.h"
#include "ui/styled/SEAdvPanel.h"
#include "ui/styled/SEImages.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct TDeclaredComponent;

// The maker's web addresses, all in one place.
namespace makerlinks {
inline constexpr const wchar_t* kHomePage = L"https://www.korvane.example/";
inline constexpr const wchar_t* kHomePageCaption = L"www.korvane.example";
inline constexpr const wchar_t* kLinkedinPage = L"https://www.korvane.example/follow/linkedin";
inline constexpr const wchar_t* kTwitterPage = L"https://www.korvane.example/follow/twitter";
inline constexpr const wchar_t* kFacebookPage = L"https://www.korvane.example/follow/facebook";
} // namespace makerlinks

// ---- The signature check.

enum TSignStatus { ssChecking, ssTrusted, ssNotSigned, ssNotValid };

struct TSignCheck {
    TSignStatus status = ssChecking;
    plat::LONG code = 0;    // what the platform's trust check answered
    std::wstring publisher; // the signer's name when the file is signed; may be empty
};

// Checks the file's code signature with the platform's trust service. Any thread.
TSignCheck checkSignature(const std::wstring& file);

// What the signature check's worker and the window share. The window drops it when it goes, so a
// late outcome is not handed over at all; the worker marks its end as its very last step, after which
// it uses nothing of the program's (services, dispatcher), so until then the program must not take
// them away.
class TSignCheckLink {
public:
    using TCheckedEvent = std::function<void(const TSignCheck& check)>;

    // onChecked runs on the UI thread with the outcome, unless dropped before.
    explicit TSignCheckLink(TCheckedEvent onChecked) : FOnChecked(std::move(onChecked)) {}
    void drop();
    // The worker has not ended yet.
    bool running() const;

    // ---- For the worker.
    bool wanted() const;
    // On the UI thread: hands the outcome over unless dropped meanwhile.
    void handOver(const TSignCheck& check);
    void ended();

private:
    mutable std::mutex FLock;
    TCheckedEvent FOnChecked;
    bool FRunning = true;
};

// The worker that checks the program file's signature and hands the outcome to the UI thread
// through the link. It frees itself when done, and marks the link ended as it goes.
class TCheckSignStatus : public plat::TThread {
public:
    TCheckSignStatus(std::wstring file, std::shared_ptr<TSignCheckLink> link);
    ~TCheckSignStatus() override;

protected:
    void Execute() override;

private:
    std::wstring FFile;
    std::shared_ptr<TSignCheckLink> FLink;
};

// ---- The window.

class TFrmAbout : public TForm {
public:
    // Builds the window from its declared components and runs FormCreate; hidden until shown.
    TFrmAbout();
    ~TFrmAbout() override;

    // What the status panel shows now.
    TSignStatus signStatus() const { return FSignStatus; }
    // The signature check's worker is still there: it may still use the program's services.
    bool signCheckRunning() const { return FSignCheck != nullptr && FSignCheck->running(); }
    // The check's link: it outlives the window while the worker is there.
    std::shared_ptr<const TSignCheckLink> signCheck() const { return FSignCheck; }
    // Gives the window its pictures drawn at the scale nearest to dpi: at its creation and whenever
    // its DPI changes, for its own.
    void setPictures(int dpi = kArtDesignDpi);

    // ---- Declared components (owned by the window; see UntAboutComponents.cpp).
    TPanel* pHeader = nullptr;
    TImage* imgLogo = nullptr;
    TSEImage* SELinkedin = nullptr;
    TSEImage* SEImage1 = nullptr;
    TSEImage* SEImage2 = nullptr;
    TLabel* Label1 = nullptr;
    TLabel* labelName = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* LabelVersion = nullptr;
    TJstLabel* JstLabel1 = nullptr;
    TShape* Shape = nullptr;
    TImage* ImgInfo = nullptr;
    TJstLabel* JstLabel2 = nullptr;
    TSEAdvPanel* pStatus = nullptr;
    TImage* imgStatus = nullptr;
    TLabel* labelStatusTitle = nullptr;
    TLabel* labelStatusDetail = nullptr;
    TPanel* pFooter = nullptr;
    TLabel* link = nullptr;
    TImageList* Img48 = nullptr;

    // ---- Event handlers.
    void FormCreate();
    // The web address centred in the footer: at creation, and again when the window is laid out
    // for another DPI (its width in the new font is not the old one scaled).
    void centreLink();
    void linkClick(TControl* sender);
    void SELinkedinClick(TControl* sender);
    void SEImage1Click(TControl* sender);
    void SEImage2Click(TControl* sender);

    // The rows the window is built from.
    static const std::vector<TDeclaredComponent>& declaredComponents();

private:
    void declareComponents();
    void bindEvents();
    // The pictures drawn for the window's new DPI.
    void dpiApplied() override;
    void startSignCheck();
    void showSignStatus(const TSignCheck& check);

    TSignStatus FSignStatus = ssChecking;
    int FStatusIcon = -1; // the status icon shown, an index of Img48
    std::shared_ptr<TSignCheckLink> FSignCheck;
};

// The texts and colours the status panel shows for each state.
struct TSignStatusLook {
    std::wstring title;
    std::wstring detail;
    TColor background;
    TColor border;
    TColor text;
    int icon; // index in Img48
};
TSignStatusLook signStatusLook(const TSignCheck& check);
