#include "core/QrVersion.h"

#include <array>

namespace korvane {
namespace {

// Level L's block structure and alignment centres for versions 1..10, as the QR standard's
// tables give them.
const std::array<QrVersion, 10>& knownVersions() {
    static const std::array<QrVersion, 10> versions{{
        {1, 7, 1, 19, 0, {}},
        {2, 10, 1, 34, 0, {6, 18}},
        {3, 15, 1, 55, 0, {6, 22}},
        {4, 20, 1, 80, 0, {6, 26}},
        {5, 26, 1, 108, 0, {6, 30}},
        {6, 18, 2, 68, 0, {6, 34}},
        {7, 20, 2, 78, 0, {6, 22, 38}},
        {8, 24, 2, 97, 0, {6, 24, 42}},
        {9, 30, 2, 116, 0, {6, 26, 46}},
        {10, 18, 2, 68, 2, {6, 28, 50}},
    }};
    return versions;
}

}  // namespace

std::optional<QrVersion> smallestQrVersion(std::size_t payloadBytes) {
    for (const QrVersion& version : knownVersions()) {
        if (payloadBytes <= version.byteCapacity()) {
            return version;
        }
    }
    return std::nullopt;
}

}  // namespace korvane
