// The GM/T 0003 algorithms called directly: the standard's worked examples,
// key check and generation, the identity hash, signature and encryption
// failure cases, with OpenSSL's own SM2 as the second implementation.
#include <gtest/gtest.h>
#include <openssl/obj_mac.h>

#include <cstring>
#include <utility>

#include "sm/sm3/sm3.h"
#include "sm2_oracle.h"

using namespace sm2test;

namespace {

const EVP_MD* sm3() { return smlib::EVP_sm3(); }

const char kExampleR[] = "F5A03B0648D2C4630EEAC513E1BB81A15944DA3827D5B74143AC7EACEEE720B3";
const char kExampleS[] = "B1B6AA29DF212FD8763182BC0D421CA1BB9038FD1F7F42D4840B69C485BBC1AA";
const char kExampleC1x[] = "04EBFC718E8D1798620432268E77FEB6415E2EDE0E073C0F4F640ECD2E149A73";
const char kExampleC3[] = "59983C18F809E262923C53AEC295D30383B54E39D609D160AFCB1908D0BD8766";
const char kExampleC2[] = "21886CA989CA9C7D58087307CA93092D651EFA";

// A public key on the bare curve group (no generator, order or cofactor),
// made without the library's constructors; null on failure.
spc::EcKeyPtr bareGroupKey(const BIGNUM* x, const BIGNUM* y) {
  smlib::ec_sm2_data* rec = smlib::ec_sm2_data_new();
  if (rec == nullptr) return spc::EcKeyPtr();
  spc::EcKeyPtr key(EC_KEY_new());
  EC_POINT* pub = EC_POINT_new(rec->group);
  bool ok = key && pub && EC_KEY_set_group(key.get(), rec->group) &&
            EC_POINT_set_affine_coordinates(rec->group, pub, x, y, nullptr) &&
            EC_KEY_set_public_key(key.get(), pub);
  EC_POINT_free(pub);
  smlib::ec_sm2_data_free(rec);
  return ok ? std::move(key) : spc::EcKeyPtr();
}

class Sm2Algorithms : public ::testing::Test {
 protected:
  void SetUp() override {
    d_ = bnFromHex(kExampleD);
    key_ = ourKey(d_.get());
    ASSERT_TRUE(key_);
  }
  spc::BnPtr d_;
  spc::EcKeyPtr key_;
};

TEST_F(Sm2Algorithms, StandardSignatureExample) {
  const Bytes msg = bytesOf("message digest");
  FixedScalar k(kExampleK);
  SigPtr sig(smlib::EC_SM2_SIG_new());
  ASSERT_EQ(smlib::EC_SM2_sign(key_.get(), nullptr, msg.data(), msg.size(), sig.get(), sm3()), 1);
  EXPECT_EQ(toHex(sig->r), kExampleR);
  EXPECT_EQ(toHex(sig->s), kExampleS);
  EXPECT_EQ(k.draws(), 1);
  EXPECT_EQ(smlib::EC_SM2_verify(key_.get(), nullptr, msg.data(), msg.size(), sig.get(), sm3()), 1);

  // OpenSSL's SM2 accepts the published signature.
  ECDSA_SIG* der = ECDSA_SIG_new();
  ECDSA_SIG_set0(der, BN_dup(sig->r), BN_dup(sig->s));
  unsigned char* buf = nullptr;
  int len = i2d_ECDSA_SIG(der, &buf);
  spc::PkeyPtr theirs = opensslKey(d_.get());
  EXPECT_EQ(opensslVerify(theirs.get(), msg, Bytes(buf, buf + len), kDefaultId), 1);
  OPENSSL_free(buf);
  ECDSA_SIG_free(der);
}

TEST_F(Sm2Algorithms, ZeroScalarIsDrawnAgain) {
  const Bytes msg = bytesOf("message digest");
  FixedScalar k({"0", kExampleK});
  SigPtr sig(smlib::EC_SM2_SIG_new());
  ASSERT_EQ(smlib::EC_SM2_sign(key_.get(), nullptr, msg.data(), msg.size(), sig.get(), sm3()), 1);
  EXPECT_EQ(k.draws(), 2);
  EXPECT_EQ(toHex(sig->r), kExampleR);
}

TEST_F(Sm2Algorithms, StandardEncryptionExample) {
  const Bytes msg = bytesOf("encryption standard");
  Bytes out(msg.size() + 97);
  {
    FixedScalar k({"0", kExampleK});
    ASSERT_EQ(smlib::EC_SM2_encrypt(key_.get(), msg.data(), msg.size(), out.data(), sm3()),
              static_cast<int>(msg.size() + 97));
    EXPECT_EQ(k.draws(), 2);
  }
  EXPECT_EQ(out[0], 0x04);
  EXPECT_EQ(toHex(Bytes(out.begin() + 1, out.begin() + 33)), kExampleC1x);
  EXPECT_EQ(toHex(Bytes(out.begin() + 65, out.begin() + 97)), kExampleC3);
  EXPECT_EQ(toHex(Bytes(out.begin() + 97, out.end())), kExampleC2);

  Bytes plain(msg.size());
  ASSERT_EQ(smlib::EC_SM2_decrypt(key_.get(), out.data(), out.size(), plain.data(), sm3()),
            static_cast<int>(msg.size()));
  EXPECT_EQ(plain, msg);
  spc::PkeyPtr theirs = opensslKey(d_.get());
  Bytes back;
  ASSERT_TRUE(opensslDecrypt(theirs.get(), rawToDer(out), &back));
  EXPECT_EQ(back, msg);
}

TEST_F(Sm2Algorithms, CheckKey) {
  // The base point itself is a valid public key.
  spc::BnPtr gx(BN_bin2bn(smlib::EC_SM2_Gx, 32, nullptr)),
      gy(BN_bin2bn(smlib::EC_SM2_Gy, 32, nullptr));
  spc::EcKeyPtr base(smlib::EC_KEY_from_BN(gx.get(), gy.get(), nullptr));
  ASSERT_TRUE(base);
  EXPECT_EQ(smlib::EC_SM2_check_key(base.get()), 1);

  // No public point.
  spc::EcKeyPtr privOnly(smlib::EC_KEY_from_BN_EX(d_.get()));
  ASSERT_TRUE(privOnly);
  EXPECT_EQ(smlib::EC_SM2_check_key(privOnly.get()), 0);
  EXPECT_EQ(smlib::EC_SM2_check_key_ex(privOnly.get()), 1);
  EXPECT_EQ(smlib::EC_SM2_check_key(nullptr), 0);

  // A point of another curve over the same field, set behind the constructor's back.
  spc::BnPtr p(BN_bin2bn(smlib::EC_SM2_p, 32, nullptr)), a(BN_bin2bn(smlib::EC_SM2_a, 32, nullptr));
  spc::BnPtr b7(BN_new());
  BN_set_word(b7.get(), 7);
  EC_GROUP* other = EC_GROUP_new_curve_GFp(p.get(), a.get(), b7.get(), nullptr);
  EC_POINT* q = EC_POINT_new(other);
  spc::BnPtr x(BN_new());
  for (BN_ULONG w = 1; !EC_POINT_set_compressed_coordinates(other, q, x.get(), 0, nullptr); ++w)
    BN_set_word(x.get(), w);
  spc::EcKeyPtr off(smlib::EC_KEY_SM2_init(nullptr));
  ASSERT_TRUE(EC_KEY_set_public_key(off.get(), q));
  EXPECT_EQ(smlib::EC_SM2_check_key(off.get()), 0);
  EC_POINT_free(q);
  EC_GROUP_free(other);
}

TEST_F(Sm2Algorithms, KeysFromNumbersRefuseNonPoints) {
  spc::BnPtr x, y;
  publicPointOf(d_.get(), &x, &y);
  spc::BnPtr y1(BN_dup(y.get()));
  BN_add_word(y1.get(), 1);
  spc::BnPtr xp(BN_dup(x.get()));
  BN_add(xp.get(), xp.get(), spc::BnPtr(BN_bin2bn(smlib::EC_SM2_p, 32, nullptr)).get());
  spc::BnPtr neg(BN_dup(y.get()));
  BN_set_negative(neg.get(), 1);
  struct {
    const char* what;
    const BIGNUM* x;
    const BIGNUM* y;
  } cases[] = {{"off the curve", x.get(), y1.get()},
               {"x + p", xp.get(), y.get()},
               {"negative y", x.get(), neg.get()},
               {"null y", x.get(), nullptr}};
  for (const auto& c : cases) {
    spc::EcKeyPtr k(smlib::EC_KEY_from_BN(c.x, c.y, nullptr));
    EXPECT_FALSE(k) << c.what;
  }
}

TEST_F(Sm2Algorithms, GenerateKey) {
  // A key that holds something is left alone.
  EXPECT_EQ(smlib::EC_SM2_generate_key(key_.get()), 0);
  EXPECT_EQ(BN_cmp(EC_KEY_get0_private_key(key_.get()), d_.get()), 0);
  spc::EcKeyPtr privOnly(smlib::EC_KEY_from_BN_EX(d_.get()));
  EXPECT_EQ(smlib::EC_SM2_generate_key(privOnly.get()), 0);
  EXPECT_EQ(EC_KEY_get0_public_key(privOnly.get()), nullptr);
  // A key without the SM2 group is refused.
  spc::EcKeyPtr plain(EC_KEY_new());
  EXPECT_EQ(smlib::EC_SM2_generate_key(plain.get()), 0);

  spc::EcKeyPtr fresh(smlib::EC_KEY_from_BN_EX(nullptr));
  ASSERT_EQ(smlib::EC_SM2_generate_key(fresh.get()), 1);
  const BIGNUM* d = EC_KEY_get0_private_key(fresh.get());
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(smlib::EC_SM2_check_key(fresh.get()), 1);
  spc::BnPtr x, y, gotX(BN_new()), gotY(BN_new());
  publicPointOf(d, &x, &y);
  ASSERT_TRUE(EC_POINT_get_affine_coordinates(EC_KEY_get0_group(fresh.get()),
                                              EC_KEY_get0_public_key(fresh.get()), gotX.get(),
                                              gotY.get(), nullptr));
  EXPECT_EQ(BN_cmp(gotX.get(), x.get()), 0);
  EXPECT_EQ(BN_cmp(gotY.get(), y.get()), 0);
  // The generated pair works with OpenSSL's SM2.
  spc::PkeyPtr theirs = opensslKey(d);
  Bytes msg = bytesOf("generated");
  SigPtr sig(smlib::EC_SM2_SIG_new());
  ASSERT_EQ(smlib::EC_SM2_sign(fresh.get(), nullptr, msg.data(), msg.size(), sig.get(), sm3()), 1);
  unsigned char* der = nullptr;
  int len = smlib::i2d_EC_SM2_SIG(sig.get(), &der);
  EXPECT_EQ(opensslVerify(theirs.get(), msg, Bytes(der, der + len), kDefaultId), 1);
  OPENSSL_free(der);
}

TEST_F(Sm2Algorithms, IdentityHash) {
  Bytes msg = bytesOf("abc");
  spc::BnPtr byDefault(
      smlib::EC_SM2_HashIdMessage(key_.get(), nullptr, msg.data(), msg.size(), sm3()));
  spc::BnPtr explicitId(
      smlib::EC_SM2_HashIdMessage(key_.get(), kDefaultId, msg.data(), msg.size(), sm3()));
  spc::BnPtr other(
      smlib::EC_SM2_HashIdMessage(key_.get(), "ALICE123@YAHOO.COM", msg.data(), msg.size(), sm3()));
  ASSERT_TRUE(byDefault && explicitId && other);
  EXPECT_EQ(BN_cmp(byDefault.get(), explicitId.get()), 0);
  EXPECT_NE(BN_cmp(byDefault.get(), other.get()), 0);
  spc::EcKeyPtr privOnly(smlib::EC_KEY_from_BN_EX(d_.get()));
  EXPECT_EQ(spc::BnPtr(smlib::EC_SM2_HashIdMessage(privOnly.get(), nullptr, msg.data(), msg.size(),
                                                   sm3())),
            nullptr);
  EXPECT_EQ(
      spc::BnPtr(smlib::EC_SM2_HashIdMessage(key_.get(), nullptr, msg.data(), msg.size(), nullptr)),
      nullptr);
}

TEST_F(Sm2Algorithms, VerifyRefusals) {
  const Bytes msg = bytesOf("message digest");
  SigPtr sig(smlib::EC_SM2_SIG_new());
  ASSERT_EQ(smlib::EC_SM2_sign(key_.get(), "alice", msg.data(), msg.size(), sig.get(), sm3()), 1);
  spc::BnPtr r(BN_dup(sig->r)), s(BN_dup(sig->s));
  spc::BnPtr n(BN_bin2bn(smlib::EC_SM2_n, 32, nullptr)), zero(BN_new());
  BN_zero(zero.get());
  const Bytes other = bytesOf("message digesT");

  struct Case {
    const char* what;
    const char* id;
    const Bytes* msg;
    const BIGNUM* r;
    const BIGNUM* s;
    int want;
  } cases[] = {
      {"as signed", "alice", &msg, r.get(), s.get(), 1},
      {"other identity", "bob", &msg, r.get(), s.get(), 0},
      {"default identity", nullptr, &msg, r.get(), s.get(), 0},
      {"other message", "alice", &other, r.get(), s.get(), 0},
      {"r = 0", "alice", &msg, zero.get(), s.get(), 0},
      {"r = n", "alice", &msg, n.get(), s.get(), 0},
      {"s = 0", "alice", &msg, r.get(), zero.get(), 0},
      {"s = n", "alice", &msg, r.get(), n.get(), 0},
      {"r and s swapped", "alice", &msg, s.get(), r.get(), 0},
  };
  for (const Case& c : cases) {
    SigPtr probe(smlib::EC_SM2_SIG_new());
    BN_copy(probe->r, c.r);
    BN_copy(probe->s, c.s);
    EXPECT_EQ(
        smlib::EC_SM2_verify(key_.get(), c.id, c.msg->data(), c.msg->size(), probe.get(), sm3()),
        c.want)
        << c.what;
    // The caller's signature is not modified.
    EXPECT_EQ(BN_cmp(probe->r, c.r), 0) << c.what;
    EXPECT_EQ(BN_cmp(probe->s, c.s), 0) << c.what;
  }
  EXPECT_EQ(smlib::EC_SM2_verify(key_.get(), nullptr, msg.data(), msg.size(), nullptr, sm3()), -1);
}

TEST_F(Sm2Algorithms, SignRefusals) {
  const Bytes msg = bytesOf("m");
  SigPtr sig(smlib::EC_SM2_SIG_new());
  spc::EcKeyPtr privOnly(smlib::EC_KEY_from_BN_EX(d_.get()));
  spc::BnPtr x, y;
  publicPointOf(d_.get(), &x, &y);
  spc::EcKeyPtr pubOnly(smlib::EC_KEY_from_BN(x.get(), y.get(), nullptr));
  // The identity hash needs the public point, signing needs d.
  EXPECT_NE(smlib::EC_SM2_sign(privOnly.get(), nullptr, msg.data(), msg.size(), sig.get(), sm3()),
            1);
  EXPECT_NE(smlib::EC_SM2_sign(pubOnly.get(), nullptr, msg.data(), msg.size(), sig.get(), sm3()),
            1);
  EXPECT_NE(smlib::EC_SM2_sign(key_.get(), nullptr, msg.data(), msg.size(), nullptr, sm3()), 1);
  EXPECT_NE(smlib::EC_SM2_sign(key_.get(), nullptr, msg.data(), msg.size(), sig.get(), nullptr), 1);
}

TEST_F(Sm2Algorithms, EncryptionRoundTripAndSizes) {
  Bytes msg = randomBytes(16);
  EXPECT_EQ(smlib::EC_SM2_encrypt(key_.get(), msg.data(), 16, nullptr, sm3()), 113);
  Bytes a(113), b(113);
  ASSERT_EQ(smlib::EC_SM2_encrypt(key_.get(), msg.data(), 16, a.data(), sm3()), 113);
  ASSERT_EQ(smlib::EC_SM2_encrypt(key_.get(), msg.data(), 16, b.data(), sm3()), 113);
  EXPECT_EQ(a[0], 0x04);
  EXPECT_NE(a, b);  // a fresh k each time
  EXPECT_EQ(smlib::EC_SM2_decrypt(key_.get(), a.data(), 113, nullptr, sm3()), 16);
  EXPECT_EQ(smlib::EC_SM2_decrypt(key_.get(), a.data(), 97, nullptr, sm3()), 0);
  EXPECT_EQ(smlib::EC_SM2_decrypt(key_.get(), a.data(), 96, nullptr, sm3()), 0);
  // The size query reads no ciphertext, so it needs none.
  EXPECT_EQ(smlib::EC_SM2_decrypt(key_.get(), nullptr, 113, nullptr, sm3()), 16);
  EXPECT_EQ(smlib::EC_SM2_encrypt(key_.get(), nullptr, 16, nullptr, sm3()), 113);
  Bytes plain(16);
  ASSERT_EQ(smlib::EC_SM2_decrypt(key_.get(), a.data(), 113, plain.data(), sm3()), 16);
  EXPECT_EQ(plain, msg);
  // An empty message is refused at once, with no draw.
  FixedScalar k(kExampleK);
  EXPECT_EQ(smlib::EC_SM2_encrypt(key_.get(), msg.data(), 0, a.data(), sm3()), 0);
  EXPECT_EQ(k.draws(), 0);
}

TEST_F(Sm2Algorithms, DecryptionRefusals) {
  Bytes msg = bytesOf("sixteen byte msg");
  Bytes good(113);
  ASSERT_EQ(smlib::EC_SM2_encrypt(key_.get(), msg.data(), msg.size(), good.data(), sm3()), 113);
  struct Case {
    const char* what;
    size_t offset;
    unsigned char mask;
  } flips[] = {{"C1 form byte 0x04 -> 0x05", 0, 0x01},
               {"C1 x", 10, 0x80},
               {"C1 y", 40, 0x01},
               {"C3", 65, 0x01},
               {"C3 last", 96, 0x80},
               {"C2", 97, 0x01},
               {"C2 last", 112, 0x80}};
  for (const Case& c : flips) {
    Bytes bad = good;
    bad[c.offset] ^= c.mask;
    Bytes out(16, 0xEE);
    EXPECT_EQ(smlib::EC_SM2_decrypt(key_.get(), bad.data(), bad.size(), out.data(), sm3()), 0)
        << c.what;
  }
  // Compressed form at 65 bytes is no point; the hybrid form is accepted.
  Bytes compressed = good;
  compressed[0] = 0x02;
  Bytes out(16);
  EXPECT_EQ(smlib::EC_SM2_decrypt(key_.get(), compressed.data(), 113, out.data(), sm3()), 0);
  Bytes hybrid = good;
  hybrid[0] = static_cast<unsigned char>(0x06 | (good[64] & 1));
  EXPECT_EQ(smlib::EC_SM2_decrypt(key_.get(), hybrid.data(), 113, out.data(), sm3()), 16);
  EXPECT_EQ(out, msg);
  // Too short, and empty C2.
  EXPECT_EQ(smlib::EC_SM2_decrypt(key_.get(), good.data(), 96, out.data(), sm3()), 0);
  EXPECT_EQ(smlib::EC_SM2_decrypt(key_.get(), good.data(), 97, out.data(), sm3()), 0);
  EXPECT_EQ(smlib::EC_SM2_decrypt(key_.get(), nullptr, 113, out.data(), sm3()), 0);
  // A key without d cannot decrypt; one without P cannot encrypt.
  spc::BnPtr x, y;
  publicPointOf(d_.get(), &x, &y);
  spc::EcKeyPtr pubOnly(smlib::EC_KEY_from_BN(x.get(), y.get(), nullptr));
  EXPECT_EQ(smlib::EC_SM2_decrypt(pubOnly.get(), good.data(), 113, out.data(), sm3()), 0);
  spc::EcKeyPtr privOnly(smlib::EC_KEY_from_BN_EX(d_.get()));
  Bytes ct(113);
  EXPECT_EQ(smlib::EC_SM2_encrypt(privOnly.get(), msg.data(), msg.size(), ct.data(), sm3()), 0);
}

// Any EC_KEY on the SM2 curve works, with or without a record yet: one on
// OpenSSL's named curve, and one on a bare curve group without a generator.
TEST_F(Sm2Algorithms, OtherKeysOnTheCurveWork) {
  spc::BnPtr x, y;
  publicPointOf(d_.get(), &x, &y);
  spc::EcKeyPtr named(EC_KEY_new_by_curve_name(NID_sm2));
  ASSERT_TRUE(EC_KEY_set_private_key(named.get(), d_.get()));
  ASSERT_TRUE(EC_KEY_set_public_key_affine_coordinates(named.get(), x.get(), y.get()));

  spc::EcKeyPtr bare = bareGroupKey(x.get(), y.get());
  ASSERT_TRUE(bare);

  const Bytes msg = bytesOf("any key on the curve");
  for (EC_KEY* encryptor : {named.get(), bare.get()}) {
    EXPECT_EQ(smlib::EC_SM2_check_key(encryptor), 1);
    Bytes ct(msg.size() + 97), out(msg.size());
    ASSERT_GT(smlib::EC_SM2_encrypt(encryptor, msg.data(), msg.size(), ct.data(), sm3()), 0);
    ASSERT_GT(smlib::EC_SM2_decrypt(named.get(), ct.data(), ct.size(), out.data(), sm3()), 0);
    EXPECT_EQ(out, msg);
  }
  SigPtr sig(smlib::EC_SM2_SIG_new());
  ASSERT_EQ(smlib::EC_SM2_sign(named.get(), nullptr, msg.data(), msg.size(), sig.get(), sm3()), 1);
  EXPECT_EQ(smlib::EC_SM2_verify(bare.get(), nullptr, msg.data(), msg.size(), sig.get(), sm3()), 1);
  EXPECT_EQ(smlib::EC_SM2_verify(key_.get(), nullptr, msg.data(), msg.size(), sig.get(), sm3()), 1);
}

// Products with a secret scalar are formed on the key's own SM2 group when
// it has one and on the record's bare arithmetic group otherwise: for the
// same k both give the published ciphertext, and a private number that is
// congruent to d modulo n (above n, with or without more bits than n)
// decrypts exactly as d does.
TEST_F(Sm2Algorithms, SecretProductsAgreeOnEitherGroup) {
  const Bytes msg = bytesOf("encryption standard");
  spc::BnPtr x, y;
  publicPointOf(d_.get(), &x, &y);
  spc::EcKeyPtr bare = bareGroupKey(x.get(), y.get());
  ASSERT_TRUE(bare);
  ASSERT_EQ(EC_GROUP_get0_generator(EC_KEY_get0_group(bare.get())), nullptr);

  for (EC_KEY* encryptor : {key_.get(), bare.get()}) {
    Bytes out(msg.size() + 97);
    FixedScalar k(kExampleK);
    ASSERT_EQ(smlib::EC_SM2_encrypt(encryptor, msg.data(), msg.size(), out.data(), sm3()),
              static_cast<int>(out.size()));
    EXPECT_EQ(toHex(Bytes(out.begin() + 1, out.begin() + 33)), kExampleC1x);
    EXPECT_EQ(toHex(Bytes(out.begin() + 65, out.begin() + 97)), kExampleC3);
    EXPECT_EQ(toHex(Bytes(out.begin() + 97, out.end())), kExampleC2);
  }

  const spc::BnPtr n(BN_bin2bn(smlib::EC_SM2_n, 32, nullptr));
  // A small d, so that d + n still has n's bit length.
  for (const char* base : {kExampleD, "1234ABCD"}) {
    spc::BnPtr d = bnFromHex(base);
    spc::EcKeyPtr owner = ourKey(d.get());
    ASSERT_TRUE(owner);
    Bytes ct(msg.size() + 97);
    ASSERT_GT(smlib::EC_SM2_encrypt(owner.get(), msg.data(), msg.size(), ct.data(), sm3()), 0);
    for (unsigned long multiple : {1ul, 5ul, 1ul << 20}) {
      spc::BnPtr congruent(BN_dup(n.get()));
      ASSERT_TRUE(BN_mul_word(congruent.get(), multiple));
      ASSERT_TRUE(BN_add(congruent.get(), congruent.get(), d.get()));
      spc::EcKeyPtr key(smlib::EC_KEY_from_BN_EX(congruent.get()));
      ASSERT_TRUE(key);
      Bytes out(msg.size());
      EXPECT_EQ(smlib::EC_SM2_decrypt(key.get(), ct.data(), ct.size(), out.data(), sm3()),
                static_cast<int>(msg.size()))
          << base << " + " << multiple << "n";
      EXPECT_EQ(out, msg);
    }
  }
}

TEST_F(Sm2Algorithms, EveryConstructorMarksAnSm2Key) {
  spc::BnPtr x, y;
  publicPointOf(d_.get(), &x, &y);
  // A key of another curve is given the SM2 group in place of its own.
  EC_KEY* p256 = EC_KEY_new_by_curve_name(NID_X9_62_prime256v1);
  ASSERT_NE(p256, nullptr);
  ASSERT_EQ(smlib::EC_KEY_SM2_init(p256), p256);
  spc::EcKeyPtr converted(p256);
  spc::BnPtr p(BN_new());
  ASSERT_TRUE(
      EC_GROUP_get_curve(EC_KEY_get0_group(converted.get()), p.get(), nullptr, nullptr, nullptr));
  EXPECT_EQ(BN_cmp(p.get(), spc::BnPtr(BN_bin2bn(smlib::EC_SM2_p, 32, nullptr)).get()), 0);
  ASSERT_EQ(smlib::EC_SM2_generate_key(converted.get()), 1);
  EXPECT_EQ(smlib::EC_SM2_check_key(converted.get()), 1);

  struct {
    const char* what;
    spc::EcKeyPtr key;
  } cases[] = {
      {"EC_KEY_SM2_init(null)", spc::EcKeyPtr(smlib::EC_KEY_SM2_init(nullptr))},
      {"EC_KEY_SM2_init(P-256 key)", std::move(converted)},
      {"EC_KEY_from_BN", spc::EcKeyPtr(smlib::EC_KEY_from_BN(x.get(), y.get(), d_.get()))},
      {"EC_KEY_from_BN_EX", spc::EcKeyPtr(smlib::EC_KEY_from_BN_EX(d_.get()))},
      {"EC_KEY_from_BN_EX(null)", spc::EcKeyPtr(smlib::EC_KEY_from_BN_EX(nullptr))},
  };
  for (const auto& c : cases) {
    ASSERT_TRUE(c.key) << c.what;
    EXPECT_EQ(smlib::EC_KEY_is_sm2(c.key.get()), 1) << c.what;
  }
}

TEST_F(Sm2Algorithms, PublicPointAtInfinityIsRefused) {
  spc::EcKeyPtr key(smlib::EC_KEY_SM2_init(nullptr));
  ASSERT_TRUE(key);
  EC_POINT* infinity = EC_POINT_new(EC_KEY_get0_group(key.get()));
  ASSERT_TRUE(EC_POINT_set_to_infinity(EC_KEY_get0_group(key.get()), infinity));
  ASSERT_TRUE(EC_KEY_set_public_key(key.get(), infinity));
  EC_POINT_free(infinity);
  EXPECT_EQ(smlib::EC_SM2_check_key(key.get()), 0);
  const Bytes msg = bytesOf("m");
  Bytes out(msg.size() + 97);
  EXPECT_EQ(smlib::EC_SM2_encrypt(key.get(), msg.data(), msg.size(), out.data(), sm3()), 0);
}

TEST_F(Sm2Algorithms, PrivateOnlyKeyDecrypts) {
  Bytes msg = bytesOf("server random 16");
  Bytes ct(msg.size() + 97);
  ASSERT_GT(smlib::EC_SM2_encrypt(key_.get(), msg.data(), msg.size(), ct.data(), sm3()), 0);
  spc::EcKeyPtr privOnly(smlib::EC_KEY_from_BN_EX(d_.get()));
  Bytes out(msg.size());
  ASSERT_EQ(smlib::EC_SM2_decrypt(privOnly.get(), ct.data(), ct.size(), out.data(), sm3()),
            static_cast<int>(msg.size()));
  EXPECT_EQ(out, msg);
}

}  // namespace
