#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "server/Framing.h"

namespace korvane {

// Gathers the bytes of one connection into its whole request, however they are split: the
// header is checked as soon as it is in, and the body is asked for no further than the header
// says, in pieces of at most kReceivePiece, so a peer that announces a large body and sends little
// holds little memory. What the peer sends beyond its request is dropped. No sockets: the caller
// receives into room() and reports what came with add(). One thread at a time.
class RequestReader {
  public:
    // Reads go in pieces of this size at most.
    static constexpr std::size_t kReceivePiece = 64 * 1024;
    // Until the header tells the size, a phone's whole request (shorter than this) is asked for
    // at once.
    static constexpr std::size_t kFirstPiece = 1024;

    // Where the next bytes go; empty once the request is whole. Throws ServerError with the
    // intake's failure text when what has come is no request: a faulty header, a body over
    // kMaxRequestBody, a message of another type.
    std::span<char> room();
    // `count` bytes (at most room()'s size) were put at the start of room().
    void add(std::size_t count);
    // The whole request's client key and data; only once room() came back empty. Lets go of
    // the bytes.
    RequestBody take();

    // The bytes held now.
    std::size_t size() const { return mBytes.size(); }

  private:
    std::string mBytes;
    // Where room() began: the bytes before it have come.
    std::size_t mHad = 0;
};

}  // namespace korvane
