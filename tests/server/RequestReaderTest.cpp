#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "server/RequestReader.h"
#include "server/ServerError.h"
#include "server/ServerMessages.h"

namespace korvane {
namespace {

std::string request(const std::string& body) {
    return makeHeader(static_cast<std::int64_t>(body.size()), MessageType::Request) + body;
}

const std::string kBody = "123456789012KEY                 101";

// What a reader makes of bytes that come in `reads` (each as one receive, cut to the room
// offered, as a socket cuts it): the request, or the failure text.
struct Result {
    std::optional<RequestBody> request;
    std::string error;
    // Bytes of the reads left unread when the request was whole.
    std::size_t unread = 0;
};

Result readAll(const std::vector<std::string>& reads) {
    RequestReader reader;
    Result result;
    try {
        for (const std::string& read : reads) {
            std::string_view rest = read;
            while (!rest.empty()) {
                std::span<char> room = reader.room();
                if (room.empty()) {
                    result.unread += rest.size();
                    break;
                }
                const std::size_t n = std::min(room.size(), rest.size());
                std::memcpy(room.data(), rest.data(), n);
                reader.add(n);
                rest.remove_prefix(n);
            }
        }
        if (reader.room().empty()) {
            result.request = reader.take();
        }
    } catch (const ServerError& e) {
        result.error = e.what();
    }
    return result;
}

TEST(RequestReader, GathersTheWholeRequestHoweverItIsSplit) {
    const std::string whole = request(kBody);
    std::vector<std::string> bytes;
    for (char c : whole) {
        bytes.emplace_back(1, c);
    }
    struct Case {
        const char* what;
        std::vector<std::string> reads;
        std::size_t unread;
    };
    const Case cases[] = {
        {"one read", {whole}, 0},
        {"split header", {whole.substr(0, 5), whole.substr(5, 6), whole.substr(11)}, 0},
        {"header, then body", {whole.substr(0, 16), whole.substr(16)}, 0},
        {"a byte at a time", bytes, 0},
        {"two requests in one read: the second is dropped", {whole + request("xxx")}, 0},
        {"bytes after the request in a later read", {whole, "trailing"}, 8},
    };
    for (const Case& c : cases) {
        Result result = readAll(c.reads);
        ASSERT_TRUE(result.request) << c.what << ": " << result.error;
        EXPECT_EQ(result.request->clientKey, "KEY") << c.what;
        EXPECT_EQ(result.request->data, "101") << c.what;
        EXPECT_EQ(result.unread, c.unread) << c.what;
    }
}

TEST(RequestReader, AnEmptyBodyIsAWholeRequest) {
    Result result = readAll({request("")});
    ASSERT_TRUE(result.request) << result.error;
    EXPECT_EQ(result.request->clientKey, "");
    EXPECT_EQ(result.request->data, "");
}

TEST(RequestReader, RefusesWhatIsNoRequestAsSoonAsTheHeaderIsIn) {
    const std::string invalid = joinError(msg::kRequestReceiveFailed, msg::kInvalidMessage);
    const std::string oversize = makeHeader(kMaxRequestBody + 1, MessageType::Request);
    struct Case {
        const char* what;
        std::vector<std::string> reads;
        std::string error;  // its beginning
    };
    const Case cases[] = {
        {"bad check digit", {"0000000035900002" + kBody}, invalid},
        {"bad header split in two", {"00000000359", "00002"}, invalid},
        {"letters in the length", {"00000000a5800002"}, msg::kRequestReceiveFailed},
        {"oversize length, no body sent", {oversize}, invalid},
        {"a reply, not a request",
         {makeHeader(3, MessageType::Reply) + "101"},
         msg::kRequestReceiveFailed},
        {"an acknowledgement", {makeHeader(0, MessageType::Answer)}, msg::kRequestReceiveFailed},
    };
    for (const Case& c : cases) {
        Result result = readAll(c.reads);
        EXPECT_FALSE(result.request) << c.what;
        EXPECT_EQ(result.error.substr(0, c.error.size()), c.error)
            << c.what << ": " << result.error;
    }
}

TEST(RequestReader, AnUnfinishedRequestIsNotWhole) {
    for (const std::string& part : {std::string(), request(kBody).substr(0, 10),
                                    request(kBody).substr(0, 16), request(kBody).substr(0, 40)}) {
        Result result = readAll({part});
        EXPECT_FALSE(result.request) << part;
        EXPECT_EQ(result.error, "") << part;
    }
}

// A peer that announces the largest body and sends a little is offered a phone's request's worth
// first, then pieces of at most kReceivePiece: the reader holds no more than has come and one
// piece.
TEST(RequestReader, AsksForLittleAtATime) {
    RequestReader reader;
    EXPECT_EQ(reader.room().size(), RequestReader::kFirstPiece);
    const std::string header = makeHeader(kMaxRequestBody, MessageType::Request);
    std::span<char> room = reader.room();
    std::memcpy(room.data(), header.data(), header.size());
    reader.add(header.size());
    EXPECT_EQ(reader.size(), header.size());
    for (int i = 0; i < 3; ++i) {
        room = reader.room();
        EXPECT_EQ(room.size(), RequestReader::kReceivePiece);
        std::memset(room.data(), 'x', 100);
        reader.add(100);
    }
    EXPECT_EQ(reader.size(), header.size() + 300);
    // Near its end the room is what the body still lacks.
    RequestReader small;
    const std::string whole = request(kBody);
    room = small.room();
    std::memcpy(room.data(), whole.data(), 20);
    small.add(20);
    EXPECT_EQ(small.room().size(), whole.size() - 20);
}

}  // namespace
}  // namespace korvane
