// The nine envelope functions as other code reaches them: by name, from the
// module the browser loads.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <openssl/rsa.h>

#include <string>

#include "envelope_support.h"

#ifdef SPC_MODULE_PATH

namespace {

using envtest::OutArea;
using envtest::testKey;

struct Module {
  void* handle = dlopen(SPC_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
  ~Module() {
    if (handle) dlclose(handle);
  }
  template <typename F>
  F* get(const char* name) {
    return reinterpret_cast<F*>(dlsym(handle, name));
  }
};

using KeyText = int(const char*, const char*, char*);

TEST(ModuleExports, EveryEnvelopeFunctionByName) {
  Module module;
  ASSERT_NE(module.handle, nullptr) << dlerror();
  const auto& key = testKey(1024);
  const char* k = key.publicDerHex.c_str();

  auto* derKey = module.get<KeyText>("encryptTaggedBlockWithDerKey");
  auto* modulus =
      module.get<int(const char*, int, const char*, char*)>("encryptTaggedBlockWithModulus");
  auto* keyObject = module.get<int(EVP_PKEY*, const char*, char*)>("encryptTaggedBlock");
  auto* twoFields = module.get<int(const char*, const char*, const char*, char*)>(
      "encryptTwoFieldsLengthPrefixed");
  auto* prefixed = module.get<KeyText>("encryptLengthPrefixed");
  auto* pkcs1 = module.get<KeyText>("encryptPkcs1Hex");
  auto* raw = module.get<int(const char*, const char*, char*, int)>("encryptLengthPrefixedRaw");
  auto* hexSession = module.get<KeyText>("encryptHexWithSessionKey");
  auto* textSession = module.get<KeyText>("encryptTextWithSessionKey");
  for (void* f : {reinterpret_cast<void*>(derKey), reinterpret_cast<void*>(modulus),
                  reinterpret_cast<void*>(keyObject), reinterpret_cast<void*>(twoFields),
                  reinterpret_cast<void*>(prefixed), reinterpret_cast<void*>(pkcs1),
                  reinterpret_cast<void*>(raw), reinterpret_cast<void*>(hexSession),
                  reinterpret_cast<void*>(textSession)}) {
    ASSERT_NE(f, nullptr);
  }

  const std::string tagged = "06abc" + std::string(123, 'F');
  auto base64Plain = [&](const OutArea& out) {
    return envtest::privateDecrypt(key, envtest::base64Decode(out.text()), RSA_NO_PADDING);
  };
  auto hexPlain = [&](const OutArea& out, int padding) {
    return envtest::privateDecrypt(key, envtest::hexDecode(out.text()), padding);
  };
  {
    OutArea out;
    ASSERT_EQ(derKey(k, "abc", out.bytes), 0);
    EXPECT_EQ(base64Plain(out), tagged);
  }
  {
    OutArea out;
    ASSERT_EQ(modulus(key.n.c_str(), 65537, "abc", out.bytes), 0);
    EXPECT_EQ(base64Plain(out), tagged);
  }
  {
    OutArea out;
    ASSERT_EQ(keyObject(envtest::publicKeyObject(key), "abc", out.bytes), 0);
    EXPECT_EQ(base64Plain(out), tagged);
  }
  {
    OutArea out;
    ASSERT_EQ(twoFields(k, "ab", "xyz", out.bytes), 0);
    EXPECT_EQ(hexPlain(out, RSA_PKCS1_PADDING), "03xyz02ab");
  }
  {
    OutArea out;
    ASSERT_EQ(prefixed(k, "123456789", out.bytes), 0);
    EXPECT_EQ(hexPlain(out, RSA_PKCS1_PADDING), "09123456789");
  }
  {
    OutArea out;
    ASSERT_EQ(pkcs1("plain", k, out.bytes), 0);
    EXPECT_EQ(hexPlain(out, RSA_PKCS1_PADDING), "plain");
    EXPECT_EQ(pkcs1("", k, out.bytes), -1);
  }
  {
    OutArea out;
    ASSERT_EQ(raw(k, "abc", out.bytes, 0), 0);
    EXPECT_EQ(hexPlain(out, RSA_NO_PADDING), "03abc" + std::string(123, '\0'));
  }
  {
    OutArea out;
    ASSERT_EQ(hexSession("ABC", k, out.bytes), 0);
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
    ASSERT_EQ(textSession(k, "abc", out.bytes), 0);
    const std::string text = out.text();
    ASSERT_EQ(text.size(), 288u);
    const std::string blob =
        envtest::privateDecrypt(key, envtest::hexDecode(text.substr(0, 256)), RSA_PKCS1_PADDING);
    ASSERT_EQ(blob.size(), 30u);
    EXPECT_EQ(envtest::des3Decrypt(blob.substr(4, 16), envtest::hexDecode(text.substr(256))),
              "abc" + std::string(13, '\0'));
  }
}

TEST(ModuleExports, InternalsStayInside) {
  Module module;
  ASSERT_NE(module.handle, nullptr) << dlerror();
  for (const char* name : {"loadRsaKeyFromHexDer", "rsaPublicEncrypt", "tripleDesEcb", "OneCount",
                           "conv", "string2hex", "hex2string"}) {
    EXPECT_EQ(dlsym(module.handle, name), nullptr) << name;
  }
}

}  // namespace

#endif  // SPC_MODULE_PATH
