// The "sm2" engine: its only service is the SM2 public-key method for
// OpenSSL's EC key type.
#include <openssl/err.h>

#include "sm/sm2/internal.h"
#include "sm/sm2/sm2.h"

namespace smlib {

namespace {

const char kEngineId[] = "sm2";
const char kEngineName[] = "sm2 support";
const int sm2_nids[] = {EVP_PKEY_EC, 0};

int sm2_engine_init(ENGINE*) { return 1; }
int sm2_engine_finish(ENGINE*) { return 1; }
int sm2_engine_destroy(ENGINE*) { return 1; }

// The engine's ex-data slot for its method record. When an engine's last
// reference goes, OpenSSL asks pkey_meths for the record once more and frees
// it, so the slot needs no free hook of its own.
int engineRecordIndex() {
  static const int index = ENGINE_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

}  // namespace

ENGINE* engine_sm2() {
  ENGINE* e = ENGINE_new();
  if (e == nullptr) return nullptr;
  int index = engineRecordIndex();
  // Kept off OpenSSL's defaults: ordinary EC keys keep OpenSSL's own method.
  bool ok = ENGINE_set_id(e, kEngineId) && ENGINE_set_name(e, kEngineName) &&
            ENGINE_set_destroy_function(e, sm2_engine_destroy) &&
            ENGINE_set_init_function(e, sm2_engine_init) &&
            ENGINE_set_finish_function(e, sm2_engine_finish) &&
            ENGINE_set_pkey_meths(e, pkey_meths) &&
            ENGINE_set_flags(e, ENGINE_FLAGS_NO_REGISTER_ALL) && index >= 0;
  // One method record per engine, made here and handed out by every lookup.
  EVP_PKEY_METHOD* meth = ok ? sm2_pmeth_new() : nullptr;
  if (meth == nullptr || !ENGINE_set_ex_data(e, index, meth)) {
    EVP_PKEY_meth_free(meth);
    ENGINE_free(e);
    return nullptr;
  }
  return e;
}

int pkey_meths(ENGINE* e, EVP_PKEY_METHOD** pmeth, const int** nids, int nid) {
  if (nids != nullptr) *nids = sm2_nids;
  if (pmeth == nullptr) return 1;
  *pmeth = nullptr;
  if (nid == EVP_PKEY_EC && e != nullptr) {
    int index = engineRecordIndex();
    if (index >= 0) *pmeth = static_cast<EVP_PKEY_METHOD*>(ENGINE_get_ex_data(e, index));
  }
  return 1;
}

void ENGINE_load_sm2() {
  ENGINE* e = engine_sm2();
  if (e == nullptr) return;
  ENGINE_add(e);
  ENGINE_free(e);
  ERR_clear_error();
}

}  // namespace smlib
