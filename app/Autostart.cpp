#include "app/Autostart.h"

#include <QCoreApplication>
#include <cstdlib>
#include <fstream>
#include <iterator>

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

bool autostartEnabled(const std::filesystem::path& entry) {
    std::ifstream in(entry);
    if (!in) {
        return false;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return text.find("\nHidden=true") == std::string::npos;
}

std::optional<std::string> enableAutostart(const std::filesystem::path& entry,
                                           const std::filesystem::path& program) {
    const std::string exec = program.string().starts_with("/usr/")
                                 ? program.filename().string()
                                 : quotedArgument(program.string());
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
