// Privilege and trust over the real functions: the version test, the administrators check against
// the shell's own answer, and the trust check of this test executable, which carries no signature.

#include "platform/win32/Win32PrivilegeServices.h"
#include "platform/win32/Win32TrustServices.h"
#include "system/UntKorvaneLib.h"
#include "ui/about/UntAbout.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <shlobj.h>

namespace {

class PrivilegeOnWindowsTest : public testing::Test {
protected:
    void SetUp() override {
        plat::installPrivilegeServices(&privilege);
        plat::installTrustServices(&trustServices);
    }
    void TearDown() override {
        plat::installTrustServices(nullptr);
        plat::installPrivilegeServices(nullptr);
    }

    plat::TWin32PrivilegeServices privilege;
    plat::TWin32TrustServices trustServices;
};

TEST_F(PrivilegeOnWindowsTest, VersionAndAdministratorAnswers) {
    EXPECT_TRUE(isVistaOrLater()) << "every system the program supports is Vista or later";
    EXPECT_TRUE(privilege.hasCheckTokenMembership()) << "advapi32 has it since Windows 2000";
    // The shell's own answer to the same question.
    EXPECT_EQ(isAdministrator(), IsUserAnAdmin() != FALSE);
}

TEST_F(PrivilegeOnWindowsTest, TheUnsignedTestProgramIsNotSigned) {
    const std::wstring self = getProgramFileName();
    ASSERT_FALSE(self.empty());
    const TSignCheck check = checkSignature(self);
    EXPECT_EQ(check.status, ssNotSigned) << std::hex << static_cast<unsigned long>(check.code);
    EXPECT_TRUE(check.publisher.empty());
    EXPECT_EQ(trustServices.signerName(self.c_str()), L"") << "no embedded signature, no signer";
}

TEST_F(PrivilegeOnWindowsTest, AFileThatIsNoProgramCannotBeTrusted) {
    wchar_t folder[MAX_PATH] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH, folder), 0u);
    const std::wstring path = std::wstring(folder) + L"korvane-trust-check.txt";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, "plain text", 10, &written, nullptr);
    CloseHandle(file);
    const TSignCheck check = checkSignature(path);
    DeleteFileW(path.c_str());
    EXPECT_NE(check.status, ssTrusted) << std::hex << static_cast<unsigned long>(check.code);
    EXPECT_TRUE(check.publisher.empty());
}

} // namespace
