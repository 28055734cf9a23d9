// The bank's server side of the session-key protocol, played with OpenSSL's
// own RSA, SM2, AES and SM4 (never with the control's code), so a session
// through the host checks the control against an independent implementation.
//
// The server holds its own RSA and SM2 key pairs (made fresh per server) and
// the public halves of the control's built-in keys plus the built-in AES key.
#pragma once

#include <openssl/evp.h>

#include <string>

namespace bank {

// What the server knows of a control deployment.
struct ControlKeys {
  std::string rsaModulusHex;   // n of the control's built-in RSA key
  std::string rsaExponentHex;  // e
  std::string sm2PublicPoint;  // 65-byte uncompressed point of the built-in SM2 key
  std::string aesKey;          // the 32-byte built-in AES key
};

// The public halves of this build's configured key set, and its AES key.
ControlKeys controlKeysFromKeyset();

// Computes the uncompressed public point d*G on the SM2 curve from a private
// scalar in hex; empty when the scalar cannot be read.
std::string sm2PublicPointFromPrivateHex(const std::string& privateHex);

class BankServer {
 public:
  explicit BankServer(ControlKeys keys);
  ~BankServer();
  BankServer(const BankServer&) = delete;
  BankServer& operator=(const BankServer&) = delete;

  // Texts the page may set as input9.
  std::string rsaCertificatePem() const;                // ends exactly with the END marker
  std::string rsaCertificateBody() const;               // Base64 lines, final line break kept
  std::string rsaPublicKeyHexDer() const;               // PKCS#1 RSAPublicKey as hex
  std::string sm2CoordinatePair(char separator) const;  // 64 hex digits, sep, 64 hex digits
  std::string sm2CertificateBody() const;               // Base64 of a DER certificate, one line

  // Decrypts get_output37's Base64 result with the server's private key (raw
  // SM2 ciphertext converted to DER first) and remembers the client random.
  // Empty on failure.
  std::string receiveClientRandom(const std::string& base64, bool rsaMode);

  // Makes a server random, encrypts it to the control's built-in public key
  // and returns the Base64 text for input4. serverRandom() tells what it was.
  std::string makeServerRandom(bool rsaMode, size_t length = 16);
  // The same with a server random of the caller's choosing (any bytes).
  std::string sendServerRandom(bool rsaMode, const std::string& random);
  const std::string& serverRandom() const { return serverRandom_; }
  const std::string& clientRandom() const { return clientRandom_; }

  // The 32-character key text of a source (the control's derivation, redone
  // with OpenSSL): AES-256-ECB decryption under the built-in AES key of the
  // zero-filled source, cut or zero-filled to 32 bytes, Base64, first 32.
  std::string keyTextFor(const std::string& source) const;
  // The session's key text: server random followed by client random.
  std::string sessionKeyText() const { return keyTextFor(serverRandom_ + clientRandom_); }

  // Recovers a password from a get_output2 / get_output1 Base64 result:
  // AES-256-ECB with trailing zero padding removed (RSA mode), or SM4-ECB with
  // PKCS#7 under the first 16 key-text bytes (SM2 mode). Empty on failure.
  std::string decryptPassword(const std::string& base64, bool rsaMode,
                              const std::string& keyText) const;

 private:
  ControlKeys keys_;
  EVP_PKEY* rsaKey_ = nullptr;
  EVP_PKEY* sm2Key_ = nullptr;
  std::string rsaCertDer_;
  std::string sm2CertDer_;
  std::string clientRandom_;
  std::string serverRandom_;
};

// Base64 through OpenSSL (no line breaks); decode answers empty on bad input.
std::string base64Encode(const std::string& bytes);
std::string base64Decode(const std::string& text);

}  // namespace bank
