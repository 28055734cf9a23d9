// AES block cipher (128-, 192- and 256-bit keys) and the AES-256-ECB string
// cipher with zero padding.
//
// The block functions work on a caller-provided key schedule: an array of
// 32-bit round-key words, 4 * (rounds + 1) of them; kAesScheduleWords serves
// every key size. They keep no state of their own and are reentrant.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Room for the schedule of any key size (14 rounds, 15 round keys).
constexpr std::size_t kAesScheduleWords = 60;

// Fills the encryption schedule from keyBits / 8 key bytes. Returns the round
// count: 10, 12 or 14 for keyBits 128, 192 or 256; 0 for any other size, in
// which case nothing is written and the schedule must not be used.
int rijndaelSetupEncrypt(std::uint32_t* schedule, const unsigned char* key, int keyBits);

// The same for the decryption schedule (equivalent inverse cipher: round keys
// in reverse order, InvMixColumns applied to all but the first and last).
int rijndaelSetupDecrypt(std::uint32_t* schedule, const unsigned char* key, int keyBits);

// Encrypts one 16-byte block under an encryption schedule of `rounds` rounds
// (10, 12 or 14, as returned by the setup). input and output may be the same.
// Any other round count is refused: nothing is read or written, so output
// keeps what it held.
void rijndaelEncrypt(const std::uint32_t* schedule, int rounds, const unsigned char input[16],
                     unsigned char output[16]);

// Decrypts one 16-byte block under a decryption schedule; the same round
// counts, and the same refusal of any other.
void rijndaelDecrypt(const std::uint32_t* schedule, int rounds, const unsigned char input[16],
                     unsigned char output[16]);

// AES-256-ECB with zero padding. key points to 32 readable bytes, or is null
// for 32 zero bytes. Appends 16 - (n mod 16) zero bytes (1 to 16) and encrypts
// every block on its own: the result has n + 16 - (n mod 16) bytes. Never fails.
std::string aes256EcbEncrypt(const std::string& plaintext, const void* key);

// AES-256-ECB decryption, same key rule. Nothing is removed: padding zeros
// stay. A last partial block is decrypted as if completed with zero bytes, so
// the result is the input length rounded up to a multiple of 16; no byte past
// the input is read. Empty in, empty out.
std::string aes256EcbDecrypt(const std::string& ciphertext, const void* key);

// Size of the result buffer of decryptWithBuiltinKey: 32 bytes and a zero.
constexpr std::size_t kBuiltinDecryptionSize = 33;

// Decrypts input with aes256EcbDecrypt under the built-in AES key and returns
// the process-wide 33-byte buffer `kp`: the first min(32, length) decrypted
// bytes, zeros after them (byte 33 is always zero). The buffer is overwritten
// by the next call; not reentrant. A caller done with the bytes wipes the
// buffer (deriveKeyText does, right after copying them).
const unsigned char* decryptWithBuiltinKey(const std::string& input);
