// The pending-reply table against a plain model: any sequence of stores and takes over a few
// keys (case variants and quote-leading ones among them) must give the model's results and
// leave the model's keys, in the model's order.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "handling/PendingReplyList.h"

namespace {

using korvane::IMessageBoxes;
using korvane::TPendingReplyList;

[[noreturn]] void Fault(const char* what) {
    std::fprintf(stderr, "pending replies fault: %s\n", what);
    std::abort();
}

class NoBoxes : public IMessageBoxes {
  public:
    void ShowError(const std::string& text) override { Fault(text.c_str()); }
};

struct Entry {
    std::string key;
    std::string send;
    std::string log;
};

const std::string kKeys[] = {"A", "a", "ABC", "abc", "", "\"q", "\"q\"", "key\x1D", "PHONE 1"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    NoBoxes boxes;
    TPendingReplyList table(boxes);
    std::vector<Entry> model;
    while (input.remaining_bytes() > 0) {
        const std::string& key = input.PickValueInArray(kKeys);
        auto found =
            std::find_if(model.begin(), model.end(), [&](const Entry& e) { return e.key == key; });
        if (input.ConsumeBool()) {
            std::string send = input.ConsumeRandomLengthString(32);
            std::string log = input.ConsumeRandomLengthString(32);
            table.mdlSetValue(key, send, log);
            if (found != model.end()) {
                model.erase(found);
            }
            model.push_back({key, send, log});
        } else {
            std::string send = "untouched send";
            std::string log = "untouched log";
            table.mdlGetValue(key, send, log);
            Entry expected{key, "untouched send", "untouched log"};
            if (found != model.end()) {
                expected = *found;
                model.erase(found);
            }
            if (send != expected.send || log != expected.log) {
                Fault("a take gave other texts than the model");
            }
        }
        std::vector<std::string> keys;
        for (const Entry& e : model) {
            keys.push_back(e.key);
        }
        if (table.Keys() != keys) {
            Fault("the stored keys differ from the model's");
        }
    }
    return 0;
}
