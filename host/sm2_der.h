// Conversions between the control's raw SM2 ciphertext (C1 || C3 || C2, with
// C1 the 65-byte uncompressed point and C3 a 32-byte SM3 digest) and the DER
// form that OpenSSL's own SM2 reads and writes:
//   SEQUENCE { INTEGER x, INTEGER y, OCTET STRING C3, OCTET STRING C2 }.
// Both answer an empty string for input of the wrong shape.
#pragma once

#include <string>

namespace bank {

std::string sm2RawToDer(const std::string& raw);
std::string sm2DerToRaw(const std::string& der);

}  // namespace bank
