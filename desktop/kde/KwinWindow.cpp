#include "desktop/kde/KwinWindow.h"

#include <gio/gio.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "desktop/kde/KwinBus.h"

namespace korvane::kde {

namespace {

namespace fs = std::filesystem;

// The script: finds the window and calls back with what it knows. KWin 5.27's names
// (activeClient, clientList, frameGeometry).
std::string scriptText(const std::string& service, const std::string& token,
                       const std::string& id) {
    std::ostringstream script;
    script << "const wanted = \"" << id << "\";\n"
           << "let found = wanted === \"\" ? workspace.activeClient : null;\n"
           << "if (wanted !== \"\") {\n"
           << "    const all = workspace.clientList();\n"
           << "    for (let i = 0; i < all.length; ++i) {\n"
           << "        if (String(all[i].internalId) === wanted) { found = all[i]; }\n"
           << "    }\n"
           << "}\n"
           << "let report = \"none\";\n"
           << "if (found) {\n"
           << "    const g = found.frameGeometry;\n"
           << "    report = [String(found.internalId), found.pid, String(found.resourceClass),\n"
           << "              g.x, g.y, g.width, g.height].join(\"\\t\");\n"
           << "}\n"
           << "callDBus(\"" << service << "\", \"" << KwinBus::kReportPath << "\", \""
           << KwinBus::kReportInterface << "\", \"report\", \"" << token << "\", report);\n";
    return script.str();
}

// A call to KWin's scripting: its reply, null when it failed.
GVariant* callScripting(GDBusConnection* connection, const std::string& path, const char* interface,
                        const char* method, GVariant* parameters, const GVariantType* replyType) {
    return g_dbus_connection_call_sync(connection, "org.kde.KWin", path.c_str(), interface, method,
                                       parameters, replyType, G_DBUS_CALL_FLAGS_NO_AUTO_START, 1000,
                                       nullptr, nullptr);
}

std::optional<std::int64_t> wholeNumber(const std::string& text) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(std::llround(value));
}

// A private folder with the script, removed with this object.
class ScriptFile {
  public:
    explicit ScriptFile(const std::string& text) {
        char folder[] = "/tmp/korvane-kwin-XXXXXX";
        if (::mkdtemp(folder) == nullptr) {
            return;
        }
        mFolder = folder;
        std::ofstream(mFolder / "query.js") << text;
    }
    ~ScriptFile() {
        if (!mFolder.empty()) {
            std::error_code ignored;
            fs::remove_all(mFolder, ignored);
        }
    }
    ScriptFile(const ScriptFile&) = delete;
    ScriptFile& operator=(const ScriptFile&) = delete;

    bool ok() const { return !mFolder.empty(); }
    std::string path() const { return (mFolder / "query.js").string(); }

  private:
    fs::path mFolder;
};

}  // namespace

std::optional<KwinWindowAnswer> parseWindowReport(const std::string& report) {
    if (report == "none") {
        return KwinWindowAnswer{};
    }
    std::vector<std::string> fields;
    std::istringstream in(report);
    for (std::string field; std::getline(in, field, '\t');) {
        fields.push_back(field);
    }
    if (fields.size() != 7 || fields[0].empty()) {
        return std::nullopt;
    }
    KwinWindow window{fields[0], 0, fields[2]};
    std::int64_t* numbers[] = {&window.pid, &window.x, &window.y, &window.width, &window.height};
    const std::size_t at[] = {1, 3, 4, 5, 6};
    for (std::size_t i = 0; i < 5; ++i) {
        std::optional<std::int64_t> value = wholeNumber(fields[at[i]]);
        if (!value) {
            return std::nullopt;
        }
        *numbers[i] = *value;
    }
    return KwinWindowAnswer{window};
}

std::optional<KwinWindowAnswer> askKwinWindow(KwinBus& bus, const std::string& id,
                                              std::chrono::milliseconds budget) {
    GDBusConnection* connection = bus.connection();
    // An id is a UUID in braces; anything else would not be a window's and must not reach the
    // script's text.
    if (connection == nullptr || id.find_first_of("\"\\\n") != std::string::npos) {
        return std::nullopt;
    }
    const std::string token = bus.newToken();
    ScriptFile file(scriptText(bus.uniqueName(), token, id));
    if (!file.ok()) {
        return std::nullopt;
    }
    const std::string plugin = "korvane-" + std::to_string(::getpid()) + "-" + token;
    GVariant* loaded = callScripting(
        connection, "/Scripting", "org.kde.kwin.Scripting", "loadScript",
        g_variant_new("(ss)", file.path().c_str(), plugin.c_str()), G_VARIANT_TYPE("(i)"));
    if (loaded == nullptr) {
        return std::nullopt;
    }
    gint32 number = -1;
    g_variant_get(loaded, "(i)", &number);
    g_variant_unref(loaded);
    std::optional<std::string> report;
    // start runs every loaded script that is not running yet.
    if (number >= 0) {
        if (GVariant* ran = callScripting(connection, "/Scripting", "org.kde.kwin.Scripting",
                                          "start", nullptr, nullptr)) {
            g_variant_unref(ran);
            report = bus.waitForReport(token, budget);
        }
    }
    if (GVariant* unloaded =
            callScripting(connection, "/Scripting", "org.kde.kwin.Scripting", "unloadScript",
                          g_variant_new("(s)", plugin.c_str()), nullptr)) {
        g_variant_unref(unloaded);
    }
    return report ? parseWindowReport(*report) : std::nullopt;
}

}  // namespace korvane::kde
