// What each stream holds, as the window shows it: the "What it holds" column, the reasons of the
// focused suspicious stream in the alert panel, "Check Suspicious Only", and the mark over a
// suspicious stream's picture at every display scale.

#include "streamops/UntKorvaneLibStreamOps.h"
#include "ui/main/MainFixture.h"

#include <climits>

namespace {

constexpr TColor kMarkRed = hexColor(0xD81E1E);
const std::string kScript = "@echo off\r\ncmd /c start %TEMP%\\x.exe\r\n";
const std::string kMark = "[ZoneTransfer]\r\nZoneId=3\r\nHostUrl=https://x.test/setup.exe\r\n";

// A download with its mark and a script behind it, and a folder with a note, as a scan adds them.
class StreamClassFixture : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        store.addFile(L"C:\\dl\\setup.exe", "MZ");
        store.addStream(L"C:\\dl\\setup.exe", L"Zone.Identifier", kMark);
        store.addStream(L"C:\\dl\\setup.exe", L"payload", kScript);
        store.addFolder(L"C:\\docs");
        store.addStream(L"C:\\docs", L"notes", "remember the milk");
        w().scanStarting({L"C:\\"});
        setup = static_cast<TTreeNode*>(w().fileFound(L"C:\\dl\\setup.exe", L"c", L"m"));
        mark = stream(L"Zone.Identifier", kMark, L"C:\\dl\\setup.exe", setup);
        payload = stream(L"payload", kScript, L"C:\\dl\\setup.exe", setup);
        docs = static_cast<TTreeNode*>(w().folderFound(L"C:\\docs", L"c", L"m"));
        notes = stream(L"notes", "remember the milk", L"C:\\docs", docs);
        w().scanFinished(false, 3);
    }
    TTreeNode* stream(const wchar_t* name, const std::string& bytes, const wchar_t* file, TTreeNode* node) {
        return static_cast<TTreeNode*>(w().streamFound(
            TADSObject(name, static_cast<std::int64_t>(bytes.size())), file, L"c", L"m", 30, node));
    }
    std::wstring text(TTreeNode* node, int column) {
        std::wstring out;
        w().VSTGetText(node, column, out);
        return out;
    }

    TTreeNode* setup = nullptr;
    TTreeNode* mark = nullptr;
    TTreeNode* payload = nullptr;
    TTreeNode* docs = nullptr;
    TTreeNode* notes = nullptr;
};

using StreamClassTest = StreamClassFixture;

TEST_F(StreamClassTest, TheLastColumnSaysWhatEachStreamHolds) {
    EXPECT_EQ(text(mark, 6), L"Download mark (zone 3, Internet, from x.test)");
    EXPECT_EQ(text(payload, 6), L"Suspicious: Batch script");
    EXPECT_EQ(text(notes, 6), L"Text (ASCII)");
    EXPECT_EQ(text(setup, 6), L"") << "a file's row holds nothing of its own";
    EXPECT_EQ(text(payload, 5), L"@echo off\r\ncmd /c start %TEMP%")
        << "the preview comes from the same read";
    // It sorts by its text.
    EXPECT_LT(w().VSTCompareNodes(mark, payload, 6), 0);
    EXPECT_GT(w().VSTCompareNodes(notes, payload, 6), 0);
    // An unreadable stream says so rather than guessing.
    store.failPath(plat::store::TCall::ReadFile, L"gone", plat::ERROR_ACCESS_DENIED);
    store.addStream(L"C:\\dl\\setup.exe", L"gone", "x");
    EXPECT_EQ(text(stream(L"gone", "x", L"C:\\dl\\setup.exe", setup), 6), L"Could not be read");
}

TEST_F(StreamClassTest, TheFocusedSuspiciousStreamsReasonsShowInTheAlertPanel) {
    const std::wstring outcomeTitle = w().alertTitle->caption();
    const std::wstring outcomeBody = w().alertBody->caption();
    w().VST->setFocusedNode(payload);
    EXPECT_EQ(w().alertTitle->caption(), L"Suspicious: Batch script");
    EXPECT_NE(w().alertBody->caption().find(L"It holds a batch script: code"), std::wstring::npos)
        << w().alertBody->caption().size();
    EXPECT_EQ(w().alertBody->height(), bodyBoxHeight()) << "the panel makes room for the reasons";
    w().VST->setFocusedNode(notes);
    EXPECT_EQ(w().alertTitle->caption(), outcomeTitle);
    EXPECT_EQ(w().alertBody->caption(), outcomeBody);
    // Once another message took the panel, leaving the stream does not bring an old outcome back.
    w().VST->setFocusedNode(payload);
    w().setAlert(L"Backup Complete!", L"1 stream saved.");
    w().VST->setFocusedNode(mark);
    EXPECT_EQ(w().alertTitle->caption(), L"Backup Complete!");
}

TEST_F(StreamClassTest, CheckSuspiciousOnlyChecksTheEvidenceAndNothingElse) {
    ASSERT_EQ(countCheckedStreams(*w().VST), 3);
    w().CheckSuspiciousOnly1->OnClick(w().CheckSuspiciousOnly1);
    EXPECT_EQ(w().VST->checkState(payload), TCheckState::csCheckedNormal);
    EXPECT_EQ(w().VST->checkState(mark), TCheckState::csUncheckedNormal);
    EXPECT_EQ(w().VST->checkState(notes), TCheckState::csUncheckedNormal);
    EXPECT_EQ(w().VST->checkState(setup), TCheckState::csMixedNormal);
    EXPECT_EQ(w().VST->checkState(docs), TCheckState::csUncheckedNormal);
    EXPECT_EQ(countCheckedStreams(*w().VST), 1);
}

// The mark at each scale: a red disc of 9 design pixels over the lower right of a suspicious stream's
// picture, none on the others.
class StreamMarkDpiTest : public StreamClassFixture, public testing::WithParamInterface<int> {
protected:
    void SetUp() override {
        widgets.setDpi(GetParam());
        StreamClassFixture::SetUp();
    }
    // The box of the mark's red pixels in a row's first column; empty when it has none.
    TRect redBox(plat::headless::TRasterCanvas& canvas, TTreeNode* node) {
        const TRect row = w().VST->rowRect(node);
        TRect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
        for (int y = row.top; y < row.bottom; ++y) {
            for (int x = 0; x < w().VST->column(0).width; ++x) {
                if (canvas.getPixel(x, y) == kMarkRed) {
                    box = TRect{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
                                std::max(box.bottom, y + 1)};
                }
            }
        }
        return box.left == INT_MAX ? TRect{} : box;
    }
};

TEST_P(StreamMarkDpiTest, ASuspiciousStreamsPictureCarriesTheMarkAtTheWindowsScale) {
    plat::headless::TRasterCanvas& canvas = painted(*w().VST);
    const TRect mark9 = redBox(canvas, payload);
    EXPECT_EQ(mark9.width(), scaled(9, GetParam()));
    EXPECT_EQ(mark9.height(), scaled(9, GetParam()));
    // Within the row, over its picture's lower right (the picture ends where the text begins).
    const TRect row = w().VST->rowRect(payload);
    EXPECT_GE(mark9.top, row.top);
    EXPECT_LE(mark9.bottom, row.bottom);
    EXPECT_EQ(redBox(canvas, mark).width(), 0);
    EXPECT_EQ(redBox(canvas, notes).width(), 0);
    EXPECT_EQ(redBox(canvas, setup).width(), 0);
}

INSTANTIATE_TEST_SUITE_P(Scales, StreamMarkDpiTest, testing::Values(96, 144, 192),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::to_string(info.param) + "dpi";
                         });

} // namespace
