#include "server/ServerError.h"

#include <exception>

namespace korvane {

std::string currentErrorText() {
    try {
        throw;
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "不明なエラーが発生しました。";
    }
}

}  // namespace korvane
