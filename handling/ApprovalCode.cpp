#include "handling/ApprovalCode.h"

#include <algorithm>
#include <array>

namespace korvane {
namespace {

constexpr std::string_view kAlphabet = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
static_assert(kAlphabet.size() == 32, "a byte's low five bits pick a symbol without bias");
// The connection QR code's payload begins so; phones take such a text for their settings.
constexpr std::string_view kConnectionPrefix = "ZRQ";
constexpr std::size_t kGroup = 5;

// The symbol a character is read as, or '\0' for none; '-' and ' ' are read as nothing ('-').
char symbolOf(char c) {
    if (c >= 'a' && c <= 'z') {
        c = static_cast<char>(c - 'a' + 'A');
    }
    switch (c) {
        case 'O':
            return '0';
        case 'I':
        case 'L':
            return '1';
        case '-':
        case ' ':
            return '-';
        default:
            return kAlphabet.find(c) == std::string_view::npos ? '\0' : c;
    }
}

std::string shown(const std::string& symbols) {
    return symbols.substr(0, kGroup) + "-" + symbols.substr(kGroup);
}

}  // namespace

ApprovalCode::ApprovalCode(Now now, Random random)
    : mNow(std::move(now)), mRandom(std::move(random)) {}

std::string ApprovalCode::normalised(std::string_view text) {
    std::string symbols;
    for (char c : text) {
        const char symbol = symbolOf(c);
        if (symbol == '\0' || symbols.size() > kSymbols) {
            return {};
        }
        if (symbol != '-') {
            symbols += symbol;
        }
    }
    return symbols.size() == kSymbols ? symbols : std::string();
}

std::optional<std::string> ApprovalCode::issue() {
    std::array<std::uint8_t, kSymbols> bytes{};
    std::string symbols;
    do {
        if (!mRandom(bytes)) {
            return std::nullopt;
        }
        symbols.clear();
        for (std::uint8_t byte : bytes) {
            symbols += kAlphabet[byte & 0x1F];
        }
    } while (symbols.starts_with(kConnectionPrefix));
    std::lock_guard guard(mLock);
    if (!mLast.empty()) {
        mEarlier.push_back(mLast);
        if (mEarlier.size() > kRememberedCodes) {
            mEarlier.pop_front();
        }
    }
    mLast = symbols;
    mExpiry = mNow() + kLifetime;
    mUsed = false;
    mWithdrawn = false;
    return shown(symbols);
}

bool ApprovalCode::validLocked() const {
    return !mLast.empty() && !mUsed && !mWithdrawn && mNow() < mExpiry;
}

ApprovalCode::Match ApprovalCode::match(std::string_view scanned) const {
    const std::string symbols = normalised(scanned);
    if (symbols.empty()) {
        return Match::Other;
    }
    std::lock_guard guard(mLock);
    if (symbols == mLast) {
        return validLocked() ? Match::Valid : Match::Spent;
    }
    return std::find(mEarlier.begin(), mEarlier.end(), symbols) != mEarlier.end() ? Match::Spent
                                                                                  : Match::Other;
}

bool ApprovalCode::use(std::string_view scanned) {
    const std::string symbols = normalised(scanned);
    std::lock_guard guard(mLock);
    if (symbols.empty() || symbols != mLast || !validLocked()) {
        return false;
    }
    mUsed = true;
    return true;
}

void ApprovalCode::withdraw(std::string_view code) {
    const std::string symbols = normalised(code);
    std::lock_guard guard(mLock);
    if (!symbols.empty() && symbols == mLast) {
        mWithdrawn = true;
    }
}

ApprovalCode::Status ApprovalCode::status(std::string_view code) const {
    const std::string symbols = normalised(code);
    std::lock_guard guard(mLock);
    if (symbols.empty() || symbols != mLast) {
        return {State::Replaced, {}};
    }
    if (mUsed) {
        return {State::Used, {}};
    }
    if (!validLocked()) {
        return {State::Expired, {}};
    }
    return {State::Valid, mExpiry - mNow()};
}

}  // namespace korvane
