#include "tests/desktop/KwinSession.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "desktop/kde/KwinBus.h"
#include "desktop/kde/KwinWindow.h"

namespace korvane::test {

std::optional<KwinSession> KwinSession::shared(std::string& why, bool& installed) {
    installed = true;
    std::ifstream file(std::string(KORVANE_KWIN_SESSION) + "/session");
    if (!file) {
        why = "no KWin session: run the test through ctest, whose kwin fixture starts it";
        return std::nullopt;
    }
    KwinSession session;
    for (std::string line; std::getline(file, line);) {
        if (line == "missing") {
            installed = false;
            why = "kwin_wayland is not installed (scripts/install-deps installs it)";
            return std::nullopt;
        }
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) {
            session.mVariables.emplace_back(line.substr(0, equals), line.substr(equals + 1));
        }
    }
    return session;
}

void KwinSession::enter() const {
    for (const auto& [name, value] : mVariables) {
        ::setenv(name.c_str(), value.c_str(), 1);
    }
}

std::vector<std::string> KwinSession::clientEnvironment() const {
    std::vector<std::string> entries{"GDK_BACKEND=wayland", "QT_QPA_PLATFORM=wayland", "DISPLAY="};
    for (const auto& [name, value] : mVariables) {
        entries.push_back(name + "=" + value);
    }
    return entries;
}

bool KwinSession::waitForActive(const std::string& resourceClass, int timeoutMs) const {
    kde::KwinBus bus;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
        std::optional<kde::KwinWindowAnswer> answer =
            kde::askKwinWindow(bus, "", std::chrono::seconds(1));
        if (answer && answer->window && answer->window->resourceClass == resourceClass) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

}  // namespace korvane::test
