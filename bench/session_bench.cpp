// One whole session-key exchange per mode, through the module's real entry
// points (the host plays the browser and the bank's server), beside the same
// steps done with OpenSSL's own calls alone, in one run:
//   get_output37  client random, encrypted to the server key of input9
//                 (RSA: a PEM certificate; SM2: a coordinate pair, checked to
//                 be a point of the curve of order n), Base64
//   server        the bank's server decrypts it, makes its random and
//                 encrypts that to the control's built-in public key (the
//                 same server code on both sides)
//   input4        Base64 decoding and decryption with the built-in private
//                 key (RSA from hex parts without CRT values; SM2 from the
//                 hex scalar), g_rand2
//   get_output2   key-text derivation, AES-256-ECB or SM4-ECB of the typed
//                 password, Base64
// Each benchmark reports the time per whole session and, as counters, the
// time of each step.
#include <benchmark/benchmark.h>
#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>
#include <openssl/x509.h>
#include <time.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "CoreServices/Gestalt.h"
#include "CoreServices/GestaltTesting.h"
#include "host/bank_server.h"
#include "host/browser.h"
#include "host/instance.h"
#include "host/sm2_der.h"
#include "keys/keyset.h"
#include "tests/support/sm2_key.h"

namespace {

const char kPassword[] = "Tr0ub4dor&3";

bank::BankServer& server() {
  static bank::BankServer s(bank::controlKeysFromKeyset());
  return s;
}

// Per-step clocks (this thread's CPU time, so other work on the machine does
// not count), reported as average microseconds per session.
class Steps {
 public:
  explicit Steps(benchmark::State& state) : state_(state) {}
  ~Steps() {
    const char* names[] = {"get_output37_us", "server_us", "input4_us", "get_output2_us"};
    for (int i = 0; i < 4; ++i)
      state_.counters[names[i]] =
          benchmark::Counter(totals_[i] * 1e6, benchmark::Counter::kAvgIterations);
  }
  void start() { last_ = now(); }
  void lap(int step) {
    const double t = now();
    totals_[step] += t - last_;
    last_ = t;
  }

 private:
  benchmark::State& state_;
  static double now() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
  }
  double totals_[4] = {0, 0, 0, 0};
  double last_ = 0;
};

// ---- Through the module -------------------------------------------------------

void sessionThroughTheModule(benchmark::State& state, bool rsaMode) {
  host::Browser& browser = host::Browser::get();
  browser.reset();
  GestaltSetSystemVersion(10, 12, 6);
  host::Instance control;
  control.requestLayer();
  control.setWindow(0, 0, 220, 32);
  control.setProperty("input0", host::Variant::int32(rsaMode ? 1 : 0));
  control.setProperty("input9", host::Variant::string(rsaMode ? server().rsaCertificatePem()
                                                              : server().sm2CoordinatePair('|')));
  control.focus(true);
  for (const char* c = kPassword; *c; ++c) {
    control.key(NPCocoaEventKeyDown, std::string(1, *c), 0);
    control.key(NPCocoaEventKeyUp, std::string(1, *c), 0);
  }
  control.focus(false);

  Steps steps(state);
  for (auto _ : state) {
    steps.start();
    host::ScriptResult sent = control.invoke("get_output37");
    steps.lap(0);
    server().receiveClientRandom(sent.value.asString(), rsaMode);
    std::string reply = server().makeServerRandom(rsaMode);
    steps.lap(1);
    control.setProperty("input4", host::Variant::string(reply));
    steps.lap(2);
    host::ScriptResult password = control.invoke("get_output2");
    steps.lap(3);
    benchmark::DoNotOptimize(password.value.asString());
  }
  host::ScriptResult check = control.invoke("get_output2");
  if (server().decryptPassword(check.value.asString(), rsaMode, server().sessionKeyText()) !=
      kPassword)
    state.SkipWithError("the server did not recover the password");
}

void BM_Module_RSA(benchmark::State& state) { sessionThroughTheModule(state, true); }
void BM_Module_SM2(benchmark::State& state) { sessionThroughTheModule(state, false); }

// ---- The same steps with OpenSSL alone ----------------------------------------

const unsigned char* u(const std::string& s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

std::string bnHex(const BIGNUM* bn) {
  char* hex = BN_bn2hex(bn);
  std::string s(hex);
  OPENSSL_free(hex);
  return s;
}

// The built-in RSA key's parts as hex texts, read once from the key set.
struct RsaParts {
  std::string n, e, p, q, d;
  RsaParts() {
    FILE* f = std::fopen(SPC_KEYSET_RSA_FILE, "r");
    if (!f) throw std::runtime_error("no key set");
    EVP_PKEY* key = PEM_read_PrivateKey(f, nullptr, nullptr, nullptr);
    std::fclose(f);
    const RSA* rsa = EVP_PKEY_get0_RSA(key);
    n = bnHex(RSA_get0_n(rsa));
    e = bnHex(RSA_get0_e(rsa));
    p = bnHex(RSA_get0_p(rsa));
    q = bnHex(RSA_get0_q(rsa));
    d = bnHex(RSA_get0_d(rsa));
    EVP_PKEY_free(key);
  }
};

const RsaParts& rsaParts() {
  static RsaParts parts;
  return parts;
}

// A client random as the control makes it, from OpenSSL's generator: per
// position one bit picks digit or letter, and a byte below 250 (a multiple of
// both 10 and 25) picks which; larger bytes are drawn again.
std::string clientRandom() {
  std::string r;
  unsigned char pair[2];
  while (r.size() < 16) {
    if (RAND_bytes(pair, sizeof pair) != 1) throw std::runtime_error("no random bytes");
    if (pair[1] >= 250) continue;
    r += (pair[0] & 1) ? static_cast<char>('a' + pair[1] % 25)
                       : static_cast<char>('0' + pair[1] % 10);
  }
  return r;
}

std::string pkeyCrypt(EVP_PKEY* key, bool encrypt, const std::string& in, int rsaPadding) {
  std::string out;
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new(key, nullptr);
  if (ctx && (encrypt ? EVP_PKEY_encrypt_init(ctx) : EVP_PKEY_decrypt_init(ctx)) > 0 &&
      (!rsaPadding || EVP_PKEY_CTX_set_rsa_padding(ctx, rsaPadding) > 0)) {
    auto run = encrypt ? EVP_PKEY_encrypt : EVP_PKEY_decrypt;
    size_t len = 0;
    if (run(ctx, nullptr, &len, u(in), in.size()) > 0) {
      out.resize(len);
      if (run(ctx, reinterpret_cast<unsigned char*>(&out[0]), &len, u(in), in.size()) > 0)
        out.resize(len);
      else
        out.clear();
    }
  }
  EVP_PKEY_CTX_free(ctx);
  return out;
}

std::string cipher(const EVP_CIPHER* c, bool encrypt, const unsigned char* key,
                   const std::string& in, bool padding) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  std::string out(in.size() + 16, '\0');
  int n1 = 0, n2 = 0;
  EVP_CipherInit_ex(ctx, c, nullptr, key, nullptr, encrypt);
  EVP_CIPHER_CTX_set_padding(ctx, padding);
  EVP_CipherUpdate(ctx, reinterpret_cast<unsigned char*>(&out[0]), &n1, u(in),
                   static_cast<int>(in.size()));
  EVP_CipherFinal_ex(ctx, reinterpret_cast<unsigned char*>(&out[n1]), &n2);
  EVP_CIPHER_CTX_free(ctx);
  out.resize(n1 + n2);
  return out;
}

// Client random to the server key of the page.
std::string rsaClientStep(const std::string& pem, const std::string& random) {
  BIO* bio = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
  X509* cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr);
  EVP_PKEY* key = X509_get_pubkey(cert);
  std::string c = pkeyCrypt(key, true, random, RSA_PKCS1_PADDING);
  EVP_PKEY_free(key);
  X509_free(cert);
  BIO_free(bio);
  return bank::base64Encode(c);
}

std::string sm2ClientStep(const std::string& pair, const std::string& random) {
  BIGNUM* x = nullptr;
  BIGNUM* y = nullptr;
  BN_hex2bn(&x, pair.substr(0, 64).c_str());
  BN_hex2bn(&y, pair.substr(65).c_str());
  unsigned char point[65] = {0x04};
  BN_bn2binpad(x, point + 1, 32);
  BN_bn2binpad(y, point + 33, 32);
  BN_free(x);
  BN_free(y);
  OSSL_PARAM params[] = {
      OSSL_PARAM_construct_utf8_string(OSSL_PKEY_PARAM_GROUP_NAME, const_cast<char*>("SM2"), 0),
      OSSL_PARAM_construct_octet_string(OSSL_PKEY_PARAM_PUB_KEY, point, sizeof point),
      OSSL_PARAM_construct_end()};
  EVP_PKEY* key = nullptr;
  EVP_PKEY_CTX* ctx = EVP_PKEY_CTX_new_from_name(nullptr, "SM2", nullptr);
  EVP_PKEY_fromdata_init(ctx);
  EVP_PKEY_fromdata(ctx, &key, EVP_PKEY_PUBLIC_KEY, params);
  EVP_PKEY_CTX_free(ctx);
  // The control accepts only a point of the curve of order n: the same check.
  ctx = EVP_PKEY_CTX_new(key, nullptr);
  const bool valid = EVP_PKEY_public_check(ctx) == 1;
  EVP_PKEY_CTX_free(ctx);
  std::string c = valid ? bank::sm2DerToRaw(pkeyCrypt(key, true, random, 0)) : std::string();
  EVP_PKEY_free(key);
  return bank::base64Encode(c);
}

// The server random, decrypted with the built-in private key.
std::string rsaServerRandomStep(const std::string& text) {
  const RsaParts& k = rsaParts();
  BIGNUM *n = nullptr, *e = nullptr, *p = nullptr, *q = nullptr, *d = nullptr;
  BN_hex2bn(&n, k.n.c_str());
  BN_hex2bn(&e, k.e.c_str());
  BN_hex2bn(&p, k.p.c_str());
  BN_hex2bn(&q, k.q.c_str());
  BN_hex2bn(&d, k.d.c_str());
  RSA* rsa = RSA_new();
  RSA_set0_key(rsa, n, e, d);
  RSA_set0_factors(rsa, p, q);
  EVP_PKEY* key = EVP_PKEY_new();
  EVP_PKEY_assign(key, EVP_PKEY_RSA, rsa);
  std::string plain = pkeyCrypt(key, false, bank::base64Decode(text), RSA_PKCS1_PADDING);
  EVP_PKEY_free(key);
  return plain;
}

std::string sm2ServerRandomStep(const std::string& text) {
  BIGNUM* d = nullptr;
  static const std::string scalarHex = keyset::value("sm2_private_hex");
  BN_hex2bn(&d, scalarHex.c_str());
  EVP_PKEY* key = testsupport::opensslSm2Key(d);
  BN_free(d);
  std::string plain = pkeyCrypt(key, false, bank::sm2RawToDer(bank::base64Decode(text)), 0);
  EVP_PKEY_free(key);
  return plain;
}

// Key text of g_rand2 and the password under it.
std::string passwordStep(const std::string& rand2, const std::string& aesKey, bool rsaMode) {
  std::string padded = rand2;
  padded.resize((rand2.size() + 15) / 16 * 16, '\0');
  std::string plain = cipher(EVP_aes_256_ecb(), false, u(aesKey), padded, false);
  plain.resize(32, '\0');
  const std::string keyText = bank::base64Encode(plain).substr(0, 32);
  std::string c;
  if (rsaMode) {
    std::string zeroPadded(kPassword);
    zeroPadded.resize((zeroPadded.size() / 16 + 1) * 16, '\0');
    c = cipher(EVP_aes_256_ecb(), true, u(keyText), zeroPadded, false);
  } else {
    c = cipher(EVP_sm4_ecb(), true, u(keyText), kPassword, true);
  }
  return bank::base64Encode(c);
}

void sessionWithOpenSsl(benchmark::State& state, bool rsaMode) {
  const std::string keyText =
      rsaMode ? server().rsaCertificatePem() : server().sm2CoordinatePair('|');
  const std::string aesKey = bank::controlKeysFromKeyset().aesKey;
  rsaParts();
  std::string rand1, rand2, password;
  Steps steps(state);
  for (auto _ : state) {
    steps.start();
    rand1 = clientRandom();
    std::string sent = rsaMode ? rsaClientStep(keyText, rand1) : sm2ClientStep(keyText, rand1);
    steps.lap(0);
    server().receiveClientRandom(sent, rsaMode);
    std::string reply = server().makeServerRandom(rsaMode);
    steps.lap(1);
    std::string serverRandom = rsaMode ? rsaServerRandomStep(reply) : sm2ServerRandomStep(reply);
    if (!serverRandom.empty()) rand2 = serverRandom + rand1;
    steps.lap(2);
    password = passwordStep(rand2, aesKey, rsaMode);
    steps.lap(3);
    benchmark::DoNotOptimize(password);
  }
  if (server().decryptPassword(password, rsaMode, server().sessionKeyText()) != kPassword)
    state.SkipWithError("the server did not recover the password");
}

void BM_OpenSSL_RSA(benchmark::State& state) { sessionWithOpenSsl(state, true); }
void BM_OpenSSL_SM2(benchmark::State& state) { sessionWithOpenSsl(state, false); }

}  // namespace

BENCHMARK(BM_Module_RSA)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenSSL_RSA)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Module_SM2)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenSSL_SM2)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
