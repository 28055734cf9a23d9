// SM2 decryption and verification of any bytes, called directly
// (EC_SM2_decrypt, EC_SM2_verify) and through OpenSSL's public-key interface
// with the "sm2" engine's method, beside OpenSSL's own SM2 as the oracle.
//
// Input: a flag byte, an edit byte, a position byte, then bytes.
//   bits 0-1  0: decrypt the bytes; 1: verify, the bytes being a signature
//             length byte, the DER signature, the message; 2: decrypt
//             OpenSSL's ciphertext of the bytes; 3: verify OpenSSL's
//             signature of the bytes
//   bit 2     through EVP_PKEY_decrypt / EVP_PKEY_verify (else directly)
//   bits 3-5  the output area EVP decryption gets, against the size it asks
//             for: exact, one short, one over, empty, 1 byte, a large one
// In modes 2 and 3 a non-zero edit byte is XORed into the ciphertext or the
// signature at the position's share of its length; the result must then be
// refused, and an unedited one accepted (the plaintext found again).
#include <openssl/bn.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/obj_mac.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "host/sm2_der.h"
#include "sm/sm2/sm2.h"
#include "sm/sm3/sm3.h"
#include "tests/support/sm2_key.h"

namespace {

// The private key of the SM2 standard's worked encryption example.
constexpr const char kPrivateHex[] =
    "3945208F7B2144B13F36E38AC6D39F95889393692860B51A42FB81EF4DF7C5B8";
constexpr const char kDefaultId[] = "1234567812345678";
constexpr size_t kPointLen = 65;

struct Keys {
  EVP_PKEY* oracle = nullptr;  // OpenSSL's SM2 key
  EC_KEY* direct = nullptr;    // ours, for the direct calls
  EVP_PKEY* engine = nullptr;  // ours inside an EVP_PKEY bound to the engine
};

Keys& keys() {
  static Keys k = [] {
    Keys made;
    BIGNUM* d = nullptr;
    BN_hex2bn(&d, kPrivateHex);
    made.oracle = testsupport::opensslSm2Key(d);
    unsigned char point[kPointLen];
    size_t len = 0;
    EVP_PKEY_get_octet_string_param(made.oracle, "pub", point, sizeof point, &len);
    BIGNUM* x = BN_bin2bn(point + 1, 32, nullptr);
    BIGNUM* y = BN_bin2bn(point + 33, 32, nullptr);
    made.direct = smlib::EC_KEY_from_BN(x, y, d);
    made.engine = smlib::EVP_PKEY_SM2_init(smlib::EC_KEY_from_BN(x, y, d));
    BN_free(x);
    BN_free(y);
    BN_clear_free(d);
    FUZZ_CHECK(made.oracle && made.direct && made.engine);
    return made;
  }();
  return k;
}

using PkeyCtxPtr = std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)>;
using MdCtxPtr = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

const unsigned char* bytes(const std::string& s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

// A decryption's outcome: the plaintext when ok; refused when the output
// area was too small to try.
struct Opened {
  bool ok = false;
  std::string plain;
  bool refused = false;
};

Opened decryptDirect(const std::string& in) {
  Opened r;
  const int size =
      smlib::EC_SM2_decrypt(keys().direct, bytes(in), in.size(), nullptr, smlib::EVP_sm3());
  FUZZ_CHECK(size == (in.size() < kPointLen + 32 ? 0 : static_cast<int>(in.size() - 97)));
  std::vector<unsigned char> out(size > 0 ? size : 1);
  const int n =
      smlib::EC_SM2_decrypt(keys().direct, bytes(in), in.size(), out.data(), smlib::EVP_sm3());
  FUZZ_CHECK(n == 0 || n == size);
  if (n > 0) {
    r.ok = true;
    r.plain.assign(reinterpret_cast<char*>(out.data()), n);
  }
  return r;
}

size_t areaFor(size_t needed, int choice) {
  switch (choice) {
    case 0:
      return needed;
    case 1:
      return needed ? needed - 1 : 0;
    case 2:
      return needed + 1;
    case 3:
      return 0;
    case 4:
      return 1;
    default:
      return needed + 4096;
  }
}

Opened decryptEvp(const std::string& in, int choice) {
  Opened r;
  PkeyCtxPtr ctx(EVP_PKEY_CTX_new(keys().engine, nullptr), EVP_PKEY_CTX_free);
  FUZZ_CHECK(ctx && EVP_PKEY_decrypt_init(ctx.get()) == 1);
  size_t needed = 0;
  FUZZ_CHECK(EVP_PKEY_decrypt(ctx.get(), nullptr, &needed, bytes(in), in.size()) == 1);
  const size_t area = areaFor(needed, choice);
  // Exactly the area stated, so that a write past it is caught.
  std::unique_ptr<unsigned char[]> out(new unsigned char[area ? area : 1]);
  size_t outlen = area;
  const int rc =
      EVP_PKEY_decrypt(ctx.get(), area ? out.get() : nullptr, &outlen, bytes(in), in.size());
  r.refused = true;
  if (area == 0) return r;  // a null area is the size query again
  if (needed > 0 && area < needed) {
    FUZZ_CHECK(rc <= 0 && outlen == needed);
    return r;
  }
  FUZZ_CHECK(rc == 1 && outlen <= area);
  r.refused = false;
  if (outlen > 0) {
    r.ok = true;
    r.plain.assign(reinterpret_cast<char*>(out.get()), outlen);
  }
  return r;
}

// 1 valid, 0 invalid, -1 no signature (as DER that does not decode).
int verifyDirect(const std::string& der, const std::string& message) {
  const unsigned char* p = bytes(der);
  smlib::EC_SM2_SIG* sig = smlib::d2i_EC_SM2_SIG(nullptr, &p, static_cast<long>(der.size()));
  const int rc = smlib::EC_SM2_verify(keys().direct, nullptr, bytes(message), message.size(), sig,
                                      smlib::EVP_sm3());
  if (sig) {
    // What decoded encodes again to a DER text of its own.
    unsigned char* again = nullptr;
    FUZZ_CHECK(smlib::i2d_EC_SM2_SIG(sig, &again) > 0);
    OPENSSL_free(again);
  }
  smlib::EC_SM2_SIG_free(sig);
  FUZZ_CHECK(rc == 1 || rc == 0 || (rc == -1 && !sig));
  return rc;
}

int verifyEvp(const std::string& der, const std::string& message) {
  PkeyCtxPtr ctx(EVP_PKEY_CTX_new(keys().engine, nullptr), EVP_PKEY_CTX_free);
  FUZZ_CHECK(ctx && EVP_PKEY_verify_init(ctx.get()) == 1);
  return EVP_PKEY_verify(ctx.get(), bytes(der), der.size(), bytes(message), message.size());
}

std::string opensslEncrypt(const std::string& message) {
  PkeyCtxPtr ctx(EVP_PKEY_CTX_new(keys().oracle, nullptr), EVP_PKEY_CTX_free);
  size_t len = 0;
  if (!ctx || EVP_PKEY_encrypt_init(ctx.get()) <= 0 ||
      EVP_PKEY_encrypt(ctx.get(), nullptr, &len, bytes(message), message.size()) <= 0)
    return std::string();
  std::string der(len, '\0');
  if (EVP_PKEY_encrypt(ctx.get(), reinterpret_cast<unsigned char*>(&der[0]), &len, bytes(message),
                       message.size()) <= 0)
    return std::string();
  der.resize(len);
  return bank::sm2DerToRaw(der);
}

std::string opensslSign(const std::string& message) {
  MdCtxPtr mctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  EVP_PKEY_CTX* pctx = nullptr;
  size_t len = 0;
  if (!mctx ||
      EVP_DigestSignInit_ex(mctx.get(), &pctx, "SM3", nullptr, nullptr, keys().oracle, nullptr) <=
          0 ||
      EVP_PKEY_CTX_set1_id(pctx, kDefaultId, std::strlen(kDefaultId)) <= 0 ||
      EVP_DigestSign(mctx.get(), nullptr, &len, bytes(message), message.size()) <= 0)
    return std::string();
  std::string sig(len, '\0');
  if (EVP_DigestSign(mctx.get(), reinterpret_cast<unsigned char*>(&sig[0]), &len, bytes(message),
                     message.size()) <= 0)
    return std::string();
  sig.resize(len);
  return sig;
}

// XORs edit into text at the position's share of its length; false when
// nothing changes.
bool applyEdit(std::string& text, uint8_t edit, uint8_t position) {
  if (edit == 0 || text.empty()) return false;
  text[position * text.size() / 256] ^= static_cast<char>(edit);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  keys();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const int mode = data[0] & 3;
  const bool evp = data[0] & 4;
  const int area = (data[0] >> 3) & 7;
  const uint8_t edit = data[1], position = data[2];
  const std::string rest(reinterpret_cast<const char*>(data + 3), size - 3);

  switch (mode) {
    case 0:
      if (evp)
        decryptEvp(rest, area);
      else
        decryptDirect(rest);
      break;
    case 1: {
      const size_t sigLen = rest.empty() ? 0 : std::min<size_t>(rest.size() - 1, uint8_t(rest[0]));
      const std::string der = rest.empty() ? std::string() : rest.substr(1, sigLen);
      const std::string message = rest.empty() ? std::string() : rest.substr(1 + sigLen);
      const int direct = verifyDirect(der, message);
      const int viaEvp = verifyEvp(der, message);
      FUZZ_CHECK((direct == 1) == (viaEvp == 1));
      break;
    }
    case 2: {
      std::string cipher = opensslEncrypt(rest);
      if (cipher.empty()) break;  // OpenSSL refuses an empty message
      const bool edited = applyEdit(cipher, edit, position);
      const Opened opened = evp ? decryptEvp(cipher, area) : decryptDirect(cipher);
      // A hybrid-form C1 (0x06 or 0x07) names the same point.
      const bool sameC1 = (cipher[0] == 6 || cipher[0] == 7) && position * cipher.size() / 256 == 0;
      if (!edited && !opened.refused) {
        FUZZ_CHECK(opened.ok && opened.plain == rest);
      } else if (edited && !sameC1) {
        FUZZ_CHECK(!opened.ok);
      }
      break;
    }
    default: {
      std::string sig = opensslSign(rest);
      FUZZ_CHECK(!sig.empty());
      const bool edited = applyEdit(sig, edit, position);
      const int direct = verifyDirect(sig, rest);
      const int viaEvp = verifyEvp(sig, rest);
      if (edited)
        FUZZ_CHECK(direct != 1 && viaEvp != 1);
      else
        FUZZ_CHECK(direct == 1 && viaEvp == 1);
      break;
    }
  }
  return 0;
}
