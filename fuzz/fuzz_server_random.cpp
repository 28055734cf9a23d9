// The server's encrypted random (input4) through the server-random step of
// both modes, after a client random has gone to the host's bank server, and
// the password ciphertext made from whatever session key results.
//
// Input: a flag byte, then bytes.
//   bit 0     RSA mode (else SM2 mode)
//   bit 1     Core Graphics model (else Core Animation)
//   bit 2     the bytes are the server random, which the bank encrypts to the
//             control's built-in key (else they are the input4 text itself)
//   bits 3-5  how many blank bytes stand around the bank's Base64 text
//   bits 6-7  which blanks: space, line breaks, control bytes, bytes >= 0x80
// A server random the bank could encrypt (RSA: up to the key's PKCS#1 room;
// SM2: 1 to 2048 bytes) must give the session key the bank derives: the
// bank opens get_output2 with it and finds the typed password.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "fuzz/host_fuzz.h"

namespace {

constexpr const char kPassword[] = "Secret#42word";
constexpr size_t kSm2ServerRandomLimit = 2048;
constexpr const char* kBlanks[] = {" ", "\r\n", "\t\x01\x1f", "\x80\xff\xa0"};

std::string blanks(int count, int which) {
  std::string out;
  for (int i = 0; i < count; ++i) out += kBlanks[which];
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzhost::warmUpWithServer();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const fuzzhost::SessionFlags flags(data[0]);
  const bool rsaMode = flags.rsaMode;
  const bool encrypted = data[0] & 4;
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  bank::BankServer& server = fuzzhost::bankServer();

  fuzzhost::browserFor(flags.model);
  fuzzhost::NothingLeft nothingLeft;
  {
    auto control = fuzzhost::sessionControl(
        rsaMode, rsaMode ? server.rsaCertificatePem() : server.sm2CoordinatePair('|'));
    control->typeText(kPassword);
    host::ScriptResult r37 = control->invoke("get_output37");
    FUZZ_CHECK(r37.ok && r37.value.isString());
    FUZZ_CHECK(fuzzhost::isClientRandom(server.receiveClientRandom(r37.value.asString(), rsaMode)));

    std::string input4 = bytes;
    bool expectSession = false;
    if (encrypted) {
      const std::string base64 = server.sendServerRandom(rsaMode, bytes);
      const std::string around = blanks((data[0] >> 3) & 7, data[0] >> 6);
      input4 = around + base64 + around;
      expectSession =
          !base64.empty() && !bytes.empty() && (rsaMode || bytes.size() <= kSm2ServerRandomLimit);
    }
    FUZZ_CHECK(control->setProperty("input4", host::Variant::string(input4)));
    host::ScriptResult r6 = control->invoke("get_output6");
    host::ScriptResult r2 = control->invoke("get_output2");
    FUZZ_CHECK(r6.ok && r2.ok);
    if (expectSession) {
      FUZZ_CHECK(r6.value.isInt32() && r6.value.asInt32() == 1);
      FUZZ_CHECK(r2.value.isString());
      FUZZ_CHECK(server.decryptPassword(r2.value.asString(), rsaMode, server.sessionKeyText()) ==
                 kPassword);
    }
  }
  nothingLeft.check();
  return 0;
}
