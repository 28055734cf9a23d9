# The deployment's built-in key set: validation and the generated sources.
#
# A key set is a folder holding
#   rsa_private.pem   the control's RSA private key (PKCS#1 or PKCS#8 PEM, two
#                     primes, modulus of at most 2048 bits, public exponent of
#                     at most 6 hex digits), unencrypted
#   sm2_private.pem   the control's SM2 private key (PEM, SM2 curve), or
#   sm2_private.hex   the SM2 private scalar as hex text (one of the two)
#   aes_key.hex       the 32-byte AES key as 64 hex digits
# Whitespace in the .hex files is ignored. Everything is read with the openssl
# command-line tool; a missing or inconsistent set stops the configure step.
#
# Functions:
#   spc_read_keyset(<dir> <prefix>)  validates and sets <prefix>_RSA_N, _RSA_E,
#       _RSA_P, _RSA_Q, _RSA_D, _SM2_D (64 digits), _AES_KEY (64 digits), all
#       upper-case hex, and <prefix>_FILES (the files read).
#   spc_keyset_sources(<dir> <outdir>) (project mode) reads the set, writes
#       <outdir>/protect/builtin_keys.cpp and <outdir>/keys/keyset.h, and
#       re-runs configure when a file of the set changes.
#
# No private value reaches the build tree in clear: builtin_keys.cpp holds the
# masked form only, keyset.h names the set's files (code that plays the
# server's side reads them at run time), and the values live in function
# scope, never in the cache.

set(SPC_KEYSET_MODULE_DIR "${CMAKE_CURRENT_LIST_DIR}")

# Order n of the SM2 curve's base point.
set(SPC_SM2_ORDER "FFFFFFFEFFFFFFFFFFFFFFFFFFFFFFFF7203DF6B21C6052B53BBF40939D54123")

function(_spc_keyset_fail dir text)
  message(FATAL_ERROR "Key set '${dir}' (SPC_KEYSET): ${text}")
endfunction()

# Runs openssl with the given arguments; sets out, err and rc in the caller.
macro(_spc_openssl)
  execute_process(COMMAND "${SPC_OPENSSL_EXECUTABLE}" ${ARGN}
                  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  string(STRIP "${err}" err)
endmacro()

# Upper-case hex of a number, whole bytes (an odd digit count gains a leading 0).
function(_spc_even_hex var value)
  string(TOUPPER "${value}" value)
  string(LENGTH "${value}" len)
  math(EXPR odd "${len} % 2")
  if(odd)
    set(value "0${value}")
  endif()
  set(${var} "${value}" PARENT_SCOPE)
endfunction()

# Hex text from a file, whitespace removed, upper case; fails on anything else.
function(_spc_read_hex_file dir file var)
  file(READ "${file}" text)
  string(REGEX REPLACE "[ \t\r\n]" "" text "${text}")
  string(TOUPPER "${text}" text)
  if(text STREQUAL "" OR NOT text MATCHES "^[0-9A-F]+$")
    get_filename_component(name "${file}" NAME)
    _spc_keyset_fail("${dir}" "${name} must hold hexadecimal digits only")
  endif()
  set(${var} "${text}" PARENT_SCOPE)
endfunction()

function(spc_read_keyset dir prefix)
  if(NOT IS_DIRECTORY "${dir}")
    _spc_keyset_fail("${dir}" "the folder does not exist")
  endif()
  if(NOT SPC_OPENSSL_EXECUTABLE)
    find_program(SPC_OPENSSL_EXECUTABLE openssl)
    if(NOT SPC_OPENSSL_EXECUTABLE)
      message(FATAL_ERROR "The openssl command-line tool is needed to read the key set")
    endif()
  endif()

  # RSA: one consistent two-prime key.
  set(rsa "${dir}/rsa_private.pem")
  if(NOT EXISTS "${rsa}")
    _spc_keyset_fail("${dir}" "rsa_private.pem is missing")
  endif()
  _spc_openssl(rsa -in "${rsa}" -passin pass: -check -noout)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "RSA key ok")
    _spc_keyset_fail("${dir}"
      "rsa_private.pem is not one consistent RSA private key (openssl rsa -check: ${out}${err})")
  endif()
  execute_process(
    COMMAND "${SPC_OPENSSL_EXECUTABLE}" rsa -in "${rsa}" -passin pass: -traditional
    COMMAND "${SPC_OPENSSL_EXECUTABLE}" asn1parse
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  string(REGEX MATCHALL "prim: INTEGER +:[0-9A-Fa-f]+" ints "${out}")
  list(LENGTH ints count)
  if(NOT rc EQUAL 0 OR NOT count EQUAL 9)
    _spc_keyset_fail("${dir}" "rsa_private.pem must hold a two-prime RSA key")
  endif()
  set(fields VERSION N E D P Q)
  foreach(i RANGE 0 5)
    list(GET ints ${i} entry)
    list(GET fields ${i} field)
    string(REGEX REPLACE ".*:" "" value "${entry}")
    _spc_even_hex(value "${value}")
    set(rsa_${field} "${value}")
  endforeach()
  # Bits of the modulus: 4 per digit after the first, plus those of the first.
  string(REGEX REPLACE "^0+" "" n_digits "${rsa_N}")
  string(LENGTH "${n_digits}" n_len)
  string(SUBSTRING "${n_digits}" 0 1 lead)
  math(EXPR lead_value "0x${lead}")
  set(lead_bits 4)
  if(lead_value LESS 2)
    set(lead_bits 1)
  elseif(lead_value LESS 4)
    set(lead_bits 2)
  elseif(lead_value LESS 8)
    set(lead_bits 3)
  endif()
  math(EXPR n_bits "4 * (${n_len} - 1) + ${lead_bits}")
  if(n_bits GREATER 2048)
    _spc_keyset_fail("${dir}" "the RSA modulus has ${n_bits} bits, more than 2048")
  endif()
  foreach(check "E;6;public exponent" "P;256;prime p" "Q;256;prime q" "D;512;private exponent")
    list(GET check 0 field)
    list(GET check 1 limit)
    list(GET check 2 role)
    string(LENGTH "${rsa_${field}}" len)
    if(len GREATER limit)
      _spc_keyset_fail("${dir}" "the RSA ${role} has ${len} hex digits, more than ${limit}")
    endif()
  endforeach()

  # SM2: a scalar in [1, n-1] of the SM2 curve.
  set(sm2_pem "${dir}/sm2_private.pem")
  set(sm2_hex "${dir}/sm2_private.hex")
  if(EXISTS "${sm2_pem}" AND EXISTS "${sm2_hex}")
    _spc_keyset_fail("${dir}" "holds both sm2_private.pem and sm2_private.hex; keep one")
  elseif(EXISTS "${sm2_pem}")
    set(sm2_file "${sm2_pem}")
    _spc_openssl(pkey -in "${sm2_pem}" -passin pass: -check -text -noout)
    if(NOT rc EQUAL 0 OR NOT out MATCHES "ASN1 OID: SM2")
      _spc_keyset_fail("${dir}"
        "sm2_private.pem is not a valid private key on the SM2 curve (${err})")
    endif()
    if(NOT out MATCHES "priv:([0-9a-fA-F: \n]*)pub:")
      _spc_keyset_fail("${dir}" "sm2_private.pem holds no private scalar")
    endif()
    string(REGEX REPLACE "[: \n]" "" sm2_d "${CMAKE_MATCH_1}")
    string(TOUPPER "${sm2_d}" sm2_d)
  elseif(EXISTS "${sm2_hex}")
    set(sm2_file "${sm2_hex}")
    _spc_read_hex_file("${dir}" "${sm2_hex}" sm2_d)
  else()
    _spc_keyset_fail("${dir}" "sm2_private.pem (or sm2_private.hex) is missing")
  endif()
  string(REGEX REPLACE "^0+" "" sm2_d "${sm2_d}")
  string(LENGTH "${sm2_d}" sm2_len)
  if(sm2_len GREATER 64)
    _spc_keyset_fail("${dir}" "the SM2 private scalar has ${sm2_len} hex digits, more than 64")
  endif()
  while(sm2_len LESS 64)
    string(PREPEND sm2_d "0")
    math(EXPR sm2_len "${sm2_len} + 1")
  endwhile()
  # Equal-length upper-case hex texts compare like the numbers they stand for.
  if(sm2_d STREQUAL "0000000000000000000000000000000000000000000000000000000000000000"
     OR NOT sm2_d STRLESS SPC_SM2_ORDER)
    _spc_keyset_fail("${dir}" "the SM2 private scalar lies outside [1, n-1] of the SM2 curve")
  endif()

  # AES: exactly 32 bytes.
  set(aes "${dir}/aes_key.hex")
  if(NOT EXISTS "${aes}")
    _spc_keyset_fail("${dir}" "aes_key.hex is missing")
  endif()
  _spc_read_hex_file("${dir}" "${aes}" aes_key)
  string(LENGTH "${aes_key}" aes_len)
  if(NOT aes_len EQUAL 64)
    math(EXPR aes_bytes "${aes_len} / 2")
    _spc_keyset_fail("${dir}"
      "aes_key.hex holds ${aes_len} hex digits (${aes_bytes} bytes); the AES key must be 32 bytes")
  endif()

  foreach(field N E P Q D)
    set(${prefix}_RSA_${field} "${rsa_${field}}" PARENT_SCOPE)
  endforeach()
  set(${prefix}_SM2_D "${sm2_d}" PARENT_SCOPE)
  set(${prefix}_AES_KEY "${aes_key}" PARENT_SCOPE)
  set(${prefix}_RSA_FILE "${rsa}" PARENT_SCOPE)
  set(${prefix}_SM2_FILE "${sm2_file}" PARENT_SCOPE)
  set(${prefix}_AES_FILE "${aes}" PARENT_SCOPE)
  set(${prefix}_FILES "${rsa};${sm2_file};${aes}" PARENT_SCOPE)
endfunction()

# C initialiser of the masked bytes of `bytes_hex` (hex pairs) and the seed
# of the mask stream. The mask is the top byte of a 32-bit linear congruential
# generator, the same one the generated source runs to unmask.
function(_spc_masked_array bytes_hex seed_text out_array out_seed)
  string(SHA256 digest "${seed_text}")
  string(SUBSTRING "${digest}" 0 8 seed)
  math(EXPR x "0x${seed}")
  set(seed_value "${x}")
  string(LENGTH "${bytes_hex}" len)
  math(EXPR last "${len} - 2")
  set(items "")
  set(column 0)
  foreach(pos RANGE 0 ${last} 2)
    string(SUBSTRING "${bytes_hex}" ${pos} 2 pair)
    math(EXPR x "(${x} * 1664525 + 1013904223) & 0xFFFFFFFF")
    math(EXPR masked "0x${pair} ^ (${x} >> 24)" OUTPUT_FORMAT HEXADECIMAL)
    string(APPEND items "${masked},")
    math(EXPR column "${column} + 1")
    if(column EQUAL 16)
      string(APPEND items "\n    ")
      set(column 0)
    endif()
  endforeach()
  set(${out_array} "${items}" PARENT_SCOPE)
  set(${out_seed} "${seed_value}u" PARENT_SCOPE)
endfunction()

function(spc_keyset_sources dir outdir)
  spc_read_keyset("${dir}" KS)
  set_property(DIRECTORY "${CMAKE_SOURCE_DIR}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
               ${KS_FILES})
  # Each seed depends on the whole set, so a new set gives new masks throughout.
  string(SHA256 set_digest "${KS_RSA_N}${KS_SM2_D}${KS_AES_KEY}")
  foreach(item RSA_N RSA_E RSA_P RSA_Q RSA_D SM2_D)
    # Text accessors: mask the characters of the hex text.
    string(HEX "${KS_${item}}" chars_hex)
    _spc_masked_array("${chars_hex}" "${set_digest}:${item}" MASKED_${item} SEED_${item})
  endforeach()
  _spc_masked_array("${KS_AES_KEY}" "${set_digest}:AES_KEY" MASKED_AES_KEY SEED_AES_KEY)
  configure_file("${SPC_KEYSET_MODULE_DIR}/builtin_keys.cpp.in"
                 "${outdir}/protect/builtin_keys.cpp" @ONLY)

  set(KEYSET_DIR "${dir}")
  set(KEYSET_RSA_FILE "${KS_RSA_FILE}")
  set(KEYSET_SM2_FILE "${KS_SM2_FILE}")
  set(KEYSET_AES_FILE "${KS_AES_FILE}")
  configure_file("${SPC_KEYSET_MODULE_DIR}/keyset.h.in" "${outdir}/keys/keyset.h" @ONLY)
  # A values file of earlier builds held private values in clear.
  file(REMOVE "${outdir}/keys/keyset_values.txt")

  # #include "keys/keyset.h" for whoever links `keyset`; it reads with OpenSSL.
  add_library(keyset INTERFACE)
  target_include_directories(keyset INTERFACE "${outdir}")
  target_link_libraries(keyset INTERFACE OpenSSL::Crypto)
  set(SPC_BUILTIN_KEYS_SOURCE "${outdir}/protect/builtin_keys.cpp" PARENT_SCOPE)
endfunction()
