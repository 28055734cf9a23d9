// Server key texts and the public-key routines of the session-key protocol.
//
// Every routine takes and returns byte strings (std::string, any byte); the
// empty string is the failure result. OpenSSL objects made inside a routine
// are freed before it returns, on every path. Nothing is thrown.
#pragma once

#include <string>

class NSString;
class NSMutableString;

namespace keytext {
// Kinds of an RSA-mode server key text.
constexpr int kNone = -1;  // empty text: no key
constexpr int kPemCertificate = 0;
constexpr int kCertificateBody = 1;
constexpr int kHexDerKey = 2;
}  // namespace keytext

// Tells the RSA-mode forms of a server key text apart: 0 whole PEM certificate
// (begins with the BEGIN marker, first END marker ends the text), 2 a text of
// even length whose characters up to the first zero byte are one or more hex
// digits, 1 any other non-empty text (the Base64 decoder gives bytes for every
// one), -1 empty.
int classifyKeyText(const std::string& text);

// The PEM text a kind-1 certificate body stands for: the BEGIN line, the body
// unchanged, the END marker right after it.
std::string pemFromCertificateBody(const std::string& body);

// RSA public encryption with the key of the first certificate in a PEM text.
// Returns RSA_size bytes, or empty (no message, no RSA key, message longer
// than the key, or OpenSSL refusing it).
std::string rsaEncryptWithPemCertificate(const std::string& pem, const std::string& message,
                                         int padding);

// The same with DER PKCS#1 RSAPublicKey bytes; messages over 128 bytes are
// refused before the key is read.
std::string rsaEncryptWithDerKey(const std::string& der, const std::string& message, int padding);

// PKCS#1 v1.5 decryption with a key given as hex texts of n, e, p, q and d (no
// CRT values). Ciphertexts over 1024 bytes are refused.
std::string rsaDecryptWithKeyParts(const char* n, const char* e, const char* p, const char* q,
                                   const char* d, const std::string& ciphertext);

// SM2 decryption (C1 || C3 || C2) with a private scalar given as hex text.
// Plaintexts of up to 2048 bytes: a ciphertext over 2145 bytes is refused.
std::string sm2DecryptWithPrivateHex(const char* privateHex, const std::string& ciphertext);

// A 128-byte block: 0x00, 0x02, the tag length as two decimal digits, the tag,
// filler characters ('1'-'9', 'a'-'f': each the first hex digit of a value
// drawn uniformly from 1 to 0x7f with OpenSSL's generator), 0x00, the
// message. Empty when the message or tag is empty, when they do not fit, when
// the tag has 100 characters or more (its length would not fit), or when the
// generator fails.
std::string PaddingMsg(const std::string& message, const std::string& tag);

// MD5 of the text's UTF-8 bytes (up to the first zero byte) as 32 upper-case
// hex digits, in a new autoreleased mutable string.
NSMutableString* md5HexDigest(const NSString* text);
