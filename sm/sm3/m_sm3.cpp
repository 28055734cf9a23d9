// The SM3 digest record for OpenSSL's EVP digest interface. OpenSSL 3 makes
// records opaque, so it is built with EVP_MD_meth_* once, on first use, and
// kept for the life of the process. A record made this way takes libcrypto's
// legacy path: no provider is fetched, and the hooks below run on the
// context's 576-byte data area.
#include <openssl/evp.h>

#include "sm/sm3/internal.h"

namespace smlib {
namespace {

SM3_CTX* data(EVP_MD_CTX* ctx) { return static_cast<SM3_CTX*>(EVP_MD_CTX_md_data(ctx)); }

int init(EVP_MD_CTX* ctx) { return SM3_Init(data(ctx)); }

int update(EVP_MD_CTX* ctx, const void* in, size_t count) {
  return SM3_Update(data(ctx), in, count);
}

int final(EVP_MD_CTX* ctx, unsigned char* md) { return SM3_Final(data(ctx), md); }

EVP_MD* makeRecord() {
  EVP_MD* md = EVP_MD_meth_new(NID_smlib_sm3, 0);
  if (md == nullptr) return nullptr;
  if (EVP_MD_meth_set_result_size(md, SM3_DIGEST_LENGTH) != 1 ||
      EVP_MD_meth_set_input_blocksize(md, SM3_BLOCK_SIZE) != 1 ||
      EVP_MD_meth_set_app_datasize(md, SM3_MD_DATA_SIZE) != 1 ||
      EVP_MD_meth_set_init(md, init) != 1 || EVP_MD_meth_set_update(md, update) != 1 ||
      EVP_MD_meth_set_final(md, final) != 1) {
    EVP_MD_meth_free(md);
    return nullptr;
  }
  return md;
}

}  // namespace

const EVP_MD* EVP_sm3() {
  static const EVP_MD* const sm3_md = makeRecord();
  return sm3_md;
}

}  // namespace smlib
