// classifyKeyText over every form a page may give as the server's RSA key.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "Foundation/NSException.h"
#include "Foundation/NSPredicate.h"
#include "protect/pubkey.h"
#include "tests/support/hostile_patterns.h"

namespace {

const std::string kPem =
    "-----BEGIN CERTIFICATE-----\nMIIBszCCARygAwIBAgIBATANBgkqhkiG9w0BAQsFADAU\n"
    "-----END CERTIFICATE-----";

struct Case {
  const char* name;  // the test's name
  const char* what;
  std::string text;
  int kind;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.what; }

class ClassifyKeyText : public ::testing::TestWithParam<Case> {};

TEST_P(ClassifyKeyText, TellsTheFormsApart) {
  EXPECT_EQ(classifyKeyText(GetParam().text), GetParam().kind) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ClassifyKeyText,
    ::testing::Values(
        Case{"Empty", "empty", "", keytext::kNone},
        Case{"Pem", "whole PEM certificate", kPem, keytext::kPemCertificate},
        Case{"PemAndLineBreak", "PEM followed by a line break", kPem + "\n",
             keytext::kCertificateBody},
        Case{"PemAndBlank", "PEM followed by a blank", kPem + " ", keytext::kCertificateBody},
        Case{"PemCrlf", "PEM with CRLF lines",
             "-----BEGIN CERTIFICATE-----\r\nQUJD\r\n-----END CERTIFICATE-----",
             keytext::kPemCertificate},
        Case{"EndMarkerTwice", "END marker twice, text ends with the second",
             kPem + "\n-----END CERTIFICATE-----", keytext::kCertificateBody},
        Case{"EndWithoutBegin", "END marker without BEGIN", "QUJD\n-----END CERTIFICATE-----",
             keytext::kCertificateBody},
        Case{"HexUpper", "even hex, upper case", "30818902818100C0FFEE", keytext::kHexDerKey},
        Case{"HexLower", "even hex, lower case", "30818902818100c0ffee", keytext::kHexDerKey},
        Case{"HexMixed", "even hex, mixed case", "aBcD", keytext::kHexDerKey},
        Case{"HexOdd", "odd hex", "30818", keytext::kCertificateBody},
        Case{"HexWithBlank", "hex with a blank", "3081 902", keytext::kCertificateBody},
        Case{"HexThenLineBreak", "even length, hex then a line break", "30818\n",
             keytext::kCertificateBody},
        Case{"DigitsOnly", "digits only", "0123456789", keytext::kHexDerKey},
        Case{"NoHexDigit", "no hex digit at all", "MIIB", keytext::kCertificateBody},
        Case{"OneBlank", "a single blank", " ", keytext::kCertificateBody},
        Case{"NonAscii", "non-ASCII bytes", "\xc3\xa9\xc3\xa9", keytext::kCertificateBody},
        Case{"FullWidthDigits", "full-width digits", "\xef\xbc\x90\xef\xbc\x91",
             keytext::kCertificateBody},
        // A text is read up to its first zero byte; the length counts every byte.
        Case{"HexThenZero", "even length, hex up to a zero byte", std::string("AB\0C", 4),
             keytext::kHexDerKey},
        Case{"HexThenZeroOdd", "odd length, hex up to a zero byte", std::string("AB\0", 3),
             keytext::kCertificateBody},
        Case{"ZeroFirst", "a zero byte first", std::string("\0ABC", 4), keytext::kCertificateBody},
        Case{"ZeroOnly", "two zero bytes", std::string("\0\0", 2), keytext::kCertificateBody}),
    [](const ::testing::TestParamInfo<Case>& caseInfo) {
      return std::string(caseInfo.param.name);
    });

// The control's own check runs no page pattern: with every evaluation of the
// pattern matcher refused (no processor time at all), the forms still come
// apart as above.
class ClassifyWithoutMatcher : public hostile::IdleMatcher<::testing::Test> {};

TEST_F(ClassifyWithoutMatcher, NeedsNoPatternMatcher) {
  PredicateLimits none = PredicateLimitsForTesting();
  none.budget = std::chrono::nanoseconds(0);
  hostile::ScopedLimits limits(none);
  {
    NSAutoreleasePool pool;
    NSPredicate* p = NSPredicate::predicateWithFormat(
        "SELF MATCHES %@", NSString::stringWithUTF8String("^[A-Fa-f0-9][A-Fa-f0-9]*$"));
    EXPECT_THROW(p->evaluateWithObject(NSString::stringWithUTF8String("00FF")), NSException);
  }
  PredicateResetStopsForTesting();
  EXPECT_EQ(keytext::kHexDerKey, classifyKeyText("30818902818100C0FFEE"));
  EXPECT_EQ(keytext::kHexDerKey, classifyKeyText("aBcD"));
  EXPECT_EQ(keytext::kCertificateBody, classifyKeyText("30818"));
  EXPECT_EQ(keytext::kCertificateBody, classifyKeyText("MIIB"));
  EXPECT_EQ(0, PredicateStopsForTesting(PredicateStop::kTimeBudget));
  EXPECT_EQ(0, PredicateStopsForTesting(PredicateStop::kKnownSlow));
}

// A body becomes PEM text with a CRLF after the BEGIN marker and the END
// marker straight after the body's last byte.
TEST(PemFromCertificateBody, WrapsTheBodyUnchanged) {
  EXPECT_EQ(pemFromCertificateBody("QUJD\nREVG\n"),
            "-----BEGIN CERTIFICATE-----\r\nQUJD\nREVG\n-----END CERTIFICATE-----");
  EXPECT_EQ(pemFromCertificateBody("QUJD"),
            "-----BEGIN CERTIFICATE-----\r\nQUJD-----END CERTIFICATE-----");
}

}  // namespace
