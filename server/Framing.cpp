#include "server/Framing.h"

#include <cstdio>

#include "platform/Cp932.h"
#include "platform/DecimalInt.h"
#include "platform/Utf8.h"
#include "server/ServerError.h"
#include "server/ServerMessages.h"

namespace korvane {

std::string makeHeader(std::int64_t length, MessageType type) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%.10lld", static_cast<long long>(length));
    char typeDigits[8];
    std::snprintf(typeDigits, sizeof typeDigits, "%.5d", static_cast<int>(type));
    return std::string(digits) + checkDigit(digits) + typeDigits;
}

std::string checkDigit(std::string_view lengthDigits) {
    int sum = 0;
    for (char c : lengthDigits) {
        sum += parseInt32(std::string_view(&c, 1), false);
    }
    return std::string(1, static_cast<char>('0' + sum % 10));
}

void verifyCheckDigit(std::string_view header) {
    if (checkDigit(utf8::mid(header, 0, 10)) != utf8::mid(header, 10, 1)) {
        throw ServerError(msg::kInvalidMessage);
    }
}

std::int32_t headerLength(std::string_view header) {
    return parseInt32(utf8::mid(header, 0, 10), false);
}

std::int32_t headerType(std::string_view header) {
    return parseInt32(utf8::mid(header, 11, 5));
}

std::int32_t parseInt32(std::string_view text, bool allowSign) {
    if (auto value = parseDecimal32(text, allowSign)) {
        return *value;
    }
    throw ServerError(notAnIntegerText(text));
}

std::string padBytes(const std::string& text, int width) {
    std::string bytes = Cp932::encode(text + std::string(static_cast<std::size_t>(width), ' '));
    bytes.resize(static_cast<std::size_t>(width));
    std::size_t i = 0;
    while (i < bytes.size()) {
        auto b = static_cast<unsigned char>(bytes[i]);
        bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        if (lead && i + 1 == bytes.size()) {
            bytes[i] = ' ';
        }
        i += lead ? 2 : 1;
    }
    return Cp932::decode(bytes);
}

std::int32_t byteCount(const std::string& text) {
    return static_cast<std::int32_t>(Cp932::byteCount(text));
}

std::string trimRight(std::string_view text) {
    std::size_t end = text.size();
    while (end > 0 && static_cast<unsigned char>(text[end - 1]) <= 32) {
        --end;
    }
    return std::string(text.substr(0, end));
}

std::string makeRequestBody(const RequestBody& body) {
    // The key's width counts characters, as the phone pads it.
    const std::size_t keyLength = utf8::length(body.clientKey);
    std::string padded = body.clientKey;
    if (keyLength < kClientKeyLength) {
        padded.append(kClientKeyLength - keyLength, ' ');
    }
    return std::string(kRequestReservedLength, '0') + padded + body.data;
}

RequestBody parseRequestBody(std::string_view body) {
    return RequestBody{trimRight(utf8::mid(body, kRequestReservedLength, kClientKeyLength)),
                       std::string(utf8::mid(body, kRequestReservedLength + kClientKeyLength))};
}

}  // namespace korvane
