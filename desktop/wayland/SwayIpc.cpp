#include "desktop/wayland/SwayIpc.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <memory>

namespace korvane::wayland {

namespace {

// Just enough JSON for sway's tree: objects, arrays, strings, numbers, true, false and null.
struct Json {
    enum class Type { Null, Bool, Number, String, Array, Object } type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> members;

    const Json* member(const char* name) const {
        auto found = members.find(name);
        return found == members.end() ? nullptr : &found->second;
    }
};

class JsonReader {
  public:
    explicit JsonReader(const std::string& text) : mText(text) {}

    bool readDocument(Json& value) {
        if (!readValue(value, 0)) {
            return false;
        }
        skipSpace();
        return mPos == mText.size();
    }

  private:
    // Sway's tree is a few levels deep; far deeper input is not from sway.
    static constexpr int kMaxDepth = 64;

    void skipSpace() {
        while (mPos < mText.size() && std::strchr(" \t\r\n", mText[mPos]) != nullptr) {
            ++mPos;
        }
    }
    bool take(char c) {
        skipSpace();
        if (mPos < mText.size() && mText[mPos] == c) {
            ++mPos;
            return true;
        }
        return false;
    }
    bool takeWord(const char* word) {
        const std::size_t length = std::strlen(word);
        if (mText.compare(mPos, length, word) != 0) {
            return false;
        }
        mPos += length;
        return true;
    }

    bool readValue(Json& value, int depth) {
        if (depth > kMaxDepth) {
            return false;
        }
        skipSpace();
        if (mPos >= mText.size()) {
            return false;
        }
        const char c = mText[mPos];
        if (c == '{') {
            ++mPos;
            value.type = Json::Type::Object;
            if (take('}')) {
                return true;
            }
            do {
                skipSpace();
                std::string name;
                if (!readString(name) || !take(':') || !readValue(value.members[name], depth + 1)) {
                    return false;
                }
            } while (take(','));
            return take('}');
        }
        if (c == '[') {
            ++mPos;
            value.type = Json::Type::Array;
            if (take(']')) {
                return true;
            }
            do {
                value.items.emplace_back();
                if (!readValue(value.items.back(), depth + 1)) {
                    return false;
                }
            } while (take(','));
            return take(']');
        }
        if (c == '"') {
            value.type = Json::Type::String;
            return readString(value.text);
        }
        if (takeWord("true") || takeWord("false")) {
            value.type = Json::Type::Bool;
            value.boolean = c == 't';
            return true;
        }
        if (takeWord("null")) {
            return true;
        }
        const char* start = mText.c_str() + mPos;
        char* end = nullptr;
        value.number = std::strtod(start, &end);
        if (end == start) {
            return false;
        }
        value.type = Json::Type::Number;
        mPos += static_cast<std::size_t>(end - start);
        return true;
    }

    bool readString(std::string& out) {
        if (mPos >= mText.size() || mText[mPos] != '"') {
            return false;
        }
        ++mPos;
        while (mPos < mText.size()) {
            const char c = mText[mPos++];
            if (c == '"') {
                return true;
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (mPos >= mText.size()) {
                return false;
            }
            const char escaped = mText[mPos++];
            switch (escaped) {
                case 'n':
                    out += '\n';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'u': {
                    if (mPos + 4 > mText.size()) {
                        return false;
                    }
                    unsigned code = std::stoul(mText.substr(mPos, 4), nullptr, 16);
                    mPos += 4;
                    // A surrogate pair is one character beyond the Basic Multilingual Plane.
                    if (code >= 0xD800 && code < 0xDC00 && mText.compare(mPos, 2, "\\u") == 0 &&
                        mPos + 6 <= mText.size()) {
                        const unsigned low = std::stoul(mText.substr(mPos + 2, 4), nullptr, 16);
                        if (low >= 0xDC00 && low < 0xE000) {
                            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                            mPos += 6;
                        }
                    }
                    appendUtf8(out, code);
                    break;
                }
                default:
                    out += escaped;
                    break;
            }
        }
        return false;
    }

    static void appendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    const std::string& mText;
    std::size_t mPos = 0;
};

std::int64_t integerOf(const Json* value) {
    return value && value->type == Json::Type::Number ? static_cast<std::int64_t>(value->number)
                                                      : 0;
}

std::string textOf(const Json* value) {
    return value && value->type == Json::Type::String ? value->text : "";
}

void collectWindows(const Json& node, std::vector<SwayWindow>& windows) {
    const std::string type = textOf(node.member("type"));
    const Json* pid = node.member("pid");
    if ((type == "con" || type == "floating_con") && pid && pid->type == Json::Type::Number) {
        SwayWindow window;
        window.pid = integerOf(pid);
        window.appId = textOf(node.member("app_id"));
        // An X11 window has no app id (null) but the properties XWayland read from it.
        if (const Json* properties = node.member("window_properties")) {
            window.x11Class = textOf(properties->member("class"));
        }
        window.title = textOf(node.member("name"));
        const Json* focused = node.member("focused");
        window.focused = focused && focused->boolean;
        // The content's rectangle is given relative to the container's.
        if (const Json* rect = node.member("rect")) {
            window.x = integerOf(rect->member("x"));
            window.y = integerOf(rect->member("y"));
        }
        if (const Json* content = node.member("window_rect")) {
            window.x += integerOf(content->member("x"));
            window.y += integerOf(content->member("y"));
            window.width = integerOf(content->member("width"));
            window.height = integerOf(content->member("height"));
        }
        windows.push_back(std::move(window));
    }
    for (const char* children : {"nodes", "floating_nodes"}) {
        if (const Json* list = node.member(children)) {
            for (const Json& child : list->items) {
                collectWindows(child, windows);
            }
        }
    }
}

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : mFd(fd) {}
    ~FileDescriptor() {
        if (mFd >= 0) {
            ::close(mFd);
        }
    }
    int get() const { return mFd; }

  private:
    int mFd;
};

constexpr char kMagic[] = "i3-ipc";
constexpr std::size_t kMagicSize = 6;
constexpr std::size_t kHeaderSize = kMagicSize + 8;
constexpr std::uint32_t kGetTree = 4;
// A tree far larger than this is not one sway sends for a desktop.
constexpr std::uint32_t kMaxReply = 64u << 20;

// Reads exactly `size` bytes before `deadline`.
bool readFully(int fd, char* data, std::size_t size,
               std::chrono::steady_clock::time_point deadline) {
    std::size_t done = 0;
    while (done < size) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd entry{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        const ssize_t got = ::read(fd, data + done, size - done);
        if (got <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

std::optional<std::vector<SwayWindow>> windowsInTree(const std::string& json) {
    Json tree;
    if (!JsonReader(json).readDocument(tree) || tree.type != Json::Type::Object) {
        return std::nullopt;
    }
    std::vector<SwayWindow> windows;
    collectWindows(tree, windows);
    return windows;
}

std::optional<std::vector<SwayWindow>> askSwayWindows(const std::string& socketPath,
                                                      std::chrono::milliseconds budget) {
    const auto deadline = std::chrono::steady_clock::now() + budget;
    sockaddr_un address{};
    if (socketPath.empty() || socketPath.size() >= sizeof(address.sun_path)) {
        return std::nullopt;
    }
    FileDescriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (socket.get() < 0) {
        return std::nullopt;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size());
    if (::connect(socket.get(), reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        return std::nullopt;
    }
    char header[kHeaderSize];
    std::memcpy(header, kMagic, kMagicSize);
    const std::uint32_t noPayload = 0;
    std::memcpy(header + kMagicSize, &noPayload, 4);
    std::memcpy(header + kMagicSize + 4, &kGetTree, 4);
    if (::send(socket.get(), header, sizeof(header), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(sizeof(header))) {
        return std::nullopt;
    }
    if (!readFully(socket.get(), header, sizeof(header), deadline) ||
        std::memcmp(header, kMagic, kMagicSize) != 0) {
        return std::nullopt;
    }
    std::uint32_t length = 0;
    std::uint32_t type = 0;
    std::memcpy(&length, header + kMagicSize, 4);
    std::memcpy(&type, header + kMagicSize + 4, 4);
    if (type != kGetTree || length > kMaxReply) {
        return std::nullopt;
    }
    std::string reply(length, '\0');
    if (!readFully(socket.get(), reply.data(), reply.size(), deadline)) {
        return std::nullopt;
    }
    return windowsInTree(reply);
}

}  // namespace korvane::wayland
