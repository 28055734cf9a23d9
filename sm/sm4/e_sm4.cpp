// The four SM4 cipher records (ECB, CBC, CFB-128, OFB) for OpenSSL's EVP
// cipher interface. OpenSSL 3 makes records opaque, so each is built with
// EVP_CIPHER_meth_* once, on first use, from one table, and kept for the life
// of the process. Records made this way take libcrypto's legacy path: no
// provider is fetched; the context's 128-byte data area holds the round keys,
// the context IV the chaining value and its num the CFB/OFB position.
#include <openssl/evp.h>

#include <cstring>

#include "sm/sm4/internal.h"

namespace smlib {
namespace {

const uint32_t* roundKeys(EVP_CIPHER_CTX* ctx) {
  return static_cast<const uint32_t*>(EVP_CIPHER_CTX_get_cipher_data(ctx));
}

// One schedule serves both directions; OpenSSL itself copies the IV into the
// context and, for CFB and OFB, sets num to 0. The hooks fail (0) only when
// OpenSSL gives them no data area, IV or position to work on.
int sm4_init_key(EVP_CIPHER_CTX* ctx, const unsigned char* key, const unsigned char* /*iv*/,
                 int /*enc*/) {
  auto* rk = static_cast<uint32_t*>(EVP_CIPHER_CTX_get_cipher_data(ctx));
  if (rk == nullptr || key == nullptr) return 0;
  SM4InitKey(key, rk);
  return 1;
}

// OpenSSL hands the block-size-16 records whole blocks only.
int sm4_ecb_cipher(EVP_CIPHER_CTX* ctx, unsigned char* out, const unsigned char* in, size_t len) {
  const uint32_t* rk = roundKeys(ctx);
  if (rk == nullptr) return 0;
  const bool enc = EVP_CIPHER_CTX_is_encrypting(ctx) != 0;
  for (size_t at = 0; at + SM4_BLOCK_SIZE <= len; at += SM4_BLOCK_SIZE) {
    if (enc) {
      SM4EncryptBlock(in + at, out + at, rk);
    } else {
      SM4DecryptBlock(in + at, out + at, rk);
    }
  }
  return 1;
}

int sm4_cbc_cipher(EVP_CIPHER_CTX* ctx, unsigned char* out, const unsigned char* in, size_t len) {
  const uint32_t* rk = roundKeys(ctx);
  unsigned char* chain = EVP_CIPHER_CTX_iv_noconst(ctx);
  if (rk == nullptr || chain == nullptr) return 0;
  unsigned char block[SM4_BLOCK_SIZE];
  if (EVP_CIPHER_CTX_is_encrypting(ctx)) {
    for (size_t at = 0; at + SM4_BLOCK_SIZE <= len; at += SM4_BLOCK_SIZE) {
      std::memcpy(block, in + at, SM4_BLOCK_SIZE);
      SM4Xor(block, chain);
      SM4EncryptBlock(block, out + at, rk);
      std::memcpy(chain, out + at, SM4_BLOCK_SIZE);
    }
  } else {
    unsigned char cipherBlock[SM4_BLOCK_SIZE];
    for (size_t at = 0; at + SM4_BLOCK_SIZE <= len; at += SM4_BLOCK_SIZE) {
      std::memcpy(cipherBlock, in + at, SM4_BLOCK_SIZE);  // read before out may overwrite it
      SM4DecryptBlock(cipherBlock, block, rk);
      SM4Xor(block, chain);
      std::memcpy(out + at, block, SM4_BLOCK_SIZE);
      std::memcpy(chain, cipherBlock, SM4_BLOCK_SIZE);
    }
  }
  OPENSSL_cleanse(block, sizeof block);  // the last plaintext block
  return 1;
}

// CFB-128 as a stream: the IV holds the feedback block, num the position in it.
int sm4_cfb_cipher(EVP_CIPHER_CTX* ctx, unsigned char* out, const unsigned char* in, size_t len) {
  const uint32_t* rk = roundKeys(ctx);
  unsigned char* feedback = EVP_CIPHER_CTX_iv_noconst(ctx);
  if (rk == nullptr || feedback == nullptr) return 0;
  const bool enc = EVP_CIPHER_CTX_is_encrypting(ctx) != 0;
  int pos = EVP_CIPHER_CTX_get_num(ctx) & (SM4_BLOCK_SIZE - 1);
  for (size_t i = 0; i < len; ++i) {
    if (pos == 0) SM4EncryptBlock(feedback, feedback, rk);
    const unsigned char inByte = in[i];
    const unsigned char outByte = static_cast<unsigned char>(inByte ^ feedback[pos]);
    out[i] = outByte;
    feedback[pos] = enc ? outByte : inByte;
    pos = (pos + 1) & (SM4_BLOCK_SIZE - 1);
  }
  return EVP_CIPHER_CTX_set_num(ctx, pos) == 1 ? 1 : 0;
}

// OFB as a stream: the IV holds the keystream block, num the position in it.
int sm4_ofb_cipher(EVP_CIPHER_CTX* ctx, unsigned char* out, const unsigned char* in, size_t len) {
  const uint32_t* rk = roundKeys(ctx);
  unsigned char* keystream = EVP_CIPHER_CTX_iv_noconst(ctx);
  if (rk == nullptr || keystream == nullptr) return 0;
  int pos = EVP_CIPHER_CTX_get_num(ctx) & (SM4_BLOCK_SIZE - 1);
  for (size_t i = 0; i < len; ++i) {
    if (pos == 0) SM4EncryptBlock(keystream, keystream, rk);
    out[i] = static_cast<unsigned char>(in[i] ^ keystream[pos]);
    pos = (pos + 1) & (SM4_BLOCK_SIZE - 1);
  }
  return EVP_CIPHER_CTX_set_num(ctx, pos) == 1 ? 1 : 0;
}

using DoCipher = int (*)(EVP_CIPHER_CTX*, unsigned char*, const unsigned char*, size_t);

struct RecordShape {
  int blockSize;
  int ivLength;
  unsigned long mode;
  DoCipher doCipher;
};

enum Mode { ECB, CBC, CFB, OFB, MODE_COUNT };

constexpr RecordShape kRecords[MODE_COUNT] = {
    {16, 0, EVP_CIPH_ECB_MODE, sm4_ecb_cipher},
    {16, 16, EVP_CIPH_CBC_MODE, sm4_cbc_cipher},
    {1, 16, EVP_CIPH_CFB_MODE, sm4_cfb_cipher},
    {1, 16, EVP_CIPH_OFB_MODE, sm4_ofb_cipher},
};

EVP_CIPHER* makeRecord(const RecordShape& shape) {
  EVP_CIPHER* c = EVP_CIPHER_meth_new(NID_smlib_sm4, shape.blockSize, SM4_KEY_LENGTH);
  if (c == nullptr) return nullptr;
  if (EVP_CIPHER_meth_set_iv_length(c, shape.ivLength) != 1 ||
      EVP_CIPHER_meth_set_flags(c, shape.mode) != 1 ||
      EVP_CIPHER_meth_set_init(c, sm4_init_key) != 1 ||
      EVP_CIPHER_meth_set_do_cipher(c, shape.doCipher) != 1 ||
      EVP_CIPHER_meth_set_impl_ctx_size(c, SM4_CIPHER_DATA_SIZE) != 1 ||
      EVP_CIPHER_meth_set_set_asn1_params(c, EVP_CIPHER_set_asn1_iv) != 1 ||
      EVP_CIPHER_meth_set_get_asn1_params(c, EVP_CIPHER_get_asn1_iv) != 1) {
    EVP_CIPHER_meth_free(c);
    return nullptr;
  }
  return c;
}

struct Records {
  const EVP_CIPHER* byMode[MODE_COUNT];
  Records() {
    for (int m = 0; m < MODE_COUNT; ++m) byMode[m] = makeRecord(kRecords[m]);
  }
};

const EVP_CIPHER* record(Mode m) {
  static const Records records;
  return records.byMode[m];
}

static_assert(SM4_CIPHER_DATA_SIZE == SM4_ROUNDS * sizeof(uint32_t),
              "the data area holds exactly the round keys");

}  // namespace

const EVP_CIPHER* EVP_sm4_ecb() { return record(ECB); }
const EVP_CIPHER* EVP_sm4_cbc() { return record(CBC); }
const EVP_CIPHER* EVP_sm4_cfb() { return record(CFB); }
const EVP_CIPHER* EVP_sm4_ofb() { return record(OFB); }

}  // namespace smlib
