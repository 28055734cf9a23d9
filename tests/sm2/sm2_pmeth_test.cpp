// The SM2 method through OpenSSL's public-key interface (EVP_PKEY_encrypt,
// decrypt, sign, verify on key objects from EVP_PKEY_SM2_init), checked
// against OpenSSL's own SM2 in both directions.
#include <gtest/gtest.h>
#include <openssl/err.h>

#include <cstring>

#include "sm/sm3/sm3.h"
#include "sm2_oracle.h"

using namespace sm2test;

namespace {

class Sm2Method : public ::testing::Test {
 protected:
  void SetUp() override {
    d_ = bnFromHex(kExampleD);
    ours_ = ourPkey(d_.get());
    theirs_ = opensslKey(d_.get());
    ASSERT_TRUE(ours_);
    ASSERT_TRUE(theirs_);
  }
  spc::PkeyCtxPtr context(EVP_PKEY* key = nullptr) {
    return spc::PkeyCtxPtr(EVP_PKEY_CTX_new(key != nullptr ? key : ours_.get(), nullptr));
  }
  spc::BnPtr d_;
  spc::PkeyPtr ours_, theirs_;
};

TEST_F(Sm2Method, KeyObjectIsAnEcKeyWithItsOwnEngine) {
  EXPECT_EQ(EVP_PKEY_get_base_id(ours_.get()), EVP_PKEY_EC);
  spc::EcKeyPtr key(EVP_PKEY_get1_EC_KEY(ours_.get()));
  ASSERT_TRUE(key);
  EXPECT_EQ(smlib::EC_KEY_is_sm2(key.get()), 1);
  spc::EcKeyPtr plain(EC_KEY_new());
  EXPECT_EQ(smlib::EC_KEY_is_sm2(plain.get()), 0);
  EXPECT_EQ(smlib::EVP_PKEY_SM2_init(nullptr), nullptr);
}

TEST_F(Sm2Method, RoundTripEveryLengthUpTo300) {
  spc::PkeyCtxPtr enc = context(), dec = context();
  ASSERT_EQ(EVP_PKEY_encrypt_init(enc.get()), 1);
  ASSERT_EQ(EVP_PKEY_decrypt_init(dec.get()), 1);
  for (size_t len = 1; len <= 300; ++len) {
    Bytes msg = randomBytes(len);
    size_t ctLen = 0;
    ASSERT_EQ(EVP_PKEY_encrypt(enc.get(), nullptr, &ctLen, msg.data(), len), 1);
    ASSERT_EQ(ctLen, len + 97);
    Bytes ct(ctLen);
    ASSERT_EQ(EVP_PKEY_encrypt(enc.get(), ct.data(), &ctLen, msg.data(), len), 1);
    ASSERT_EQ(ctLen, len + 97);
    size_t ptLen = 0;
    ASSERT_EQ(EVP_PKEY_decrypt(dec.get(), nullptr, &ptLen, ct.data(), ct.size()), 1);
    ASSERT_EQ(ptLen, len);
    Bytes pt(ptLen);
    ASSERT_EQ(EVP_PKEY_decrypt(dec.get(), pt.data(), &ptLen, ct.data(), ct.size()), 1);
    ASSERT_EQ(ptLen, len);
    ASSERT_EQ(pt, msg) << len;
  }
}

TEST_F(Sm2Method, InteroperatesWithOpenSslEncryption) {
  for (size_t len : {1u, 16u, 31u, 32u, 33u, 100u, 255u}) {
    Bytes msg = randomBytes(len);
    // Ours decrypted by OpenSSL.
    Bytes ct;
    ASSERT_EQ(evpEncrypt(ours_.get(), msg, &ct), 1);
    ASSERT_EQ(ct.size(), len + 97);
    Bytes back;
    ASSERT_TRUE(opensslDecrypt(theirs_.get(), rawToDer(ct), &back)) << len;
    EXPECT_EQ(back, msg);
    // OpenSSL's decrypted by ours.
    Bytes der = opensslEncrypt(theirs_.get(), msg);
    ASSERT_FALSE(der.empty());
    Bytes pt;
    ASSERT_EQ(evpDecrypt(ours_.get(), derToRaw(der), &pt), 1);
    EXPECT_EQ(pt, msg) << len;
  }
}

TEST_F(Sm2Method, EncryptionSizeQueriesAndLengths) {
  spc::PkeyCtxPtr enc = context();
  ASSERT_EQ(EVP_PKEY_encrypt_init(enc.get()), 1);
  Bytes msg = randomBytes(16);
  size_t len = 12345;
  ASSERT_EQ(EVP_PKEY_encrypt(enc.get(), nullptr, &len, msg.data(), 16), 1);
  EXPECT_EQ(len, 113u);
  Bytes ct(113);
  ASSERT_EQ(EVP_PKEY_encrypt(enc.get(), ct.data(), &len, msg.data(), 16), 1);
  EXPECT_EQ(len, 113u);
  EXPECT_EQ(ct[0], 0x04);
  // An empty message: the call succeeds and reports no ciphertext.
  ASSERT_EQ(EVP_PKEY_encrypt(enc.get(), ct.data(), &len, msg.data(), 0), 1);
  EXPECT_EQ(len, 0u);

  spc::PkeyCtxPtr dec = context();
  ASSERT_EQ(EVP_PKEY_decrypt_init(dec.get()), 1);
  struct {
    size_t inlen;
    size_t want;
  } queries[] = {{113, 16}, {97, 0}, {96, 0}, {0, 0}};
  for (const auto& q : queries) {
    size_t got = 999;
    EXPECT_EQ(EVP_PKEY_decrypt(dec.get(), nullptr, &got, ct.data(), q.inlen), 1);
    EXPECT_EQ(got, q.want) << q.inlen;
  }
}

TEST_F(Sm2Method, CapacityTooSmallIsRefusedBeforeWriting) {
  spc::PkeyCtxPtr enc = context();
  ASSERT_EQ(EVP_PKEY_encrypt_init(enc.get()), 1);
  Bytes msg = randomBytes(16);
  Bytes buf(200, 0xEE);
  size_t len = 112;
  EXPECT_EQ(EVP_PKEY_encrypt(enc.get(), buf.data(), &len, msg.data(), 16), 0);
  EXPECT_EQ(len, 113u);
  EXPECT_EQ(buf, Bytes(200, 0xEE));
  len = 113;
  ASSERT_EQ(EVP_PKEY_encrypt(enc.get(), buf.data(), &len, msg.data(), 16), 1);
  Bytes ct(buf.begin(), buf.begin() + 113);

  spc::PkeyCtxPtr dec = context();
  ASSERT_EQ(EVP_PKEY_decrypt_init(dec.get()), 1);
  Bytes out(32, 0xEE);
  len = 15;
  EXPECT_EQ(EVP_PKEY_decrypt(dec.get(), out.data(), &len, ct.data(), ct.size()), 0);
  EXPECT_EQ(len, 16u);
  EXPECT_EQ(out, Bytes(32, 0xEE));
  len = out.size();
  ASSERT_EQ(EVP_PKEY_decrypt(dec.get(), out.data(), &len, ct.data(), ct.size()), 1);
  EXPECT_EQ(len, 16u);
  EXPECT_EQ(Bytes(out.begin(), out.begin() + 16), msg);
}

TEST_F(Sm2Method, TamperedCiphertextGivesLengthZero) {
  Bytes msg = randomBytes(16), ct;
  ASSERT_EQ(evpEncrypt(ours_.get(), msg, &ct), 1);
  spc::PkeyCtxPtr dec = context();
  ASSERT_EQ(EVP_PKEY_decrypt_init(dec.get()), 1);
  for (size_t offset : {0u, 1u, 33u, 64u, 65u, 96u, 97u, 112u}) {
    Bytes bad = ct;
    bad[offset] ^= 0x04;
    Bytes out(16);
    size_t len = out.size();
    EXPECT_EQ(EVP_PKEY_decrypt(dec.get(), out.data(), &len, bad.data(), bad.size()), 1);
    EXPECT_EQ(len, 0u) << offset;
  }
  Bytes out(16);
  size_t len = out.size();
  EXPECT_EQ(EVP_PKEY_decrypt(dec.get(), out.data(), &len, ct.data(), 96), 1);
  EXPECT_EQ(len, 0u);
  len = out.size();
  EXPECT_EQ(EVP_PKEY_decrypt(dec.get(), out.data(), &len, ct.data(), ct.size()), 1);
  EXPECT_EQ(len, 16u);
  EXPECT_EQ(out, msg);
}

TEST_F(Sm2Method, InitNeedsTheRightKeyHalf) {
  spc::PkeyPtr privOnly = ourPrivateOnlyPkey(d_.get());
  spc::PkeyPtr pubOnly = ourPublicPkey(d_.get());
  ASSERT_TRUE(privOnly && pubOnly);
  struct Case {
    const char* what;
    EVP_PKEY* key;
    int (*init)(EVP_PKEY_CTX*);
    bool ok;
  } cases[] = {
      {"encrypt, private only", privOnly.get(), EVP_PKEY_encrypt_init, false},
      {"verify, private only", privOnly.get(), EVP_PKEY_verify_init, false},
      {"decrypt, private only", privOnly.get(), EVP_PKEY_decrypt_init, true},
      {"sign, private only", privOnly.get(), EVP_PKEY_sign_init, true},
      {"decrypt, public only", pubOnly.get(), EVP_PKEY_decrypt_init, false},
      {"sign, public only", pubOnly.get(), EVP_PKEY_sign_init, false},
      {"encrypt, public only", pubOnly.get(), EVP_PKEY_encrypt_init, true},
      {"verify, public only", pubOnly.get(), EVP_PKEY_verify_init, true},
  };
  for (const Case& c : cases) {
    spc::PkeyCtxPtr ctx = context(c.key);
    ASSERT_TRUE(ctx) << c.what;
    EXPECT_EQ(c.init(ctx.get()) > 0, c.ok) << c.what;
  }
  ERR_clear_error();

  // The private-only key decrypts what the public-only key encrypts.
  Bytes msg = bytesOf("server random 16"), ct, pt;
  ASSERT_EQ(evpEncrypt(pubOnly.get(), msg, &ct), 1);
  ASSERT_EQ(evpDecrypt(privOnly.get(), ct, &pt), 1);
  EXPECT_EQ(pt, msg);
}

// Signs `msg` through our method; the DER signature, empty on failure.
Bytes evpSign(EVP_PKEY_CTX* ctx, const Bytes& msg) {
  Bytes sig(72);
  size_t len = sig.size();
  if (EVP_PKEY_sign(ctx, sig.data(), &len, msg.data(), msg.size()) != 1) return {};
  sig.resize(len);
  return sig;
}

TEST_F(Sm2Method, SignaturesVerifyBothWays) {
  spc::PkeyCtxPtr sign = context(), verify = context();
  ASSERT_EQ(EVP_PKEY_sign_init(sign.get()), 1);
  ASSERT_EQ(EVP_PKEY_verify_init(verify.get()), 1);
  for (size_t len : {0u, 1u, 16u, 64u, 200u}) {
    Bytes msg = randomBytes(len);
    Bytes ours = evpSign(sign.get(), msg);
    ASSERT_FALSE(ours.empty());
    EXPECT_EQ(ours[0], 0x30);
    EXPECT_EQ(opensslVerify(theirs_.get(), msg, ours, kDefaultId), 1) << len;
    EXPECT_EQ(EVP_PKEY_verify(verify.get(), ours.data(), ours.size(), msg.data(), msg.size()), 1);
    Bytes theirs = opensslSign(theirs_.get(), msg, kDefaultId);
    ASSERT_FALSE(theirs.empty());
    EXPECT_EQ(EVP_PKEY_verify(verify.get(), theirs.data(), theirs.size(), msg.data(), msg.size()),
              1)
        << len;
  }
}

TEST_F(Sm2Method, StandardSignatureThroughTheMethod) {
  spc::PkeyCtxPtr sign = context();
  ASSERT_EQ(EVP_PKEY_sign_init(sign.get()), 1);
  Bytes msg = bytesOf("message digest");
  Bytes der;
  {
    FixedScalar k(kExampleK);
    der = evpSign(sign.get(), msg);
  }
  const unsigned char* p = der.data();
  SigPtr sig(smlib::d2i_EC_SM2_SIG(nullptr, &p, static_cast<long>(der.size())));
  ASSERT_TRUE(sig);
  EXPECT_EQ(toHex(sig->r), "F5A03B0648D2C4630EEAC513E1BB81A15944DA3827D5B74143AC7EACEEE720B3");
  EXPECT_EQ(toHex(sig->s), "B1B6AA29DF212FD8763182BC0D421CA1BB9038FD1F7F42D4840B69C485BBC1AA");
}

TEST_F(Sm2Method, SignSizeQueryCapacityAndVerifyResults) {
  spc::PkeyCtxPtr sign = context(), verify = context();
  ASSERT_EQ(EVP_PKEY_sign_init(sign.get()), 1);
  ASSERT_EQ(EVP_PKEY_verify_init(verify.get()), 1);
  Bytes msg = bytesOf("pay 100 to bob");
  size_t len = 0;
  ASSERT_EQ(EVP_PKEY_sign(sign.get(), nullptr, &len, msg.data(), msg.size()), 1);
  EXPECT_GE(len, 8u);
  EXPECT_LE(len, 72u);

  Bytes small(10, 0xEE);
  len = small.size();
  EXPECT_EQ(EVP_PKEY_sign(sign.get(), small.data(), &len, msg.data(), msg.size()), 0);
  EXPECT_GT(len, 10u);
  EXPECT_LE(len, 72u);
  EXPECT_EQ(small, Bytes(10, 0xEE));

  Bytes sig = evpSign(sign.get(), msg);
  ASSERT_FALSE(sig.empty());
  Bytes other = bytesOf("pay 900 to bob");
  EXPECT_EQ(EVP_PKEY_verify(verify.get(), sig.data(), sig.size(), msg.data(), msg.size()), 1);
  EXPECT_EQ(EVP_PKEY_verify(verify.get(), sig.data(), sig.size(), other.data(), other.size()), 0);
  Bytes notDer = bytesOf("not a DER signature");
  EXPECT_EQ(EVP_PKEY_verify(verify.get(), notDer.data(), notDer.size(), msg.data(), msg.size()),
            -1);
  EXPECT_EQ(EVP_PKEY_verify(verify.get(), sig.data(), 5, msg.data(), msg.size()), -1);
  // Bytes after the SEQUENCE are ignored.
  Bytes trailing = sig;
  trailing.push_back(0);
  EXPECT_EQ(EVP_PKEY_verify(verify.get(), trailing.data(), trailing.size(), msg.data(), msg.size()),
            1);
  ERR_clear_error();
}

TEST_F(Sm2Method, IdentityAndDigestSetters) {
  spc::PkeyCtxPtr sign = context(), verify = context();
  ASSERT_EQ(EVP_PKEY_sign_init(sign.get()), 1);
  ASSERT_EQ(EVP_PKEY_verify_init(verify.get()), 1);
  EXPECT_EQ(smlib::pkey_sm2_get_default_id(), nullptr);
  EXPECT_EQ(smlib::pkey_sm2_get_default_md(), smlib::EVP_sm3());
  Bytes msg = bytesOf("hello");

  // The explicit standard identity is the default one.
  smlib::EVP_PKEY_CTX_set_id(sign.get(), kDefaultId);
  Bytes sig = evpSign(sign.get(), msg);
  EXPECT_EQ(EVP_PKEY_verify(verify.get(), sig.data(), sig.size(), msg.data(), msg.size()), 1);

  // Another identity: OpenSSL agrees with it, the default no longer verifies.
  smlib::EVP_PKEY_CTX_set_id(sign.get(), "ALICE123@YAHOO.COM");
  sig = evpSign(sign.get(), msg);
  EXPECT_EQ(EVP_PKEY_verify(verify.get(), sig.data(), sig.size(), msg.data(), msg.size()), 0);
  EXPECT_EQ(opensslVerify(theirs_.get(), msg, sig, "ALICE123@YAHOO.COM"), 1);
  smlib::EVP_PKEY_CTX_set_id(verify.get(), "ALICE123@YAHOO.COM");
  EXPECT_EQ(EVP_PKEY_verify(verify.get(), sig.data(), sig.size(), msg.data(), msg.size()), 1);

  // Another digest changes C3's size: SHA-256 is 32 bytes too, SHA-512 64.
  spc::PkeyCtxPtr enc = context(), dec = context();
  ASSERT_EQ(EVP_PKEY_encrypt_init(enc.get()), 1);
  ASSERT_EQ(EVP_PKEY_decrypt_init(dec.get()), 1);
  smlib::EVP_PKEY_CTX_set_md(enc.get(), EVP_sha512());
  smlib::EVP_PKEY_CTX_set_md(dec.get(), EVP_sha512());
  size_t len = 0;
  ASSERT_EQ(EVP_PKEY_encrypt(enc.get(), nullptr, &len, msg.data(), msg.size()), 1);
  EXPECT_EQ(len, msg.size() + 65 + 64);
  Bytes ct(len);
  ASSERT_EQ(EVP_PKEY_encrypt(enc.get(), ct.data(), &len, msg.data(), msg.size()), 1);
  Bytes pt(msg.size());
  len = pt.size();
  ASSERT_EQ(EVP_PKEY_decrypt(dec.get(), pt.data(), &len, ct.data(), ct.size()), 1);
  EXPECT_EQ(pt, msg);

  // A context of another method is left alone.
  spc::PkeyCtxPtr foreign(EVP_PKEY_CTX_new(theirs_.get(), nullptr));
  smlib::EVP_PKEY_CTX_set_id(foreign.get(), "x");
  smlib::EVP_PKEY_CTX_set_md(nullptr, EVP_sha256());
}

TEST_F(Sm2Method, ContextDuplicateKeepsIdentityAndWorks) {
  spc::PkeyCtxPtr sign = context();
  ASSERT_EQ(EVP_PKEY_sign_init(sign.get()), 1);
  smlib::EVP_PKEY_CTX_set_id(sign.get(), "carol");
  spc::PkeyCtxPtr copy(EVP_PKEY_CTX_dup(sign.get()));
  ASSERT_TRUE(copy);
  auto* data = static_cast<smlib::SM2_PKEY_CTX*>(EVP_PKEY_CTX_get_data(copy.get()));
  ASSERT_NE(data, nullptr);
  EXPECT_NE(data, EVP_PKEY_CTX_get_data(sign.get()));
  EXPECT_STREQ(data->id, "carol");
  sign.reset();  // the copy stands on its own

  Bytes msg = bytesOf("duplicated");
  Bytes sig = evpSign(copy.get(), msg);
  ASSERT_FALSE(sig.empty());
  EXPECT_EQ(opensslVerify(theirs_.get(), msg, sig, "carol"), 1);

  spc::PkeyCtxPtr enc = context();
  ASSERT_EQ(EVP_PKEY_encrypt_init(enc.get()), 1);
  spc::PkeyCtxPtr encCopy(EVP_PKEY_CTX_dup(enc.get()));
  ASSERT_TRUE(encCopy);
  Bytes ct(msg.size() + 97);
  size_t len = ct.size();
  ASSERT_EQ(EVP_PKEY_encrypt(encCopy.get(), ct.data(), &len, msg.data(), msg.size()), 1);
  Bytes pt;
  ASSERT_EQ(evpDecrypt(ours_.get(), ct, &pt), 1);
  EXPECT_EQ(pt, msg);
}

TEST(Sm2Signature, DerMatchesOpenSslsEcdsaSigEncoding) {
  const char* values[][2] = {
      {"1", "2"},
      {"80", "7F"},
      {"F5A03B0648D2C4630EEAC513E1BB81A15944DA3827D5B74143AC7EACEEE720B3",
       "B1B6AA29DF212FD8763182BC0D421CA1BB9038FD1F7F42D4840B69C485BBC1AA"},
      {"00FF", "FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFF7203DF6B21C6052B53BBF40939D54122"},
  };
  for (const auto& v : values) {
    SigPtr sig(smlib::EC_SM2_SIG_new());
    BN_hex2bn(&sig->r, v[0]);
    BN_hex2bn(&sig->s, v[1]);
    unsigned char* ours = nullptr;
    int len = smlib::i2d_EC_SM2_SIG(sig.get(), &ours);
    ASSERT_GT(len, 0);
    EXPECT_LE(len, 72);
    EXPECT_EQ(ours[0], 0x30);
    ECDSA_SIG* ref = ECDSA_SIG_new();
    ECDSA_SIG_set0(ref, BN_dup(sig->r), BN_dup(sig->s));
    unsigned char* theirs = nullptr;
    int refLen = i2d_ECDSA_SIG(ref, &theirs);
    EXPECT_EQ(Bytes(ours, ours + len), Bytes(theirs, theirs + refLen)) << v[0];

    // Decoding gives back r and s, reusing the record handed in.
    SigPtr back(smlib::EC_SM2_SIG_new());
    smlib::EC_SM2_SIG* reused = back.get();
    const unsigned char* p = ours;
    ASSERT_EQ(smlib::d2i_EC_SM2_SIG(&reused, &p, len), back.get());
    EXPECT_EQ(p, ours + len);
    EXPECT_EQ(BN_cmp(back->r, sig->r), 0);
    EXPECT_EQ(BN_cmp(back->s, sig->s), 0);

    // Encoding into a caller's buffer advances the pointer.
    Bytes buf(len);
    unsigned char* w = buf.data();
    EXPECT_EQ(smlib::i2d_EC_SM2_SIG(sig.get(), &w), len);
    EXPECT_EQ(w, buf.data() + len);
    EXPECT_EQ(buf, Bytes(ours, ours + len));
    OPENSSL_free(ours);
    OPENSSL_free(theirs);
    ECDSA_SIG_free(ref);
  }
  const unsigned char junk[] = {0x30, 0x03, 0x02, 0x01};
  const unsigned char* p = junk;
  EXPECT_EQ(smlib::d2i_EC_SM2_SIG(nullptr, &p, sizeof junk), nullptr);
  smlib::EC_SM2_SIG_free(nullptr);
  ERR_clear_error();
}

}  // namespace
