// SM3: the GM/T 0004 examples through every entry point, block-boundary
// lengths and random messages fed in random pieces against OpenSSL's own
// SM3, context copies, the digest record's fields and the null-argument results.
#include "sm/sm3/sm3.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/objects.h>

#include <cstring>
#include <random>
#include <string>

#include "common/owned.h"
#include "kat.h"
#include "sm/sm3/internal.h"

namespace {

using katfile::hex;

const unsigned char* u8(const std::string& s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

// OpenSSL's own SM3 (its default provider), the oracle.
std::string opensslSm3(const std::string& msg) {
  static const spc::MdPtr md(EVP_MD_fetch(nullptr, "SM3", nullptr));
  EXPECT_NE(md, nullptr);
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  EXPECT_EQ(EVP_Digest(msg.data(), msg.size(), out, &n, md.get(), nullptr), 1);
  return std::string(reinterpret_cast<char*>(out), n);
}

std::string oneShot(const std::string& msg) {
  unsigned char out[32];
  EXPECT_EQ(smlib::SM3(u8(msg), msg.size(), out), out);
  return std::string(reinterpret_cast<char*>(out), 32);
}

std::string incremental(const std::string& msg, size_t piece) {
  smlib::SM3_CTX ctx;
  EXPECT_EQ(smlib::SM3_Init(&ctx), 1);
  for (size_t at = 0; at < msg.size(); at += piece) {
    EXPECT_EQ(smlib::SM3_Update(&ctx, msg.data() + at, std::min(piece, msg.size() - at)), 1);
  }
  unsigned char out[32];
  EXPECT_EQ(smlib::SM3_Final(&ctx, out), 1);
  return std::string(reinterpret_cast<char*>(out), 32);
}

// Through our record and OpenSSL's EVP_Digest* calls.
std::string throughEvp(const std::string& msg) {
  spc::MdCtxPtr ctx(EVP_MD_CTX_new());
  EXPECT_EQ(EVP_DigestInit_ex(ctx.get(), smlib::EVP_sm3(), nullptr), 1);
  EXPECT_EQ(EVP_DigestUpdate(ctx.get(), msg.data(), msg.size()), 1);
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int n = 0;
  EXPECT_EQ(EVP_DigestFinal_ex(ctx.get(), out, &n), 1);
  return std::string(reinterpret_cast<char*>(out), n);
}

TEST(Sm3, PublishedExamplesThroughEveryEntryPoint) {
  for (const auto& r : katfile::read("sm3_kat.txt")) {
    SCOPED_TRACE("sm3_kat.txt:" + std::to_string(r.line));
    const std::string msg = r.bytes("Input");
    const std::string want = r.text("Digest");
    EXPECT_EQ(hex(oneShot(msg)), want);
    EXPECT_EQ(hex(incremental(msg, msg.size() + 1)), want);
    EXPECT_EQ(hex(incremental(msg, 1)), want);
    EXPECT_EQ(hex(throughEvp(msg)), want);
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    ASSERT_EQ(EVP_Digest(msg.data(), msg.size(), out, &n, smlib::EVP_sm3(), nullptr), 1);
    EXPECT_EQ(hex(std::string(reinterpret_cast<char*>(out), n)), want);
    EXPECT_EQ(hex(opensslSm3(msg)), want);
  }
}

TEST(Sm3, FinalStraightAfterInitIsTheEmptyMessageDigest) {
  smlib::SM3_CTX ctx;
  ASSERT_EQ(smlib::SM3_Init(&ctx), 1);
  unsigned char out[32];
  ASSERT_EQ(smlib::SM3_Final(&ctx, out), 1);
  EXPECT_EQ(hex(std::string(reinterpret_cast<char*>(out), 32)),
            "1ab21d8355cfa17f8e61194831e81a8f22bec8c728fefb747ed035eb5082aa2b");
  EXPECT_EQ(hex(throughEvp("")), hex(opensslSm3("")));
}

// Lengths around the padding boundaries: 55 pads inside one block, 56..63
// spill into a second, 64 compresses once while absorbing and once for padding.
class Sm3Boundary : public ::testing::TestWithParam<size_t> {};

TEST_P(Sm3Boundary, MatchesOpenSsl) {
  std::string msg(GetParam(), '\0');
  for (size_t i = 0; i < msg.size(); ++i) msg[i] = static_cast<char>(i * 7 + 1);
  const std::string want = hex(opensslSm3(msg));
  EXPECT_EQ(hex(oneShot(msg)), want);
  EXPECT_EQ(hex(incremental(msg, 1)), want);
  EXPECT_EQ(hex(incremental(msg, 64)), want);
  EXPECT_EQ(hex(throughEvp(msg)), want);
}

INSTANTIATE_TEST_SUITE_P(Lengths, Sm3Boundary,
                         ::testing::Values(0, 1, 55, 56, 57, 63, 64, 65, 119, 120, 127, 128, 129,
                                           1000, 4096),
                         [](const ::testing::TestParamInfo<size_t>& caseInfo) {
                           return "Length" + std::to_string(caseInfo.param);
                         });

TEST(Sm3, RandomMessagesInRandomPiecesMatchOpenSsl) {
  std::mt19937 rng(20260101);
  std::uniform_int_distribution<int> byte(0, 255);
  for (size_t len = 0; len <= 200; ++len) {
    std::string msg(len, '\0');
    for (auto& c : msg) c = static_cast<char>(byte(rng));
    const std::string want = opensslSm3(msg);

    smlib::SM3_CTX ctx;
    ASSERT_EQ(smlib::SM3_Init(&ctx), 1);
    spc::MdCtxPtr evp(EVP_MD_CTX_new());
    ASSERT_EQ(EVP_DigestInit_ex(evp.get(), smlib::EVP_sm3(), nullptr), 1);
    for (size_t at = 0; at < len;) {
      // Pieces of 0 to 70 bytes, so empty pieces and whole blocks both occur.
      const size_t piece =
          std::min<size_t>(std::uniform_int_distribution<size_t>(0, 70)(rng), len - at);
      ASSERT_EQ(smlib::SM3_Update(&ctx, msg.data() + at, piece), 1);
      ASSERT_EQ(EVP_DigestUpdate(evp.get(), msg.data() + at, piece), 1);
      at += piece;
    }
    unsigned char out[32], evpOut[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    ASSERT_EQ(smlib::SM3_Final(&ctx, out), 1);
    ASSERT_EQ(EVP_DigestFinal_ex(evp.get(), evpOut, &n), 1);
    EXPECT_EQ(hex(std::string(reinterpret_cast<char*>(out), 32)), hex(want)) << "length " << len;
    EXPECT_EQ(hex(std::string(reinterpret_cast<char*>(evpOut), n)), hex(want)) << "length " << len;
    EXPECT_EQ(hex(oneShot(msg)), hex(want)) << "length " << len;
  }
}

TEST(Sm3, ContextCopiedMidMessageFinishesAlike) {
  const std::string head(100, 'h'), tail = "and the rest of the message";
  const std::string want = hex(opensslSm3(head + tail));

  spc::MdCtxPtr a(EVP_MD_CTX_new()), b(EVP_MD_CTX_new());
  ASSERT_EQ(EVP_DigestInit_ex(a.get(), smlib::EVP_sm3(), nullptr), 1);
  ASSERT_EQ(EVP_DigestUpdate(a.get(), head.data(), head.size()), 1);
  ASSERT_EQ(EVP_MD_CTX_copy_ex(b.get(), a.get()), 1);
  for (EVP_MD_CTX* c : {a.get(), b.get()}) {
    ASSERT_EQ(EVP_DigestUpdate(c, tail.data(), tail.size()), 1);
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    ASSERT_EQ(EVP_DigestFinal_ex(c, out, &n), 1);
    EXPECT_EQ(hex(std::string(reinterpret_cast<char*>(out), n)), want);
  }

  // The plain record is copied by value.
  smlib::SM3_CTX x;
  ASSERT_EQ(smlib::SM3_Init(&x), 1);
  ASSERT_EQ(smlib::SM3_Update(&x, head.data(), head.size()), 1);
  smlib::SM3_CTX y = x;
  for (smlib::SM3_CTX* c : {&x, &y}) {
    ASSERT_EQ(smlib::SM3_Update(c, tail.data(), tail.size()), 1);
    unsigned char out[32];
    ASSERT_EQ(smlib::SM3_Final(c, out), 1);
    EXPECT_EQ(hex(std::string(reinterpret_cast<char*>(out), 32)), want);
  }
}

TEST(Sm3, NullArgumentsFailAndChangeNothing) {
  const std::string msg = "abc";
  smlib::SM3_CTX ctx;
  EXPECT_EQ(smlib::SM3_Init(nullptr), 0);
  ASSERT_EQ(smlib::SM3_Init(&ctx), 1);
  ASSERT_EQ(smlib::SM3_Update(&ctx, msg.data(), 2), 1);
  const smlib::SM3_CTX before = ctx;
  auto unchanged = [&] { return std::memcmp(&before, &ctx, sizeof ctx) == 0; };

  struct Case {
    const char* what;
    int got;
    int want;
  };
  const Case cases[] = {
      {"Update(null ctx)", smlib::SM3_Update(nullptr, msg.data(), 1), 0},
      {"Update(null data, 0)", smlib::SM3_Update(&ctx, nullptr, 0), 1},
      {"Update(data, 0)", smlib::SM3_Update(&ctx, msg.data(), 0), 1},
      {"Update(null data, 1)", smlib::SM3_Update(&ctx, nullptr, 1), 0},
      {"Final(null ctx)", smlib::SM3_Final(nullptr, nullptr), 0},
      {"Final(null out)", smlib::SM3_Final(&ctx, nullptr), 0},
  };
  for (const Case& c : cases) EXPECT_EQ(c.got, c.want) << c.what;
  EXPECT_TRUE(unchanged());

  ASSERT_EQ(smlib::SM3_Update(&ctx, msg.data() + 2, 1), 1);
  unsigned char out[32];
  ASSERT_EQ(smlib::SM3_Final(&ctx, out), 1);
  EXPECT_EQ(hex(std::string(reinterpret_cast<char*>(out), 32)),
            "66c7f0f462eeedd9d1f2d46bdc10e4e24167c4875cf2f7a2297da02b8f4ba8e0");
}

TEST(Sm3, BitCountCarriesIntoTheHighWord) {
  // A block that ends exactly at 2^32 bits: the low count wraps to 0, the high
  // count takes the carry, and the block is compressed once.
  const std::string block(64, 'x');
  smlib::SM3_CTX wrapped, fresh;
  ASSERT_EQ(smlib::SM3_Init(&wrapped), 1);
  ASSERT_EQ(smlib::SM3_Init(&fresh), 1);
  wrapped.count_low = 0xFFFFFE00u;
  ASSERT_EQ(smlib::SM3_Update(&wrapped, block.data(), block.size()), 1);
  ASSERT_EQ(smlib::SM3_Update(&fresh, block.data(), block.size()), 1);
  EXPECT_EQ(wrapped.count_low, 0u);
  EXPECT_EQ(wrapped.count_high, 1u);
  EXPECT_EQ(std::memcmp(wrapped.state, fresh.state, sizeof fresh.state), 0);
}

TEST(Sm3, RotateLeftTakesTheCountModulo32) {
  struct Case {
    uint32_t x;
    unsigned n;
    uint32_t want;
  };
  const Case cases[] = {
      {0x12345678, 0, 0x12345678}, {0x12345678, 32, 0x12345678}, {0x80000001, 1, 0x00000003},
      {0x12345678, 4, 0x23456781}, {0x12345678, 36, 0x23456781}, {0x12345678, 31, 0x091A2B3C},
  };
  for (const Case& c : cases) EXPECT_EQ(smlib::ROL(c.x, c.n), c.want) << c.x << " by " << c.n;
}

TEST(Sm3, DigestRecordFields) {
  const EVP_MD* md = smlib::EVP_sm3();
  ASSERT_NE(md, nullptr);
  EXPECT_EQ(smlib::EVP_sm3(), md);  // one record for the process
  EXPECT_EQ(EVP_MD_type(md), 101973);
  EXPECT_EQ(EVP_MD_size(md), 32);
  EXPECT_EQ(EVP_MD_block_size(md), 64);
  EXPECT_EQ(EVP_MD_meth_get_app_datasize(md), 576);
  EXPECT_EQ(EVP_MD_meth_get_copy(md), nullptr);
  EXPECT_EQ(EVP_MD_flags(md), 0u);
  // Legacy path: no provider behind the record or a context made with it.
  EXPECT_EQ(EVP_MD_get0_provider(md), nullptr);
  spc::MdCtxPtr ctx(EVP_MD_CTX_new());
  ASSERT_EQ(EVP_DigestInit_ex(ctx.get(), md, nullptr), 1);
  EXPECT_EQ(EVP_MD_CTX_get0_md(ctx.get()), md);
  // No name in OpenSSL's object table, and not libcrypto's own SM3 record.
  EXPECT_EQ(OBJ_nid2sn(101973), nullptr);
  EXPECT_NE(md, ::EVP_sm3());
  EXPECT_EQ(EVP_MD_type(::EVP_sm3()), NID_sm3);
}

}  // namespace
