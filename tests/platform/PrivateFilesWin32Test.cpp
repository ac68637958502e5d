// Owner-only security on Windows: the descriptor files and folders are made with, and what a
// file's DACL reads back as another program would read it (GetNamedSecurityInfoW). Wine 8 keeps
// no security descriptor with a file (it answers with one made from the Unix mode), so under Wine
// the read-back parts are skipped and only the descriptor and the outcomes are checked.
#include <aclapi.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/FileReplace.h"
#include "platform/PrivateFiles.h"
#include "platform/win32/OwnerOnly.h"

namespace korvane {
namespace {

std::vector<BYTE> userSid() {
    HANDLE token = nullptr;
    ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
    ::CloseHandle(token);
    PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    return std::vector<BYTE>(static_cast<BYTE*>(sid),
                             static_cast<BYTE*>(sid) + ::GetLengthSid(sid));
}

// What the DACL of `path` says: protected or not, and for each entry its type and whether its
// SID is the user's.
struct Dacl {
    bool read = false;
    bool isProtected = false;
    std::vector<std::pair<int, bool>> entries;
};

Dacl daclOf(const std::filesystem::path& path) {
    Dacl result;
    ACL* dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        return result;
    }
    std::vector<BYTE> sid = userSid();
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ::GetSecurityDescriptorControl(descriptor, &control, &revision);
    result.read = dacl != nullptr;
    result.isProtected = (control & SE_DACL_PROTECTED) != 0;
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        ::GetAce(dacl, i, &ace);
        const int type = static_cast<ACE_HEADER*>(ace)->AceType;
        result.entries.emplace_back(
            type, ::EqualSid(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart, sid.data()) != 0);
    }
    ::LocalFree(descriptor);
    return result;
}

bool userAlone(const std::filesystem::path& path) {
    const Dacl dacl = daclOf(path);

    return dacl.read && dacl.isProtected &&
           dacl.entries == std::vector<std::pair<int, bool>>{{ACCESS_ALLOWED_ACE_TYPE, true}};
}

// The one entry of the DACL that files and folders are made with, as CreateFileW receives it.
TEST(OwnerOnly, TheDescriptorAllowsTheUserAloneAndInheritsNothing) {
    const std::vector<BYTE> sid = userSid();
    for (const bool folder : {true, false}) {
        win32::OwnerOnly ownerOnly(folder);
        SECURITY_ATTRIBUTES* attributes = ownerOnly.attributes();
        ASSERT_NE(attributes, nullptr);
        auto* descriptor = static_cast<PSECURITY_DESCRIPTOR>(attributes->lpSecurityDescriptor);
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        ASSERT_TRUE(::GetSecurityDescriptorControl(descriptor, &control, &revision));
        EXPECT_NE(control & SE_DACL_PROTECTED, 0) << "the folder above must give nothing";
        BOOL present = FALSE;
        BOOL defaulted = TRUE;
        ACL* dacl = nullptr;
        ASSERT_TRUE(::GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted));
        ASSERT_TRUE(present && dacl != nullptr) << "a null DACL would allow everyone";
        ASSERT_EQ(dacl->AceCount, 1);
        void* entry = nullptr;
        ASSERT_TRUE(::GetAce(dacl, 0, &entry));
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(entry);
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_EQ(ace->Mask, FILE_ALL_ACCESS);
        EXPECT_TRUE(::EqualSid(&ace->SidStart, const_cast<BYTE*>(sid.data())));
        EXPECT_EQ(ace->Header.AceFlags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE),
                  folder ? OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE : 0);
    }
}

// Whether this system keeps a DACL written to a file: Windows does, Wine 8 does not.
bool keepsDacls(const std::filesystem::path& folder) {
    const std::filesystem::path probe = folder / L"probe";
    std::ofstream(probe) << "x";
    const bool kept = win32::OwnerOnly(false).apply(probe) && userAlone(probe);
    std::filesystem::remove(probe);
    return kept;
}

class PrivateFilesWin32 : public ::testing::Test {
  protected:
    void SetUp() override {
        mRoot = std::filesystem::temp_directory_path() /
                (L"korvane-private-" + std::to_wstring(::GetCurrentProcessId()));
        std::filesystem::create_directories(mRoot);
    }
    void TearDown() override { std::filesystem::remove_all(mRoot); }

    std::filesystem::path mRoot;
};

TEST_F(PrivateFilesWin32, WhatTheProgramMakesIsTheUsersAlone) {
    // A Japanese name on the way: paths are UTF-16 throughout.
    const std::filesystem::path folder = mRoot / L"\u65E5\u672C" / L"history";
    EXPECT_EQ(makePrivateFolder(folder), Privacy::Created);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    const std::filesystem::path file = folder / L"scans.csv";
    EXPECT_EQ(createPrivateFile(file), Privacy::Created);
    EXPECT_TRUE(std::filesystem::is_regular_file(file));
    const std::filesystem::path settings = mRoot / L"settings.ini";
    ASSERT_EQ(replaceFileContents(settings, "[Setting]\r\n"), std::nullopt);
    // Not there, or not of the kind asked for: nothing to do.
    EXPECT_EQ(tightenFile(folder / L"none"), Privacy::Unchanged);
    EXPECT_EQ(tightenFile(folder), Privacy::Unchanged);
    EXPECT_EQ(tightenFolder(file), Privacy::Unchanged);

    if (!keepsDacls(mRoot)) {
        GTEST_SKIP() << "this system keeps no DACL with a file (Wine): nothing to read back";
    }
    EXPECT_TRUE(userAlone(folder));
    EXPECT_FALSE(daclOf(mRoot).isProtected) << "the folders above keep their own";
    EXPECT_EQ(makePrivateFolder(folder), Privacy::Unchanged);
    EXPECT_TRUE(userAlone(file));
    EXPECT_EQ(createPrivateFile(file), Privacy::Unchanged);
    // A settings file replaced whole is born private too, wherever it is.
    EXPECT_TRUE(userAlone(settings));
}

TEST_F(PrivateFilesWin32, WhatWasOpenIsTightenedOnce) {
    const std::filesystem::path folder = mRoot / L"open";
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / L"korvane-server.ini";
    std::ofstream(file) << "x";
    const Privacy fileFirst = tightenFile(file);
    const Privacy folderFirst = tightenFolder(folder);

    if (!keepsDacls(mRoot)) {
        // Nothing kept, nothing claimed: no "tightened" at every start.
        EXPECT_EQ(fileFirst, Privacy::Unchanged);
        EXPECT_EQ(folderFirst, Privacy::Unchanged);
        GTEST_SKIP() << "this system keeps no DACL with a file (Wine): nothing to read back";
    }
    EXPECT_EQ(fileFirst, Privacy::Tightened);
    EXPECT_EQ(folderFirst, Privacy::Tightened);
    EXPECT_TRUE(userAlone(file));
    EXPECT_EQ(tightenFile(file), Privacy::Unchanged);
    EXPECT_TRUE(userAlone(folder));
    EXPECT_EQ(tightenFolder(folder), Privacy::Unchanged);
}

}  // namespace
}  // namespace korvane
