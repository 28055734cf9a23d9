// The SM3 and SM4 records are made on first use; threads that race to that
// first use all get the same working record.
#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <thread>
#include <vector>

#include "sm/sm3/sm3.h"
#include "sm/sm4/sm4.h"

namespace {

TEST(SmRecords, ConcurrentFirstUseYieldsOneRecordEach) {
  constexpr int kThreads = 8;
  struct Seen {
    const EVP_MD* md = nullptr;
    const EVP_CIPHER* ciphers[4] = {};
    int digestOk = 0;
  };
  std::vector<Seen> seen(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&seen, t] {
      Seen& s = seen[static_cast<size_t>(t)];
      s.md = smlib::EVP_sm3();
      s.ciphers[0] = smlib::EVP_sm4_ecb();
      s.ciphers[1] = smlib::EVP_sm4_cbc();
      s.ciphers[2] = smlib::EVP_sm4_cfb();
      s.ciphers[3] = smlib::EVP_sm4_ofb();
      unsigned char out[EVP_MAX_MD_SIZE];
      unsigned int n = 0;
      s.digestOk = EVP_Digest("abc", 3, out, &n, s.md, nullptr) == 1 && n == 32;
    });
  }
  for (auto& th : threads) th.join();
  for (const Seen& s : seen) {
    EXPECT_EQ(s.md, smlib::EVP_sm3());
    EXPECT_EQ(s.ciphers[0], smlib::EVP_sm4_ecb());
    EXPECT_EQ(s.ciphers[1], smlib::EVP_sm4_cbc());
    EXPECT_EQ(s.ciphers[2], smlib::EVP_sm4_cfb());
    EXPECT_EQ(s.ciphers[3], smlib::EVP_sm4_ofb());
    EXPECT_TRUE(s.digestOk);
  }
  EXPECT_NE(smlib::EVP_sm3(), nullptr);
  EXPECT_NE(smlib::EVP_sm4_ecb(), nullptr);
}

}  // namespace
