// The incremental request reader. The input is a series of reads, each a length byte and that
// many bytes, as a socket delivers them: the reader must never offer more room than its bounds,
// never hold more than has come and one piece, refuse only with its own error, and once whole
// hold exactly the request its header announced; the same bytes read at once must give the same
// outcome.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "server/RequestReader.h"
#include "server/ServerError.h"

namespace {

using korvane::RequestBody;
using korvane::RequestReader;
using korvane::ServerError;

[[noreturn]] void fault(const char* what) {
    std::fprintf(stderr, "request reader fault: %s\n", what);
    std::abort();
}

struct Outcome {
    std::optional<RequestBody> request;
    std::string error;
    std::size_t used = 0;
};

// Feeds `reads` through a reader, each cut to the room offered; checks the bounds on the way.
Outcome feed(const std::vector<std::string>& reads) {
    RequestReader reader;
    Outcome outcome;
    try {
        for (const std::string& read : reads) {
            std::string_view rest = read;
            while (!rest.empty()) {
                std::span<char> room = reader.room();
                if (room.empty()) {
                    break;
                }
                if (room.size() >
                    std::max(RequestReader::kFirstPiece, RequestReader::kReceivePiece)) {
                    fault("room beyond a piece");
                }
                if (reader.size() > outcome.used + room.size()) {
                    fault("more held than has come and one piece");
                }
                const std::size_t n = std::min(room.size(), rest.size());
                std::memcpy(room.data(), rest.data(), n);
                reader.add(n);
                outcome.used += n;
                rest.remove_prefix(n);
            }
        }
        if (reader.room().empty()) {
            if (reader.size() > outcome.used) {
                fault("whole with bytes that never came");
            }
            outcome.request = reader.take();
            if (reader.size() != 0) {
                fault("bytes kept after take");
            }
        }
    } catch (const ServerError& e) {
        outcome.error = e.what();
    }
    return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    std::vector<std::string> reads;
    std::string all;
    while (input.remaining_bytes() > 0) {
        const std::size_t length = input.ConsumeIntegral<std::uint8_t>();
        reads.push_back(input.ConsumeBytesAsString(length));
        all += reads.back();
    }
    const Outcome pieces = feed(reads);
    const Outcome once = feed({all});
    if (pieces.request.has_value() != once.request.has_value() || pieces.error != once.error) {
        fault("the outcome depends on how the bytes were split");
    }
    if (pieces.request && (pieces.request->clientKey != once.request->clientKey ||
                           pieces.request->data != once.request->data)) {
        fault("the request depends on how the bytes were split");
    }
    return 0;
}
