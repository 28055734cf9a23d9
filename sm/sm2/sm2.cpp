// SM2 curve record and the GM/T 0003 algorithms: key check and generation,
// the user-identity hash, signature, verification, encryption, decryption.
#include "sm/sm2/sm2.h"

#include <openssl/crypto.h>
#include <openssl/rand.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "sm/sm2/internal.h"
#include "sm/sm3/sm3.h"

namespace smlib {

const unsigned char EC_SM2_p[32] = {
    0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const unsigned char EC_SM2_a[32] = {
    0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFC};
const unsigned char EC_SM2_b[32] = {
    0x28, 0xE9, 0xFA, 0x9E, 0x9D, 0x9F, 0x5E, 0x34, 0x4D, 0x5A, 0x9E, 0x4B, 0xCF, 0x65, 0x09, 0xA7,
    0xF3, 0x97, 0x89, 0xF5, 0x15, 0xAB, 0x8F, 0x92, 0xDD, 0xBC, 0xBD, 0x41, 0x4D, 0x94, 0x0E, 0x93};
const unsigned char EC_SM2_n[32] = {
    0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
    0x72, 0x03, 0xDF, 0x6B, 0x21, 0xC6, 0x05, 0x2B, 0x53, 0xBB, 0xF4, 0x09, 0x39, 0xD5, 0x41, 0x23};
const unsigned char EC_SM2_Gx[32] = {
    0x32, 0xC4, 0xAE, 0x2C, 0x1F, 0x19, 0x81, 0x19, 0x5F, 0x99, 0x04, 0x46, 0x6A, 0x39, 0xC9, 0x94,
    0x8F, 0xE3, 0x0B, 0xBF, 0xF2, 0x66, 0x0B, 0xE1, 0x71, 0x5A, 0x45, 0x89, 0x33, 0x4C, 0x74, 0xC7};
const unsigned char EC_SM2_Gy[32] = {
    0xBC, 0x37, 0x36, 0xA2, 0xF4, 0xF6, 0x77, 0x9C, 0x59, 0xBD, 0xCE, 0xE3, 0x6B, 0x69, 0x21, 0x53,
    0xD0, 0xA9, 0x87, 0x7C, 0xC6, 0x2A, 0x47, 0x40, 0x02, 0xDF, 0x32, 0xE5, 0x21, 0x39, 0xF0, 0xA0};

using namespace sm2_internal;

namespace {

const char kDefaultId[] = "1234567812345678";
constexpr size_t kCoord = 32;     // bytes of a coordinate
constexpr size_t kPointLen = 65;  // 0x04 || x || y

sm2_testing::ScalarSource g_scalarSource = nullptr;
void* g_scalarArg = nullptr;

int dupRecord(CRYPTO_EX_DATA*, const CRYPTO_EX_DATA*, void** from_d, int, long, void*) {
  if (*from_d == nullptr) return 1;
  // A copied key gets a fresh record of its own.
  *from_d = ec_sm2_data_dup(static_cast<ec_sm2_data*>(*from_d));
  return *from_d != nullptr;
}

void freeRecord(void*, void* ptr, CRYPTO_EX_DATA*, int, long, void*) {
  ec_sm2_data_free(static_cast<ec_sm2_data*>(ptr));
}

struct Piece {
  const unsigned char* data;
  size_t len;
};

// out = H(piece 1 || piece 2 || ...); 1 on success.
int hashPieces(const EVP_MD* md, std::initializer_list<Piece> pieces, unsigned char* out) {
  spc::MdCtxPtr c(EVP_MD_CTX_new());
  if (!c || !EVP_DigestInit_ex(c.get(), md, nullptr)) return 0;
  for (const Piece& p : pieces) {
    if (p.len != 0 && !EVP_DigestUpdate(c.get(), p.data, p.len)) return 0;
  }
  return EVP_DigestFinal_ex(c.get(), out, nullptr);
}

// A scratch buffer for key stream and plaintext: allocated without throwing,
// cleared when freed.
class SecretBuffer {
 public:
  explicit SecretBuffer(size_t len)
      : len_(len), data_(static_cast<unsigned char*>(OPENSSL_malloc(len > 0 ? len : 1))) {}
  ~SecretBuffer() { OPENSSL_clear_free(data_, len_); }
  SecretBuffer(const SecretBuffer&) = delete;
  SecretBuffer& operator=(const SecretBuffer&) = delete;
  unsigned char* data() { return data_; }
  unsigned char& operator[](size_t i) { return data_[i]; }

 private:
  size_t len_;
  unsigned char* data_;
};

bool allZero(const unsigned char* p, size_t len) {
  unsigned char acc = 0;
  for (size_t i = 0; i < len; ++i) acc |= p[i];
  return acc == 0;
}

// The digest size v, or 0 for a missing or unusable digest.
size_t digestSize(const EVP_MD* md) {
  if (md == nullptr) return 0;
  int v = EVP_MD_size(md);
  return v > 0 && v <= EVP_MAX_MD_SIZE ? static_cast<size_t>(v) : 0;
}

// 0 <= a < bound.
bool inRange(const BIGNUM* a, const BIGNUM* bound) {
  return !BN_is_negative(a) && BN_cmp(a, bound) < 0;
}

// Draws k in [1, n-1].
int drawNonZero(BIGNUM* k, const BIGNUM* n) {
  do {
    if (!draw_scalar(k, n)) return 0;
  } while (BN_is_zero(k));
  return 1;
}

// Whether the key's group is the SM2 group with G and n of the record.
bool hasSm2Group(const EC_KEY* key, const ec_sm2_data* rec, BN_CTX* ctx) {
  const EC_GROUP* group = EC_KEY_get0_group(key);
  if (group == nullptr) return false;
  spc::SecretBnPtr p(BN_new()), a(BN_new()), b(BN_new());
  spc::SecretBnPtr wantA(BN_bin2bn(EC_SM2_a, 32, nullptr)), wantB(BN_bin2bn(EC_SM2_b, 32, nullptr));
  if (!p || !a || !b || !wantA || !wantB) return false;
  if (!EC_GROUP_get_curve(group, p.get(), a.get(), b.get(), ctx)) return false;
  if (BN_cmp(p.get(), rec->p) != 0 || BN_cmp(a.get(), wantA.get()) != 0 ||
      BN_cmp(b.get(), wantB.get()) != 0)
    return false;
  const BIGNUM* order = EC_GROUP_get0_order(group);
  const EC_POINT* gen = EC_GROUP_get0_generator(group);
  const BIGNUM* cofactor = EC_GROUP_get0_cofactor(group);
  return order != nullptr && BN_cmp(order, rec->n) == 0 && cofactor != nullptr &&
         BN_is_one(cofactor) && gen != nullptr && EC_POINT_cmp(rec->group, gen, rec->G, ctx) == 0;
}

// r = scalar·point for a secret scalar (k, d). OpenSSL multiplies in constant
// time (its Montgomery ladder) only on a group that knows its order and
// cofactor: the key's own SM2 group does, the record's arithmetic group does
// not. The result is the same point either way.
int secretMul(const EC_KEY* key, const ec_sm2_data* rec, EC_POINT* r, const EC_POINT* point,
              const BIGNUM* scalar, BN_CTX* ctx) {
  const EC_GROUP* group = hasSm2Group(key, rec, ctx) ? EC_KEY_get0_group(key) : rec->group;
  return EC_POINT_mul(group, r, nullptr, point, scalar, ctx);
}

}  // namespace

namespace sm2_internal {

int ec_key_record_index() {
  static const int index = EC_KEY_get_ex_new_index(0, nullptr, nullptr, dupRecord, freeRecord);
  return index;
}

int draw_scalar(BIGNUM* k, const BIGNUM* n) {
  if (g_scalarSource != nullptr) return g_scalarSource(k, n, g_scalarArg);
  return BN_priv_rand_range(k, n);
}

}  // namespace sm2_internal

namespace sm2_testing {
void set_scalar_source(ScalarSource source, void* arg) {
  g_scalarSource = source;
  g_scalarArg = arg;
}
}  // namespace sm2_testing

// ---------------------------------------------------------------------------
// Curve record

ec_sm2_data* ec_sm2_data_new() {
  auto* rec = static_cast<ec_sm2_data*>(OPENSSL_zalloc(sizeof(ec_sm2_data)));
  if (rec == nullptr) return nullptr;
  spc::BnCtxPtr ctx(BN_CTX_new());
  spc::SecretBnPtr a(BN_bin2bn(EC_SM2_a, 32, nullptr)), b(BN_bin2bn(EC_SM2_b, 32, nullptr));
  spc::SecretBnPtr gx(BN_bin2bn(EC_SM2_Gx, 32, nullptr)), gy(BN_bin2bn(EC_SM2_Gy, 32, nullptr));
  rec->p = BN_bin2bn(EC_SM2_p, 32, nullptr);
  rec->n = BN_bin2bn(EC_SM2_n, 32, nullptr);
  bool ok = ctx && a && b && gx && gy && rec->p && rec->n;
  if (ok) ok = (rec->group = EC_GROUP_new_curve_GFp(rec->p, a.get(), b.get(), ctx.get()));
  if (ok) ok = (rec->G = EC_POINT_new(rec->group));
  if (ok) ok = EC_POINT_set_affine_coordinates(rec->group, rec->G, gx.get(), gy.get(), ctx.get());
  if (!ok) {
    ec_sm2_data_free(rec);
    return nullptr;
  }
  return rec;
}

ec_sm2_data* ec_sm2_data_dup(const ec_sm2_data* record) {
  return record == nullptr ? nullptr : ec_sm2_data_new();
}

void ec_sm2_data_free(ec_sm2_data* record) {
  if (record == nullptr) return;
  BN_free(record->p);
  BN_free(record->n);
  EC_POINT_free(record->G);
  EC_GROUP_clear_free(record->group);
  OPENSSL_free(record);
}

ec_sm2_data* ec_sm2_check(EC_KEY* key) {
  if (key == nullptr) return nullptr;
  int index = ec_key_record_index();
  if (index < 0) return nullptr;
  auto* rec = static_cast<ec_sm2_data*>(EC_KEY_get_ex_data(key, index));
  if (rec != nullptr) return rec;
  rec = ec_sm2_data_new();
  if (rec == nullptr) return nullptr;
  if (!EC_KEY_set_ex_data(key, index, rec)) {
    ec_sm2_data_free(rec);
    return nullptr;
  }
  return rec;
}

// ---------------------------------------------------------------------------
// Helpers

int KDF(const unsigned char* z, size_t zlen, size_t klen, unsigned char* out, const EVP_MD* md) {
  if (klen == 0) return 1;
  size_t v = digestSize(md);
  if (v == 0 || out == nullptr || (z == nullptr && zlen != 0)) return 0;
  spc::MdCtxPtr c(EVP_MD_CTX_new());
  if (!c) return 0;
  unsigned char block[EVP_MAX_MD_SIZE];
  int ok = 1;
  for (uint32_t ct = 1; klen > 0 && ok; ++ct) {
    const unsigned char counter[4] = {
        static_cast<unsigned char>(ct >> 24), static_cast<unsigned char>(ct >> 16),
        static_cast<unsigned char>(ct >> 8), static_cast<unsigned char>(ct)};
    ok = EVP_DigestInit_ex(c.get(), md, nullptr) &&
         (zlen == 0 || EVP_DigestUpdate(c.get(), z, zlen)) &&
         EVP_DigestUpdate(c.get(), counter, 4) && EVP_DigestFinal_ex(c.get(), block, nullptr);
    if (!ok) break;
    size_t take = klen < v ? klen : v;
    memcpy(out, block, take);
    out += take;
    klen -= take;
  }
  OPENSSL_cleanse(block, sizeof block);
  return ok;
}

int Md_bn2bin(const BIGNUM* bn, unsigned char* buf, int len) {
  if (buf != nullptr && len > 0) memset(buf, 0, static_cast<size_t>(len));
  if (bn == nullptr) return 0;
  int n = BN_num_bytes(bn);
  if (buf != nullptr && n <= len) BN_bn2bin(bn, buf + (len - n));
  return n;
}

// ---------------------------------------------------------------------------
// Keys

int EC_SM2_check_key(EC_KEY* key) {
  ec_sm2_data* rec = ec_sm2_check(key);
  if (rec == nullptr) return 0;
  const EC_POINT* pub = EC_KEY_get0_public_key(key);
  if (pub == nullptr || EC_POINT_is_at_infinity(rec->group, pub)) return 0;
  spc::BnCtxPtr ctx(BN_CTX_new());
  spc::SecretBnPtr x(BN_new()), y(BN_new());
  spc::EcPointPtr nP(EC_POINT_new(rec->group));
  if (!ctx || !x || !y || !nP) return 0;
  if (!EC_POINT_get_affine_coordinates(rec->group, pub, x.get(), y.get(), ctx.get())) return 0;
  if (!inRange(x.get(), rec->p) || !inRange(y.get(), rec->p)) return 0;
  if (EC_POINT_is_on_curve(rec->group, pub, ctx.get()) != 1) return 0;
  if (!EC_POINT_mul(rec->group, nP.get(), nullptr, pub, rec->n, ctx.get())) return 0;
  return EC_POINT_is_at_infinity(rec->group, nP.get()) ? 1 : 0;
}

int EC_SM2_check_key_ex(EC_KEY* key) { return ec_sm2_check(key) != nullptr ? 1 : 0; }

int EC_SM2_generate_key(EC_KEY* key) {
  ec_sm2_data* rec = ec_sm2_check(key);
  if (rec == nullptr) return 0;
  if (EC_KEY_get0_private_key(key) != nullptr || EC_KEY_get0_public_key(key) != nullptr) return 0;
  spc::BnCtxPtr ctx(BN_CTX_new());
  spc::SecretBnPtr d(BN_secure_new()), range(BN_new());
  spc::EcPointPtr pub(EC_POINT_new(rec->group));
  if (!ctx || !d || !range || !pub || !hasSm2Group(key, rec, ctx.get())) return 0;
  // d uniform in [1, n-2]: a draw in [0, n-3] plus one.
  if (!BN_copy(range.get(), rec->n) || !BN_sub_word(range.get(), 2)) return 0;
  if (!BN_priv_rand_range(d.get(), range.get()) || !BN_add_word(d.get(), 1)) return 0;
  if (!secretMul(key, rec, pub.get(), rec->G, d.get(), ctx.get())) return 0;
  if (!EC_KEY_set_private_key(key, d.get())) return 0;
  if (!EC_KEY_set_public_key(key, pub.get())) {
    EC_KEY_set_private_key(key, nullptr);  // clears it again; reports 0 by design
    return 0;
  }
  return 1;
}

BIGNUM* EC_SM2_HashIdMessage(EC_KEY* key, const char* id, const unsigned char* msg, size_t msglen,
                             const EVP_MD* md) {
  size_t v = digestSize(md);
  ec_sm2_data* rec = ec_sm2_check(key);
  if (v == 0 || rec == nullptr || (msg == nullptr && msglen != 0)) return nullptr;
  const EC_POINT* pub = EC_KEY_get0_public_key(key);
  if (pub == nullptr) return nullptr;
  spc::BnCtxPtr ctx(BN_CTX_new());
  spc::SecretBnPtr x(BN_new()), y(BN_new());
  if (!ctx || !x || !y) return nullptr;
  if (!EC_POINT_get_affine_coordinates(rec->group, pub, x.get(), y.get(), ctx.get()))
    return nullptr;
  unsigned char xa[kCoord], ya[kCoord];
  if (Md_bn2bin(x.get(), xa, kCoord) > static_cast<int>(kCoord) ||
      Md_bn2bin(y.get(), ya, kCoord) > static_cast<int>(kCoord))
    return nullptr;
  if (id == nullptr) id = kDefaultId;
  size_t idlen = strlen(id);
  // ENTL: the identity's bit length, low 16 bits, high byte first.
  const unsigned bits = static_cast<unsigned>((idlen * 8) & 0xFFFF);
  const unsigned char entl[2] = {static_cast<unsigned char>(bits >> 8),
                                 static_cast<unsigned char>(bits)};
  unsigned char z[EVP_MAX_MD_SIZE], e[EVP_MAX_MD_SIZE];
  if (!hashPieces(md,
                  {{entl, 2},
                   {reinterpret_cast<const unsigned char*>(id), idlen},
                   {EC_SM2_a, 32},
                   {EC_SM2_b, 32},
                   {EC_SM2_Gx, 32},
                   {EC_SM2_Gy, 32},
                   {xa, kCoord},
                   {ya, kCoord}},
                  z) ||
      !hashPieces(md, {{z, v}, {msg, msglen}}, e))
    return nullptr;
  return BN_bin2bn(e, static_cast<int>(v), nullptr);
}

// ---------------------------------------------------------------------------
// Signature

int EC_SM2_sign(EC_KEY* key, const char* id, const unsigned char* msg, size_t msglen,
                EC_SM2_SIG* sig, const EVP_MD* md) {
  if (sig == nullptr || sig->r == nullptr || sig->s == nullptr) return 0;
  ec_sm2_data* rec = ec_sm2_check(key);
  if (rec == nullptr) return 0;
  const BIGNUM* d = EC_KEY_get0_private_key(key);
  if (d == nullptr) return 0;
  spc::SecretBnPtr e(EC_SM2_HashIdMessage(key, id, msg, msglen, md));
  if (!e) return 0;
  spc::BnCtxPtr ctx(BN_CTX_new());
  spc::SecretBnPtr k(BN_secure_new()), x1(BN_new()), r(BN_new()), s(BN_new()), t(BN_new()),
      dinv(BN_secure_new());
  spc::EcPointPtr kG(EC_POINT_new(rec->group));
  if (!ctx || !k || !x1 || !r || !s || !t || !dinv || !kG) return 0;
  // (1 + d)^-1 mod n, once for all attempts.
  if (!BN_copy(t.get(), d) || !BN_add_word(t.get(), 1)) return 0;
  BN_set_flags(t.get(), BN_FLG_CONSTTIME);
  if (!BN_mod_inverse(dinv.get(), t.get(), rec->n, ctx.get())) return 0;
  for (;;) {
    if (!drawNonZero(k.get(), rec->n)) return 0;
    if (!secretMul(key, rec, kG.get(), rec->G, k.get(), ctx.get())) return -2;
    if (!EC_POINT_get_affine_coordinates(rec->group, kG.get(), x1.get(), nullptr, ctx.get()))
      return -3;
    // r = (e + x1) mod n; retry on r = 0 or r + k = n.
    if (!BN_mod_add(r.get(), e.get(), x1.get(), rec->n, ctx.get())) return 0;
    if (BN_is_zero(r.get())) continue;
    if (!BN_add(t.get(), r.get(), k.get())) return 0;
    if (BN_cmp(t.get(), rec->n) == 0) continue;
    // s = (1 + d)^-1 (k - r d) mod n; retry on s = 0.
    if (!BN_mod_mul(t.get(), r.get(), d, rec->n, ctx.get()) ||
        !BN_mod_sub(t.get(), k.get(), t.get(), rec->n, ctx.get()) ||
        !BN_mod_mul(s.get(), dinv.get(), t.get(), rec->n, ctx.get()))
      return 0;
    if (BN_is_zero(s.get())) continue;
    break;
  }
  if (!BN_copy(sig->r, r.get()) || !BN_copy(sig->s, s.get())) return 0;
  return 1;
}

int EC_SM2_verify(EC_KEY* key, const char* id, const unsigned char* msg, size_t msglen,
                  const EC_SM2_SIG* sig, const EVP_MD* md) {
  if (sig == nullptr) return -1;
  if (sig->r == nullptr || sig->s == nullptr) return 0;
  ec_sm2_data* rec = ec_sm2_check(key);
  if (rec == nullptr) return 0;
  const EC_POINT* pub = EC_KEY_get0_public_key(key);
  if (pub == nullptr) return 0;
  // r, s in [1, n-1].
  if (BN_is_zero(sig->r) || !inRange(sig->r, rec->n) || BN_is_zero(sig->s) ||
      !inRange(sig->s, rec->n))
    return 0;
  spc::SecretBnPtr e(EC_SM2_HashIdMessage(key, id, msg, msglen, md));
  if (!e) return 0;
  spc::BnCtxPtr ctx(BN_CTX_new());
  spc::SecretBnPtr t(BN_new()), x1(BN_new()), R(BN_new());
  spc::EcPointPtr X(EC_POINT_new(rec->group));
  if (!ctx || !t || !x1 || !R || !X) return 0;
  if (!BN_mod_add(t.get(), sig->r, sig->s, rec->n, ctx.get()) || BN_is_zero(t.get())) return 0;
  // (x1, y1) = s·G + t·P in one pass.
  const EC_POINT* points[2] = {rec->G, pub};
  const BIGNUM* scalars[2] = {sig->s, t.get()};
  if (!EC_POINTs_mul(rec->group, X.get(), nullptr, 2, points, scalars, ctx.get())) return 0;
  if (!EC_POINT_get_affine_coordinates(rec->group, X.get(), x1.get(), nullptr, ctx.get())) return 0;
  if (!BN_mod_add(R.get(), e.get(), x1.get(), rec->n, ctx.get())) return 0;
  return BN_cmp(R.get(), sig->r) == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------
// Encryption

int EC_SM2_encrypt(EC_KEY* key, const unsigned char* msg, size_t mlen, unsigned char* out,
                   const EVP_MD* md) {
  size_t v = digestSize(md);
  if (v == 0 || mlen > static_cast<size_t>(INT_MAX) - kPointLen - v) return 0;
  const int total = static_cast<int>(mlen + v + kPointLen);
  if (out == nullptr) return total;
  if (mlen == 0 || msg == nullptr) return 0;
  ec_sm2_data* rec = ec_sm2_check(key);
  if (rec == nullptr) return 0;
  const EC_POINT* pub = EC_KEY_get0_public_key(key);
  // With cofactor 1, S = h·P = P: a public point at infinity is refused.
  if (pub == nullptr || EC_POINT_is_at_infinity(rec->group, pub)) return 0;

  spc::BnCtxPtr ctx(BN_CTX_new());
  spc::SecretBnPtr k(BN_secure_new());
  spc::EcPointPtr C1(EC_POINT_new(rec->group)), S(EC_POINT_new(rec->group));
  if (!ctx || !k || !C1 || !S) return 0;
  SecretBuffer t(mlen);  // KDF output, then C2
  if (t.data() == nullptr) return 0;
  unsigned char shared[kPointLen];  // 0x04 || x2 || y2
  spc::WipeOnExit wipeShared(shared);
  unsigned char c3[EVP_MAX_MD_SIZE];
  for (;;) {
    if (!drawNonZero(k.get(), rec->n)) return 0;
    if (!secretMul(key, rec, C1.get(), rec->G, k.get(), ctx.get())) return 0;
    if (!secretMul(key, rec, S.get(), pub, k.get(), ctx.get())) return 0;
    if (EC_POINT_point2oct(rec->group, S.get(), POINT_CONVERSION_UNCOMPRESSED, shared, kPointLen,
                           ctx.get()) != kPointLen)
      return 0;
    if (!KDF(shared + 1, 2 * kCoord, mlen, t.data(), md)) return 0;
    if (!allZero(t.data(), mlen)) break;  // an all-zero key stream: new k
  }
  // C3 and C2 are made before anything is written, so `out` may overlap `msg`.
  if (!hashPieces(md, {{shared + 1, kCoord}, {msg, mlen}, {shared + 1 + kCoord, kCoord}}, c3))
    return 0;
  for (size_t i = 0; i < mlen; ++i) t[i] ^= msg[i];
  if (EC_POINT_point2oct(rec->group, C1.get(), POINT_CONVERSION_UNCOMPRESSED, out, kPointLen,
                         ctx.get()) != kPointLen)
    return 0;
  memcpy(out + kPointLen, c3, v);
  memcpy(out + kPointLen + v, t.data(), mlen);
  return total;
}

int EC_SM2_decrypt(EC_KEY* key, const unsigned char* in, size_t inlen, unsigned char* out,
                   const EVP_MD* md) {
  size_t v = digestSize(md);
  if (v == 0 || inlen < v + kPointLen) return 0;
  const size_t klen = inlen - kPointLen - v;
  if (klen > static_cast<size_t>(INT_MAX)) return 0;
  if (out == nullptr) return static_cast<int>(klen);  // the size query reads no input
  if (in == nullptr) return 0;
  ec_sm2_data* rec = ec_sm2_check(key);
  if (rec == nullptr) return 0;
  const BIGNUM* d = EC_KEY_get0_private_key(key);
  if (d == nullptr) return 0;

  spc::BnCtxPtr ctx(BN_CTX_new());
  spc::EcPointPtr C1(EC_POINT_new(rec->group)), S(EC_POINT_new(rec->group));
  SecretBuffer m(klen);  // key stream, then M'
  if (!ctx || !C1 || !S || m.data() == nullptr) return 0;
  if (!EC_POINT_oct2point(rec->group, C1.get(), in, kPointLen, ctx.get()) ||
      EC_POINT_is_on_curve(rec->group, C1.get(), ctx.get()) != 1 ||
      EC_POINT_is_at_infinity(rec->group, C1.get()))
    return 0;
  unsigned char shared[kPointLen];
  spc::WipeOnExit wipeShared(shared);
  unsigned char u[EVP_MAX_MD_SIZE];
  if (!secretMul(key, rec, S.get(), C1.get(), d, ctx.get())) return 0;
  if (EC_POINT_point2oct(rec->group, S.get(), POINT_CONVERSION_UNCOMPRESSED, shared, kPointLen,
                         ctx.get()) != kPointLen)
    return 0;
  // An all-zero key stream (an empty C2 counts as one) is refused.
  if (!KDF(shared + 1, 2 * kCoord, klen, m.data(), md) || allZero(m.data(), klen)) return 0;
  for (size_t i = 0; i < klen; ++i) m[i] ^= in[kPointLen + v + i];
  if (!hashPieces(md, {{shared + 1, kCoord}, {m.data(), klen}, {shared + 1 + kCoord, kCoord}}, u))
    return 0;
  if (CRYPTO_memcmp(u, in + kPointLen, v) != 0) return 0;
  memcpy(out, m.data(), klen);
  return static_cast<int>(klen);
}

}  // namespace smlib
