#include "tools/PhoneClient.h"

#include "platform/Cp932.h"
#include "platform/Utf8.h"
#include "server/Framing.h"

namespace korvane::phone {

PhoneConnection::PhoneConnection(const std::string& host, std::uint16_t port, int timeoutMs)
    : mSock(net::connectIPv4(host, port)), mTimeoutMs(timeoutMs) {
    if (mSock == net::kNoSocket) {
        throw PhoneError("cannot connect to " + host + ":" + std::to_string(port));
    }
}

PhoneConnection::~PhoneConnection() {
    close();
}

void PhoneConnection::close() {
    if (mSock != net::kNoSocket) {
        net::closeSocket(mSock);
        mSock = net::kNoSocket;
    }
}

std::string buildRequest(const std::string& key, const std::string& data) {
    std::string body = Cp932::encode(makeRequestBody({key, data}));
    return makeHeader(static_cast<std::int64_t>(body.size()), MessageType::Request) + body;
}

void PhoneConnection::sendRequest(const std::string& key, const std::string& data) {
    sendRaw(buildRequest(key, data));
}

void PhoneConnection::sendRaw(const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        if (net::waitSocket(mSock, true, mTimeoutMs) != net::WaitResult::Ready) {
            throw PhoneError("timed out sending");
        }
        long n = net::sendSome(mSock, bytes.data() + sent, bytes.size() - sent);
        if (n <= 0) {
            throw PhoneError("the server closed the connection while we sent");
        }
        sent += static_cast<std::size_t>(n);
    }
}

void PhoneConnection::sendAcknowledgement() {
    sendRaw(makeHeader(0, MessageType::Answer));
}

std::string PhoneConnection::receiveExactly(std::size_t count) {
    std::string bytes(count, '\0');
    std::size_t got = 0;
    while (got < count) {
        if (net::waitSocket(mSock, false, mTimeoutMs) != net::WaitResult::Ready) {
            throw PhoneError("timed out waiting for the server");
        }
        long n = net::receiveSome(mSock, bytes.data() + got, count - got);
        if (n <= 0) {
            throw PhoneError(got == 0 && count == 16 ? "the server closed the connection"
                                                     : "the server closed in mid-message");
        }
        got += static_cast<std::size_t>(n);
    }
    return bytes;
}

Message PhoneConnection::receiveMessage() {
    std::string header = receiveExactly(16);
    Message message;
    std::int32_t length = 0;
    try {
        verifyCheckDigit(header);
        message.type = headerType(header);
        length = headerLength(header);
    } catch (const std::exception& e) {
        throw PhoneError("bad header " + header + ": " + e.what());
    }
    message.body = receiveExactly(static_cast<std::size_t>(length));
    return message;
}

bool PhoneConnection::waitForClose() {
    char byte;
    for (;;) {
        if (net::waitSocket(mSock, false, mTimeoutMs) != net::WaitResult::Ready) {
            return false;
        }
        if (net::receiveSome(mSock, &byte, 1) <= 0) {
            return true;
        }
    }
}

Outcome converse(const std::string& host, std::uint16_t port, const std::string& key,
                 const std::string& data, bool acknowledge, int timeoutMs) {
    Outcome outcome;
    try {
        PhoneConnection connection(host, port, timeoutMs);
        connection.sendRequest(key, data);
        for (;;) {
            Message message = connection.receiveMessage();
            if (message.type == static_cast<int>(MessageType::File)) {
                if (message.body.size() < kFileNameWidth + kFieldInfoWidth) {
                    throw PhoneError("file message shorter than its fixed fields");
                }
                outcome.fileName = trimRight(Cp932::decode(message.body.substr(0, kFileNameWidth)));
                outcome.fileBytes = message.body.substr(kFileNameWidth + kFieldInfoWidth);
                if (!acknowledge) {
                    throw PhoneError("file not acknowledged");
                }
                connection.sendAcknowledgement();
                continue;
            }
            if (message.type == static_cast<int>(MessageType::Reply)) {
                outcome.reply = Cp932::decode(message.body);
                return outcome;
            }
            throw PhoneError("unexpected message type " + std::to_string(message.type));
        }
    } catch (const PhoneError& e) {
        outcome.error = e.what();
    }
    return outcome;
}

}  // namespace korvane::phone
