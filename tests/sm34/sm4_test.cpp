// SM4: the GM/T 0002 examples through the block functions and the ECB record,
// all four records against OpenSSL's own SM4 (padding on and off, in place
// and apart, in one call and in random pieces), the record fields, and the
// block-level helpers.
#include "sm/sm4/sm4.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/objects.h>

#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/owned.h"
#include "kat.h"
#include "sm/sm4/internal.h"

namespace {

using katfile::hex;
using katfile::unhex;

const unsigned char* u8(const std::string& s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

struct ModeInfo {
  const char* name;  // OpenSSL's own algorithm, the oracle
  const EVP_CIPHER* (*ours)();
  int blockSize;
  int ivLength;
  unsigned long mode;
};

const ModeInfo kModes[] = {
    {"SM4-ECB", smlib::EVP_sm4_ecb, 16, 0, EVP_CIPH_ECB_MODE},
    {"SM4-CBC", smlib::EVP_sm4_cbc, 16, 16, EVP_CIPH_CBC_MODE},
    {"SM4-CFB", smlib::EVP_sm4_cfb, 1, 16, EVP_CIPH_CFB_MODE},
    {"SM4-OFB", smlib::EVP_sm4_ofb, 1, 16, EVP_CIPH_OFB_MODE},
};

const EVP_CIPHER* oracle(const ModeInfo& m) {
  static std::vector<spc::CipherPtr> fetched;  // kept for the whole run
  for (const auto& c : fetched) {
    if (EVP_CIPHER_is_a(c.get(), m.name)) return c.get();
  }
  fetched.emplace_back(EVP_CIPHER_fetch(nullptr, m.name, nullptr));
  EXPECT_NE(fetched.back(), nullptr) << m.name;
  return fetched.back().get();
}

std::string randomBytes(std::mt19937& rng, size_t n) {
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(rng() & 0xFF);
  return s;
}

struct Feed {
  bool inPlace = false;         // output written over the input buffer
  std::mt19937* rng = nullptr;  // random pieces of 0..40 bytes; null: one call
};

// Runs a whole message through a cipher context; nullopt when OpenSSL's
// cipher layer reports a failure (a bad length or bad padding).
std::optional<std::string> run(const EVP_CIPHER* cipher, bool enc, const std::string& key,
                               const std::string& iv, const std::string& input, bool padding,
                               Feed feed = Feed()) {
  spc::CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
  if (EVP_CipherInit_ex(ctx.get(), cipher, nullptr, u8(key), iv.empty() ? nullptr : u8(iv),
                        enc ? 1 : 0) != 1 ||
      EVP_CIPHER_CTX_set_padding(ctx.get(), padding ? 1 : 0) != 1) {
    return std::nullopt;
  }
  // Room for a padding block; in place, input and output share one buffer,
  // the output trailing the input by what the context holds back.
  std::vector<unsigned char> buf(input.size() + 32), apart(input.size() + 32);
  std::memcpy(buf.data(), input.data(), input.size());
  const unsigned char* src = buf.data();
  unsigned char* dst = feed.inPlace ? buf.data() : apart.data();
  size_t consumed = 0, written = 0;
  do {
    size_t piece = input.size() - consumed;
    if (feed.rng != nullptr) {
      piece = std::min(piece, std::uniform_int_distribution<size_t>(0, 40)(*feed.rng));
    }
    int outl = 0;
    if (EVP_CipherUpdate(ctx.get(), dst + written, &outl, src + consumed,
                         static_cast<int>(piece)) != 1) {
      return std::nullopt;
    }
    consumed += piece;
    written += static_cast<size_t>(outl);
  } while (consumed < input.size());
  int outl = 0;
  if (EVP_CipherFinal_ex(ctx.get(), dst + written, &outl) != 1) return std::nullopt;
  written += static_cast<size_t>(outl);
  return std::string(reinterpret_cast<char*>(dst), written);
}

TEST(Sm4, PublishedExamples) {
  for (const auto& r : katfile::read("sm4_kat.txt")) {
    SCOPED_TRACE("sm4_kat.txt:" + std::to_string(r.line));
    const std::string key = r.bytes("Key"), plain = r.bytes("Plaintext");
    const std::string want = r.text("Ciphertext");
    const long iterations = std::stol(r.text("Iterations"));

    uint32_t rk[32];
    smlib::SM4InitKey(u8(key), rk);
    if (r.has("FirstRoundKey")) {
      EXPECT_EQ(rk[0], std::stoul(r.text("FirstRoundKey"), nullptr, 16));
      EXPECT_EQ(rk[31], std::stoul(r.text("LastRoundKey"), nullptr, 16));
    }
    unsigned char block[16];
    std::memcpy(block, plain.data(), 16);
    for (long i = 0; i < iterations; ++i) smlib::SM4EncryptBlock(block, block, rk);
    EXPECT_EQ(hex(std::string(reinterpret_cast<char*>(block), 16)), want);
    for (long i = 0; i < iterations; ++i) smlib::SM4DecryptBlock(block, block, rk);
    EXPECT_EQ(hex(std::string(reinterpret_cast<char*>(block), 16)), hex(plain));

    if (iterations == 1) {
      const auto ecb = run(smlib::EVP_sm4_ecb(), true, key, "", plain, false);
      ASSERT_TRUE(ecb.has_value());
      EXPECT_EQ(hex(*ecb), want);
      const auto back = run(smlib::EVP_sm4_ecb(), false, key, "", *ecb, false);
      ASSERT_TRUE(back.has_value());
      EXPECT_EQ(*back, plain);
      const auto theirs = run(oracle(kModes[0]), true, key, "", plain, false);
      ASSERT_TRUE(theirs.has_value());
      EXPECT_EQ(hex(*theirs), want);
    }
  }
}

TEST(Sm4, BlockFunctionsWorkApartAsInPlace) {
  std::mt19937 rng(4);
  const std::string key = randomBytes(rng, 16), plain = randomBytes(rng, 16);
  uint32_t rk[32];
  smlib::SM4InitKey(u8(key), rk);
  unsigned char apart[16], inPlace[16];
  std::memcpy(inPlace, plain.data(), 16);
  smlib::SM4EncryptBlock(u8(plain), apart, rk);
  smlib::SM4EncryptBlock(inPlace, inPlace, rk);
  EXPECT_EQ(std::memcmp(apart, inPlace, 16), 0);
  smlib::SM4DecryptBlock(inPlace, inPlace, rk);
  EXPECT_EQ(std::memcmp(inPlace, plain.data(), 16), 0);

  // The round function applied 32 times, output words reversed, is the block cipher.
  uint32_t x[36];
  for (int i = 0; i < 4; ++i) {
    x[i] = static_cast<uint32_t>(u8(plain)[4 * i]) << 24 |
           static_cast<uint32_t>(u8(plain)[4 * i + 1]) << 16 |
           static_cast<uint32_t>(u8(plain)[4 * i + 2]) << 8 | u8(plain)[4 * i + 3];
  }
  for (int i = 0; i < 32; ++i) x[i + 4] = smlib::SM4_F(&x[i], rk[i]);
  for (int i = 0; i < 4; ++i) {
    const uint32_t w = x[35 - i];
    const unsigned char be[4] = {static_cast<unsigned char>(w >> 24),
                                 static_cast<unsigned char>(w >> 16),
                                 static_cast<unsigned char>(w >> 8), static_cast<unsigned char>(w)};
    EXPECT_EQ(std::memcmp(apart + 4 * i, be, 4), 0) << "word " << i;
  }
}

struct OracleCase {
  size_t mode;  // index into kModes
  bool padding;
  bool inPlace;
  bool pieces;
};

std::string caseName(const ::testing::TestParamInfo<OracleCase>& info) {
  std::string n = kModes[info.param.mode].name + 4;  // "ECB", "CBC", ...
  n += info.param.padding ? "_Padded" : "_Unpadded";
  n += info.param.inPlace ? "_InPlace" : "_Apart";
  n += info.param.pieces ? "_Pieces" : "_OneCall";
  return n;
}

void PrintTo(const OracleCase& c, std::ostream* os) {
  *os << kModes[c.mode].name << (c.padding ? " padded" : " unpadded")
      << (c.inPlace ? " in place" : " apart") << (c.pieces ? " in pieces" : " in one call");
}

class Sm4AgainstOpenSsl : public ::testing::TestWithParam<OracleCase> {};

TEST_P(Sm4AgainstOpenSsl, EncryptsAndDecryptsAlike) {
  const OracleCase& c = GetParam();
  const ModeInfo& m = kModes[c.mode];
  std::mt19937 rng(
      static_cast<unsigned>(1000 + c.mode * 8 + c.padding * 4 + c.inPlace * 2 + c.pieces));
  Feed feed;
  feed.inPlace = c.inPlace;
  feed.rng = c.pieces ? &rng : nullptr;
  for (size_t len = 0; len <= 100; ++len) {
    SCOPED_TRACE("length " + std::to_string(len));
    const std::string key = randomBytes(rng, 16), iv = randomBytes(rng, m.ivLength);
    const std::string plain = randomBytes(rng, len);
    const bool whole = len % static_cast<size_t>(m.blockSize) == 0;

    const auto theirs = run(oracle(m), true, key, iv, plain, c.padding);
    const auto ours = run(m.ours(), true, key, iv, plain, c.padding, feed);
    ASSERT_EQ(ours.has_value(), theirs.has_value());
    EXPECT_EQ(ours.has_value(), c.padding || whole);
    if (!ours) continue;
    EXPECT_EQ(hex(*ours), hex(*theirs));

    const auto back = run(m.ours(), false, key, iv, *ours, c.padding, feed);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(hex(*back), hex(plain));

    // Decrypting arbitrary bytes: same result, or the same refusal (bad padding).
    if (len % 16 == 0 || m.blockSize == 1) {
      const std::string noise = randomBytes(rng, len);
      const auto ourNoise = run(m.ours(), false, key, iv, noise, c.padding, feed);
      const auto theirNoise = run(oracle(m), false, key, iv, noise, c.padding);
      ASSERT_EQ(ourNoise.has_value(), theirNoise.has_value());
      if (ourNoise) {
        EXPECT_EQ(hex(*ourNoise), hex(*theirNoise));
      }
    }
  }
}

std::vector<OracleCase> allCases() {
  std::vector<OracleCase> cases;
  for (size_t m = 0; m < std::size(kModes); ++m) {
    for (bool padding : {true, false}) {
      for (bool inPlace : {false, true}) {
        for (bool pieces : {false, true}) cases.push_back({m, padding, inPlace, pieces});
      }
    }
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Modes, Sm4AgainstOpenSsl, ::testing::ValuesIn(allCases()), caseName);

TEST(Sm4, EcbPaddingAddsOneToSixteenBytes) {
  const std::string key(16, 'k');
  struct Case {
    size_t in, out;
  };
  const Case cases[] = {{0, 16}, {1, 16}, {15, 16}, {16, 32}, {17, 32}, {31, 32}, {32, 48}};
  for (const Case& c : cases) {
    const std::string plain(c.in, 'p');
    const auto enc = run(smlib::EVP_sm4_ecb(), true, key, "", plain, true);
    ASSERT_TRUE(enc.has_value());
    EXPECT_EQ(enc->size(), c.out) << "input " << c.in;
    const auto dec = run(smlib::EVP_sm4_ecb(), false, key, "", *enc, true);
    ASSERT_TRUE(dec.has_value());
    EXPECT_EQ(*dec, plain);
  }
}

TEST(Sm4, StreamModesContinueAcrossCalls) {
  std::mt19937 rng(20);
  const std::string key = randomBytes(rng, 16), iv = randomBytes(rng, 16);
  const std::string data = randomBytes(rng, 20);
  for (const ModeInfo* m : {&kModes[2], &kModes[3]}) {
    for (bool enc : {true, false}) {
      SCOPED_TRACE(std::string(m->name) + (enc ? " encrypt" : " decrypt"));
      const auto whole = run(m->ours(), enc, key, iv, data, true);
      ASSERT_TRUE(whole.has_value());
      EXPECT_EQ(whole->size(), 20u);
      EXPECT_EQ(hex(*whole), hex(*run(oracle(*m), enc, key, iv, data, true)));

      spc::CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
      ASSERT_EQ(EVP_CipherInit_ex(ctx.get(), m->ours(), nullptr, u8(key), u8(iv), enc), 1);
      unsigned char out[20];
      int n1 = 0, n2 = 0;
      ASSERT_EQ(EVP_CipherUpdate(ctx.get(), out, &n1, u8(data), 7), 1);
      ASSERT_EQ(EVP_CipherUpdate(ctx.get(), out + n1, &n2, u8(data) + 7, 13), 1);
      EXPECT_EQ(n1 + n2, 20);
      EXPECT_EQ(hex(std::string(reinterpret_cast<char*>(out), 20)), hex(*whole));
    }
  }
}

TEST(Sm4, ChainingStateFollowsContextCopiesAndNewIvs) {
  std::mt19937 rng(21);
  const std::string key = randomBytes(rng, 16), iv = randomBytes(rng, 16),
                    iv2 = randomBytes(rng, 16);
  const std::string data = randomBytes(rng, 48);
  for (const ModeInfo* m : {&kModes[1], &kModes[2], &kModes[3]}) {
    SCOPED_TRACE(m->name);
    const std::string want = *run(oracle(*m), true, key, iv, data, false);
    spc::CipherCtxPtr a(EVP_CIPHER_CTX_new()), b(EVP_CIPHER_CTX_new());
    ASSERT_EQ(EVP_EncryptInit_ex(a.get(), m->ours(), nullptr, u8(key), u8(iv)), 1);
    ASSERT_EQ(EVP_CIPHER_CTX_set_padding(a.get(), 0), 1);
    unsigned char head[16 + 5];
    int n = 0;
    ASSERT_EQ(EVP_EncryptUpdate(a.get(), head, &n, u8(data), 21), 1);
    ASSERT_EQ(n, 16 + (m->blockSize == 1 ? 5 : 0));
    ASSERT_EQ(EVP_CIPHER_CTX_copy(b.get(), a.get()), 1);
    for (EVP_CIPHER_CTX* c : {a.get(), b.get()}) {
      unsigned char rest[48];
      int r = 0, f = 0;
      ASSERT_EQ(EVP_EncryptUpdate(c, rest, &r, u8(data) + 21, 27), 1);
      ASSERT_EQ(EVP_EncryptFinal_ex(c, rest + r, &f), 1);
      EXPECT_EQ(hex(std::string(reinterpret_cast<char*>(head), n) +
                    std::string(reinterpret_cast<char*>(rest), r + f)),
                hex(want));
    }

    // A new IV on the same context, with no new key, restarts the chain.
    ASSERT_EQ(EVP_EncryptInit_ex(a.get(), nullptr, nullptr, nullptr, u8(iv2)), 1);
    unsigned char out[48];
    int r = 0, f = 0;
    ASSERT_EQ(EVP_EncryptUpdate(a.get(), out, &r, u8(data), 48), 1);
    ASSERT_EQ(EVP_EncryptFinal_ex(a.get(), out + r, &f), 1);
    EXPECT_EQ(hex(std::string(reinterpret_cast<char*>(out), r + f)),
              hex(*run(oracle(*m), true, key, iv2, data, false)));
  }
}

TEST(Sm4, EncryptAndDecryptContextsHoldTheSameRoundKeys) {
  const std::string key = unhex("0123456789abcdeffedcba9876543210");
  uint32_t rk[32];
  smlib::SM4InitKey(u8(key), rk);
  for (const ModeInfo& m : kModes) {
    spc::CipherCtxPtr enc(EVP_CIPHER_CTX_new()), dec(EVP_CIPHER_CTX_new());
    const std::string iv(16, 'i');
    ASSERT_EQ(EVP_EncryptInit_ex(enc.get(), m.ours(), nullptr, u8(key), u8(iv)), 1);
    ASSERT_EQ(EVP_DecryptInit_ex(dec.get(), m.ours(), nullptr, u8(key), u8(iv)), 1);
    EXPECT_EQ(std::memcmp(EVP_CIPHER_CTX_get_cipher_data(enc.get()),
                          EVP_CIPHER_CTX_get_cipher_data(dec.get()), 128),
              0)
        << m.name;
    EXPECT_EQ(std::memcmp(EVP_CIPHER_CTX_get_cipher_data(enc.get()), rk, sizeof rk), 0) << m.name;
  }
}

TEST(Sm4, CipherRecordFields) {
  for (const ModeInfo& m : kModes) {
    SCOPED_TRACE(m.name);
    const EVP_CIPHER* c = m.ours();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(m.ours(), c);  // one record per mode for the process
    EXPECT_EQ(EVP_CIPHER_nid(c), 101974);
    EXPECT_EQ(EVP_CIPHER_block_size(c), m.blockSize);
    EXPECT_EQ(EVP_CIPHER_key_length(c), 16);
    EXPECT_EQ(EVP_CIPHER_iv_length(c), m.ivLength);
    EXPECT_EQ(EVP_CIPHER_flags(c), m.mode);  // the mode alone
    EXPECT_EQ(EVP_CIPHER_mode(c), m.mode);
    EXPECT_EQ(EVP_CIPHER_impl_ctx_size(c), 128);
    EXPECT_EQ(EVP_CIPHER_meth_get_cleanup(c), nullptr);
    EXPECT_EQ(EVP_CIPHER_meth_get_ctrl(c), nullptr);
    EXPECT_EQ(EVP_CIPHER_meth_get_set_asn1_params(c), &EVP_CIPHER_set_asn1_iv);
    EXPECT_EQ(EVP_CIPHER_meth_get_get_asn1_params(c), &EVP_CIPHER_get_asn1_iv);
    // Legacy path: no provider behind the record or a context made with it.
    EXPECT_EQ(EVP_CIPHER_get0_provider(c), nullptr);
    spc::CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
    ASSERT_EQ(EVP_EncryptInit_ex(ctx.get(), c, nullptr, u8(std::string(16, 'k')),
                                 u8(std::string(16, 'i'))),
              1);
    EXPECT_EQ(EVP_CIPHER_CTX_get0_cipher(ctx.get()), c);
  }
  // No name in OpenSSL's object table, and not libcrypto's own SM4 records.
  EXPECT_EQ(OBJ_nid2sn(101974), nullptr);
  EXPECT_NE(smlib::EVP_sm4_ecb(), ::EVP_sm4_ecb());
  EXPECT_NE(smlib::EVP_sm4_cbc(), ::EVP_sm4_cbc());
  EXPECT_NE(smlib::EVP_sm4_cfb(), ::EVP_sm4_cfb128());
  EXPECT_NE(smlib::EVP_sm4_ofb(), ::EVP_sm4_ofb());
  EXPECT_EQ(EVP_CIPHER_nid(::EVP_sm4_ecb()), NID_sm4_ecb);
}

TEST(Sm4, ChangeEndianReversesWholeWordsOnly) {
  struct Case {
    uint8_t len;
    const char* want;  // the first eight bytes of "abcdefgh" afterwards
  };
  const Case cases[] = {{0, "abcdefgh"}, {3, "abcdefgh"}, {4, "dcbaefgh"},
                        {6, "dcbaefgh"}, {7, "dcbaefgh"}, {8, "dcbahgfe"}};
  for (const Case& c : cases) {
    unsigned char buf[9] = "abcdefgh";
    smlib::ChangeEndian(buf, c.len);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 8), c.want) << "count " << int(c.len);
  }
  // The largest count: 63 words reversed, the last three bytes and the byte past them kept.
  unsigned char big[256];
  for (int i = 0; i < 256; ++i) big[i] = static_cast<unsigned char>(i);
  smlib::ChangeEndian(big, 255);
  EXPECT_EQ(big[0], 3);
  EXPECT_EQ(big[251], 248);
  for (int i = 252; i < 256; ++i) EXPECT_EQ(big[i], i);
}

TEST(Sm4, XorCombinesSixteenBytes) {
  unsigned char buf[17], data[16];
  for (int i = 0; i < 16; ++i) {
    buf[i] = static_cast<unsigned char>(i * 17);
    data[i] = static_cast<unsigned char>(0xF0 | i);
  }
  buf[16] = 0x5A;
  smlib::SM4Xor(buf, data);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(buf[i], static_cast<unsigned char>((i * 17) ^ (0xF0 | i)));
  EXPECT_EQ(buf[16], 0x5A);
}

}  // namespace
