// AES speed beside OpenSSL's portable table code, in one run.
//
// OpenSSL reads OPENSSL_ia32cap when libcrypto is loaded, so main() re-runs
// the program with the variable set when it is absent. The default mask hides
// AES-NI (bit 57) and SSSE3 (bit 41, which the vector-permute code needs),
// leaving OpenSSL's lookup-table AES. Set OPENSSL_ia32cap yourself to compare
// against another of its paths (e.g. ~0x200000000000000 hides AES-NI only).
#include <benchmark/benchmark.h>
#include <openssl/aes.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "protect/aes.h"

namespace {

const unsigned char kKey[32] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0a,
                                0x0b, 0x0c, 0x0d, 0x0e, 0x0f, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15,
                                0x16, 0x17, 0x18, 0x19, 0x1a, 0x1b, 0x1c, 0x1d, 0x1e, 0x1f};

void BM_RijndaelEncrypt256(benchmark::State& state) {
  std::uint32_t schedule[kAesScheduleWords];
  const int rounds = rijndaelSetupEncrypt(schedule, kKey, 256);
  unsigned char block[16] = {};
  for (auto _ : state) {
    rijndaelEncrypt(schedule, rounds, block, block);
    benchmark::DoNotOptimize(block);
  }
  state.SetBytesProcessed(state.iterations() * 16);
}
BENCHMARK(BM_RijndaelEncrypt256);

// One block through a prepared EVP context, the closest EVP has to one call.
void BM_OpenSslAes256EcbBlock(benchmark::State& state) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_EncryptInit_ex(ctx, EVP_aes_256_ecb(), nullptr, kKey, nullptr);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  unsigned char block[16] = {};
  int len = 0;
  for (auto _ : state) {
    EVP_EncryptUpdate(ctx, block, &len, block, 16);
    benchmark::DoNotOptimize(block);
  }
  EVP_CIPHER_CTX_free(ctx);
  state.SetBytesProcessed(state.iterations() * 16);
}
BENCHMARK(BM_OpenSslAes256EcbBlock);

// OpenSSL's own block function, without the EVP layer.
void BM_OpenSslAesEncryptBlock(benchmark::State& state) {
  AES_KEY key;
  AES_set_encrypt_key(kKey, 256, &key);
  unsigned char block[16] = {};
  for (auto _ : state) {
    AES_encrypt(block, block, &key);
    benchmark::DoNotOptimize(block);
  }
  state.SetBytesProcessed(state.iterations() * 16);
}
BENCHMARK(BM_OpenSslAesEncryptBlock);

// The string cipher: key schedule, padding and a new result on every call.
void BM_Aes256EcbEncrypt(benchmark::State& state) {
  const std::string plain(static_cast<size_t>(state.range(0)), 'p');
  for (auto _ : state) {
    std::string cipher = aes256EcbEncrypt(plain, kKey);
    benchmark::DoNotOptimize(cipher.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Aes256EcbEncrypt)->Arg(16)->Arg(1024)->Arg(16384);

// The same work with OpenSSL: key setup, a result of the same length (its own
// padding adds the same 1 to 16 bytes), encryption of every block.
void BM_OpenSslAes256Ecb(benchmark::State& state) {
  const std::string plain(static_cast<size_t>(state.range(0)), 'p');
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  for (auto _ : state) {
    std::string cipher(plain.size() + 16 - plain.size() % 16, '\0');
    auto* out = reinterpret_cast<unsigned char*>(&cipher[0]);
    int len = 0, fin = 0;
    EVP_EncryptInit_ex(ctx, EVP_aes_256_ecb(), nullptr, kKey, nullptr);
    EVP_EncryptUpdate(ctx, out, &len, reinterpret_cast<const unsigned char*>(plain.data()),
                      static_cast<int>(plain.size()));
    EVP_EncryptFinal_ex(ctx, out + len, &fin);
    benchmark::DoNotOptimize(cipher.data());
  }
  EVP_CIPHER_CTX_free(ctx);
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_OpenSslAes256Ecb)->Arg(16)->Arg(1024)->Arg(16384);

constexpr char kTableCodeMask[] = "~0x202000000000000";

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("OPENSSL_ia32cap")) {
    setenv("OPENSSL_ia32cap", kTableCodeMask, 1);
    execv("/proc/self/exe", argv);
    std::perror("re-running with OPENSSL_ia32cap set failed; OpenSSL may use AES-NI");
  }
  std::fprintf(stderr, "OPENSSL_ia32cap=%s\n", std::getenv("OPENSSL_ia32cap"));
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
