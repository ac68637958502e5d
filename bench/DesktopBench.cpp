// What a capture and a paste into a Tk entry cost beyond the pauses they must take, next to a
// bare PNG encode of the same picture. Needs an X server and python3-tk:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/default/bench/bench_desktop [runs]
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "desktop/x11/X11Desktop.h"
#include "tests/desktop/ChildProcess.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Times {
    double median;
    double worst;
};

Times timesMs(int runs, const std::function<void()>& run) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        run();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return {times[runs / 2], times.back()};
}

double medianMs(int runs, const std::function<void()>& run) {
    return timesMs(runs, run).median;
}

// The PNG as libpng would encode it with nothing around it: into memory, level 5.
void encodeInMemory(const std::vector<png_byte>& rgb, int width, int height,
                    std::vector<png_byte>& out) {
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
    png_set_compression_level(png, 5);
    png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        png_write_row(png, rgb.data() + static_cast<std::size_t>(y) * width * 3);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
}

bool readRgb(const std::string& path, std::vector<png_byte>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "needs an X server (DISPLAY); see the first lines of this file\n");
        return 2;
    }
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const std::string path =
        (std::filesystem::temp_directory_path() / "korvane-bench-capture.png").string();
    // A real text field takes the pastes: the paste returns once the field has the text.
    korvane::test::ChildProcess tk({"python3", KORVANE_TK_TARGET});
    tk.writeLine("focus");
    if (tk.readLine() != "\"ready\"" || tk.readLine().empty()) {
        std::fprintf(stderr, "the Tk entry did not start (python3-tk)\n");
        return 1;
    }
    korvane::X11Desktop desktop;
    // The first question also connects to the display and starts the accessibility lookup.
    const auto coldStart = Clock::now();
    const auto focused = desktop.focusedWindow();
    const double coldFocus =
        std::chrono::duration<double, std::milli>(Clock::now() - coldStart).count();
    const korvane::WindowHandle window = focused ? focused->window : 0;
    const korvane::Point caret{400, 300};
    const auto shape = korvane::CaptureShape::centred();
    korvane::DesktopError error =
        focused ? desktop.capture(window, caret, shape, 0, path) : focused.error();
    if (window == 0 || error) {
        std::fprintf(stderr, "no window to capture around: %s\n", error.message().c_str());
        return 1;
    }

    // What every capture request asks first: the focused window and its caret.
    const Times focus = timesMs(runs, [&] { (void)desktop.focusedWindow(); });
    const Times captured =
        timesMs(runs, [&] { error = desktop.capture(window, caret, shape, 0, path); });
    const double capture = captured.median - 100.0;
    const double paste = medianMs(runs,
                                  [&] {
                                      error = desktop.pasteText(window, "4901234567894");
                                      tk.writeLine("clear");
                                      tk.readLine();
                                  }) -
                         100.0;
    std::vector<png_byte> rgb;
    if (!readRgb(path, rgb)) {
        std::fprintf(stderr, "cannot read back %s\n", path.c_str());
        return 1;
    }
    std::vector<png_byte> encoded;
    const double encode = medianMs(runs, [&] { encodeInMemory(rgb, 320, 240, encoded); });
    std::filesystem::remove(path);

    std::printf("median over %d runs, beyond the mandated pauses:\n", runs);
    std::printf("  capture 320x240 (grab + PNG + file) %8.3f ms (worst %.3f ms)\n", capture,
                captured.worst - 100.0);
    std::printf("  focused window and caret            %8.3f ms (worst %.3f ms, first %.3f ms)\n",
                focus.median, focus.worst, coldFocus);
    std::printf("  paste into a Tk entry (+ clear)      %8.3f ms\n", paste);
    std::printf("  bare libpng encode of that picture  %8.3f ms (%zu bytes)\n", encode,
                encoded.size());
    return 0;
}
