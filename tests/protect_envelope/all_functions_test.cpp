// The nine envelope functions that the module exports to other code, each
// called once on the same key (that they are exported, and nothing else, is
// checked on the built module's symbol table by the module_exports test).
#include <gtest/gtest.h>
#include <openssl/rsa.h>

#include <string>

#include "envelope_support.h"
#include "protect/cryptin.h"

namespace {

using envtest::OutArea;
using envtest::testKey;

TEST(EnvelopeFunctions, EveryOneOnTheSameKey) {
  const auto& key = testKey(1024);
  const char* k = key.publicDerHex.c_str();
  const std::string tagged = "06abc" + std::string(123, 'F');
  auto base64Plain = [&](const OutArea& out) {
    return envtest::privateDecrypt(key, envtest::base64Decode(out.text()), RSA_NO_PADDING);
  };
  auto hexPlain = [&](const OutArea& out, int padding) {
    return envtest::privateDecrypt(key, envtest::hexDecode(out.text()), padding);
  };
  {
    OutArea out;
    ASSERT_EQ(encryptTaggedBlockWithDerKey(k, "abc", out.bytes), 0);
    EXPECT_EQ(base64Plain(out), tagged);
  }
  {
    OutArea out;
    ASSERT_EQ(encryptTaggedBlockWithModulus(key.n.c_str(), 65537, "abc", out.bytes), 0);
    EXPECT_EQ(base64Plain(out), tagged);
  }
  {
    OutArea out;
    ASSERT_EQ(encryptTaggedBlock(envtest::publicKeyObject(key), "abc", out.bytes), 0);
    EXPECT_EQ(base64Plain(out), tagged);
  }
  {
    OutArea out;
    ASSERT_EQ(encryptTwoFieldsLengthPrefixed(k, "ab", "xyz", out.bytes), 0);
    EXPECT_EQ(hexPlain(out, RSA_PKCS1_PADDING), "03xyz02ab");
  }
  {
    OutArea out;
    ASSERT_EQ(encryptLengthPrefixed(k, "123456789", out.bytes), 0);
    EXPECT_EQ(hexPlain(out, RSA_PKCS1_PADDING), "09123456789");
  }
  {
    OutArea out;
    ASSERT_EQ(encryptPkcs1Hex("plain", k, out.bytes), 0);
    EXPECT_EQ(hexPlain(out, RSA_PKCS1_PADDING), "plain");
    EXPECT_EQ(encryptPkcs1Hex("", k, out.bytes), -1);
  }
  {
    OutArea out;
    ASSERT_EQ(encryptLengthPrefixedRaw(k, "abc", out.bytes, 0), 0);
    EXPECT_EQ(hexPlain(out, RSA_NO_PADDING), "03abc" + std::string(123, '\0'));
  }
  {
    OutArea out;
    ASSERT_EQ(encryptHexWithSessionKey("ABC", k, out.bytes), 0);
    const std::string text = out.text();
    ASSERT_EQ(text.size(), 272u);
    const std::string blob =
        envtest::privateDecrypt(key, envtest::hexDecode(text.substr(16)), RSA_PKCS1_PADDING);
    ASSERT_EQ(blob.size(), 30u);
    EXPECT_EQ(envtest::des3Decrypt(blob.substr(4, 16), envtest::hexDecode(text.substr(0, 16))),
              "\xab\xcf\xff\xff\xff\xff\xff\xff");
  }
  {
    OutArea out;
    ASSERT_EQ(encryptTextWithSessionKey(k, "abc", out.bytes), 0);
    const std::string text = out.text();
    ASSERT_EQ(text.size(), 288u);
    const std::string blob =
        envtest::privateDecrypt(key, envtest::hexDecode(text.substr(0, 256)), RSA_PKCS1_PADDING);
    ASSERT_EQ(blob.size(), 30u);
    EXPECT_EQ(envtest::des3Decrypt(blob.substr(4, 16), envtest::hexDecode(text.substr(256))),
              "abc" + std::string(13, '\0'));
  }
}

}  // namespace
