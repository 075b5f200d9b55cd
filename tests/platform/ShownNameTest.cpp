// The escape that writes names a Win32 path cannot hold: ordinary names stay as they are, every
// escaped name reads back as the one it stands for, and texts that no name gives are refused, so a
// shown path never names two files.

#include "platform/ShownName.h"
#include "platform/WinPath.h"

#include <gtest/gtest.h>

namespace {

TEST(ShownNameTest, EscapesWhatWin32RefusesAndReadsItBack) {
    const struct {
        std::wstring name;
        std::wstring shown;
    } cases[] = {
        {L"report.docx", L"report.docx"},
        {L"100% done (final) [v2] #1 ~$x.txt", L"100% done (final) [v2] #1 ~$x.txt"},
        {L"\u00E9t\u00E9 \u4E2D.txt", L"\u00E9t\u00E9 \u4E2D.txt"},
        {L"a?b", L"a|3Fb"},
        {L"<>:\"/\\|?*", L"|3C|3E|3A|22|2F|5C|7C|3F|2A"},
        {L"Zone.Identifier:x", L"Zone.Identifier|3Ax"},
        {L"back\\s", L"back|5Cs"},
        {std::wstring(L"\0lead", 5), L"|00lead"},
        {L"line\nbreak\x1F", L"line|0Abreak|1F"},
        {L"|7C", L"|7C7C"}, // the escape's own character is escaped
        {L".", L"|2E"},
        {L"..", L"|2E|2E"},
        {L"...", L"..."},
        {L"a.", L"a."},
        {std::wstring(1, static_cast<wchar_t>(0xD800)) + L"x",
         std::wstring(1, static_cast<wchar_t>(0xD800)) + L"x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(plat::shownName(c.name), c.shown);
        const std::optional<std::wstring> back = plat::trueName(c.shown);
        ASSERT_TRUE(back.has_value()) << c.shown.size();
        EXPECT_EQ(*back, c.name);
    }
}

TEST(ShownNameTest, RefusesWhatNoNameIsShownAs) {
    for (const wchar_t* shown :
         {L"a|", L"a|3", L"a|3f", L"a|41", L"a|2Eb", L"|2E.", L"a?b", L"a:b", L"|G0"}) {
        EXPECT_FALSE(plat::trueName(shown).has_value()) << plat::trueName(shown).value_or(L"").size();
    }
}

TEST(ShownNameTest, ShownPathsNameEveryPartAndTheStreamAsThemselves) {
    const plat::TWinPath path =
        plat::parseShownPath(L"\\\\?\\N:\\a|3Fb\\|2E|2E\\c|3Ad.txt:Zone.Identifier|3Ax");
    ASSERT_EQ(path.error, 0u);
    EXPECT_EQ(path.parts, (std::vector<std::wstring>{L"a?b", L"..", L"c:d.txt"}));
    EXPECT_TRUE(path.hasStream);
    EXPECT_EQ(path.stream, L"Zone.Identifier:x");

    const plat::TWinPath root = plat::parseShownPath(L"N:\\:back|5Cs");
    ASSERT_EQ(root.error, 0u);
    EXPECT_TRUE(root.parts.empty());
    EXPECT_EQ(root.stream, L"back\\s");

    EXPECT_EQ(plat::parseShownPath(L"N:\\a|3fb").error, plat::ERROR_INVALID_NAME);
    EXPECT_EQ(plat::parseShownPath(L"N:\\a?b").error, plat::ERROR_INVALID_NAME);
    EXPECT_EQ(plat::parseWinPath(L"N:\\a|3Fb").error,
              plat::ERROR_INVALID_NAME); // Windows' own paths: no escape
}

} // namespace
