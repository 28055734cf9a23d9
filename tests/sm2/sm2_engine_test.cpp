// The "sm2" engine and the life of SM2 key objects: each key object has its
// own engine and method record, freed with its last user, in any order.
// Under the asan preset LeakSanitizer checks that nothing is left behind.
#include <gtest/gtest.h>
#include <openssl/err.h>
#include <openssl/obj_mac.h>

#include <cstring>
#include <memory>

#include "sm2_oracle.h"

using namespace sm2test;

namespace {

struct EngineFree {
  void operator()(ENGINE* e) const { ENGINE_free(e); }
};
using EnginePtr = std::unique_ptr<ENGINE, EngineFree>;

spc::BnPtr exampleD() { return bnFromHex(kExampleD); }

TEST(Sm2Engine, EachEngineHasItsOwnRecord) {
  EnginePtr a(smlib::engine_sm2()), b(smlib::engine_sm2());
  ASSERT_TRUE(a && b);
  EXPECT_NE(a.get(), b.get());
  EXPECT_STREQ(ENGINE_get_id(a.get()), "sm2");
  EXPECT_STREQ(ENGINE_get_name(a.get()), "sm2 support");
  EXPECT_TRUE(ENGINE_get_flags(a.get()) & ENGINE_FLAGS_NO_REGISTER_ALL);

  const int* nids = nullptr;
  EXPECT_EQ(smlib::pkey_meths(a.get(), nullptr, &nids, 0), 1);
  ASSERT_NE(nids, nullptr);
  EXPECT_EQ(nids[0], EVP_PKEY_EC);
  EXPECT_EQ(nids[1], 0);

  EVP_PKEY_METHOD *ma = nullptr, *ma2 = nullptr, *mb = nullptr, *other = nullptr;
  EXPECT_EQ(smlib::pkey_meths(a.get(), &ma, nullptr, EVP_PKEY_EC), 1);
  EXPECT_EQ(smlib::pkey_meths(a.get(), &ma2, nullptr, EVP_PKEY_EC), 1);
  EXPECT_EQ(smlib::pkey_meths(b.get(), &mb, nullptr, EVP_PKEY_EC), 1);
  EXPECT_EQ(smlib::pkey_meths(a.get(), &other, nullptr, EVP_PKEY_RSA), 1);
  ASSERT_NE(ma, nullptr);
  EXPECT_EQ(ma, ma2);  // one record per engine, handed out by every lookup
  EXPECT_NE(ma, mb);
  EXPECT_EQ(other, nullptr);
  EXPECT_EQ(ENGINE_get_pkey_meth(a.get(), EVP_PKEY_EC), ma);
  int id = 0, flags = -1;
  EVP_PKEY_meth_get0_info(&id, &flags, ma);
  EXPECT_EQ(id, 101972);
  EXPECT_EQ(flags & EVP_PKEY_FLAG_AUTOARGLEN, 0);  // size queries reach the hooks
}

TEST(Sm2Engine, LoadedEngineIsFoundByIdButNeverDefault) {
  EXPECT_EQ(ENGINE_by_id("sm2"), nullptr);
  ERR_clear_error();
  smlib::ENGINE_load_sm2();
  smlib::ENGINE_load_sm2();  // a second one is refused by OpenSSL's list, quietly
  EXPECT_EQ(ERR_peek_error(), 0u);
  EnginePtr e(ENGINE_by_id("sm2"));
  ASSERT_TRUE(e);
  EXPECT_STREQ(ENGINE_get_name(e.get()), "sm2 support");
  EXPECT_NE(ENGINE_get_pkey_meth(e.get(), EVP_PKEY_EC), nullptr);

  ENGINE_register_all_complete();
  EXPECT_EQ(ENGINE_get_pkey_meth_engine(EVP_PKEY_EC), nullptr);

  // Ordinary EC keys keep OpenSSL's ECDSA.
  EVP_PKEY* p256 = EVP_EC_gen("P-256");
  ASSERT_NE(p256, nullptr);
  spc::PkeyCtxPtr sctx(EVP_PKEY_CTX_new(p256, nullptr));
  unsigned char digest[32] = {1, 2, 3};
  unsigned char sig[80];
  size_t siglen = sizeof sig;
  ASSERT_EQ(EVP_PKEY_sign_init(sctx.get()), 1);
  ASSERT_EQ(EVP_PKEY_sign(sctx.get(), sig, &siglen, digest, sizeof digest), 1);
  spc::PkeyCtxPtr vctx(EVP_PKEY_CTX_new(p256, nullptr));
  ASSERT_EQ(EVP_PKEY_verify_init(vctx.get()), 1);
  EXPECT_EQ(EVP_PKEY_verify(vctx.get(), sig, siglen, digest, sizeof digest), 1);
  EVP_PKEY_free(p256);

  // Passed explicitly, the engine serves an SM2 key in a plain key object.
  spc::BnPtr d = exampleD();
  spc::EcKeyPtr key = ourKey(d.get());
  spc::PkeyPtr plain(EVP_PKEY_new());
  ASSERT_EQ(EVP_PKEY_assign(plain.get(), EVP_PKEY_EC, key.release()), 1);
  spc::PkeyCtxPtr ctx(EVP_PKEY_CTX_new(plain.get(), e.get()));
  ASSERT_TRUE(ctx);
  ASSERT_EQ(EVP_PKEY_encrypt_init(ctx.get()), 1);
  Bytes msg = bytesOf("explicit engine"), ct(msg.size() + 97);
  size_t len = ct.size();
  ASSERT_EQ(EVP_PKEY_encrypt(ctx.get(), ct.data(), &len, msg.data(), msg.size()), 1);
  spc::PkeyPtr theirs = opensslKey(d.get());
  Bytes back;
  ASSERT_TRUE(opensslDecrypt(theirs.get(), rawToDer(ct), &back));
  EXPECT_EQ(back, msg);
}

TEST(Sm2Engine, TwoKeyObjectsLiveApart) {
  spc::BnPtr d = exampleD();
  spc::PkeyPtr first = ourPkey(d.get()), second = ourPkey(d.get());
  ASSERT_TRUE(first && second);
  spc::PkeyCtxPtr c1(EVP_PKEY_CTX_new(first.get(), nullptr)),
      c2(EVP_PKEY_CTX_new(second.get(), nullptr));
  ASSERT_EQ(EVP_PKEY_encrypt_init(c1.get()), 1);
  ASSERT_EQ(EVP_PKEY_decrypt_init(c2.get()), 1);
  Bytes msg = bytesOf("two engines"), ct(msg.size() + 97);
  size_t len = ct.size();
  ASSERT_EQ(EVP_PKEY_encrypt(c1.get(), ct.data(), &len, msg.data(), msg.size()), 1);
  // The first key object and all its users go; the second keeps working.
  c1.reset();
  first.reset();
  Bytes out(msg.size());
  len = out.size();
  ASSERT_EQ(EVP_PKEY_decrypt(c2.get(), out.data(), &len, ct.data(), ct.size()), 1);
  EXPECT_EQ(out, msg);
  spc::PkeyCtxPtr c3(EVP_PKEY_CTX_new(second.get(), nullptr));
  ASSERT_EQ(EVP_PKEY_decrypt_init(c3.get()), 1);
}

// One operation as the system runs it: key, key object, context, operation,
// context freed, key object freed, cleanup; in both release orders.
TEST(Sm2Engine, KeyObjectLifecycleInEitherReleaseOrder) {
  spc::BnPtr d = exampleD();
  spc::BnPtr x, y;
  publicPointOf(d.get(), &x, &y);
  for (int round = 0; round < 20; ++round) {
    EVP_PKEY* pub = smlib::EVP_PKEY_SM2_init(smlib::EC_KEY_from_BN(x.get(), y.get(), nullptr));
    ASSERT_NE(pub, nullptr);
    EVP_PKEY_CTX* enc = EVP_PKEY_CTX_new(pub, nullptr);
    ASSERT_EQ(EVP_PKEY_encrypt_init(enc), 1);
    unsigned char msg[16] = {static_cast<unsigned char>(round)};
    unsigned char ct[113];
    size_t len = sizeof ct;
    ASSERT_EQ(EVP_PKEY_encrypt(enc, ct, &len, msg, sizeof msg), 1);
    ASSERT_EQ(len, 113u);
    if (round % 2 == 0) {
      EVP_PKEY_CTX_free(enc);
      EVP_PKEY_free(pub);
    } else {
      EVP_PKEY_free(pub);  // the context keeps the key object, and its engine, alive
      len = sizeof ct;
      ASSERT_EQ(EVP_PKEY_encrypt(enc, ct, &len, msg, sizeof msg), 1);
      EVP_PKEY_CTX_free(enc);
    }
    smlib::EVP_sm2_cleanup();

    EVP_PKEY* priv = smlib::EVP_PKEY_SM2_init(smlib::EC_KEY_from_BN_EX(d.get()));
    ASSERT_NE(priv, nullptr);
    EVP_PKEY_CTX* dec = EVP_PKEY_CTX_new(priv, nullptr);
    ASSERT_EQ(EVP_PKEY_decrypt_init(dec), 1);
    EVP_PKEY_CTX* dup = EVP_PKEY_CTX_dup(dec);
    ASSERT_NE(dup, nullptr);
    unsigned char out[2048];
    len = sizeof out;
    ASSERT_EQ(EVP_PKEY_decrypt(round % 2 ? dup : dec, out, &len, ct, 113), 1);
    ASSERT_EQ(len, 16u);
    EXPECT_EQ(memcmp(out, msg, 16), 0);
    EVP_PKEY_CTX_free(dec);
    EVP_PKEY_free(priv);
    EVP_PKEY_CTX_free(dup);
    smlib::EVP_sm2_cleanup();
  }
}

TEST(Sm2Engine, KeyObjectWithoutEngineFailsCleanly) {
  // What EVP_PKEY_SM2_init hands out when no engine can be made: OpenSSL's
  // own EC code, whose encryption init fails.
  spc::BnPtr d = exampleD();
  spc::PkeyPtr plain(EVP_PKEY_new());
  ASSERT_EQ(EVP_PKEY_assign(plain.get(), EVP_PKEY_EC, ourKey(d.get()).release()), 1);
  spc::PkeyCtxPtr ctx(EVP_PKEY_CTX_new(plain.get(), nullptr));
  ASSERT_TRUE(ctx);
  EXPECT_LE(EVP_PKEY_encrypt_init(ctx.get()), 0);
  ERR_clear_error();
}

// Certificates: the subject key's bit string read as 04 || x || y.

spc::X509Ptr certWithKeyBits(const Bytes& bits) {
  spc::X509Ptr cert(X509_new());
  auto* penc = static_cast<unsigned char*>(OPENSSL_memdup(bits.data(), bits.size()));
  X509_PUBKEY_set0_param(X509_get_X509_PUBKEY(cert.get()), OBJ_nid2obj(NID_X9_62_id_ecPublicKey),
                         V_ASN1_OBJECT, OBJ_nid2obj(NID_sm2), penc, static_cast<int>(bits.size()));
  return cert;
}

TEST(Sm2X509, KeyFromARealCertificate) {
  spc::BnPtr d = exampleD();
  spc::PkeyPtr theirs = opensslKey(d.get());
  spc::X509Ptr cert(X509_new());
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 7);
  X509_NAME_add_entry_by_txt(X509_get_subject_name(cert.get()), "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("bank"), -1, -1, 0);
  X509_set_issuer_name(cert.get(), X509_get_subject_name(cert.get()));
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), 0);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 3600);
  ASSERT_EQ(X509_set_pubkey(cert.get(), theirs.get()), 1);
  EVP_PKEY* signer = EVP_EC_gen("P-256");
  ASSERT_GT(X509_sign(cert.get(), signer, EVP_sha256()), 0);
  EVP_PKEY_free(signer);
  unsigned char* der = nullptr;
  int len = i2d_X509(cert.get(), &der);
  const unsigned char* p = der;
  spc::X509Ptr parsed(d2i_X509(nullptr, &p, len));
  OPENSSL_free(der);
  ASSERT_TRUE(parsed);

  spc::EcKeyPtr key(smlib::EC_KEY_from_X509(parsed.get()));
  ASSERT_TRUE(key);
  EXPECT_EQ(smlib::EC_KEY_is_sm2(key.get()), 1);
  EXPECT_EQ(EC_KEY_get0_private_key(key.get()), nullptr);
  spc::PkeyPtr pkey(smlib::EVP_PKEY_SM2_init(key.release()));
  Bytes msg = bytesOf("client random 16"), ct;
  ASSERT_EQ(evpEncrypt(pkey.get(), msg, &ct), 1);
  Bytes back;
  ASSERT_TRUE(opensslDecrypt(theirs.get(), rawToDer(ct), &back));
  EXPECT_EQ(back, msg);
}

TEST(Sm2X509, RefusesShortBitsAndNonPoints) {
  spc::BnPtr d = exampleD(), x, y;
  publicPointOf(d.get(), &x, &y);
  Bytes point(65, 0);
  point[0] = 0x04;
  BN_bn2binpad(x.get(), point.data() + 1, 32);
  BN_bn2binpad(y.get(), point.data() + 33, 32);

  EXPECT_TRUE(spc::EcKeyPtr(smlib::EC_KEY_from_X509(certWithKeyBits(point).get())));
  Bytes anyForm = point;  // the form byte is not examined
  anyForm[0] = 0x00;
  EXPECT_TRUE(spc::EcKeyPtr(smlib::EC_KEY_from_X509(certWithKeyBits(anyForm).get())));
  Bytes offCurve = point;
  offCurve[64] ^= 1;
  EXPECT_FALSE(spc::EcKeyPtr(smlib::EC_KEY_from_X509(certWithKeyBits(offCurve).get())));
  Bytes shortBits(point.begin(), point.begin() + 64);
  EXPECT_FALSE(spc::EcKeyPtr(smlib::EC_KEY_from_X509(certWithKeyBits(shortBits).get())));
  EXPECT_FALSE(spc::EcKeyPtr(smlib::EC_KEY_from_X509(nullptr)));
  ERR_clear_error();
}

}  // namespace
