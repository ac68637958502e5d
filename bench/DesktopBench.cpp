// What a capture costs beyond the pause it must take, stage by stage (focused window and caret
// with a Tk and a GTK entry, the pause itself, the grab, the PNG encode, the file's write and
// rename, the whole capture, and a whole 103 as the phone sees it over 127.0.0.1), next to a bare
// PNG encode of the same picture; and what a paste into a Tk entry costs. Needs an X server, a
// session bus (for the accessibility bus), python3-tk, zenity and xdotool:
//   dbus-run-session -- xvfb-run -a -s "-screen 0 1280x800x24"
//       build/default/bench/bench_desktop [--phone | --typing] [runs [other applications]]
// --typing times typed keys against the paste instead (bench/TypingBench.h), on X11 and in a
// headless sway (runs: 5 unless given).
// A desktop has more applications on the accessibility bus than the entry: `other applications`
// starts that many more GTK programs (zenity dialogs) before the entry. A window manager changes
// what the focus and the grab cost: start one (openbox, say) on the display first to see it.
#include <X11/Xlib.h>
#include <png.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/TypingBench.h"
#include "core/RequestServing.h"
#include "desktop/CaptureGeometry.h"
#include "desktop/PngFile.h"
#include "desktop/atspi/AtspiCaret.h"
#include "desktop/x11/X11Desktop.h"
#include "desktop/x11/XFocus.h"
#include "desktop/x11/XScreenGrab.h"
#include "handling/RequestHandler.h"
#include "platform/FreedMemory.h"
#include "platform/PreciseSleep.h"
#include "server/RequestServer.h"
#include "tests/desktop/ChildProcess.h"
#include "tools/HostedServer.h"
#include "tools/PhoneClient.h"

namespace {

using Clock = std::chrono::steady_clock;
using korvane::test::ChildProcess;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Stats {
    double p50 = 0;
    double p90 = 0;
    double max = 0;
};

Stats statsOf(std::vector<double> times, double minus = 0) {
    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    return {times[n / 2] - minus, times[n * 9 / 10] - minus, times.back() - minus};
}

Stats timed(int runs, const std::function<void()>& run, double minus = 0) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        run();
        times.push_back(msSince(start));
    }
    return statsOf(std::move(times), minus);
}

// For a stage that must follow something not to be counted (a pause): each run gives its time.
Stats timedBy(int runs, const std::function<double()>& run) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        times.push_back(run());
    }
    return statsOf(std::move(times));
}

void row(const std::string& name, Stats s, const std::string& note = "") {
    std::printf("  %-44s %8.3f %8.3f %8.3f  %s\n", name.c_str(), s.p50, s.p90, s.max, note.c_str());
}

// A strategy below 0 and filters 0 leave libpng's choice.
struct PngSetting {
    const char* name;
    int level;
    int strategy;
    int filters;
};

constexpr PngSetting kWritersSetting{"level 5, Up filter (the writer's)", 5, -1, PNG_FILTER_UP};

// The PNG as libpng encodes it with nothing around it: into memory.
void encodeInMemory(const std::vector<png_byte>& rgb, int width, int height,
                    const PngSetting& setting, std::vector<png_byte>& out) {
    out.clear();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return;
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t size) {
            auto* sink = static_cast<std::vector<png_byte>*>(png_get_io_ptr(p));
            sink->insert(sink->end(), data, data + size);
        },
        nullptr);
    png_set_compression_level(png, setting.level);
    if (setting.strategy >= 0) {
        png_set_compression_strategy(png, setting.strategy);
    }
    if (setting.filters != 0) {
        png_set_filter(png, PNG_FILTER_TYPE_BASE, setting.filters);
    }
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, rgb.data() + static_cast<std::size_t>(y) * width * 3);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
}

bool decodeRgb(const void* bytes, std::size_t size, std::vector<png_byte>& rgb,
               int* width = nullptr, int* height = nullptr) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes, size)) {
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    if (width != nullptr && height != nullptr) {
        *width = static_cast<int>(image.width);
        *height = static_cast<int>(image.height);
    }
    return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A zenity entry under X11, given the keyboard focus.
bool startGtkEntry(std::unique_ptr<ChildProcess>& zenity) {
    const std::string title = "korvane-bench-gtk";
    zenity = std::make_unique<ChildProcess>(
        std::vector<std::string>{"zenity", "--entry", "--title=" + title,
                                 "--entry-text=4901234567894"},
        std::vector<std::string>{"GDK_BACKEND=x11"});
    ChildProcess focus({"sh", "-c",
                        "w=$(xdotool search --sync --name '^" + title +
                            "$' | head -n 1) && xdotool windowactivate --sync \"$w\" 2>/dev/null;"
                            " xdotool windowfocus --sync \"$w\" && echo ok"});
    return focus.readLine(15000) == "ok";
}

// The real desktop, with the time of each focus lookup and capture noted, so that a whole 103
// can be told apart into the desktop's share and the rest (server, handling, phone).
class TimedDesktop : public korvane::Desktop {
  public:
    explicit TimedDesktop(korvane::Desktop& real) : mReal(real) {}

    bool sessionLocked() override { return mReal.sessionLocked(); }
    korvane::DesktopResult<korvane::FocusedWindow> focusedWindow() override {
        const auto start = Clock::now();
        auto result = mReal.focusedWindow();
        focusTimes.push_back(msSince(start));
        return result;
    }
    korvane::DesktopError pasteText(korvane::WindowHandle window,
                                    const std::string& text) override {
        return mReal.pasteText(window, text);
    }
    korvane::DesktopError pasteTextRestoringClipboard(korvane::WindowHandle window,
                                                      const std::string& text) override {
        return mReal.pasteTextRestoringClipboard(window, text);
    }
    korvane::DesktopError typeText(korvane::WindowHandle window, const std::string& text,
                                   std::chrono::milliseconds keyDelay) override {
        return mReal.typeText(window, text, keyDelay);
    }
    korvane::DesktopError pressSuffixKey(korvane::WindowHandle window,
                                         const std::string& code) override {
        return mReal.pressSuffixKey(window, code);
    }
    korvane::DesktopError pressPrefixKey(korvane::WindowHandle window,
                                         const std::string& code) override {
        return mReal.pressPrefixKey(window, code);
    }
    korvane::DesktopError capture(korvane::WindowHandle window, korvane::Point caret,
                                  const korvane::CaptureShape& shape, std::int32_t delayCode,
                                  Clock::time_point pauseFrom,
                                  const std::string& pngPath) override {
        // From the pause's start: the lookup may run inside it.
        auto error = mReal.capture(window, caret, shape, delayCode, pauseFrom, pngPath);
        captureTimes.push_back(msSince(pauseFrom));
        pauseStarts.push_back(pauseFrom);
        captureEnds.push_back(Clock::now());
        return error;
    }

    std::vector<double> focusTimes;
    std::vector<double> captureTimes;
    std::vector<Clock::time_point> pauseStarts;
    std::vector<Clock::time_point> captureEnds;

  private:
    korvane::Desktop& mReal;
};

// How late this machine wakes a thread from a 100 ms sleep, until `stop`: a worst case of the
// 103s that this shares came from the machine, not the program.
class LateWakes {
  public:
    LateWakes() : mThread([this] { run(); }) {}
    ~LateWakes() { stop(); }
    LateWakes(const LateWakes&) = delete;
    LateWakes& operator=(const LateWakes&) = delete;

    std::vector<double> stop() {
        mRunning = false;
        if (mThread.joinable()) {
            mThread.join();
        }
        return mLate;
    }

  private:
    void run() {
        // As the capture's pause asks: no slack beyond the deadline.
        ::prctl(PR_SET_TIMERSLACK, 1UL);
        while (mRunning) {
            const auto deadline = Clock::now() + std::chrono::milliseconds(100);
            std::this_thread::sleep_until(deadline);
            mLate.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - deadline).count());
        }
    }

    std::atomic<bool> mRunning{true};
    std::vector<double> mLate;
    std::thread mThread;
};

// A whole 103 as the phone sees it: the real server and request handling around `desktop`,
// whose focused window is the one to capture. Returns the program's exit status.
int phoneRows(korvane::Desktop& desktop, int runs) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("korvane-bench-road-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    korvane::QuietWindow quiet;
    TimedDesktop measured(desktop);
    korvane::RequestHandler handler(measured, quiet, quiet,
                                    (folder / "korvane-server.png").string());
    const std::unique_ptr<korvane::RequestServer> server = korvane::serveRequests(handler);
    const std::uint16_t port = korvane::freeLoopbackPort();
    if (server->start("127.0.0.1", port)) {
        std::fprintf(stderr, "the server did not start\n");
        return 1;
    }
    while (quiet.logLines == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::vector<double> toFile;
    std::vector<double> toTurn;
    std::vector<double> afterCapture;
    std::vector<double> toReply;
    std::vector<double> whole;
    int failures = 0;
    LateWakes lateWakes;
    for (int i = 0; i < runs; ++i) {
        try {
            const auto start = Clock::now();
            korvane::phone::PhoneConnection phone("127.0.0.1", port);
            phone.sendRequest("bench", "103");
            const korvane::phone::Message file = phone.receiveMessage();
            const double fileAt = msSince(start);
            if (!measured.pauseStarts.empty()) {
                toTurn.push_back(
                    std::chrono::duration<double, std::milli>(measured.pauseStarts.back() - start)
                        .count());
                afterCapture.push_back(msSince(measured.captureEnds.back()));
            }
            phone.sendAcknowledgement();
            const auto ackAt = Clock::now();
            const korvane::phone::Message reply = phone.receiveMessage();
            toReply.push_back(msSince(ackAt));
            phone.close();
            whole.push_back(msSince(start));
            toFile.push_back(fileAt);
            failures += file.type == 3 && reply.body.find("103") != std::string::npos ? 0 : 1;
        } catch (const korvane::phone::PhoneError& failure) {
            ++failures;
        }
    }
    if (!whole.empty()) {
        row("phone: a whole 103 - 100", statsOf(whole, 100.0),
            failures == 0 ? "" : std::to_string(failures) + " failed");
        row("  request to the file's end - 100", statsOf(toFile, 100.0));
        row("  acknowledgement to the reply", statsOf(toReply));
        // A 103's lookup runs inside its pause, so the capture's time from the pause's start
        // holds both.
        std::vector<double> rest;
        for (std::size_t i = 0; i < whole.size() && i < measured.captureTimes.size(); ++i) {
            rest.push_back(whole[i] - measured.captureTimes[i]);
        }
        row("  its focus + caret lookup (inside the pause)", statsOf(measured.focusTimes));
        row("  its pause, lookup and capture - 100", statsOf(measured.captureTimes, 100.0));
        row("  connect to its turn at the desktop", statsOf(toTurn));
        row("  capture's end to the file's end", statsOf(afterCapture));
        row("  the rest (server, handling, phone)", statsOf(rest));
        row("beside them: a bare 100 ms sleep, late by", statsOf(lateWakes.stop()));
        // The yardstick of a capture's cost: a bare encode of the picture it took, in the same run.
        const std::string written = readFile((folder / "korvane-server.png").string());
        std::vector<png_byte> picture;
        int width = 0;
        int height = 0;
        if (decodeRgb(written.data(), written.size(), picture, &width, &height)) {
            std::vector<png_byte> encoded;
            const Stats encode = timed(
                runs, [&] { encodeInMemory(picture, width, height, kWritersSetting, encoded); });
            const double goal = encode.p50 + 1.0;
            const double p50 = statsOf(whole, 100.0).p50;
            char verdict[96];
            std::snprintf(verdict, sizeof verdict, "+ 1 = %.3f: the 103's p50 %s by %.3f", goal,
                          p50 <= goal ? "is within it" : "exceeds it", std::abs(goal - p50));
            row("and a bare encode of its picture", encode, verdict);
        }
    }
    server->stop();
    std::filesystem::remove_all(folder);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // As the programs that serve the phone do.
    korvane::keepFreedMemory();
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "needs an X server (DISPLAY); see the first lines of this file\n");
        return 2;
    }
    // --phone: the whole 103 and little else, a quick measure to repeat.
    const bool phoneOnly = argc > 1 && std::string(argv[1]) == "--phone";
    if (argc > 1 && std::string(argv[1]) == "--typing") {
        return korvane::bench::typingRows(argc > 2 ? std::max(1, std::atoi(argv[2])) : 5);
    }
    if (phoneOnly) {
        --argc;
        ++argv;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    const int others = argc > 2 ? std::max(0, std::atoi(argv[2])) : 0;
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("korvane-bench-capture-" + std::to_string(::getpid()) + ".png"))
                                 .string();
    std::printf("%d runs; p50, p90 and max in ms\n", runs);

    korvane::X11Desktop desktop;
    korvane::DesktopError error;
    if (!phoneOnly) {
        // A real text field takes the pastes: the paste returns once the field has the text.
        ChildProcess tk({"python3", KORVANE_TK_TARGET});
        tk.writeLine("focus");
        if (tk.readLine() != "\"ready\"" || tk.readLine().empty()) {
            std::fprintf(stderr, "the Tk entry did not start (python3-tk)\n");
            return 1;
        }
        // The first question also connects to the display and starts the accessibility lookup.
        const auto coldStart = Clock::now();
        const auto tkFocused = desktop.focusedWindow();
        const double coldFocus = msSince(coldStart);
        if (!tkFocused) {
            std::fprintf(stderr, "no focused window: %s\n", tkFocused.error().message().c_str());
            return 1;
        }
        row("focus + caret, Tk entry (first)", {coldFocus, coldFocus, coldFocus});
        row("focus + caret, Tk entry", timed(runs, [&] { (void)desktop.focusedWindow(); }));
        row("paste into the Tk entry (+ clear) - 100",
            timed(
                runs,
                [&] {
                    error = desktop.pasteText(tkFocused->window, "4901234567894");
                    tk.writeLine("clear");
                    tk.readLine();
                },
                100.0));
    }

    std::vector<std::unique_ptr<ChildProcess>> otherApplications;
    for (int i = 0; i < others; ++i) {
        otherApplications.push_back(std::make_unique<ChildProcess>(
            std::vector<std::string>{"zenity", "--info",
                                     "--title=korvane-bench-other-" + std::to_string(i)},
            std::vector<std::string>{"GDK_BACKEND=x11"}));
    }
    // Their windows come up before the entry's, so that none takes the focus from it.
    if (others > 0) {
        ChildProcess shown({"sh", "-c",
                            "for i in $(seq 0 " + std::to_string(others - 1) +
                                "); do xdotool search --sync --name \"^korvane-bench-other-$i$\""
                                " >/dev/null; done; echo ok"});
        if (shown.readLine(30000) != "ok") {
            std::fprintf(stderr, "the other applications did not come up (zenity)\n");
            return 1;
        }
    }
    std::unique_ptr<ChildProcess> zenity;
    if (!startGtkEntry(zenity)) {
        std::fprintf(stderr, "the GTK entry did not come up (zenity, xdotool)\n");
        return 1;
    }
    // Give the toolkit time to join the accessibility bus, as a user takes before scanning.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    // With --phone, this is the run's first question: it also connects to the display and starts
    // the accessibility lookup.
    const auto gtkStart = Clock::now();
    korvane::DesktopResult<korvane::FocusedWindow> focused = desktop.focusedWindow();
    const double gtkCold = msSince(gtkStart);
    if (!focused) {
        std::fprintf(stderr, "no focused window: %s\n", focused.error().message().c_str());
        return 1;
    }
    row("focus + caret, GTK entry (first)", {gtkCold, gtkCold, gtkCold},
        focused->caret ? "caret found" : "no caret");
    if (!phoneOnly) {
        int withCaret = 0;
        const Stats gtkFocus = timed(runs, [&] {
            const auto again = desktop.focusedWindow();
            withCaret += again && again->caret ? 1 : 0;
        });
        row("focus + caret, GTK entry", gtkFocus,
            std::to_string(withCaret) + "/" + std::to_string(runs) + " with the caret, " +
                std::to_string(others) + " other applications");

        row("focus + caret, GTK entry, after a pause", timedBy(runs, [&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                const auto start = Clock::now();
                (void)desktop.focusedWindow();
                return msSince(start);
            }));
        Display* display = XOpenDisplay(nullptr);
        pid_t pid = 0;
        row("  X11: focused window and its process", timed(runs, [&] {
                pid = korvane::x11::windowProcess(display, korvane::x11::keyboardWindow(display));
            }));
        row("  AT-SPI: caret of that process", timed(runs, [&] {
                (void)korvane::atspi::atspiCaretOf(pid, std::chrono::milliseconds(250));
            }));

        row("pause: sleep_for(100 ms) - 100",
            timed(
                runs, [] { std::this_thread::sleep_for(std::chrono::milliseconds(100)); }, 100.0));
        row("pause: sleepPreciselyUntil(100 ms on) - 100 (the capture's)",
            timed(
                runs,
                [] { korvane::sleepPreciselyUntil(Clock::now() + std::chrono::milliseconds(100)); },
                100.0));

        const korvane::WindowHandle window = focused->window;
        const korvane::Point caret = focused->caret.value_or(korvane::Point{});
        std::int64_t originX = 0;
        std::int64_t originY = 0;
        row("window origin (XTranslateCoordinates)", timed(runs, [&] {
                korvane::x11::windowOrigin(display, static_cast<Window>(window), originX, originY);
            }));
        const auto rect = korvane::captureRect({originX + caret.x, originY + caret.y},
                                               korvane::CaptureShape::centred());
        std::vector<std::uint8_t> grabbed(static_cast<std::size_t>(rect->width) * rect->height * 3);
        {
            korvane::x11::XScreenGrab screenGrab(display);
            row("grab 320x240 (+ conversion to RGB)",
                timed(runs, [&] { screenGrab.grab(*rect, grabbed); }));
        }
        XCloseDisplay(display);

        const korvane::RgbImage picture{rect->width, rect->height, grabbed};
        row("PNG file: encode + write + rename",
            timed(runs, [&] { error = korvane::writePngFile(path, picture); }));
        const std::string written = readFile(path);
        std::vector<png_byte> decoded;
        const bool same = decodeRgb(written.data(), written.size(), decoded) && decoded == grabbed;
        std::printf(
            "    the file: %zu bytes, %s\n", written.size(),
            same ? "decodes to the grabbed pixels" : "DOES NOT DECODE TO THE GRABBED PIXELS");
        row("  write + rename of those bytes alone", timed(runs, [&] {
                std::string temp = path + ".XXXXXX";
                const int fd = ::mkstemp(temp.data());
                ::fchmod(fd, 0600);
                (void)!::write(fd, written.data(), written.size());
                ::close(fd);
                std::rename(temp.c_str(), path.c_str());
            }));

        const PngSetting settings[] = {
            kWritersSetting,
            {"level 1, no filter", 1, Z_DEFAULT_STRATEGY, PNG_FILTER_NONE},
            {"level 1, Sub filter", 1, Z_DEFAULT_STRATEGY, PNG_FILTER_SUB},
            {"level 1, Up filter", 1, -1, PNG_FILTER_UP},
            {"level 1, None or Up by row", 1, Z_DEFAULT_STRATEGY, PNG_FILTER_NONE | PNG_FILTER_UP},
            {"Z_RLE, Up filter", 1, Z_RLE, PNG_FILTER_UP},
            {"level 1, adaptive filters", 1, Z_DEFAULT_STRATEGY, 0},
            {"Z_RLE, Sub filter", 1, Z_RLE, PNG_FILTER_SUB},
            {"Z_RLE, no filter", 1, Z_RLE, PNG_FILTER_NONE},
            {"level 5, Sub filter", 5, Z_DEFAULT_STRATEGY, PNG_FILTER_SUB},
            {"level 5, no filter", 5, Z_DEFAULT_STRATEGY, PNG_FILTER_NONE},
            {"level 3, no filter", 3, Z_DEFAULT_STRATEGY, PNG_FILTER_NONE},
        };
        for (const PngSetting& setting : settings) {
            std::vector<png_byte> encoded;
            const Stats encode = timed(runs, [&] {
                encodeInMemory(grabbed, rect->width, rect->height, setting, encoded);
            });
            std::vector<png_byte> back;
            const bool ok = decodeRgb(encoded.data(), encoded.size(), back) && back == grabbed;
            row(std::string("bare encode, ") + setting.name, encode,
                std::to_string(encoded.size()) + " bytes" + (ok ? "" : ", WRONG PIXELS"));
        }

        // The same stages as the capture takes them, each right after a pause: what a process that
        // slept finds (caches, a server that slept too) is not what a loop of them finds.
        {
            Display* again = XOpenDisplay(nullptr);
            auto againGrab = std::make_unique<korvane::x11::XScreenGrab>(again);
            std::vector<double> origin;
            std::vector<double> grab;
            std::vector<double> file;
            for (int i = 0; i < runs; ++i) {
                // Its temporary file made before the pause ends, as a capture makes it.
                korvane::PngFile pngFile(path);
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                auto start = Clock::now();
                korvane::x11::windowOrigin(again, static_cast<Window>(window), originX, originY);
                origin.push_back(msSince(start));
                start = Clock::now();
                againGrab->grab(*rect, grabbed);
                grab.push_back(msSince(start));
                start = Clock::now();
                error = pngFile.write(picture);
                file.push_back(msSince(start));
            }
            againGrab.reset();
            XCloseDisplay(again);
            row("after a pause: window origin", statsOf(origin));
            row("after a pause: grab", statsOf(grab));
            row("after a pause: PNG file (encode + write + rename)", statsOf(file));
        }
        row("capture (pause 100) - 100",
            timed(
                runs,
                [&] {
                    error = desktop.capture(window, caret, korvane::CaptureShape::centred(), 0,
                                            std::chrono::steady_clock::now(), path);
                },
                100.0));
        std::filesystem::remove(path);
    }
    return phoneRows(desktop, runs);
}
