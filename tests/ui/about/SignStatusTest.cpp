// The status panel of the About window: the waiting state while the program file's signature is
// checked on its worker thread, then the outcome for each answer of the platform's trust service.

#include "ui/about/AboutFixture.h"

#include "toolkit/RasterExpect.h"
#include "ui/about/UntAboutArt.h"

#include <string>

using rastertest::regionIs;

namespace {

bool contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

} // namespace

TEST_F(AboutWindowTest, StatusWaitsWhileTheCheckRuns) {
    makeWindow(); // the check is held at the trust service
    EXPECT_EQ(w().signStatus(), ssChecking);
    EXPECT_EQ(w().labelStatusTitle->caption(), L"Checking the digital signature...");
    EXPECT_FALSE(w().labelStatusDetail->caption().empty());
    EXPECT_EQ(w().pStatus->backgroundColor(), hexColor(0xD9EDF7));
    EXPECT_EQ(w().pStatus->borderLeftColor(), hexColor(0xBCE8F1));
    EXPECT_EQ(w().imgStatus->picture(), *w().Img48->image(kStatusIconWaiting));
    EXPECT_EQ(ui.served(), 0) << "nothing handed to the window yet";

    finishCheck();
    EXPECT_EQ(w().signStatus(), ssNotSigned);
    EXPECT_EQ(trustDouble.checkedFiles(), (std::vector<std::wstring>{kProgram})) << "the program's own file";
}

TEST_F(AboutWindowTest, StatusForEachTrustAnswer) {
    const struct {
        const char* what;
        plat::LONG code;
        const wchar_t* signer;
        TSignStatus status;
        const wchar_t* title;
        const wchar_t* publisher; // expected in the detail; empty: no "Publisher" at all
        TColor background;
        TColor border;
        TColor text;
        int icon;
    } cases[] = {
        {"signed and trusted", 0, L"Korvane", ssTrusted, L"Signed and trusted", L"Publisher: Korvane.",
         hexColor(0xDFF0D8), hexColor(0xB2D8A4), hexColor(0x3C763D), kStatusIconTrusted},
        {"not signed", plat::TRUST_E_NOSIGNATURE, L"", ssNotSigned, L"Not signed", L"", hexColor(0xFCF8E3),
         hexColor(0xFAEBCC), hexColor(0x8A6D3B), kStatusIconNotSigned},
        {"a file that cannot carry a signature", plat::TRUST_E_SUBJECT_FORM_UNKNOWN, L"", ssNotSigned,
         L"Not signed", L"", hexColor(0xFCF8E3), hexColor(0xFAEBCC), hexColor(0x8A6D3B),
         kStatusIconNotSigned},
        {"no trust provider for it", plat::TRUST_E_PROVIDER_UNKNOWN, L"", ssNotSigned, L"Not signed", L"",
         hexColor(0xFCF8E3), hexColor(0xFAEBCC), hexColor(0x8A6D3B), kStatusIconNotSigned},
        {"altered after signing", plat::TRUST_E_BAD_DIGEST, L"Korvane", ssNotValid, L"Signature not valid",
         L"Publisher: Korvane.", hexColor(0xF2DEDE), hexColor(0xEBCCD1), hexColor(0xA94442),
         kStatusIconNotValid},
        {"untrusted root, signer unreadable", plat::CERT_E_UNTRUSTEDROOT, L"", ssNotValid,
         L"Signature not valid", L"", hexColor(0xF2DEDE), hexColor(0xEBCCD1), hexColor(0xA94442),
         kStatusIconNotValid},
        {"explicitly distrusted", plat::TRUST_E_EXPLICIT_DISTRUST, L"Mallory Ltd", ssNotValid,
         L"Signature not valid", L"Publisher: Mallory Ltd.", hexColor(0xF2DEDE), hexColor(0xEBCCD1),
         hexColor(0xA94442), kStatusIconNotValid},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        trustDouble.answer(c.code, c.signer);
        makeWindowAndFinishCheck();
        EXPECT_EQ(w().signStatus(), c.status);
        EXPECT_EQ(w().labelStatusTitle->caption(), c.title);
        const std::wstring& detail = w().labelStatusDetail->caption();
        if (*c.publisher != L'\0') {
            EXPECT_TRUE(contains(detail, c.publisher)) << std::string(detail.begin(), detail.end());
        } else {
            EXPECT_FALSE(contains(detail, L"Publisher")) << std::string(detail.begin(), detail.end());
        }
        EXPECT_EQ(w().pStatus->backgroundColor(), c.background);
        EXPECT_EQ(w().pStatus->borderLeftColor(), c.border);
        EXPECT_EQ(w().pStatus->borderTopColor(), c.border);
        EXPECT_EQ(w().pStatus->borderRightColor(), c.border);
        EXPECT_EQ(w().pStatus->borderBottomColor(), c.border);
        EXPECT_EQ(w().labelStatusTitle->font().color, c.text);
        EXPECT_EQ(w().labelStatusDetail->font().color, c.text);
        EXPECT_EQ(w().imgStatus->picture(), *w().Img48->image(c.icon));
        window.reset();
    }
    // The signer is asked for only when the file carries a signature.
    EXPECT_EQ(trustDouble.namedFiles().size(), 4u);
}

TEST_F(AboutWindowTest, StatusPanelAsPainted) {
    trustDouble.answerTrusted(L"Korvane");
    makeWindowAndFinishCheck();
    w().show();
    const TColor background = hexColor(0xDFF0D8);
    const TColor border = hexColor(0xB2D8A4);
    const auto& panel = painted(*w().pStatus);
    rastertest::TPngOnFailure keep(panel, "status");
    EXPECT_TRUE(regionIs(panel, TRect{0, 1, 5, 56}, border)) << "a 5-pixel band on the left";
    EXPECT_TRUE(regionIs(panel, TRect{0, 0, 419, 1}, border));
    EXPECT_TRUE(regionIs(panel, TRect{0, 56, 419, 57}, border));
    EXPECT_TRUE(regionIs(panel, TRect{418, 0, 419, 57}, border));
    EXPECT_TRUE(regionIs(panel, TRect{5, 1, 10, 56}, background));
    // Icon and texts show the panel's colour around them.
    EXPECT_EQ(painted(*w().imgStatus).at(0, 0), background);
    const auto& title = painted(*w().labelStatusTitle);
    EXPECT_EQ(title.at(title.width() - 1, 0), background);
    EXPECT_GT(rastertest::countOf(title, TRect{0, 0, title.width(), title.height()}, hexColor(0x3C763D)), 0);
}

TEST_F(AboutWindowTest, AWindowThatGoesWhileTheCheckRunsDropsItsOutcomeUnseen) {
    makeWindow(); // the check is held at the trust service: slow on purpose
    EXPECT_TRUE(w().signCheckRunning());
    const std::shared_ptr<const TSignCheckLink> check = w().signCheck();
    window.reset(); // the program ends while the check still runs
    EXPECT_TRUE(check->running()) << "the worker is still there";
    trustDouble.release();
    ASSERT_TRUE(waitUntilEnded(*check));
    EXPECT_EQ(ui.served(), 0) << "the dropped outcome never went to the UI thread";
}

TEST_F(AboutWindowTest, TheCheckMarksItsEndOnceItsOutcomeShows) {
    makeWindow();
    EXPECT_TRUE(w().signCheckRunning());
    finishCheck();
    EXPECT_TRUE(waitUntilEnded(*w().signCheck()));
    EXPECT_FALSE(w().signCheckRunning());
}

TEST_F(AboutWindowTest, TheCheckRunsOffTheUiThreadAndHandsItsOutcomeOver) {
    trustDouble.answerTrusted(L"Korvane");
    std::thread::id uiThread;
    ui.runOnUiThread([&] { uiThread = std::this_thread::get_id(); });
    const int before = ui.served();
    TSignCheck outcome;
    std::thread::id outcomeThread;
    auto link = std::make_shared<TSignCheckLink>([&](const TSignCheck& c) {
        outcome = c;
        outcomeThread = std::this_thread::get_id();
    });
    checks.push_back(link);
    auto* check = new TCheckSignStatus(kProgram, link);
    check->setFreeOnTerminate(true);
    check->Start();
    ++checksStarted;
    ASSERT_TRUE(ui.waitForSteps(before + 1));
    EXPECT_EQ(outcomeThread, uiThread);
    EXPECT_EQ(outcome.status, ssTrusted);
    EXPECT_EQ(outcome.code, 0);
    EXPECT_EQ(outcome.publisher, L"Korvane");
}
