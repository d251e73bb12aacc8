// foundations_bench.cpp: throughput of the digests, the checksum and Base64
// over 256 MiB. The input is the file named by KVITALINK_BENCH_INPUT when it
// is set (so that other tools can be timed on the same bytes), else
// pseudo-random bytes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "foundations/base64.h"
#include "foundations/crc32.h"
#include "foundations/sha3.h"
#include "foundations/sha512.h"

namespace {

constexpr size_t kSize = size_t{256} << 20;

std::string MakeInput() {
  if (const char* path = std::getenv("KVITALINK_BENCH_INPUT")) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream contents;
    contents << file.rdbuf();
    return contents.str();
  }
  std::string data(kSize, '\0');
  std::mt19937_64 random(20240101);
  for (size_t i = 0; i + 8 <= data.size(); i += 8) {
    uint64_t v = random();
    for (int b = 0; b < 8; ++b)
      data[i + b] = static_cast<char>(v >> (8 * b));
  }
  return data;
}

const std::string& Input() {
  static const std::string data = MakeInput();
  return data;
}

const std::string& Encoded() {
  static const std::string text = ENCODE64(Input());
  return text;
}

template <typename F>
void Run(benchmark::State& state, const std::string& data, F f) {
  for (auto _ : state)
    benchmark::DoNotOptimize(f(data));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.size()));
}

void BM_HB_SHA3512(benchmark::State& state) { Run(state, Input(), HB_SHA3512); }
void BM_SHA512HEX(benchmark::State& state) {
  Run(state, Input(), [](const std::string& d) { return SHA512HEX(Value(d)); });
}
void BM_ENCODE64(benchmark::State& state) { Run(state, Input(), ENCODE64); }
void BM_DECODE64(benchmark::State& state) { Run(state, Encoded(), DECODE64); }
void BM_CRC32SUM(benchmark::State& state) { Run(state, Input(), CRC32SUM); }

}  // namespace

BENCHMARK(BM_HB_SHA3512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SHA512HEX)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ENCODE64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DECODE64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CRC32SUM)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
