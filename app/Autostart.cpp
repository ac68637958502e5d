#include "app/Autostart.h"

#include <QCoreApplication>
#include <cstdlib>
#include <fstream>
#include <string_view>

namespace korvane {
namespace {

// An Exec argument in the desktop entry's quoting: in double quotes, with ", `, $ and \ escaped.
std::string quotedArgument(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += "\\\\";
        }
        quoted += c;
    }
    return quoted + "\"";
}

// The Exec value of the entry that starts `program`.
std::string execFor(const std::filesystem::path& program) {
    return program.string().starts_with("/usr/") ? program.filename().string()
                                                 : quotedArgument(program.string());
}

// The key's value on a "key=value" line (spaces around '=' allowed), or nullopt for another key.
std::optional<std::string> valueOf(const std::string& line, std::string_view key) {
    if (!line.starts_with(key)) {
        return std::nullopt;
    }
    const size_t equals = line.find_first_not_of(' ', key.size());
    if (equals == std::string::npos || line[equals] != '=') {
        return std::nullopt;
    }
    const size_t value = line.find_first_not_of(' ', equals + 1);
    return value == std::string::npos ? std::string() : line.substr(value);
}

}  // namespace

std::filesystem::path autostartFilePath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path folder;
    if (config && config[0] == '/') {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::filesystem::path(home ? home : "/") / ".config";
    }
    return folder / "autostart" / "korvane-server.desktop";
}

bool autostartEnabled(const std::filesystem::path& entry, const std::filesystem::path& program) {
    std::ifstream in(entry);
    bool startsProgram = false;
    bool hidden = false;
    for (std::string line; std::getline(in, line);) {
        if (const std::optional<std::string> exec = valueOf(line, "Exec")) {
            startsProgram = *exec == execFor(program);
        } else if (const std::optional<std::string> flag = valueOf(line, "Hidden")) {
            hidden = *flag == "true";
        }
    }
    return startsProgram && !hidden;
}

std::optional<std::string> enableAutostart(const std::filesystem::path& entry,
                                           const std::filesystem::path& program) {
    const std::string exec = execFor(program);
    std::error_code ignored;
    std::filesystem::create_directories(entry.parent_path(), ignored);
    std::ofstream out(entry, std::ios::trunc);
    out << "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=KORVANE Server\n"
           "Comment=Types the barcodes of the KORVANE phone app\n"
           "Exec="
        << exec
        << "\n"
           "Icon=korvane-server\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
    out.flush();
    if (!out) {
        return QCoreApplication::translate("korvane::Settings", "%1 に書き込めません")
            .arg(QString::fromStdString(entry.string()))
            .toStdString();
    }
    return std::nullopt;
}

std::optional<std::string> disableAutostart(const std::filesystem::path& entry) {
    std::error_code failure;
    std::filesystem::remove(entry, failure);
    if (failure) {
        return QCoreApplication::translate("korvane::Settings", "%1 を削除できません")
            .arg(QString::fromStdString(entry.string()))
            .toStdString();
    }
    return std::nullopt;
}

}  // namespace korvane
