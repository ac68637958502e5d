#include "platform/win32/OwnerOnly.h"

#include <aclapi.h>

namespace korvane::win32 {
namespace {

// The user SID of this process's token; empty when it cannot be read.
std::vector<BYTE> processUserSid() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return {};
    }
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> buffer(size);
    std::vector<BYTE> sid;
    if (size != 0 && ::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
        const auto* bytes = static_cast<const BYTE*>(user);
        sid.assign(bytes, bytes + ::GetLengthSid(user));
    }
    ::CloseHandle(token);
    return sid;
}

}  // namespace

OwnerOnly::OwnerOnly(bool folder) : mSid(processUserSid()) {
    if (mSid.empty()) {
        return;
    }
    PSID sid = mSid.data();
    mAcl.resize(sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(sid));
    auto* acl = reinterpret_cast<ACL*>(mAcl.data());
    const DWORD inherit = folder ? OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE : 0;
    if (!::InitializeAcl(acl, static_cast<DWORD>(mAcl.size()), ACL_REVISION) ||
        !::AddAccessAllowedAceEx(acl, ACL_REVISION, inherit, FILE_ALL_ACCESS, sid) ||
        !::InitializeSecurityDescriptor(&mDescriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !::SetSecurityDescriptorDacl(&mDescriptor, TRUE, acl, FALSE) ||
        !::SetSecurityDescriptorControl(&mDescriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED)) {
        mSid.clear();
        mAcl.clear();
        return;
    }
    mAttributes.nLength = sizeof mAttributes;
    mAttributes.lpSecurityDescriptor = &mDescriptor;
    mAttributes.bInheritHandle = FALSE;
}

SECURITY_ATTRIBUTES* OwnerOnly::attributes() {
    return mSid.empty() ? nullptr : &mAttributes;
}

std::optional<bool> OwnerOnly::holds(const std::filesystem::path& path) const {
    if (mSid.empty()) {
        return std::nullopt;
    }
    ACL* dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                                nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    bool alone = dacl != nullptr &&
                 ::GetSecurityDescriptorControl(descriptor, &control, &revision) &&
                 (control & SE_DACL_PROTECTED) != 0;
    for (DWORD i = 0; alone && i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        alone = ::GetAce(dacl, i, &ace) &&
                static_cast<ACE_HEADER*>(ace)->AceType == ACCESS_ALLOWED_ACE_TYPE &&
                ::EqualSid(&static_cast<ACCESS_ALLOWED_ACE*>(ace)->SidStart,
                           const_cast<BYTE*>(mSid.data()));
    }
    ::LocalFree(descriptor);
    return alone;
}

bool OwnerOnly::ownedByUser(const std::filesystem::path& path) const {
    if (mSid.empty()) {
        return false;
    }
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const bool mine = owner != nullptr && ::EqualSid(owner, const_cast<BYTE*>(mSid.data()));
    ::LocalFree(descriptor);
    return mine;
}

bool OwnerOnly::apply(const std::filesystem::path& path) const {
    if (mAcl.empty()) {
        return false;
    }
    std::wstring name = path.wstring();
    return ::SetNamedSecurityInfoW(
               name.data(), SE_FILE_OBJECT,
               DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
               reinterpret_cast<ACL*>(const_cast<BYTE*>(mAcl.data())), nullptr) == ERROR_SUCCESS;
}

}  // namespace korvane::win32
