// The pending-reply table against a plain model: any sequence of stores and takes over a few
// connections must give the model's results and leave the model's connections, in the model's
// order.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "handling/PendingReplies.h"

namespace {

using korvane::MessageBoxes;
using korvane::PendingReplies;
using korvane::PendingReply;

[[noreturn]] void fault(const char* what) {
    std::fprintf(stderr, "pending replies fault: %s\n", what);
    std::abort();
}

class NoBoxes : public MessageBoxes {
  public:
    void showError(const std::string& text) override { fault(text.c_str()); }
};

struct Entry {
    std::uint64_t connection;
    PendingReply reply;
};

const std::uint64_t kConnections[] = {1, 2, 3, 7, 0xFFFFFFFFull, 0xFFFFFFFFFFFFFFFFull};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    NoBoxes boxes;
    PendingReplies table(boxes);
    std::vector<Entry> model;
    while (input.remaining_bytes() > 0) {
        const std::uint64_t connection = input.PickValueInArray(kConnections);
        auto found = std::find_if(model.begin(), model.end(),
                                  [&](const Entry& e) { return e.connection == connection; });
        if (input.ConsumeBool()) {
            PendingReply reply{input.ConsumeRandomLengthString(32),
                               input.ConsumeRandomLengthString(32)};
            table.put(connection, reply);
            if (found != model.end()) {
                model.erase(found);
            }
            model.push_back({connection, reply});
        } else {
            std::optional<PendingReply> taken = table.take(connection);
            if (taken.has_value() != (found != model.end())) {
                fault("a take found an entry the model does not have, or missed one");
            }
            if (taken) {
                if (taken->payload != found->reply.payload ||
                    taken->logLine != found->reply.logLine) {
                    fault("a take gave other texts than the model");
                }
                model.erase(found);
            }
        }
        std::vector<std::uint64_t> connections;
        for (const Entry& e : model) {
            connections.push_back(e.connection);
        }
        if (table.connections() != connections) {
            fault("the stored connections differ from the model's");
        }
    }
    return 0;
}
