// get_output37 with every form of server key text the page may set as input9,
// in both modes: the server must read the client random the control keeps.
#include <cctype>
#include <ostream>
#include <string>

#include "session_fixture.h"

namespace {

struct KeyTextCase {
  const char* name;  // the test's name
  const char* what;
  bool rsaMode;
  std::string (*text)();  // from the server
  bool readable;          // a ciphertext the server decrypts, else void
};

std::string pem() { return bankServer().rsaCertificatePem(); }
std::string body() { return bankServer().rsaCertificateBody(); }
std::string bodyWithoutBreak() {
  std::string b = body();
  while (!b.empty() && (b.back() == '\n' || b.back() == '\r')) b.pop_back();
  return b;
}
std::string pemWithBreak() { return pem() + "\n"; }
std::string hexDer() { return bankServer().rsaPublicKeyHexDer(); }
std::string hexDerLower() {
  std::string h = hexDer();
  for (char& c : h) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return h;
}
std::string empty() { return std::string(); }
std::string pairBar() { return bankServer().sm2CoordinatePair('|'); }
std::string pairComma() { return bankServer().sm2CoordinatePair(','); }
// One digit of y moved in front of the separator: it stands off the middle.
std::string pairOffMiddle() {
  std::string p = pairBar();
  return p.substr(0, 63) + "|" + p.substr(63, 1) + p.substr(65);
}
// One digit replaced by a second separator.
std::string pairDoubled() {
  std::string p = pairBar();
  p[10] = '|';
  return p;
}
// An even-length text: no middle character at all.
std::string pairEven() { return pairBar() + "0"; }
// The pair joined by "," and followed by a "|" that stands in the middle of
// the whole text (after 129 characters that are no hex digits): the cut is
// at the first separator, the ",", so y is read up to the "|" and the key is
// the server's. A cut at the middle would leave y without a digit.
std::string pairCutAtTheFirstSeparator() {
  std::string p = pairBar();
  return p.substr(0, 64) + "," + p.substr(65) + "|" + std::string(129, 'g');
}
// The mirror: "|" first, the "," in the middle.
std::string pairCutAtTheFirstBar() { return pairBar() + "," + std::string(129, 'g'); }
std::string sm2Body() { return bankServer().sm2CertificateBody(); }
std::string rsaBodyInSm2Mode() { return bodyWithoutBreak(); }
std::string pointOffCurve() {
  std::string p = pairBar();
  p[128] = p[128] == '1' ? '2' : '1';
  return p;
}

const KeyTextCase kCases[] = {
    {"RsaPem", "RSA: whole PEM certificate", true, pem, true},
    {"RsaBody", "RSA: certificate body with its final line break", true, body, true},
    {"RsaBodyWithoutBreak", "RSA: certificate body without its final line break", true,
     bodyWithoutBreak, false},
    {"RsaPemWithBreak", "RSA: PEM followed by a line break (read as a body)", true, pemWithBreak,
     false},
    {"RsaHexDer", "RSA: hex DER RSAPublicKey", true, hexDer, true},
    {"RsaHexDerLower", "RSA: hex DER RSAPublicKey in lower case", true, hexDerLower, true},
    {"RsaEmpty", "RSA: empty", true, empty, false},
    {"Sm2PairBar", "SM2: coordinate pair around |", false, pairBar, true},
    {"Sm2PairComma", "SM2: coordinate pair around ,", false, pairComma, true},
    {"Sm2OffMiddle", "SM2: separator off the middle", false, pairOffMiddle, false},
    {"Sm2DoubledSeparator", "SM2: doubled separator", false, pairDoubled, false},
    {"Sm2EvenLength", "SM2: even length", false, pairEven, false},
    {"Sm2OffCurve", "SM2: point off the curve", false, pointOffCurve, false},
    {"Sm2CutAtComma", "SM2: cut at the first separator, a \",\"", false, pairCutAtTheFirstSeparator,
     true},
    {"Sm2CutAtBar", "SM2: cut at the first separator, a \"|\"", false, pairCutAtTheFirstBar, true},
    {"Sm2Body", "SM2: certificate body", false, sm2Body, true},
    {"Sm2RsaBody", "SM2: an RSA certificate body", false, rsaBodyInSm2Mode, false},
    {"Sm2Empty", "SM2: empty", false, empty, false},
};

void PrintTo(const KeyTextCase& c, std::ostream* os) { *os << c.what; }

class KeyTexts : public SessionTest, public ::testing::WithParamInterface<KeyTextCase> {};

TEST_P(KeyTexts, ClientRandomReachesTheServerOrTheResultIsVoid) {
  const KeyTextCase& c = GetParam();
  const std::string keyText = c.text();
  for (Model model : {Model::kCoreAnimation, Model::kCoreGraphics}) {
    host::Instance& control = embed(model, c.rsaMode, &keyText);
    const std::string before = gRand();
    host::ScriptResult r = control.invoke("get_output37");
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(isClientRandom(gRand())) << gRand();
    if (!c.readable) {
      EXPECT_TRUE(r.value.isVoid()) << c.what << " / " << modelName(model);
      continue;
    }
    ASSERT_TRUE(r.value.isString()) << c.what << " / " << modelName(model);
    EXPECT_TRUE(r.value.zeroTerminated());
    const std::string sent = r.value.asString();
    // RSA: as many bytes as the server's 2048-bit modulus; SM2: 65 + 32 + 16.
    EXPECT_EQ(sent.size(), c.rsaMode ? 344u : 152u) << c.what;
    EXPECT_EQ(server().receiveClientRandom(sent, c.rsaMode), gRand())
        << c.what << " / " << modelName(model);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryForm, KeyTexts, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<KeyTextCase>& caseInfo) {
                           return std::string(caseInfo.param.name);
                         });

// The control's mode decides how input9 is read: an SM2 coordinate pair in RSA
// mode, and a hex RSA key in SM2 mode, are both taken as certificate bodies
// and give no key.
TEST_F(SessionTest, TheControlsModeDecidesHowTheKeyTextIsRead) {
  const std::string pair = server().sm2CoordinatePair('|');
  host::Instance& rsa = embed(Model::kCoreAnimation, true, &pair);
  EXPECT_EQ(call(rsa, "get_output37"), "");
  const std::string hex = server().rsaPublicKeyHexDer();
  host::Instance& sm2 = embed(Model::kCoreAnimation, false, &hex);
  EXPECT_EQ(call(sm2, "get_output37"), "");
  EXPECT_TRUE(isClientRandom(gRand()));
}

}  // namespace
