#pragma once

#include <utility>
#include <variant>

#include "desktop/DesktopError.h"

namespace korvane {

// A value, or the error that kept it from being made.
template <typename T>
class [[nodiscard]] DesktopResult {
  public:
    DesktopResult(T value) : mState(std::move(value)) {}
    DesktopResult(DesktopError error) : mState(std::move(error)) {}

    explicit operator bool() const { return std::holds_alternative<T>(mState); }
    const T& value() const { return std::get<T>(mState); }
    const T& operator*() const { return value(); }
    const T* operator->() const { return &value(); }
    // The error; meaningful only when there is no value.
    const DesktopError& error() const { return std::get<DesktopError>(mState); }

  private:
    std::variant<T, DesktopError> mState;
};

}  // namespace korvane
