// Which randoms the password key depends on. The key text is the Base64 text
// of the first 24 bytes that the built-in AES key decrypts g_rand2 (server
// random, then client random) to, block by block. AES-256 in RSA mode takes
// all 32 key-text characters: the first two 16-byte blocks of g_rand2. SM4 in
// SM2 mode takes the first 16 characters (12 bytes): the first block alone.
// Two sessions with one server random and two client randoms therefore give
// the same password ciphertext exactly when the client-random bytes inside
// those blocks agree: with a server random that fills them, the key depends
// on the server random alone.
#include <algorithm>
#include <ostream>
#include <string>

#include "session_fixture.h"

namespace {

struct Case {
  const char* name;
  bool rsa;
  size_t serverRandomLength;
};
const Case kCases[] = {
    {"Rsa16", true, 16}, {"Rsa31", true, 31},   {"Rsa32", true, 32},   {"Rsa48", true, 48},
    {"Sm2_8", false, 8}, {"Sm2_15", false, 15}, {"Sm2_16", false, 16}, {"Sm2_24", false, 24},
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class KeySources : public SessionTest, public ::testing::WithParamInterface<Case> {};

TEST_P(KeySources, TheKeyDependsOnTheBlocksItsModeUses) {
  const Case& c = GetParam();
  const std::string key = c.rsa ? server().rsaCertificatePem() : server().sm2CoordinatePair('|');
  host::Instance& control = embed(Model::kCoreGraphics, c.rsa, &key);
  type(control, "Pa55word");
  const std::string reply = server().makeServerRandom(c.rsa, c.serverRandomLength);
  std::string clientRandoms[2], ciphertexts[2];
  for (int i = 0; i < 2; ++i) {
    call(control, "get_output37");
    clientRandoms[i] = gRand();
    control.setProperty("input4", host::Variant::string(reply));
    ASSERT_EQ(gRand2(), server().serverRandom() + clientRandoms[i]);
    ciphertexts[i] = call(control, "get_output2");
    EXPECT_EQ(server().decryptPassword(ciphertexts[i], c.rsa, server().keyTextFor(gRand2())),
              "Pa55word");
  }
  ASSERT_NE(clientRandoms[0], clientRandoms[1]);
  const size_t usedBytes = c.rsa ? 32 : 16;
  const size_t clientBytesUsed =
      std::min<size_t>(16, usedBytes - std::min(usedBytes, c.serverRandomLength));
  const bool sameUsedBytes =
      clientRandoms[0].compare(0, clientBytesUsed, clientRandoms[1], 0, clientBytesUsed) == 0;
  EXPECT_EQ(ciphertexts[0] == ciphertexts[1], sameUsedBytes)
      << clientBytesUsed << " client-random bytes in the key's blocks";
  if (clientBytesUsed == 0) {
    // The server random alone: any client random gives the characters the
    // mode uses, even one the control never makes.
    const size_t usedCharacters = c.rsa ? 32 : 16;
    EXPECT_EQ(
        server().keyTextFor(server().serverRandom() + clientRandoms[0]).substr(0, usedCharacters),
        server()
            .keyTextFor(server().serverRandom() + std::string(16, 'z'))
            .substr(0, usedCharacters));
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, KeySources, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& caseInfo) {
                           return std::string(caseInfo.param.name);
                         });

}  // namespace
