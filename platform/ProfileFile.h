#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace korvane {

// A Windows-style profile (INI) file held in memory: "[Section]" lines and "Key=Value" lines.
// Section and key names match without regard to ASCII case; lines the program does not know,
// comments included, stay as they are. Save writes the whole text to a temporary file in the same
// folder and renames it over the old one, so the file on disk is always either the old or the
// new text.
class ProfileFile {
  public:
    explicit ProfileFile(std::filesystem::path path);

    // A missing or unreadable file reads as empty.
    void load();
    // The value without surrounding blanks and one pair of enclosing quotes, at most 2047
    // characters; `fallback` when the section or key is missing. A present empty value is "".
    std::string readString(const std::string& section, const std::string& key,
                           const std::string& fallback) const;
    // The value as readString gives it, or nothing when the section or key is missing.
    std::optional<std::string> find(const std::string& section, const std::string& key) const;
    // Replaces the key's first line in the section, or adds it after the section's last entry,
    // or adds the section at the end.
    void writeString(const std::string& section, const std::string& key, const std::string& value);
    // Removes the key's lines from the section; nothing when there are none.
    void removeKey(const std::string& section, const std::string& key);
    // Why the file could not be replaced (replaceFileContents), or nothing when it was.
    std::optional<std::string> save() const;

    const std::filesystem::path& path() const { return mPath; }

  private:
    std::filesystem::path mPath;
    std::vector<std::string> mLines;
    std::string mLineEnd = "\n";
};

}  // namespace korvane
