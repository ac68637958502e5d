#pragma once

#include <filesystem>
#include <string>

namespace korvane {

// One report of a fault, as the user is shown it.
struct FaultReport {
    enum class Kind {
        Exception,     // an exception nothing handled, in this run; the program goes on
        EarlierCrash,  // a fatal fault that ended an earlier run
    };
    Kind kind = Kind::Exception;
    // Where it was saved; empty when it could not be.
    std::filesystem::path file;
    // What it says (of a minidump without its text, nothing).
    std::string text;
};

}  // namespace korvane
