// SM2 encryption, decryption, signature and verification of 16-byte messages
// through our public-key method (key objects from EVP_PKEY_SM2_init, reached
// with EVP_PKEY_CTX_new) beside OpenSSL's own SM2 (its default provider), in
// one run. Both sides use prepared contexts and the same EVP calls; signing
// on both sides hashes Z and the message (OpenSSL through EVP_DigestSign with
// the identity set). "System" measures one whole operation as the control
// runs it: key, key object, context, operation, release.
#include <benchmark/benchmark.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/obj_mac.h>

#include <cstring>
#include <vector>

#include "sm/sm2/sm2.h"
#include "tests/support/sm2_key.h"

namespace {

const char kD[] = "3945208F7B2144B13F36E38AC6D39F95889393692860B51A42FB81EF4DF7C5B8";
const char kId[] = "1234567812345678";
using Bytes = std::vector<unsigned char>;

struct Keys {
  BIGNUM* d = nullptr;
  BIGNUM* x = nullptr;
  BIGNUM* y = nullptr;
  EVP_PKEY* ours = nullptr;
  EVP_PKEY* theirs = nullptr;
  Keys() {
    BN_hex2bn(&d, kD);
    EC_GROUP* group = EC_GROUP_new_by_curve_name(NID_sm2);
    EC_POINT* p = EC_POINT_new(group);
    x = BN_new();
    y = BN_new();
    EC_POINT_mul(group, p, d, nullptr, nullptr, nullptr);
    EC_POINT_get_affine_coordinates(group, p, x, y, nullptr);
    EC_POINT_free(p);
    EC_GROUP_free(group);

    ours = smlib::EVP_PKEY_SM2_init(smlib::EC_KEY_from_BN(x, y, d));
    theirs = testsupport::opensslSm2Key(d);
  }
  ~Keys() {
    EVP_PKEY_free(ours);
    EVP_PKEY_free(theirs);
    BN_free(d);
    BN_free(x);
    BN_free(y);
  }
};

Keys& keys() {
  static Keys k;
  return k;
}

EVP_PKEY* pick(bool ours) { return ours ? keys().ours : keys().theirs; }

// A context for `pkey`: our method is reached through the key object's
// engine, OpenSSL's through its provider.
EVP_PKEY_CTX* contextFor(bool ours) {
  return ours ? EVP_PKEY_CTX_new(pick(true), nullptr)
              : EVP_PKEY_CTX_new_from_pkey(nullptr, pick(false), nullptr);
}

Bytes encryptOnce(bool ours, const Bytes& msg) {
  EVP_PKEY_CTX* ctx = contextFor(ours);
  size_t len = 0;
  Bytes out;
  if (EVP_PKEY_encrypt_init(ctx) == 1 &&
      EVP_PKEY_encrypt(ctx, nullptr, &len, msg.data(), msg.size()) == 1) {
    out.resize(len);
    if (EVP_PKEY_encrypt(ctx, out.data(), &len, msg.data(), msg.size()) == 1)
      out.resize(len);
    else
      out.clear();
  }
  EVP_PKEY_CTX_free(ctx);
  return out;
}

void Encrypt(benchmark::State& state, bool ours) {
  Bytes msg(16, 0x5A), out(256);
  EVP_PKEY_CTX* ctx = contextFor(ours);
  if (EVP_PKEY_encrypt_init(ctx) != 1) state.SkipWithError("encrypt init failed");
  for (auto _ : state) {
    size_t len = out.size();
    if (EVP_PKEY_encrypt(ctx, out.data(), &len, msg.data(), msg.size()) != 1 || len == 0) {
      state.SkipWithError("encrypt failed");
      break;
    }
    benchmark::DoNotOptimize(out.data());
  }
  EVP_PKEY_CTX_free(ctx);
}

void Decrypt(benchmark::State& state, bool ours) {
  Bytes msg(16, 0x5A), out(256);
  Bytes ct = encryptOnce(ours, msg);
  EVP_PKEY_CTX* ctx = contextFor(ours);
  if (ct.empty() || EVP_PKEY_decrypt_init(ctx) != 1) state.SkipWithError("decrypt setup failed");
  for (auto _ : state) {
    size_t len = out.size();
    if (EVP_PKEY_decrypt(ctx, out.data(), &len, ct.data(), ct.size()) != 1 || len != 16) {
      state.SkipWithError("decrypt failed");
      break;
    }
    benchmark::DoNotOptimize(out.data());
  }
  EVP_PKEY_CTX_free(ctx);
}

// OpenSSL signs through EVP_DigestSign, which hashes Z and the message as
// our sign hook does; each message needs its digest context initialised.
bool theirSign(const Bytes& msg, Bytes* sig) {
  EVP_MD_CTX* mctx = EVP_MD_CTX_new();
  EVP_PKEY_CTX* pctx = nullptr;
  size_t len = sig->size();
  bool ok =
      EVP_DigestSignInit_ex(mctx, &pctx, "SM3", nullptr, nullptr, pick(false), nullptr) == 1 &&
      EVP_PKEY_CTX_set1_id(pctx, kId, strlen(kId)) == 1 &&
      EVP_DigestSign(mctx, sig->data(), &len, msg.data(), msg.size()) == 1;
  sig->resize(ok ? len : 0);
  EVP_MD_CTX_free(mctx);
  return ok;
}

int theirVerify(const Bytes& msg, const Bytes& sig) {
  EVP_MD_CTX* mctx = EVP_MD_CTX_new();
  EVP_PKEY_CTX* pctx = nullptr;
  int rc = -1;
  if (EVP_DigestVerifyInit_ex(mctx, &pctx, "SM3", nullptr, nullptr, pick(false), nullptr) == 1 &&
      EVP_PKEY_CTX_set1_id(pctx, kId, strlen(kId)) == 1)
    rc = EVP_DigestVerify(mctx, sig.data(), sig.size(), msg.data(), msg.size());
  EVP_MD_CTX_free(mctx);
  return rc;
}

bool ourSign(EVP_PKEY_CTX* ctx, const Bytes& msg, Bytes* sig) {
  size_t len = 72;
  sig->resize(72);
  bool ok = EVP_PKEY_sign(ctx, sig->data(), &len, msg.data(), msg.size()) == 1;
  sig->resize(ok ? len : 0);
  return ok;
}

void Sign(benchmark::State& state, bool ours) {
  Bytes msg(16, 0x5A), sig;
  EVP_PKEY_CTX* ctx = ours ? contextFor(true) : nullptr;
  if (ours && EVP_PKEY_sign_init(ctx) != 1) state.SkipWithError("sign init failed");
  for (auto _ : state) {
    sig.resize(72);
    if (!(ours ? ourSign(ctx, msg, &sig) : theirSign(msg, &sig))) {
      state.SkipWithError("sign failed");
      break;
    }
    benchmark::DoNotOptimize(sig.data());
  }
  EVP_PKEY_CTX_free(ctx);
}

void Verify(benchmark::State& state, bool ours) {
  Bytes msg(16, 0x5A), sig(72);
  EVP_PKEY_CTX* sctx = contextFor(true);
  EVP_PKEY_sign_init(sctx);
  ourSign(sctx, msg, &sig);
  EVP_PKEY_CTX_free(sctx);
  EVP_PKEY_CTX* ctx = ours ? contextFor(true) : nullptr;
  if (ours && EVP_PKEY_verify_init(ctx) != 1) state.SkipWithError("verify init failed");
  for (auto _ : state) {
    int rc = ours ? EVP_PKEY_verify(ctx, sig.data(), sig.size(), msg.data(), msg.size())
                  : theirVerify(msg, sig);
    if (rc != 1) {
      state.SkipWithError("verify failed");
      break;
    }
  }
  EVP_PKEY_CTX_free(ctx);
}

// One client-random encryption as the control makes it, from the numbers on.
void SystemEncrypt(benchmark::State& state) {
  Bytes msg(16, 0x5A), out(113);
  for (auto _ : state) {
    EVP_PKEY* pkey = smlib::EVP_PKEY_SM2_init(smlib::EC_KEY_from_BN(keys().x, keys().y, nullptr));
    EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(pkey, nullptr);
    size_t len = out.size();
    bool ok = ctx != nullptr && EVP_PKEY_encrypt_init(ctx) == 1 &&
              EVP_PKEY_encrypt(ctx, out.data(), &len, msg.data(), msg.size()) == 1 && len == 113;
    EVP_PKEY_CTX_free(ctx);
    EVP_PKEY_free(pkey);
    smlib::EVP_sm2_cleanup();
    if (!ok) {
      state.SkipWithError("system encrypt failed");
      break;
    }
  }
}

BENCHMARK_CAPTURE(Encrypt, ours, true);
BENCHMARK_CAPTURE(Encrypt, openssl, false);
BENCHMARK_CAPTURE(Decrypt, ours, true);
BENCHMARK_CAPTURE(Decrypt, openssl, false);
BENCHMARK_CAPTURE(Sign, ours, true);
BENCHMARK_CAPTURE(Sign, openssl, false);
BENCHMARK_CAPTURE(Verify, ours, true);
BENCHMARK_CAPTURE(Verify, openssl, false);
BENCHMARK(SystemEncrypt);

}  // namespace
