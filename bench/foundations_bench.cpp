// foundations_bench.cpp: the digests, the checksum and Base64 over 256 MiB,
// measured two ways. The benchmarks time the primitive alone: the input
// already in memory, the output written into a buffer that every iteration
// reuses. "--cold NAME FILE" is one run as a caller pays for it: a fresh
// process reads the file whole and calls the string function once, which
// allocates its result; the script times that process beside the tools that
// do the same work. The input of the benchmarks is the file named by
// KVITALINK_BENCH_INPUT when it is set, else pseudo-random bytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "foundations/base64.h"
#include "foundations/crc32.h"
#include "foundations/files.h"
#include "foundations/sha3.h"
#include "foundations/sha512.h"

namespace {

constexpr size_t kSize = size_t{256} << 20;

std::string MakeInput() {
  if (const char* path = std::getenv("KVITALINK_BENCH_INPUT"))
    return READWHOLE(Value(path));
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

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

const std::string& Encoded() {
  static const std::string text = ENCODE64(Input());
  return text;
}

// A buffer of n bytes, written once so that its pages exist before timing.
std::vector<uint8_t>& Output(size_t n) {
  static std::vector<uint8_t> buffer;
  if (buffer.size() < n)
    buffer.assign(n, 1);
  return buffer;
}

template <typename F>
void Run(benchmark::State& state, size_t bytes, F f) {
  for (auto _ : state)
    benchmark::DoNotOptimize(f());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_HB_SHA3512(benchmark::State& state) {
  const std::string& in = Input();
  uint8_t digest[64];
  Run(state, in.size(), [&] {
    Sha3_512(Bytes(in), in.size(), digest);
    return digest[0];
  });
}

void BM_SHA512HEX(benchmark::State& state) {
  const std::string& in = Input();
  uint8_t digest[64];
  Run(state, in.size(), [&] {
    Sha512(Bytes(in), in.size(), digest);
    return digest[0];
  });
}

void BM_ENCODE64(benchmark::State& state) {
  const std::string& in = Input();
  char* out = reinterpret_cast<char*>(Output((in.size() + 2) / 3 * 4).data());
  Run(state, in.size(), [&] { return Encode64(Bytes(in), in.size(), out); });
}

void BM_DECODE64(benchmark::State& state) {
  const std::string& in = Encoded();
  uint8_t* out = Output(in.size() / 4 * 3 + 3).data();
  Run(state, in.size(), [&] { return Decode64(in.data(), in.size(), out); });
}

void BM_CRC32SUM(benchmark::State& state) {
  const std::string& in = Input();
  Run(state, in.size(), [&] { return Crc32(Bytes(in), in.size()); });
}

// The string function that a caller calls, on the whole file.
int Cold(const std::string& name, const char* path) {
  std::string data = READWHOLE(Value(path));
  size_t n = 0;
  if (name == "HB_SHA3512")
    n = HB_SHA3512(data).size();
  else if (name == "SHA512HEX")
    n = SHA512HEX(Value(std::move(data))).size();
  else if (name == "ENCODE64")
    n = ENCODE64(data).size();
  else if (name == "DECODE64")
    n = DECODE64(data).size();
  else if (name == "CRC32SUM")
    n = std::to_string(CRC32SUM(data)).size();
  else
    return 2;
  std::printf("%zu\n", n);
  return 0;
}

}  // namespace

BENCHMARK(BM_HB_SHA3512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SHA512HEX)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ENCODE64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DECODE64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CRC32SUM)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--cold") == 0)
    return Cold(argv[2], argv[3]);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
