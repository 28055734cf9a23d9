# Makes a fresh key set with the openssl tool, configures the project against
# it and searches every file of the resulting build tree, and the configure
# output, for the set's private values. Run with cmake -P and
#   SOURCE_DIR, WORK_DIR, GENERATOR, C_COMPILER, CXX_COMPILER, MAKE_PROGRAM.
# The work folder is removed at the end, whatever the outcome.
#
# Every private value (RSA d, p, q, dP, dQ, qInv, the SM2 scalar, the AES key)
# is cut into 8-byte pieces, and each piece is looked for as upper-case hex,
# lower-case hex, openssl's colon-separated hex and raw bytes, so a value that
# is written wrapped, cut or in another layout is found as well.
cmake_minimum_required(VERSION 3.25)
set(keys "${WORK_DIR}/keys")
set(probe "${WORK_DIR}/probe")
set(tree "${WORK_DIR}/build")
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${keys}" "${probe}")

find_program(OPENSSL openssl REQUIRED)

function(finish text)
  file(REMOVE_RECURSE "${WORK_DIR}")
  message(FATAL_ERROR "${text}")
endfunction()

function(openssl out_var)
  execute_process(COMMAND "${OPENSSL}" ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    finish("openssl ${ARGN} failed: ${err}")
  endif()
  set(${out_var} "${out}" PARENT_SCOPE)
endfunction()

# A fresh key set, as a deployment would make it.
openssl(ignored genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "${keys}/rsa_private.pem")
openssl(ignored genpkey -algorithm SM2 -out "${keys}/sm2_private.pem")
openssl(ignored rand -hex -out "${keys}/aes_key.hex" 32)

# The private values, as upper-case hex without leading zero bytes, from
# openssl's own text dump of each key: "<label>:" then indented lines of
# colon-separated hex.
set(values "")
function(take_values text)
  foreach(label IN LISTS ARGN)
    if(NOT text MATCHES "\n${label}:\n(( +[0-9a-f:]+\n)+)")
      finish("openssl's dump of a fresh key holds no '${label}'")
    endif()
    string(REGEX REPLACE "[: \n]" "" hex "${CMAKE_MATCH_1}")
    string(REGEX REPLACE "^(00)+" "" hex "${hex}")
    string(TOUPPER "${hex}" hex)
    list(APPEND values "${label}=${hex}")
  endforeach()
  set(values "${values}" PARENT_SCOPE)
endfunction()
openssl(rsa_text pkey -in "${keys}/rsa_private.pem" -text -noout)
take_values("${rsa_text}" privateExponent prime1 prime2 exponent1 exponent2 coefficient)
openssl(sm2_text pkey -in "${keys}/sm2_private.pem" -text -noout)
take_values("${sm2_text}" priv)
file(READ "${keys}/aes_key.hex" aes)
string(STRIP "${aes}" aes)
string(TOUPPER "${aes}" aes)
list(APPEND values "aes_key=${aes}")

# Needles: "<value>|<form>|<hex of the bytes to find>" for every 8-byte piece
# (the last piece ends with the value).
set(needles "")
foreach(entry IN LISTS values)
  string(REGEX REPLACE "=.*" "" name "${entry}")
  string(REGEX REPLACE ".*=" "" hex "${entry}")
  string(LENGTH "${hex}" len)
  if(len LESS 16)
    finish("private value ${name} is too short to look for")
  endif()
  math(EXPR last "${len} - 16")
  set(starts "")
  foreach(at RANGE 0 ${last} 16)
    list(APPEND starts ${at})
  endforeach()
  list(APPEND starts ${last})
  list(REMOVE_DUPLICATES starts)
  foreach(at IN LISTS starts)
    string(SUBSTRING "${hex}" ${at} 16 piece)
    string(TOLOWER "${piece}" lower)
    string(REGEX REPLACE "(..)" "\\1:" colon "${lower}")
    string(REGEX REPLACE ":$" "" colon "${colon}")
    string(HEX "${piece}" upper_bytes)
    string(HEX "${lower}" lower_bytes)
    string(HEX "${colon}" colon_bytes)
    list(APPEND needles "${name}|upper-case hex|${upper_bytes}"
         "${name}|lower-case hex|${lower_bytes}" "${name}|colon hex|${colon_bytes}"
         "${name}|raw bytes|${lower}")
  endforeach()
endforeach()

# Sets found_var to "<value> as <form>" for each value found in the bytes
# (given as lower-case hex), one form per value; with a third argument, only
# that form is looked for (a piece of decimal digits alone reads the same in
# upper and lower case).
function(search_bytes bytes found_var)
  set(only "${ARGV2}")
  set(found "")
  set(done "")
  foreach(needle IN LISTS needles)
    string(REPLACE "|" ";" parts "${needle}")
    list(GET parts 0 name)
    list(GET parts 1 form)
    if(name IN_LIST done OR (only AND NOT form STREQUAL only))
      continue()
    endif()
    list(GET parts 2 pattern)
    string(FIND "${bytes}" "${pattern}" at)
    if(NOT at EQUAL -1)
      list(APPEND found "${name} as ${form}")
      list(APPEND done "${name}")
    endif()
  endforeach()
  set(${found_var} "${found}" PARENT_SCOPE)
endfunction()

# Sets hits_var to one line per file under dir that holds a private value.
function(search_tree dir hits_var)
  file(GLOB_RECURSE files LIST_DIRECTORIES false "${dir}/*")
  set(hits "")
  foreach(file IN LISTS files)
    file(READ "${file}" bytes HEX)
    search_bytes("${bytes}" found)
    if(found)
      file(RELATIVE_PATH rel "${dir}" "${file}")
      string(REPLACE ";" ", " found "${found}")
      list(APPEND hits "${rel}: ${found}")
    endif()
  endforeach()
  set(${hits_var} "${hits}" PARENT_SCOPE)
endfunction()

# A piece of decimal digits alone is found in the form a probe looks for.
function(check_digit_piece)
  string(HEX "1234567890123456" digits)
  set(needles "digits|upper-case hex|${digits}" "digits|lower-case hex|${digits}")
  search_bytes("${digits}" found "lower-case hex")
  if(NOT found STREQUAL "digits as lower-case hex")
    finish("a piece of digits alone is found as: ${found}")
  endif()
endfunction()
check_digit_piece()

# The search must find each value in each form where it plainly stands: the
# keys' DER (raw bytes), openssl's dumps (colon hex), and texts of the values.
openssl(ignored pkey -in "${keys}/rsa_private.pem" -outform DER -out "${probe}/rsa.der")
openssl(ignored pkey -in "${keys}/sm2_private.pem" -outform DER -out "${probe}/sm2.der")
file(WRITE "${probe}/dumps.txt" "${rsa_text}${sm2_text}")
string(REPLACE ";" "\n" upper_text "${values}")
string(TOLOWER "${upper_text}" lower_text)
file(WRITE "${probe}/upper.txt" "${upper_text}\n")
file(WRITE "${probe}/lower.txt" "${lower_text}\n")
foreach(probe_case "rsa.der;raw bytes;6" "sm2.der;raw bytes;1" "dumps.txt;colon hex;7"
                   "upper.txt;upper-case hex;8" "lower.txt;lower-case hex;8")
  list(GET probe_case 0 name)
  list(GET probe_case 1 form)
  list(GET probe_case 2 count)
  file(READ "${probe}/${name}" bytes HEX)
  search_bytes("${bytes}" found "${form}")
  string(REGEX MATCHALL " as ${form}" matched "${found}")
  list(LENGTH matched matched_count)
  if(NOT matched_count EQUAL count)
    finish("the search finds ${matched_count} of the ${count} values as ${form} in ${name}: ${found}")
  endif()
endforeach()

# A build tree against the fresh set; generation happens at configure time.
set(toolchain "")
foreach(arg "CMAKE_C_COMPILER=${C_COMPILER}" "CMAKE_CXX_COMPILER=${CXX_COMPILER}"
            "CMAKE_MAKE_PROGRAM=${MAKE_PROGRAM}")
  if(NOT arg MATCHES "=$")
    list(APPEND toolchain "-D${arg}")
  endif()
endforeach()
execute_process(COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${tree}" -G "${GENERATOR}"
                        ${toolchain} "-DSPC_KEYSET=${keys}"
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  finish("configuring against a fresh key set failed:\n${out}\n${err}")
endif()
if(NOT EXISTS "${tree}/generated/protect/builtin_keys.cpp")
  finish("the configure step generated no builtin_keys.cpp")
endif()

string(HEX "${out}${err}" output_bytes)
search_bytes("${output_bytes}" found)
search_tree("${tree}" hits)
if(found)
  list(APPEND hits "(configure output): ${found}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
if(hits)
  string(REPLACE ";" "\n  " hits "${hits}")
  message(FATAL_ERROR "private key values in clear in the build tree:\n  ${hits}")
endif()
