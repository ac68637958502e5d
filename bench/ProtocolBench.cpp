// Throughput of the pieces every request passes through: framing, the CP932 codec, the field
// parser. Run by hand: build/default/bench/bench_protocol
#include <benchmark/benchmark.h>

#include <string>

#include "handling/RequestFields.h"
#include "platform/Cp932.h"
#include "server/Framing.h"

namespace {

using namespace korvane;

// Text of the given byte length in CP932, Japanese (two bytes a character) or ASCII.
std::string sampleText(std::size_t bytes, bool japanese) {
    const std::string piece = japanese ? "バーコード読取" : "barcode-1234567";
    const std::size_t pieceBytes = Cp932::byteCount(piece);
    std::string text;
    for (std::size_t made = 0; made < bytes; made += pieceBytes) {
        text += piece;
    }
    return text;
}

void BM_MakeHeader(benchmark::State& state) {
    std::int64_t length = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(makeHeader(++length, MessageType::Reply));
    }
}
BENCHMARK(BM_MakeHeader);

// What the intake does with a header: check digit, length, type.
void BM_ParseHeader(benchmark::State& state) {
    const std::string header = makeHeader(1234567, MessageType::Request);
    for (auto _ : state) {
        std::string_view h = header;
        bool ok = checkDigit(h.substr(0, 10)) == h.substr(10, 1);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(parseInt32(h.substr(0, 10), false));
        benchmark::DoNotOptimize(parseInt32(h.substr(11, 5), false));
    }
}
BENCHMARK(BM_ParseHeader);

void BM_Cp932Encode(benchmark::State& state) {
    const std::string text =
        sampleText(static_cast<std::size_t>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(Cp932::encode(text));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_Cp932Encode)->ArgsProduct({{64, 4096, 1 << 20}, {0, 1}})->ArgNames({"bytes", "ja"});

void BM_Cp932Decode(benchmark::State& state) {
    const std::string wire =
        Cp932::encode(sampleText(static_cast<std::size_t>(state.range(0)), state.range(1) != 0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(Cp932::decode(wire));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(wire.size()));
}
BENCHMARK(BM_Cp932Decode)->ArgsProduct({{64, 4096, 1 << 20}, {0, 1}})->ArgNames({"bytes", "ja"});

void BM_SplitRequest(benchmark::State& state) {
    const std::string data = state.range(0) == 0 ? "102\tABC-1234567890\t1\t1\t500"
                                                 : "104\t\"" + sampleText(4000, true) +
                                                       "\"\"x\"\"\t\"\t0\t2\t0\t640\t480";
    for (auto _ : state) {
        benchmark::DoNotOptimize(splitRequest(data));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(data.size()));
}
BENCHMARK(BM_SplitRequest)->Arg(0)->Arg(1)->ArgName("long_quoted");

}  // namespace

BENCHMARK_MAIN();
