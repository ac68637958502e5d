#include "desktop/kde/KwinScreenShot.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

namespace korvane::kde {

namespace {

// QImage::Format values KWin sends: RGB32, ARGB32 and ARGB32_Premultiplied are all 0xAARRGGBB
// words, blue first in memory on a little-endian machine.
constexpr std::uint32_t kFormatRgb32 = 4;
constexpr std::uint32_t kFormatArgb32Premultiplied = 6;
constexpr int kCallTimeoutMs = 3000;

// The whole content of `fd` until its writer closes it; the fd is closed.
std::vector<std::uint8_t> readAll(int fd) {
    std::vector<std::uint8_t> data;
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof(buffer));
        if (got > 0) {
            data.insert(data.end(), buffer, buffer + got);
        } else if (got == 0 || errno != EINTR) {
            break;
        }
    }
    ::close(fd);
    return data;
}

std::uint32_t numberOf(GVariant* results, const char* key) {
    guint32 value = 0;
    g_variant_lookup(results, key, "u", &value);
    return value;
}

}  // namespace

std::string captureKwinArea(GDBusConnection* connection, const CaptureRect& rect, RgbImage& image) {
    if (connection == nullptr) {
        return "no session bus";
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        return "no pipe";
    }
    // KWin writes after its answer, and more than a pipe holds: the reader runs meanwhile.
    std::vector<std::uint8_t> data;
    std::thread reader([&, readEnd = fds[0]] { data = readAll(readEnd); });
    GUnixFDList* handed = g_unix_fd_list_new_from_array(&fds[1], 1);  // takes the write end
    GVariantBuilder options;
    g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
    g_variant_builder_add(&options, "{sv}", "native-resolution", g_variant_new_boolean(TRUE));
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_with_unix_fd_list_sync(
        connection, "org.kde.KWin", "/org/kde/KWin/ScreenShot2", "org.kde.KWin.ScreenShot2",
        "CaptureArea",
        g_variant_new("(iiuua{sv}h)", static_cast<gint32>(rect.left), static_cast<gint32>(rect.top),
                      static_cast<guint32>(rect.width), static_cast<guint32>(rect.height), &options,
                      0),
        G_VARIANT_TYPE("(a{sv})"), G_DBUS_CALL_FLAGS_NO_AUTO_START, kCallTimeoutMs, handed, nullptr,
        nullptr, &error);
    // The write end KWin was handed is closed here too, so the reader sees the end once KWin's
    // own copy is closed (or at once when the call failed).
    g_object_unref(handed);
    reader.join();
    if (reply == nullptr) {
        std::string reason = error != nullptr ? error->message : "no answer";
        g_clear_error(&error);
        return reason;
    }
    GVariant* results = g_variant_get_child_value(reply, 0);
    const std::uint32_t width = numberOf(results, "width");
    const std::uint32_t height = numberOf(results, "height");
    const std::uint32_t stride = numberOf(results, "stride");
    const std::uint32_t format = numberOf(results, "format");
    g_variant_unref(results);
    g_variant_unref(reply);
    if (format < kFormatRgb32 || format > kFormatArgb32Premultiplied ||
        static_cast<std::uint64_t>(stride) * height > data.size() || stride < width * 4ULL) {
        return "unexpected picture (format " + std::to_string(format) + ")";
    }
    const int rows = std::min<int>(static_cast<int>(height), image.height);
    const int columns = std::min<int>(static_cast<int>(width), image.width);
    for (int y = 0; y < rows; ++y) {
        const std::uint8_t* from = data.data() + static_cast<std::size_t>(y) * stride;
        std::uint8_t* to = image.pixels.data() + static_cast<std::size_t>(y) * image.width * 3;
        for (int x = 0; x < columns; ++x, from += 4, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    return "";
}

}  // namespace korvane::kde
