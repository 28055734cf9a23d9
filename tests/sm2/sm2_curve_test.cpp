// Curve tables, the curve record on keys, and the two byte helpers, against
// OpenSSL's own SM2 curve and its X9.63 KDF (the same construction as SM2's).
#include <gtest/gtest.h>
#include <openssl/core_names.h>
#include <openssl/kdf.h>
#include <openssl/obj_mac.h>

#include <cstring>

#include "sm/sm3/sm3.h"
#include "sm2_oracle.h"

using namespace sm2test;

namespace {

TEST(Sm2Curve, TablesMatchOpenSslCurve) {
  EC_GROUP* group = EC_GROUP_new_by_curve_name(NID_sm2);
  ASSERT_NE(group, nullptr);
  spc::BnPtr p(BN_new()), a(BN_new()), b(BN_new()), gx(BN_new()), gy(BN_new());
  ASSERT_TRUE(EC_GROUP_get_curve(group, p.get(), a.get(), b.get(), nullptr));
  ASSERT_TRUE(EC_POINT_get_affine_coordinates(group, EC_GROUP_get0_generator(group), gx.get(),
                                              gy.get(), nullptr));
  struct {
    const unsigned char* table;
    const BIGNUM* want;
  } cases[] = {{smlib::EC_SM2_p, p.get()},   {smlib::EC_SM2_a, a.get()},
               {smlib::EC_SM2_b, b.get()},   {smlib::EC_SM2_n, EC_GROUP_get0_order(group)},
               {smlib::EC_SM2_Gx, gx.get()}, {smlib::EC_SM2_Gy, gy.get()}};
  for (const auto& c : cases) {
    spc::BnPtr got(BN_bin2bn(c.table, 32, nullptr));
    EXPECT_EQ(BN_cmp(got.get(), c.want), 0) << toHex(got.get());
  }
  EC_GROUP_free(group);
}

TEST(Sm2Curve, RecordHasNoGeneratorAndKeepsG) {
  smlib::ec_sm2_data* rec = smlib::ec_sm2_data_new();
  ASSERT_NE(rec, nullptr);
  EXPECT_EQ(EC_GROUP_get0_generator(rec->group), nullptr);
  EXPECT_EQ(EC_POINT_is_on_curve(rec->group, rec->G, nullptr), 1);
  spc::BnPtr n(BN_bin2bn(smlib::EC_SM2_n, 32, nullptr));
  EXPECT_EQ(BN_cmp(rec->n, n.get()), 0);
  EXPECT_EQ(smlib::ec_sm2_data_dup(nullptr), nullptr);
  smlib::ec_sm2_data* copy = smlib::ec_sm2_data_dup(rec);
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy, rec);
  EXPECT_EQ(EC_POINT_cmp(rec->group, rec->G, copy->G, nullptr), 0);
  smlib::ec_sm2_data_free(copy);
  smlib::ec_sm2_data_free(rec);
  smlib::ec_sm2_data_free(nullptr);
}

TEST(Sm2Curve, CheckAttachesOneRecordAndCopiesGetTheirOwn) {
  EC_KEY* plain = EC_KEY_new();
  smlib::ec_sm2_data* first = smlib::ec_sm2_check(plain);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(smlib::ec_sm2_check(plain), first);
  EXPECT_EQ(smlib::ec_sm2_check(nullptr), nullptr);
  EC_KEY_free(plain);

  spc::BnPtr d = bnFromHex(kExampleD);
  spc::EcKeyPtr key = ourKey(d.get());
  ASSERT_TRUE(key);
  smlib::ec_sm2_data* rec = smlib::ec_sm2_check(key.get());
  spc::EcKeyPtr copy(EC_KEY_dup(key.get()));
  ASSERT_TRUE(copy);
  smlib::ec_sm2_data* copyRec = smlib::ec_sm2_check(copy.get());
  ASSERT_NE(copyRec, nullptr);
  EXPECT_NE(copyRec, rec);
  EXPECT_EQ(smlib::EC_SM2_check_key(copy.get()), 1);
  EXPECT_EQ(smlib::EC_KEY_is_sm2(copy.get()), 1);
}

TEST(Sm2Curve, MdBn2bin) {
  spc::BnPtr one(BN_new());
  BN_one(one.get());
  unsigned char buf[32];
  memset(buf, 0xAA, sizeof buf);
  EXPECT_EQ(smlib::Md_bn2bin(one.get(), buf, 32), 1);
  Bytes want(32, 0);
  want[31] = 1;
  EXPECT_EQ(Bytes(buf, buf + 32), want);

  // Too long for the buffer: nothing written, length reported.
  spc::BnPtr big = bnFromHex("0102030405");
  unsigned char small[4];
  memset(small, 0xAA, sizeof small);
  EXPECT_EQ(smlib::Md_bn2bin(big.get(), small, 4), 5);
  EXPECT_EQ(Bytes(small, small + 4), Bytes(4, 0));

  spc::BnPtr n(BN_bin2bn(smlib::EC_SM2_n, 32, nullptr));
  EXPECT_EQ(smlib::Md_bn2bin(n.get(), buf, 32), 32);
  EXPECT_EQ(Bytes(buf, buf + 32), Bytes(smlib::EC_SM2_n, smlib::EC_SM2_n + 32));
}

// OpenSSL's X9.63 KDF with SM3 and no shared info is H(z || ct) with ct from 1.
Bytes x963(const Bytes& z, size_t klen) {
  EVP_KDF* kdf = EVP_KDF_fetch(nullptr, "X963KDF", nullptr);
  EVP_KDF_CTX* ctx = EVP_KDF_CTX_new(kdf);
  char digest[] = "SM3";
  OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_KDF_PARAM_DIGEST, digest, 0),
                         OSSL_PARAM_construct_octet_string(
                             OSSL_KDF_PARAM_KEY, const_cast<unsigned char*>(z.data()), z.size()),
                         OSSL_PARAM_construct_end()};
  Bytes out(klen);
  if (EVP_KDF_derive(ctx, out.data(), klen, params) <= 0) out.clear();
  EVP_KDF_CTX_free(ctx);
  EVP_KDF_free(kdf);
  return out;
}

TEST(Sm2Curve, KdfMatchesX963) {
  Bytes z = randomBytes(64);
  for (size_t klen : {1u, 16u, 31u, 32u, 33u, 64u, 65u, 100u, 300u}) {
    Bytes out(klen);
    ASSERT_EQ(smlib::KDF(z.data(), z.size(), klen, out.data(), smlib::EVP_sm3()), 1);
    EXPECT_EQ(out, x963(z, klen)) << klen;
  }
  // A shorter request is a prefix of a longer one.
  Bytes longer(70), shorter(40);
  smlib::KDF(z.data(), z.size(), 70, longer.data(), smlib::EVP_sm3());
  smlib::KDF(z.data(), z.size(), 40, shorter.data(), smlib::EVP_sm3());
  EXPECT_EQ(Bytes(longer.begin(), longer.begin() + 40), shorter);
  // klen 0 writes nothing; a missing digest fails.
  EXPECT_EQ(smlib::KDF(z.data(), z.size(), 0, nullptr, smlib::EVP_sm3()), 1);
  EXPECT_EQ(smlib::KDF(z.data(), z.size(), 8, longer.data(), nullptr), 0);
}

}  // namespace
