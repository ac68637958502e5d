#include "server/RequestReader.h"

#include <algorithm>

#include "platform/Cp932.h"
#include "server/ServerError.h"
#include "server/ServerMessages.h"

namespace korvane {
namespace {

// The size of the whole request: of its header until that is in, then of header and body.
// Throws the intake's error for a faulty header.
std::size_t requestSize(const std::string& received) {
    if (received.size() < kHeaderLength) {
        return kHeaderLength;
    }
    const std::string header = Cp932::decode(std::string_view(received).substr(0, kHeaderLength));
    std::int32_t bodyLength = 0;
    try {
        verifyCheckDigit(header);
        bodyLength = headerLength(header);
        // Refused before anything is read for it: no phone request comes near this size.
        if (bodyLength > kMaxRequestBody) {
            throw ServerError(msg::kInvalidMessage);
        }
    } catch (...) {
        throw ServerError(joinError(msg::kRequestReceiveFailed, currentErrorText()));
    }
    if (headerType(header) != static_cast<std::int32_t>(MessageType::Request)) {
        throw ServerError(msg::kRequestReceiveFailed);
    }
    return kHeaderLength + static_cast<std::size_t>(std::max(bodyLength, 0));
}

}  // namespace

std::span<char> RequestReader::room() {
    mBytes.resize(mHad);
    const std::size_t wanted = requestSize(mBytes);
    if (mHad >= wanted) {
        mBytes.resize(wanted);
        mHad = wanted;
        return {};
    }
    const std::size_t piece = mHad < kHeaderLength ? kFirstPiece : wanted - mHad;
    mBytes.resize(mHad + std::min(piece, kReceivePiece));
    return {mBytes.data() + mHad, mBytes.size() - mHad};
}

void RequestReader::add(std::size_t count) {
    mHad = std::min(mHad + count, mBytes.size());
    mBytes.resize(mHad);
}

RequestBody RequestReader::take() {
    RequestBody request =
        parseRequestBody(Cp932::decode(std::string_view(mBytes).substr(kHeaderLength)));
    mBytes = std::string();
    mHad = 0;
    return request;
}

}  // namespace korvane
