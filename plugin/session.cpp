// The session-key exchange as the script methods drive it: the client random,
// the server random received through input4, and the password ciphertexts,
// kept in the process-wide randoms and handed to the page as Base64. The byte
// work (key text, ciphers, public-key steps) is protect/sessionkey.h.
#include "plugin/session.h"

#include <cstddef>
#include <string>

#include "common/owned.h"
#include "plugin/EditNPObject.h"
#include "plugin/results.h"
#include "plugin/textsource.h"
#include "protect/base64.h"
#include "protect/random.h"
#include "protect/sessionkey.h"

std::string g_rand;
std::string g_rand2;

namespace {

using spc::WipeOnExit;

constexpr size_t kClientRandomLength = 16;

// 16 characters from OpenSSL's generator: per position a uniform choice of
// digit or letter, then a uniform digit '0'..'9' or letter 'a'..'y' (25
// letters: 'z' never occurs). False when the generator fails; *random is
// then left as it was.
bool makeClientRandom(std::string* random) {
  char made[kClientRandomLength];
  WipeOnExit wipe(made);
  RandomSource source;
  for (char& c : made) {
    unsigned letter = 0, pick = 0;
    if (!source.below(2, &letter) || !source.below(letter ? 25 : 10, &pick)) return false;
    c = static_cast<char>(letter ? 'a' + pick : '0' + pick);
  }
  random->assign(made, sizeof made);
  return true;
}

// Puts a new secret in place of an old one: the old one is wiped, the new
// one's source left empty.
void replaceSecret(std::string& secret, std::string& next) {
  secret.swap(next);
  WipeOnExit wipe(next);
}

// A byte that reads, as a signed 8-bit number, at most 0x20: control
// characters, the space, and every byte from 0x80 up.
bool isBlank(char c) { return static_cast<signed char>(c) <= 0x20; }

std::string trimBlanks(const std::string& text) {
  size_t first = 0, last = text.size();
  while (first < last && isBlank(text[first])) ++first;
  while (last > first && isBlank(text[last - 1])) --last;
  return text.substr(first, last - first);
}

// The UTF-8 password to encrypt (up to its first zero byte), or false when
// there is nothing to encrypt: no text, an empty one, or one that fails the
// whole-password test.
bool passwordToEncrypt(editorplugin* object, std::string* password) {
  NSString* text = textSource(object);
  bool ready = text && text->length() != 0 && wholePasswordTest(object, text);
  if (ready) password->assign(text->UTF8String());
  NSRelease(text);
  return ready;
}

void setBase64Result(NPVariant* result, const std::string& ciphertext) {
  if (!ciphertext.empty()) setStringResult(result, Base64Codec::encode(ciphertext));
}

}  // namespace

void sessionGetOutput37(editorplugin* object, NPVariant* result) {
  if (!object || !result) return;
  // Without a fresh random there is nothing to send: no ciphertext, and
  // g_rand keeps the client random of the last exchange (or stays empty).
  std::string fresh;
  if (!makeClientRandom(&fresh)) return;
  replaceSecret(g_rand, fresh);
  if (object->rsaMode != 0) {
    setBase64Result(result, rsaEncryptClientRandom(object->serverPublicKey, g_rand));
  } else if (!object->serverPublicKey.empty()) {
    setBase64Result(result, sm2EncryptClientRandom(object->serverPublicKey, g_rand));
  }
}

void receiveServerRandom(editorplugin* object) {
  if (!object) return;
  const std::string ciphertext = Base64Codec::decode(trimBlanks(object->encryptedServerRandom));
  std::string serverRandom = decryptServerRandom(object->rsaMode, ciphertext);
  WipeOnExit wipeServerRandom(serverRandom);
  if (serverRandom.empty()) return;
  std::string next;
  next.reserve(serverRandom.size() + g_rand.size());
  next.append(serverRandom).append(g_rand);
  replaceSecret(g_rand2, next);
}

void sessionGetOutput1(editorplugin* object, NPVariant* result) {
  if (!object || !result) return;
  std::string password;
  WipeOnExit wipe(password);
  if (!passwordToEncrypt(object, &password)) return;
  std::string source;
  WipeOnExit wipeSource(source);
  if (object->wrappedKey.isSet())
    source.assign(object->wrappedKey.bytes, object->wrappedKey.length);
  const KeyText key = deriveKeyText(source);
  setBase64Result(result, aesPasswordCiphertext(password, key));
}

void sessionGetOutput2(editorplugin* object, NPVariant* result) {
  if (!object || !result) return;
  std::string password;
  WipeOnExit wipe(password);
  if (!passwordToEncrypt(object, &password)) return;
  const KeyText key = deriveKeyText(g_rand2);
  if (object->rsaMode != 0)
    setBase64Result(result, aesPasswordCiphertext(password, key));
  else
    setBase64Result(result, sm4PasswordCiphertext(password, key));
}
