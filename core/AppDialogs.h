#pragma once

#include <string>

#include "handling/WindowPorts.h"

namespace korvane {

// The standard message boxes the program shows. Behind an interface so that tests answer them.
class AppDialogs : public MessageBoxes {
  public:
    // Warning box with one OK button.
    virtual void showWarning(const std::string& text) = 0;
    // Confirmation box with Yes and No; false only for No.
    virtual bool confirm(const std::string& text) = 0;
};

}  // namespace korvane
