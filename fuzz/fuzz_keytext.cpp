// The server's key text (input9) through the control: classification and
// every key reader of both modes (PEM certificate, certificate body, hex DER
// key, coordinate pair, SM2 certificate body), reached by get_output37.
//
// Input: a flag byte, then the text.
//   bit 0     RSA mode (else SM2 mode)
//   bit 1     Core Graphics model (else Core Animation)
//   bit 2     input9 given as an embed attribute (else set by script)
//   bits 3-5  0 and 7: the rest is the key text itself; 1 to 6: a key text of
//             the host's bank server (1 PEM, 2 certificate body, 3 hex DER,
//             4 and 5 coordinate pairs with "|" and ",", 6 SM2 certificate
//             body), edited by the rest: two bytes give a position, one a
//             count of characters taken out there, the remaining bytes go in.
// An unedited bank text of the control's mode must give a client random that
// the bank's server opens with its private key: classifying a key text runs
// no pattern, so nothing the matcher does can change it.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_check.h"
#include "fuzz/host_fuzz.h"

namespace {

std::string bankText(int kind) {
  bank::BankServer& server = fuzzhost::bankServer();
  switch (kind) {
    case 1:
      return server.rsaCertificatePem();
    case 2:
      return server.rsaCertificateBody();
    case 3:
      return server.rsaPublicKeyHexDer();
    case 4:
      return server.sm2CoordinatePair('|');
    case 5:
      return server.sm2CoordinatePair(',');
    default:
      return server.sm2CertificateBody();
  }
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
  const bool asAttribute = data[0] & 4;
  const int kind = (data[0] >> 3) & 7;
  std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);

  std::string keyText = rest;
  bool unedited = false;
  if (kind >= 1 && kind <= 6) {
    keyText = bankText(kind);
    if (rest.size() >= 3) {
      const size_t at = (static_cast<uint8_t>(rest[0]) << 8 | static_cast<uint8_t>(rest[1])) %
                        (keyText.size() + 1);
      keyText.replace(at, static_cast<uint8_t>(rest[2]), rest.substr(3));
    }
    unedited = rest.size() < 3 || (rest[2] == 0 && rest.size() == 3);
  }
  const bool modeFits = rsaMode ? kind <= 3 : kind >= 4;

  fuzzhost::browserFor(flags.model);
  fuzzhost::NothingLeft nothingLeft;
  {
    auto control = fuzzhost::sessionControl(rsaMode, keyText, asAttribute);
    host::ScriptResult r = control->invoke("get_output37");
    FUZZ_CHECK(r.ok);
    if (unedited && modeFits) {
      FUZZ_CHECK(r.value.isString());
      const std::string random =
          fuzzhost::bankServer().receiveClientRandom(r.value.asString(), rsaMode);
      FUZZ_CHECK(fuzzhost::isClientRandom(random));
    }
  }
  nothingLeft.check();
  return 0;
}
