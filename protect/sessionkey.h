// The byte work of the session-key exchange: the key text derived from the
// randoms, the password ciphertexts under it, the client random encrypted to
// the server's key text, and the server random decrypted with the control's
// built-in keys.
//
// Every routine takes and returns byte strings (std::string, any byte); the
// empty string is the failure result, and every OpenSSL call is checked: one
// that fails gives the empty string. OpenSSL objects made inside a routine are
// freed before it returns, on every path.
#pragma once

#include <cstdint>
#include <string>

// A key text: 32 Base64 characters and a zero byte, wiped when it goes.
// AES-256 uses all 32 characters as its key, SM4 the first 16.
struct KeyText {
  unsigned char bytes[33];
  ~KeyText();
};

// The key text of a source (the server random followed by the client random,
// or the wrapped key of input1): the first 32 characters of the Base64 text
// of the first 32 bytes (zero-filled) that the built-in AES key decrypts the
// source to (decryptWithBuiltinKey). Never fails: an empty source counts as
// decrypting to 32 zero bytes. The intermediate bytes are wiped, and so is
// the whole of decryptWithBuiltinKey's buffer as soon as they are copied.
KeyText deriveKeyText(const std::string& source);

// RSA mode: AES-256-ECB with zero padding under all 32 key-text characters;
// n + 16 - (n mod 16) bytes for an n-byte password. Never fails.
std::string aesPasswordCiphertext(const std::string& password, const KeyText& key);

// SM2 mode: SM4-ECB with PKCS#7 padding under the first 16 key-text
// characters; n + 16 - (n mod 16) bytes. Empty for a password of more than
// INT_MAX - 32 bytes, or when an OpenSSL call fails.
std::string sm4PasswordCiphertext(const std::string& password, const KeyText& key);

// RSA mode: the PKCS#1 v1.5 encryption of the client random under the server
// key text, by the form classifyKeyText finds (protect/pubkey.h): a PEM
// certificate, a bare Base64 certificate body, or the hex text of a DER RSA
// public key. RSA_size bytes, or empty for an empty or unusable key text.
std::string rsaEncryptClientRandom(const std::string& keyText, const std::string& random);

// SM2 mode: the SM2 ciphertext (C1 || C3 || C2, 97 bytes more than the
// random) of the client random under the server key text: two hex
// coordinates joined by one "|" or "," that stands exactly in the middle of a
// text of odd length and is the only one of its kind, or else a Base64
// certificate body whose public key holds the uncompressed point. Empty when
// the text gives no valid key or the encryption fails.
std::string sm2EncryptClientRandom(const std::string& keyText, const std::string& random);

// The server random from its ciphertext: PKCS#1 v1.5 decryption with the
// built-in RSA key when rsaMode is non-zero, SM2 decryption with the built-in
// SM2 key when it is 0. Empty when the ciphertext does not decrypt. Whether
// it decrypts or not, the static buffers of the key-text accessors it used
// (protect/builtin_keys.h) are wiped whole before it returns.
std::string decryptServerRandom(int32_t rsaMode, const std::string& ciphertext);
