#include "desktop/wayland/SwayIpc.h"

#include <gtest/gtest.h>

namespace korvane::wayland {
namespace {

// The shape of sway's tree: outputs, workspaces, tiled and floating containers; only containers
// with a process are windows, and the content rectangle is relative to the container's. An X11
// window under XWayland has no app id but its class among its window properties.
TEST(SwayIpcTest, WindowsOfATree) {
    const std::string tree = R"({"type":"root","pid":null,"nodes":[
      {"type":"output","name":"HEADLESS-1","rect":{"x":0,"y":0,"width":1024,"height":768},
       "nodes":[{"type":"workspace","name":"1","nodes":[
         {"type":"con","name":"Entry \"\u6f22\ud83d\ude00\"","app_id":"zenity","pid":42,
          "focused":true,"rect":{"x":0,"y":27,"width":1024,"height":741},
          "window_rect":{"x":2,"y":0,"width":1020,"height":739},"nodes":[]}],
        "floating_nodes":[
         {"type":"floating_con","name":"x","app_id":null,"pid":7,"focused":false,
          "shell":"xwayland","window":4194307,"window_properties":{"class":"Zenity",
          "instance":"zenity","title":"x","transient_for":null,"window_type":"dialog"},
          "rect":{"x":-100,"y":50,"width":300,"height":200},
          "window_rect":{"x":0,"y":23,"width":300,"height":177},"nodes":[]}]}]}]})";
    const auto windows = windowsInTree(tree);
    ASSERT_TRUE(windows.has_value());
    ASSERT_EQ(windows->size(), 2u);
    const SwayWindow& tiled = (*windows)[0];
    EXPECT_EQ(tiled.pid, 42);
    EXPECT_EQ(tiled.appId, "zenity");
    EXPECT_FALSE(tiled.isX11());
    EXPECT_EQ(tiled.toplevelAppId(), "zenity");
    EXPECT_EQ(tiled.title, "Entry \"漢😀\"");
    EXPECT_TRUE(tiled.focused);
    EXPECT_EQ(tiled.x, 2);
    EXPECT_EQ(tiled.y, 27);
    EXPECT_EQ(tiled.width, 1020);
    EXPECT_EQ(tiled.height, 739);
    const SwayWindow& floating = (*windows)[1];
    EXPECT_EQ(floating.pid, 7);
    EXPECT_EQ(floating.appId, "");
    EXPECT_TRUE(floating.isX11());
    EXPECT_EQ(floating.x11Class, "Zenity");
    EXPECT_EQ(floating.toplevelAppId(), "Zenity");
    EXPECT_FALSE(floating.focused);
    EXPECT_EQ(floating.x, -100);
    EXPECT_EQ(floating.y, 73);
}

TEST(SwayIpcTest, BrokenAnswersGiveNothing) {
    for (const char* broken : {"", "[]", "{", R"({"nodes":[)", R"({"a":tru})", R"({"a":"x)",
                               R"({"a":1} trailing)", R"({"a":"\u12"})"}) {
        EXPECT_FALSE(windowsInTree(broken).has_value()) << broken;
    }
    EXPECT_FALSE(windowsInTree(std::string(100, '[') + std::string(100, ']')).has_value());
    EXPECT_FALSE(askSwayWindows("/nonexistent/sway.sock", std::chrono::milliseconds(100)));
}

}  // namespace
}  // namespace korvane::wayland
