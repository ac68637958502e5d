#pragma once

#include <windows.h>

#include <filesystem>
#include <optional>
#include <vector>

// Security for what the program keeps about its users on Windows: a DACL that grants the
// process's user alone (its token's user SID) full access and inherits nothing from the folder
// above. Windows only.
namespace korvane::win32 {

class OwnerOnly {
  public:
    // For a folder, the one grant is inherited by the files and folders made inside it.
    explicit OwnerOnly(bool folder);
    OwnerOnly(const OwnerOnly&) = delete;
    OwnerOnly& operator=(const OwnerOnly&) = delete;

    // For CreateFileW or CreateDirectoryW, so that the object is never open to others, not even
    // for a moment; null when the user's SID could not be read (the object then gets what its
    // folder gives, as without it).
    SECURITY_ATTRIBUTES* attributes();

    // Whether `path` (a file or folder, not followed through a link) has a protected DACL whose
    // every entry allows the user: nothing when it cannot be read.
    std::optional<bool> holds(const std::filesystem::path& path) const;
    // Whether the user's SID owns `path`; false when it cannot be read.
    bool ownedByUser(const std::filesystem::path& path) const;
    // Replaces the DACL of `path` with this one, protected: true when done.
    bool apply(const std::filesystem::path& path) const;

  private:
    std::vector<BYTE> mSid;
    std::vector<BYTE> mAcl;
    SECURITY_DESCRIPTOR mDescriptor{};
    SECURITY_ATTRIBUTES mAttributes{};
};

}  // namespace korvane::win32
