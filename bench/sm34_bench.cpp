// SM3 and SM4 through our EVP records beside OpenSSL's own SM3 and SM4
// (fetched from its default provider), in one run, so the ratios compare
// like with like: the same EVP calls, the same message sizes.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>

#include <vector>

#include "sm/sm3/sm3.h"
#include "sm/sm4/sm4.h"

namespace {

const EVP_MD* openSslSm3() {
  static EVP_MD* const md = EVP_MD_fetch(nullptr, "SM3", nullptr);
  return md;
}

const EVP_CIPHER* openSslSm4(const char* name) {
  // Two names only; fetched once each and kept for the run.
  static EVP_CIPHER* const ecb = EVP_CIPHER_fetch(nullptr, "SM4-ECB", nullptr);
  static EVP_CIPHER* const cbc = EVP_CIPHER_fetch(nullptr, "SM4-CBC", nullptr);
  return name[4] == 'E' ? ecb : cbc;
}

void digest(benchmark::State& state, const EVP_MD* md) {
  std::vector<unsigned char> msg(static_cast<size_t>(state.range(0)), 0x61);
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  for (auto _ : state) {
    if (EVP_DigestInit_ex(ctx, md, nullptr) != 1 ||
        EVP_DigestUpdate(ctx, msg.data(), msg.size()) != 1 ||
        EVP_DigestFinal_ex(ctx, out, &n) != 1) {
      state.SkipWithError("digest failed");
      break;
    }
    benchmark::DoNotOptimize(out);
  }
  EVP_MD_CTX_free(ctx);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void encrypt(benchmark::State& state, const EVP_CIPHER* cipher) {
  std::vector<unsigned char> in(static_cast<size_t>(state.range(0)), 0x70);
  std::vector<unsigned char> out(in.size() + 16);
  const unsigned char key[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  const unsigned char iv[16] = {0};
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  for (auto _ : state) {
    int n = 0, f = 0;
    if (EVP_EncryptInit_ex(ctx, cipher, nullptr, key, iv) != 1 ||
        EVP_CIPHER_CTX_set_padding(ctx, 0) != 1 ||
        EVP_EncryptUpdate(ctx, out.data(), &n, in.data(), static_cast<int>(in.size())) != 1 ||
        EVP_EncryptFinal_ex(ctx, out.data() + n, &f) != 1) {
      state.SkipWithError("encryption failed");
      break;
    }
    benchmark::DoNotOptimize(out.data());
  }
  EVP_CIPHER_CTX_free(ctx);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_Sm3_Ours(benchmark::State& s) { digest(s, smlib::EVP_sm3()); }
void BM_Sm3_OpenSsl(benchmark::State& s) { digest(s, openSslSm3()); }
void BM_Sm4Ecb_Ours(benchmark::State& s) { encrypt(s, smlib::EVP_sm4_ecb()); }
void BM_Sm4Ecb_OpenSsl(benchmark::State& s) { encrypt(s, openSslSm4("SM4-ECB")); }
void BM_Sm4Cbc_Ours(benchmark::State& s) { encrypt(s, smlib::EVP_sm4_cbc()); }
void BM_Sm4Cbc_OpenSsl(benchmark::State& s) { encrypt(s, openSslSm4("SM4-CBC")); }

BENCHMARK(BM_Sm3_Ours)->Arg(64)->Arg(16384);
BENCHMARK(BM_Sm3_OpenSsl)->Arg(64)->Arg(16384);
BENCHMARK(BM_Sm4Ecb_Ours)->Arg(64)->Arg(16384);
BENCHMARK(BM_Sm4Ecb_OpenSsl)->Arg(64)->Arg(16384);
BENCHMARK(BM_Sm4Cbc_Ours)->Arg(64)->Arg(16384);
BENCHMARK(BM_Sm4Cbc_OpenSsl)->Arg(64)->Arg(16384);

}  // namespace
